#include "core/SString.h"

#include <cctype>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "core/SWindows.h"

namespace {

const char* OrEmpty(const char* p) { return p ? p : ""; }

// Case is folded for ASCII letters only, so that the code page's other bytes compare as-is.
unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

bool IsBlank(char c, bool spacesOnly) { return c == ' ' || (c == '\t' && !spacesOnly); }

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareFolded(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x && FoldAscii(*x) == FoldAscii(*y)) ++x, ++y;
    return Sign(FoldAscii(*x) - FoldAscii(*y));
}

bool SameFolded(const char* a, const char* b, int n) {
    for (int i = 0; i < n; ++i)
        if (FoldAscii(static_cast<unsigned char>(a[i])) !=
            FoldAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// First position in [from, end) of text where needle (m > 0 bytes) lies whole, or -1.
int FindIn(const char* text, int from, int end, const char* needle, int m, bool matchCase) {
    for (int last = end - m; from <= last; ++from) {
        if (matchCase) {
            const void* hit = std::memchr(text + from, needle[0], last - from + 1);
            if (!hit) return -1;
            from = static_cast<int>(static_cast<const char*>(hit) - text);
            if (std::memcmp(text + from, needle, m) == 0) return from;
        } else if (SameFolded(text + from, needle, m)) {
            return from;
        }
    }
    return -1;
}

// Resolves a (start, count) window to [start, end); false when it holds nothing.
bool ResolveWindow(int length, int& start, int count, int& end) {
    if (start < 0) start = 0;
    if (start >= length) return false;
    end = (count < 0 || count > length - start) ? length : start + count;
    return end > start;
}

// End of the line that begins at start; behind receives the position after its break, a
// CR LF pair counting as one break.
int LineEnd(const char* text, int length, int start, int& behind) {
    int end = start;
    while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
    behind = end;
    if (end < length) behind += (text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1;
    return end;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool PointsInto(const char* p, const char* block, int size) {
    auto address = reinterpret_cast<uintptr_t>(p);
    auto first = reinterpret_cast<uintptr_t>(block);
    return block && address >= first && address < first + static_cast<uintptr_t>(size);
}

}  // namespace

// ---- Construction -------------------------------------------------------------------------

SString::SString() : text(nullptr), length(0), capacity(0), wide(nullptr) {}

SString::SString(const char* p) : SString() { Set(p, -1); }

SString::SString(const wchar_t* p) : SString() { *this = p; }

// A copy always owns a buffer of its own, even of a never-sized string.
SString::SString(const SString& other) : SString() { Set(other.text, other.length); }

SString::SString(SString&& other) noexcept
    : text(other.text), length(other.length), capacity(other.capacity), wide(other.wide) {
    other.text = nullptr;
    other.wide = nullptr;
    other.length = other.capacity = 0;
}

SString::~SString() {
    delete[] text;
    delete[] wide;
}

SString SString::Spaces(int count) {
    SString spaces("");
    if (count > 0) spaces.SetLength(count, ' ');
    return spaces;
}

// ---- Access and sizing ---------------------------------------------------------------------

// The one place that allocates: capacity is the next multiple of 16 strictly above length + 1,
// and it never shrinks, so similar lengths reuse the buffer.
void SString::Size(int newLength, bool keep) {
    if (newLength < 0) newLength = 0;
    int wanted = ((newLength + 1) / 16 + 1) * 16;
    if (capacity < wanted) {
        char* grown = new char[wanted];
        if (keep && text) std::memcpy(grown, text, newLength < length ? newLength : length);
        delete[] text;
        text = grown;
        capacity = wanted;
    }
    length = newLength;
    text[newLength] = 0;
}

const char* SString::GetText() const { return text; }

const char* SString::GetSafeText() const { return text ? text : ""; }

char* SString::GetBuffer() { return text; }

int SString::GetLength() const { return length; }

int SString::GetCapacity() const { return capacity; }

char SString::GetAt(int i) const { return (text && i >= 0 && i < length) ? text[i] : 0; }

// Writing the terminator ends the text there.
void SString::SetAt(int i, char ch) {
    if (!text || i < 0 || i >= length) return;
    text[i] = ch;
    if (ch == 0) length = i;
}

void SString::SetLength(int n, char fill) {
    if (n < 0) n = 0;
    int oldLength = length;
    Size(n, true);
    if (fill != 0 && n > oldLength) std::memset(text + oldLength, fill, n - oldLength);
}

void SString::Empty() {
    delete[] text;
    text = nullptr;
    length = capacity = 0;
}

// An ANSI code page never yields more UTF-16 units than it has bytes, so length + 1 is room
// enough and one conversion call does.
const wchar_t* SString::GetWide() {
    if (!text) return nullptr;
    delete[] wide;
    wide = new wchar_t[length + 1];
    int converted = length ? MultiByteToWideChar(CP_ACP, 0, text, length, wide, length + 1) : 0;
    wide[converted > 0 ? converted : 0] = 0;
    return wide;
}

// ---- Assignment and conversion --------------------------------------------------------------

void SString::Set(const char* p, int n) {
    if (!p) {
        Size(0, false);
        return;
    }
    if (n < 0) n = static_cast<int>(std::strlen(p));
    if (PointsInto(p, text, capacity)) {
        // A part of our own text: it already fits, so move it to the front in place.
        std::memmove(text, p, n);
        length = n;
        text[n] = 0;
        return;
    }
    Size(n, false);
    std::memcpy(text, p, n);
}

SString& SString::operator=(const char* p) {
    Set(p, -1);
    return *this;
}

SString& SString::operator=(char ch) {
    Size(ch ? 1 : 0, false);
    text[0] = ch;
    return *this;
}

SString& SString::operator=(const SString& other) {
    if (this != &other)
        Set(other.GetSafeText(), other.length);
    else if (!text)
        Size(0, false);
    return *this;
}

// Takes the other's buffer; like every assignment it leaves this string sized.
SString& SString::operator=(SString&& other) noexcept {
    if (this == &other || !other.text) return *this = static_cast<const SString&>(other);
    delete[] text;
    delete[] wide;
    text = other.text;
    length = other.length;
    capacity = other.capacity;
    wide = other.wide;
    other.text = nullptr;
    other.wide = nullptr;
    other.length = other.capacity = 0;
    return *this;
}

SString& SString::operator=(const wchar_t* p) {
    int bytes = p ? WideCharToMultiByte(CP_ACP, 0, p, -1, nullptr, 0, nullptr, nullptr) : 0;
    if (bytes <= 1) {
        Size(0, false);
        return *this;
    }
    Size(bytes - 1, false);
    int written = WideCharToMultiByte(CP_ACP, 0, p, -1, text, bytes, nullptr, nullptr);
    Size(written > 0 ? written - 1 : 0, true);
    return *this;
}

// ---- Comparison -----------------------------------------------------------------------------

bool SString::operator==(const char* p) const { return Compare(p) == 0; }

bool SString::operator!=(const char* p) const { return Compare(p) != 0; }

bool SString::operator==(const SString& other) const {
    return length == other.length && std::memcmp(GetSafeText(), other.GetSafeText(), length) == 0;
}

bool SString::operator!=(const SString& other) const { return !(*this == other); }

int SString::Compare(const char* p) const { return Sign(std::strcmp(GetSafeText(), OrEmpty(p))); }

int SString::CompareNoCase(const char* p) const { return CompareFolded(GetSafeText(), OrEmpty(p)); }

// ---- Searching --------------------------------------------------------------------------------

int SString::Find(char ch, int start, int count) const {
    int end;
    if (!ResolveWindow(length, start, count, end)) return -1;
    const void* hit = std::memchr(text + start, ch, end - start);
    return hit ? static_cast<int>(static_cast<const char*>(hit) - text) : -1;
}

int SString::FindNot(char ch, int start, int count) const {
    int end;
    if (!ResolveWindow(length, start, count, end)) return -1;
    for (int i = start; i < end; ++i)
        if (text[i] != ch) return i;
    return -1;
}

int SString::Find(const char* p, int start, int count, bool after) const {
    int m = p ? static_cast<int>(std::strlen(p)) : 0;
    int end;
    if (m == 0 || !ResolveWindow(length, start, count, end)) return -1;
    int found = FindIn(text, start, end, p, m, true);
    return (found >= 0 && after) ? found + m : found;
}

int SString::FindNoCase(const char* p, int start, int count) const {
    int m = p ? static_cast<int>(std::strlen(p)) : 0;
    int end;
    if (m == 0 || !ResolveWindow(length, start, count, end)) return -1;
    return FindIn(text, start, end, p, m, false);
}

int SString::ReverseFind(char ch, int from) const {
    if (from == -1) from = length - 1;
    if (from < 0 || from >= length) return -1;
    for (int i = from; i >= 0; --i)
        if (text[i] == ch) return i;
    return -1;
}

// The characters are tried in the order given, not for the last position of any of them.
int SString::ReverseFindAny(int from, int n, ...) const {
    va_list characters;
    va_start(characters, n);
    int found = -1;
    for (int i = 0; i < n && found < 0; ++i)
        found = ReverseFind(static_cast<char>(va_arg(characters, int)), from);
    va_end(characters);
    return found;
}

// ---- Extraction ------------------------------------------------------------------------------

SString SString::Left(int n) const {
    SString part("");
    if (n > 0) part.Set(text, n < length ? n : length);
    return part;
}

SString SString::Right(int n) const {
    SString part("");
    if (n > 0 && length > 0)
        part.Set(text + (n < length ? length - n : 0), n < length ? n : length);
    return part;
}

SString SString::Mid(int start, int count) const {
    SString part("");
    int end;
    if (ResolveWindow(length, start, count, end)) part.Set(text + start, end - start);
    return part;
}

SString SString::After(char ch) const {
    int found = Find(ch);
    return found < 0 ? SString("") : Mid(found + 1);
}

SString SString::Before(char ch) const {
    int found = Find(ch);
    return found < 0 ? SString("") : Left(found);
}

SString SString::BeforeOrAll(char ch) const {
    int found = Find(ch);
    return found < 0 ? SString(*this) : Left(found);
}

// A CR LF pair is one line break; a lone CR or LF is one too.
SString SString::GetLine(int start, int* next) const {
    if (start < 0 || start >= length) {
        if (next) *next = length;
        return SString("");
    }
    int behind;
    int end = LineEnd(text, length, start, behind);
    if (next) *next = behind;
    return Mid(start, end - start);
}

SString SString::GetWord(int start, int* next, bool keepSpace) const {
    if (start < 0 || start >= length) {
        if (next) *next = length;
        return SString("");
    }
    int end = start;
    bool white = IsWhite(text[start]);
    while (end < length && IsWhite(text[end]) == white) ++end;
    if (white && !keepSpace) {
        start = end;
        while (end < length && !IsWhite(text[end])) ++end;
    }
    if (next) *next = end;
    return Mid(start, end - start);
}

SString SString::WithoutSpaces(bool tabsToo) const {
    SString result(*this);
    int kept = 0;
    for (int i = 0; i < length; ++i)
        if (!IsBlank(text[i], !tabsToo)) result.text[kept++] = text[i];
    result.Size(kept, true);
    return result;
}

SString SString::Upper() const {
    SString result(*this);
    result.MakeUpper();
    return result;
}

SString SString::Lower() const {
    SString result(*this);
    result.MakeLower();
    return result;
}

SString SString::operator+(const char* p) const {
    SString result(*this);
    result.Append(p);
    return result;
}

SString SString::operator+(const SString& other) const { return *this + other.GetSafeText(); }

// ---- Editing in place ----------------------------------------------------------------------

void SString::Append(const char* p) {
    if (!p) return;
    int n = static_cast<int>(std::strlen(p));
    // The source may be our own text, which the sizing step may move.
    ptrdiff_t ownOffset = PointsInto(p, text, capacity) ? p - text : -1;
    int oldLength = length;
    Size(oldLength + n, true);
    std::memcpy(text + oldLength, ownOffset >= 0 ? text + ownOffset : p, n);
}

void SString::Append(char ch) {
    if (ch == 0) return;  // appending the terminator leaves the text as it is
    Size(length + 1, true);
    text[length - 1] = ch;
}

SString& SString::operator+=(const char* p) {
    Append(p);
    return *this;
}

SString& SString::operator+=(const SString& other) {
    Append(other.GetSafeText());
    return *this;
}

SString& SString::operator+=(char ch) {
    Append(ch);
    return *this;
}

// Opens a gap of `room` bytes at pos, moving the tail once.
char* SString::OpenGap(int pos, int room) {
    int oldLength = length;
    Size(oldLength + room, true);
    std::memmove(text + pos + room, text + pos, oldLength - pos);
    return text + pos;
}

void SString::Insert(char ch, int pos, int n) {
    if (pos < 0) pos = length;
    if (n < 1 || pos > length) return;
    if (ch == 0) {
        SetAt(pos, 0);  // inserting the terminator ends the text there
        return;
    }
    std::memset(OpenGap(pos, n), ch, n);
}

void SString::Insert(const char* p, int pos, int n) {
    if (pos < 0) pos = length;
    if (!p || !*p || n < 1 || pos > length) return;
    if (PointsInto(p, text, capacity)) {
        SString copy(p);
        Insert(copy.text, pos, n);
        return;
    }
    int m = static_cast<int>(std::strlen(p));
    char* gap = OpenGap(pos, m * n);
    for (int i = 0; i < n; ++i) std::memcpy(gap + i * m, p, m);
}

int SString::Delete(int start, int count) {
    int end;
    if (!ResolveWindow(length, start, count, end)) return 0;
    std::memmove(text + start, text + end, length - end);
    Size(length - (end - start), true);
    return end - start;
}

void SString::Overwrite(const char* p, int start, int count) {
    if (start < 0) start = 0;
    if (start > length) return;
    if (PointsInto(p, text, capacity)) {
        SString copy(p);
        Overwrite(copy.text, start, count);
        return;
    }
    int end = (count < 0 || count > length - start) ? length : start + count;
    int m = p ? static_cast<int>(std::strlen(p)) : 0;
    int removed = end - start;
    if (m > removed) {
        OpenGap(end, m - removed);
    } else if (m < removed) {
        std::memmove(text + start + m, text + end, length - end);
        Size(length - (removed - m), true);
    }
    if (!text) Size(0, false);
    std::memcpy(text + start, p ? p : "", m);
}

// A zero as ch2 ends the text at the first character it replaces, as it would end the
// text that GetText shows; the length follows, so that both agree.
int SString::Replace(char ch1, char ch2, int start, int count) {
    int end;
    if (ch1 == 0 || !ResolveWindow(length, start, count, end)) return 0;
    int replaced = 0;
    int firstZero = -1;
    for (int i = start; i < end; ++i) {
        if (text[i] == ch1) {
            text[i] = ch2;
            if (replaced++ == 0 && ch2 == 0) firstZero = i;
        }
    }
    if (firstZero >= 0) length = firstZero;
    return replaced;
}

// Continuing behind each inserted text with the window's end moving along scans exactly the
// original window once, so the result is built in one pass from the matches counted first.
int SString::Replace(const char* find, const char* with, int start, int count, bool matchCase) {
    int m = find ? static_cast<int>(std::strlen(find)) : 0;
    int end;
    if (m == 0 || !ResolveWindow(length, start, count, end)) return 0;
    int matches = 0;
    for (int at = FindIn(text, start, end, find, m, matchCase); at >= 0;
         at = FindIn(text, at + m, end, find, m, matchCase))
        ++matches;
    if (matches == 0) return 0;

    int w = static_cast<int>(std::strlen(OrEmpty(with)));
    SString result;
    result.Size(length + matches * (w - m), false);
    char* out = result.text;
    std::memcpy(out, text, start);
    out += start;
    int from = start;
    for (int at = FindIn(text, start, end, find, m, matchCase); at >= 0;
         at = FindIn(text, at + m, end, find, m, matchCase)) {
        std::memcpy(out, text + from, at - from);
        out += at - from;
        std::memcpy(out, OrEmpty(with), w);
        out += w;
        from = at + m;
    }
    std::memcpy(out, text + from, length - from);
    Set(result.text, result.length);
    return matches;
}

int SString::TrimRight(int n, bool spacesOnly) {
    if (n == 0 || length == 0) return 0;
    if (n > 0) {
        Size(n < length ? length - n : 0, true);
        return 0;
    }
    int end = length;
    while (end > 0 && IsBlank(text[end - 1], spacesOnly)) --end;
    int removed = length - end;
    Size(end, true);
    return removed;
}

int SString::TrimLeft(int n, bool spacesOnly) {
    if (n == 0 || length == 0) return 0;
    if (n > 0) {
        Delete(0, n);
        return 0;
    }
    int first = 0;
    while (first < length && IsBlank(text[first], spacesOnly)) ++first;
    return first ? Delete(0, first) : 0;
}

void SString::Trim(int left, int right, bool spacesOnly) {
    TrimRight(right, spacesOnly);
    TrimLeft(left, spacesOnly);
}

void SString::MakeUpper() {
    for (int i = 0; i < length; ++i)
        text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
}

void SString::MakeLower() {
    for (int i = 0; i < length; ++i)
        text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
}

bool SString::Unquote(char ch) {
    if (!IsQuoted(ch)) return false;
    std::memmove(text, text + 1, length - 2);
    Size(length - 2, true);
    return true;
}

// ---- Tests and numeric readings ----------------------------------------------------------------

bool SString::IsQuoted(char ch) const {
    return length >= 2 && text[0] == ch && text[length - 1] == ch && Find(ch, 1, length - 2) < 0;
}

// Digits with at most one "." and a "-" only as the very first character; blanks may
// surround them, but a sign behind leading blanks is refused.
bool SString::IsNumeric() const {
    int first = 0;
    int end = length;
    while (first < end && IsBlank(text[first], false)) ++first;
    while (end > first && IsBlank(text[end - 1], false)) --end;
    if (first == end) return false;
    bool seenPoint = false;
    for (int i = first; i < end; ++i) {
        char c = text[i];
        bool last = i == end - 1;
        if (c >= '0' && c <= '9') continue;
        if (c == '-' && i == 0 && !last) continue;
        if (c == '.' && !seenPoint && !last) {
            seenPoint = true;
            continue;
        }
        return false;
    }
    return true;
}

bool SString::IsInteger() const { return IsNumeric() && Find('.') < 0; }

// Accepts "#hex", "0xhex", "0Xhex" and bare hex of at most 16 digits; anything else reads 0.
uint64_t SString::ParseHex() const {
    int first = 0;
    if (length == 0) return 0;
    if (text[0] == '#') {
        if (length < 2) return 0;
        first = 1;
    } else if (text[0] == '0') {
        if (length < 3 || (text[1] != 'x' && text[1] != 'X')) return 0;
        first = 2;
    }
    if (length - first > 16) return 0;
    uint64_t value = 0;
    for (int i = first; i < length; ++i) {
        int digit = HexValue(text[i]);
        if (digit < 0) return 0;
        value = (value << 4) | static_cast<uint64_t>(digit);
    }
    return value;
}

int SString::CountLines() const {
    int lines = 1;
    for (int at = Find("\r\n"); at >= 0; at = Find("\r\n", at + 2)) ++lines;
    return lines;
}

int SString::GetMaxLineLength() const {
    int longest = 0;
    for (int start = 0, next = 0; start < length; start = next) {
        int lineLength = LineEnd(text, length, start, next) - start;
        if (lineLength > longest) longest = lineLength;
    }
    return longest;
}

#include "core/SString.h"

#include <cctype>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "core/SWindows.h"

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHexDigits[] = "0123456789ABCDEF";

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

int Base64Value(char c) {
    const char* hit = c ? std::strchr(kBase64Alphabet, c) : nullptr;
    return hit ? static_cast<int>(hit - kBase64Alphabet) : -1;
}

bool StaysInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool PointsInto(const char* p, const char* block, int size) {
    auto address = reinterpret_cast<uintptr_t>(p);
    auto first = reinterpret_cast<uintptr_t>(block);
    return block && address >= first && address < first + static_cast<uintptr_t>(size);
}

// What the first pass over a format learns: room for the longest likely result, and whether
// a text argument lies inside the buffer the result is to be written to.
struct FormatEstimate {
    int length = 0;
    bool readsTarget = false;
};

int ReadNumber(const char*& p) {
    int value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + (*p++ - '0');
    return value;
}

int ReadWidthOrPrecision(const char*& p, va_list& arguments) {
    if (*p != '*') return ReadNumber(p);
    ++p;
    return va_arg(arguments, int);
}

enum class ArgumentSize { Normal, Narrow, Wide, Large, Pointer };

ArgumentSize ReadSizePrefix(const char*& p) {
    struct Prefix {
        const char* text;
        ArgumentSize size;
    };
    static const Prefix prefixes[] = {
        {"I64", ArgumentSize::Large}, {"I32", ArgumentSize::Normal}, {"I", ArgumentSize::Pointer},
        {"ll", ArgumentSize::Large},  {"l", ArgumentSize::Wide},     {"w", ArgumentSize::Wide},
        {"h", ArgumentSize::Narrow},  {"F", ArgumentSize::Normal},   {"L", ArgumentSize::Normal},
        {"N", ArgumentSize::Normal},
    };
    ArgumentSize size = ArgumentSize::Normal;
    for (const Prefix& prefix : prefixes) {
        size_t n = std::strlen(prefix.text);
        if (std::strncmp(p, prefix.text, n) != 0) continue;
        p += n;
        if (prefix.size != ArgumentSize::Normal) size = prefix.size;
        break;
    }
    return size;
}

// Length of a %s/%S argument as the estimate counts it: "(null)" for null, 1 for empty.
int TextArgumentLength(bool wide, va_list& arguments, const char* target, int targetSize,
                       bool& readsTarget) {
    if (wide) {
        const wchar_t* w = va_arg(arguments, const wchar_t*);
        if (!w) return 6;
        readsTarget |= PointsInto(reinterpret_cast<const char*>(w), target, targetSize);
        int n = static_cast<int>(std::wcslen(w));
        return n ? n : 1;
    }
    const char* s = va_arg(arguments, const char*);
    if (!s) return 6;
    readsTarget |= PointsInto(s, target, targetSize);
    int n = static_cast<int>(std::strlen(s));
    return n ? n : 1;
}

int Larger(int a, int b) { return a > b ? a : b; }

// Estimates one conversion, p standing just behind its "%"; consumes its arguments.
int EstimateConversion(const char*& p, va_list& arguments, const char* target, int targetSize,
                       bool& readsTarget) {
    int extra = 0;
    for (; *p && std::strchr("-+0 #", *p); ++p)
        if (*p == '#') extra += 2;
    int width = ReadWidthOrPrecision(p, arguments);
    if (width < 0) width = -width;  // a negative "*" width means left-justified
    bool hasPrecision = *p == '.';
    int precision = 0;
    if (hasPrecision) {
        ++p;
        precision = ReadWidthOrPrecision(p, arguments);
        if (precision < 0) {  // a negative "*" precision counts as none
            hasPrecision = false;
            precision = 0;
        }
    }
    ArgumentSize size = ReadSizePrefix(p);
    char conversion = *p;
    if (conversion) ++p;
    int estimate = 0;
    switch (conversion) {
        case 'c':
        case 'C':
            (void)va_arg(arguments, int);
            estimate = 2;
            break;
        case 's':
        case 'S': {
            bool wide =
                conversion == 'S' ? size != ArgumentSize::Narrow : size == ArgumentSize::Wide;
            estimate = TextArgumentLength(wide, arguments, target, targetSize, readsTarget);
            if (hasPrecision && precision < estimate) estimate = precision;
            estimate = Larger(estimate, width);
            break;
        }
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            (void)va_arg(arguments, double);
            estimate = Larger(width + precision, 128);
            break;
        case 'f':
            (void)va_arg(arguments, double);
            estimate = Larger(Larger(precision + 312, 128), width + precision);
            break;
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            if (size == ArgumentSize::Large)
                (void)va_arg(arguments, long long);
            else if (size == ArgumentSize::Pointer)
                (void)va_arg(arguments, intptr_t);
            else
                (void)va_arg(arguments, int);
            estimate = Larger(width + precision, 32);
            break;
        case 'p':
        case 'n':
            (void)va_arg(arguments, void*);
            estimate = conversion == 'p' ? Larger(width + precision, 32) : 0;
            break;
        default:
            break;
    }
    return estimate + extra;
}

FormatEstimate EstimateFormat(const char* format, va_list& arguments, const char* target,
                              int targetSize) {
    FormatEstimate result;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            // A double-byte character is taken whole, so its trail byte never starts a conversion.
            bool lead = (*p & 0x80) && p[1] && IsDBCSLeadByte(static_cast<BYTE>(*p));
            result.length += lead ? 2 : 1;
            p += lead ? 2 : 1;
        } else if (p[1] == '%') {
            result.length += 1;
            p += 2;
        } else {
            ++p;
            result.length +=
                EstimateConversion(p, arguments, target, targetSize, result.readsTarget);
        }
    }
    return result;
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

SString& SString::operator=(int value) {
    Format("%d", value);
    return *this;
}

SString& SString::operator=(unsigned value) {
    Format("%u", value);
    return *this;
}

// "%f" always writes six decimals; the zeros behind the last significant one are dropped.
SString& SString::operator=(double value) {
    Format("%f", value);
    if (Find('.') < 0) return *this;
    int end = length;
    while (text[end - 1] == '0') --end;
    if (text[end - 1] == '.') --end;
    Size(end, true);
    return *this;
}

// Sizes once from an estimate of the longest result. The run time's bounded formatter
// reports a longer result by -1 (or by filling all it may write), and the exact size is
// then asked for, so every result comes out whole.
void SString::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list firstPass;
    va_copy(firstPass, arguments);
    FormatEstimate estimate = EstimateFormat(OrEmpty(format), firstPass, text, capacity);
    va_end(firstPass);

    // An argument inside our own buffer must not be overwritten while it is read.
    SString scratch;
    SString& target = estimate.readsTarget ? scratch : *this;
    auto formatInto = [&](int room) {
        target.Size(room, false);
        va_list pass;
        va_copy(pass, arguments);
        int written = _vsnprintf(target.text, room + 1, OrEmpty(format), pass);
        va_end(pass);
        return written;
    };
    int room = estimate.length;
    int written = formatInto(room);
    if (written < 0 || written > room) {
        va_list pass;
        va_copy(pass, arguments);
        int needed = _vscprintf(OrEmpty(format), pass);
        va_end(pass);
        // needed is -1 when a conversion fails; what was written is then kept, cut at room.
        if (needed > room) written = formatInto(room = needed);
    }
    va_end(arguments);
    target.Size((written >= 0 && written <= room) ? written : room, true);
    if (&target == &scratch) Set(scratch.text, scratch.length);
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

// ---- Encodings
// -----------------------------------------------------------------------------------

void SString::UrlEncode(bool spaceAsPlus) {
    int encodedLength = 0;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        encodedLength += (StaysInUrl(c) || (c == ' ' && spaceAsPlus)) ? 1 : 3;
    }
    if (encodedLength == length) {
        if (spaceAsPlus) Replace(' ', '+');
        return;
    }
    SString encoded;
    encoded.Size(encodedLength, false);
    char* out = encoded.text;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (StaysInUrl(c)) {
            *out++ = static_cast<char>(c);
        } else if (c == ' ' && spaceAsPlus) {
            *out++ = '+';
        } else {
            *out++ = '%';
            *out++ = kHexDigits[c >> 4];
            *out++ = kHexDigits[c & 15];
        }
    }
    Set(encoded.text, encoded.length);
}

// Standard alphabet; a last group of one or two bytes gives 2 or 3 characters, and one "="
// always ends the text.
void SString::EncodeBase64() {
    if (length == 0) return;
    int whole = length / 3;
    int rest = length % 3;
    SString encoded;
    encoded.Size(whole * 4 + (rest ? rest + 1 : 0) + 1, false);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    char* out = encoded.text;
    for (int i = 0; i < length; i += 3) {
        uint32_t group = static_cast<uint32_t>(in[i]) << 16;
        if (i + 1 < length) group |= static_cast<uint32_t>(in[i + 1]) << 8;
        if (i + 2 < length) group |= in[i + 2];
        int characters = (length - i >= 3) ? 4 : (length - i) + 1;
        for (int k = 0; k < characters; ++k) *out++ = kBase64Alphabet[(group >> (18 - 6 * k)) & 63];
    }
    *out = '=';
    Set(encoded.text, encoded.length);
}

// Characters outside the alphabet (padding, line breaks) are skipped. Decoding in place is
// safe: every four characters read give at most three bytes written.
void SString::DecodeBase64() {
    if (length == 0) return;
    uint32_t bits = 0;
    int bitCount = 0;
    int written = 0;
    for (int i = 0; i < length - 1; ++i) {
        int value = Base64Value(text[i]);
        if (value < 0) continue;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        bitCount += 6;
        if (bitCount < 8) continue;
        bitCount -= 8;
        char byte = static_cast<char>((bits >> bitCount) & 0xFF);
        if (byte == 0) break;  // the text ends at its first zero byte
        text[written++] = byte;
    }
    Size(written, true);
}

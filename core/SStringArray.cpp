#include "core/SStringArray.h"

#include <cstring>

namespace {

// An empty slot reads as the empty text.
const SString& TextIn(const SString* slot) {
    static const SString empty;
    return slot ? *slot : empty;
}

// Whole-text wildcard match: `many` stands for any run (also an empty one), `one` for any
// single character. Backtracking only to the last `many` keeps it linear for common patterns.
bool MatchesPattern(const char* text, const char* pattern, char many, char one) {
    const char* resumePattern = nullptr;
    const char* resumeText = nullptr;
    while (*text) {
        if (many && *pattern == many) {
            resumePattern = ++pattern;
            resumeText = text;
        } else if (*pattern && (*pattern == one || *pattern == *text)) {
            ++pattern;
            ++text;
        } else if (resumePattern) {
            pattern = resumePattern;
            text = ++resumeText;
        } else {
            return false;
        }
    }
    while (many && *pattern == many) ++pattern;
    return *pattern == 0;
}

}  // namespace

SStringArray::~SStringArray() { SStringArray::RemoveAll(); }

// The strings go first, then the slots. A list that never had slots is left as it is, its
// flags included, as the base leaves an array without slots: only a list that was filled
// returns to the starting state.
void SStringArray::RemoveAll() {
    if (GetCount() > 0) DeleteAll();
    Base::RemoveAll();
}

void SStringArray::CopyElement(SString** slot, SString* const& source, int index) {
    (void)index;
    *slot = new SString(TextIn(source));
}

// The descending bit swaps the operands rather than negating, so results stay -1, 0 or 1.
int SStringArray::CompareElements(SString* const& a, SString* const& b, uint32_t flags,
                                  intptr_t context) const {
    (void)context;
    const SString& first = TextIn((flags & kDescending) ? b : a);
    const SString& second = TextIn((flags & kDescending) ? a : b);
    return (flags & kIgnoreCase) ? first.CompareNoCase(second.GetSafeText())
                                 : first.Compare(second.GetSafeText());
}

void SStringArray::ElementFromText(SString** slot, const SString& text) {
    *slot = new SString(text);
    (*slot)->DecodeBase64();
}

SString SStringArray::ElementToText(SString* const& element) const {
    SString text(TextIn(element));
    text.EncodeBase64();
    return text;
}

void SStringArray::CopyStrings(const SStringArray& other) {
    if (&other == this) return;
    DeleteAll();
    for (int i = 0; i < other.GetCount(); ++i) Add(TextIn(other.GetAt(i)).GetSafeText());
}

int SStringArray::Add(const char* text) {
    SString key(text);
    return Base::Add(&key);
}

int SStringArray::InsertAt(const char* text, int pos, int n) {
    SString key(text);
    return Base::InsertAt(&key, pos, n);
}

int SStringArray::Find(const char* text, int start, int end) const {
    SString key(text);
    return Base::Find(&key, start, end);
}

int SStringArray::FindSorted(const char* text, int start, int end) const {
    SString key(text);
    return Base::FindSorted(&key, start, end);
}

int SStringArray::InsertSorted(const char* text, int start, int end) {
    SString key(text);
    return Base::InsertSorted(&key, start, end);
}

int SStringArray::RemoveMatching(const char* text, int start, int end) {
    SString key(text);
    return Base::RemoveMatching(&key, start, end);
}

SString SStringArray::GetText(int i) const {
    if (i < 0 || i >= GetCount()) return SString("");
    return SString(TextIn(GetAt(i)));
}

// Measured first, so the result is sized once.
SString SStringArray::Join(const char* separator, int start, int n) const {
    SString joined("");
    if (start < 0 || start >= GetCount() || n == 0) return joined;
    int end = (n < 0 || n > GetCount() - start) ? GetCount() : start + n;
    if (!separator) separator = "";
    int separatorLength = static_cast<int>(std::strlen(separator));
    int total = separatorLength * (end - start - 1);
    for (int i = start; i < end; ++i) total += TextIn(GetAt(i)).GetLength();
    joined.SetLength(total);
    char* out = joined.GetBuffer();
    for (int i = start; i < end; ++i) {
        if (i > start) {
            std::memcpy(out, separator, separatorLength);
            out += separatorLength;
        }
        const SString& text = TextIn(GetAt(i));
        std::memcpy(out, text.GetSafeText(), text.GetLength());
        out += text.GetLength();
    }
    return joined;
}

int SStringArray::CountMatches(const char* pattern, SArray<int>* indices, char many,
                               char one) const {
    if (!pattern) return 0;
    int matches = 0;
    for (int i = 0; i < GetCount(); ++i) {
        if (!MatchesPattern(TextIn(GetAt(i)).GetSafeText(), pattern, many, one)) continue;
        ++matches;
        if (indices) indices->Add(i);
    }
    return matches;
}

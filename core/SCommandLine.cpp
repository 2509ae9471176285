#include "core/SCommandLine.h"

#include "core/SStringArray.h"
#include "core/SWindows.h"

#include <shellapi.h>

namespace {

// The platform reads a backslash before a quote as an escape; doubled, it stays a literal
// backslash and the quote keeps its role of opening or closing a quoted part.
SString Rewritten(const char* line, SCommandLine::Rewrite rewrite) {
    SString text = line;
    if (rewrite == SCommandLine::kEveryBackslash) {
        text.Replace("\\\"", "\\\\\"", 0, -1, true);
        return text;
    }
    SString out;
    out.SetLength(0);
    for (int i = 0; i < text.GetLength(); ++i) {
        const char ch = text.GetAt(i);
        const bool loneBackslashBeforeQuote =
            ch == '\\' && text.GetAt(i + 1) == '"' && (i == 0 || text.GetAt(i - 1) != '\\');
        if (loneBackslashBeforeQuote) out.Append('\\');
        out.Append(ch);
    }
    return out;
}

// Splits line after the rewrite; null when the split fails.
LPWSTR* SplitWide(const char* line, SCommandLine::Rewrite rewrite, int& count) {
    SString text = Rewritten(line, rewrite);
    count = 0;
    return CommandLineToArgvW(text.GetWide(), &count);
}

}  // namespace

int SCommandLine::Split(const char* line, int element, SString* out) {
    int count = 0;
    LPWSTR* argv = SplitWide(line, kEveryBackslash, count);
    if (!argv) return 0;
    if (out && element >= 0 && element < count) *out = argv[element];
    LocalFree(argv);
    return count;
}

int SCommandLine::SplitAll(const char* line, SStringArray& list, Rewrite rewrite) {
    int count = 0;
    LPWSTR* argv = SplitWide(line, rewrite, count);
    if (!argv) return 0;
    for (int i = 0; i < count; ++i) {
        SString element(argv[i]);
        list.Add(element.GetSafeText());
    }
    LocalFree(argv);
    return count;
}

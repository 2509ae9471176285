#include "core/SCommandLine.h"

#include "core/SStringArray.h"
#include "core/SWindows.h"

#include <shellapi.h>

namespace {

// The platform reads a backslash before a quote as an escape. A single one is doubled, so
// that it stays a literal backslash and the quote keeps its role of opening or closing a
// quoted part. A doubled one already means one backslash to the platform and is left
// alone: doubling every backslash before a quote would turn the standard quoting of a
// folder, "C:\Program Files\App\\", into a literal quote that runs the following
// arguments together. No path or URL can hold a quote, so nothing is lost either way.
SString Rewritten(const char* line) {
    SString text = line;
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
LPWSTR* SplitWide(const char* line, int& count) {
    SString text = Rewritten(line);
    count = 0;
    return CommandLineToArgvW(text.GetWide(), &count);
}

}  // namespace

int SCommandLine::Split(const char* line, int element, SString* out) {
    int count = 0;
    LPWSTR* argv = SplitWide(line, count);
    if (!argv) return 0;
    if (out && element >= 0 && element < count) *out = argv[element];
    LocalFree(argv);
    return count;
}

int SCommandLine::SplitAll(const char* line, SStringArray& list) {
    int count = 0;
    LPWSTR* argv = SplitWide(line, count);
    if (!argv) return 0;
    for (int i = 0; i < count; ++i) {
        SString element(argv[i]);
        list.Add(element.GetSafeText());
    }
    LocalFree(argv);
    return count;
}

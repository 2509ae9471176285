#include "core/SCommandLine.h"

#include "core/SStringArray.h"
#include "core/SWindows.h"

#include <shellapi.h>

namespace {

// Splits line by the platform's rules after the quote rewrite; null when the split fails.
LPWSTR* SplitWide(const char* line, int& count) {
    SString text = line;
    // The platform reads a backslash before a quote as an escape; doubled, it stays a
    // literal backslash and the quote keeps its role of opening or closing a quoted part.
    text.Replace("\\\"", "\\\\\"", 0, -1, true);
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

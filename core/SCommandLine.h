#pragma once
// SCommandLine: splits a command line by the platform's rules (CommandLineToArgvW) after a
// rewrite that lets a quoted folder end in a backslash ("C:\Target Folder\") without the
// backslash escaping the closing quote and swallowing the rest of the line.
#include "core/SString.h"

class SStringArray;

class SCommandLine {
public:
    // How backslashes before a quote are rewritten before the split.
    enum Rewrite {
        kEveryBackslash,  // every backslash before a quote is doubled: the updater's rule
        kLoneBackslash,   // only a single one is: command lines quoted by the platform's
                          // own rules, which double such backslashes already, pass intact
    };

    // Splits line; returns the element count (program path included), 0 when the split
    // fails. When element is in range its text, in the ANSI code page, goes to out.
    static int Split(const char* line, int element, SString* out);
    // Splits line into list, one string per element; returns the element count.
    static int SplitAll(const char* line, SStringArray& list, Rewrite rewrite);
};

#pragma once
// SCommandLine: splits a command line by the platform's rules (CommandLineToArgvW) after
// rewriting every backslash before a double quote as two backslashes, so that a quoted
// folder ending in a backslash ("C:\Target Folder\") keeps it and does not swallow the rest.
#include "core/SString.h"

class SStringArray;

class SCommandLine {
public:
    // Splits line; returns the element count (program path included), 0 when the split
    // fails. When element is in range its text, in the ANSI code page, goes to out.
    static int Split(const char* line, int element, SString* out);
    // Splits line into list, one string per element; returns the element count.
    static int SplitAll(const char* line, SStringArray& list);
};

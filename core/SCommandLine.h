#pragma once
// SCommandLine: splits a command line by the platform's rules (CommandLineToArgvW) after a
// rewrite that lets a quoted folder end in a single backslash ("C:\Target Folder\") without
// that backslash escaping the closing quote and swallowing the rest of the line. A folder
// quoted by the platform's own rules ("C:\Target Folder\\", as the C runtime, .NET and
// Python write it) reads the same.
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

#pragma once
// SSystem: process-wide services as static operations. Init runs once on the program's first
// thread, before any other framework call, and Exit last. The command line is split by the
// platform's rules after a rewrite that lets a quoted folder end in a backslash.
#include "core/SString.h"
#include "core/SWindows.h"

class SSystem {
public:
    static void Init(HINSTANCE instance, bool startSockets, bool startSound, bool skipCom);
    static void Exit();

    static HINSTANCE GetInstance();
    static const SString& GetAppPath();  // first element of the start-up split, as typed

    // Arguments after the program path: the count from the start-up split, and one
    // argument from a fresh split of the current command line (empty when out of range).
    static int GetArgCount();
    static SString GetArg(int index, bool unquote = true);

    // Loaded modules, over all processes that can be opened, whose full file name equals
    // name ignoring ASCII case; a null or empty name stands for the program's own path.
    static int GetProcessCount(const char* name);
};

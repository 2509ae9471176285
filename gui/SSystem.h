#pragma once
// SSystem: process-wide services as static operations. Init runs once on the program's first
// thread, before any other framework call, and Exit last, after every window is gone. Init
// registers the two framework window classes, makes the hidden and the application windows,
// the shared fonts (SSystemFonts.cpp) and the first thread's record (SThreadTable), and
// starts COM, sockets and GDI+ (SSystemServices.cpp). The command line is split by the
// platform's rules after a rewrite that lets a quoted folder end in a backslash.
//
// An SSystem object owns a list of font files and removes each from the system when it goes.
#include <cstdint>

#include "core/SString.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"

class SWnd;
class SWndApp;

class SSystem {
public:
    // The idle argument is pointer-sized so that it can carry an object on 64 bits too.
    using IdleFunction = void (*)(uintptr_t argument);

    SSystem() = default;
    ~SSystem();
    bool AddFontFile(const char* path);  // AddFontResourceA; removed again by the destructor

    // Start-up and end of the framework; failed services are left absent, never reported.
    static void Init(HINSTANCE instance, bool startSockets, bool startSound, bool skipCom);
    static void Exit();
    static void SetAppIcons(int largeIcon, int smallIcon);  // resource ids, both windows

    // The message loop: blocking waits for messages, otherwise idle runs whenever none is
    // waiting; it ends at WM_QUIT. The modal form also ends when the window's run ends.
    static void RunLoop(const bool* blocking, IdleFunction idle, uintptr_t idleArgument);
    static void RunModalLoop(SWnd* window, const bool* blocking, IdleFunction idle,
                             uintptr_t idleArgument);

    // Style bits: 1 bold, 2 italic, 4 underline, 8 strike-out. The caller owns the font;
    // height, when given, receives the height asked of the system.
    static HFONT CreateFont(HDC dc, const char* face, double points, int style, int* height);

    // Modeless dialogs, which the loops offer each message first.
    static void AddDialog(HWND dialog);
    static void RemoveDialog(HWND dialog);

    // Hands the mouse to target until the button that is down is released; false when no
    // allowed button is down or a capture runs already.
    static bool BeginMouseCapture(HWND target, bool allowLeft, bool allowRight);

    static HINSTANCE GetInstance();
    static SWndApp* GetAppWindow();
    static SWnd* GetHiddenWindow();
    static const SString& GetAppPath();  // first element of the start-up split, as typed
    static const SString& GetAppFolder();
    static HFONT GetDefaultFont();
    static int GetOsVersion();  // OsVersionCode of the running system; 0 when unknown
    static int OsVersionCode(DWORD platform, DWORD major, DWORD minor);  // 1..8, never 0
    static UINT GetFindReplaceMessage();

    // Arguments after the program path: the count from the start-up split, and one
    // argument from a fresh split of the current command line (empty when out of range).
    static int GetArgCount();
    static SString GetArg(int index, bool unquote = true);

    // Loaded modules, over all processes that can be opened, whose full file name equals
    // name ignoring ASCII case; a process whose modules cannot be listed counts once when
    // its image is name. Both sides are compared in their long form with "\" separators.
    // A null or empty name stands for the program's own path.
    static int GetProcessCount(const char* name);

private:
    // Pieces of Init and Exit kept in files of their own.
    static void MakeFonts();
    static void FreeFonts();
    static void StartServices(bool startSockets, bool startSound, bool skipCom, HWND soundOwner);
    static void StopServices();

    SStringArray fontFiles;
};

#include "gui/SSystem.h"

#include <climits>
#include <cstdlib>

#include <mmsystem.h>

#include "core/SArray.h"
#include "core/SCommandLine.h"
#include "core/SPath.h"
#include "gui/SThreadTable.h"
#include "gui/SWnd.h"
#include "gui/SWndApp.h"

namespace {

constexpr int kCursors = 21;

// The user's number and calendar settings, read once at start-up and kept until the end;
// no code of this program reads them yet.
struct LocaleTables {
    SString decimal;
    SString thousand;
    int digits = 2;
    SString days[7];
    SString months[12];
};

struct SystemState {
    bool running = false;
    HINSTANCE instance = nullptr;
    DWORD processId = 0;
    int osVersion = 0;
    HCURSOR cursors[kCursors] = {};
    UINT findReplaceMessage = 0;
    SString appPath;
    SString appFolder;
    int startArgCount = 0;  // elements of the start-up split, program path included
    SWnd* hiddenWindow = nullptr;
    SWndApp* appWindow = nullptr;
    SArray<HWND> dialogs;
    LocaleTables locale;
};

SystemState state;

// Splits the process's current command line; see SCommandLine.
int SplitCommandLine(int element, SString* out) {
    return SCommandLine::Split(GetCommandLineA(), element, out);
}

SString ReadInternational(HKEY key, const char* name, const char* fallback) {
    char value[80];
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (!key ||
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return SString(fallback);
    value[size < sizeof value ? size : sizeof value - 1] = 0;
    return SString(value);
}

void FillLocaleTables() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        key = nullptr;
    state.locale.decimal = ReadInternational(key, "sDecimal", ".");
    state.locale.thousand = ReadInternational(key, "sThousand", ",");
    state.locale.digits = atoi(ReadInternational(key, "iDigits", "2").GetSafeText());
    if (key) RegCloseKey(key);
    char name[80];
    for (int i = 0; i < 7; ++i) {
        const bool got =
            GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDAYNAME1 + i, name, sizeof name) > 0;
        state.locale.days[i] = got ? name : "";
    }
    for (int i = 0; i < 12; ++i) {
        const bool got =
            GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + i, name, sizeof name) > 0;
        state.locale.months[i] = got ? name : "";
    }
}

// Entry 0, the arrow, is the class cursor; the standard shapes follow, and the entries
// beyond them hold the arrow as well.
void FillCursors() {
    static const char* const shapes[] = {
        IDC_ARROW,  IDC_IBEAM,  IDC_WAIT,    IDC_CROSS, IDC_UPARROW, IDC_SIZENWSE,    IDC_SIZENESW,
        IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO,    IDC_HAND,    IDC_APPSTARTING, IDC_HELP};
    const int known = static_cast<int>(sizeof shapes / sizeof shapes[0]);
    for (int i = 0; i < kCursors; ++i)
        state.cursors[i] = LoadCursorA(nullptr, shapes[i < known ? i : 0]);
}

void RegisterClasses() {
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = &SWnd::WindowProc;
    windowClass.hInstance = state.instance;
    windowClass.hCursor = state.cursors[0];
    windowClass.lpszClassName = "CLASS_SWND";
    RegisterClassExA(&windowClass);
    windowClass.style |= CS_NOCLOSE;
    windowClass.lpszClassName = "CLASS_SWNDEX";
    RegisterClassExA(&windowClass);
}

// Offers a message to the modeless dialogs; a modal run first turns ENTER and ESCAPE into
// its own enter and cancel messages when no modeless dialog could claim them.
void DispatchOne(MSG& message, SWnd* modalWindow) {
    if (state.dialogs.GetCount() == 0) {
        if (modalWindow && modalWindow->GetHandle() && message.message == WM_KEYDOWN &&
            (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE))
            SWnd::WindowProc(
                modalWindow->GetHandle(),
                message.wParam == VK_RETURN ? SWnd::kMsgModalEnter : SWnd::kMsgModalCancel, 0, 1);
    } else {
        for (int i = 0; i < state.dialogs.GetCount(); ++i) {
            HWND dialog = state.dialogs.GetAt(i);
            if (dialog && IsDialogMessageA(dialog, &message)) return;
        }
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

// Both loops. The blocking flag is read through its pointer each time, so its owner may
// switch modes while the loop runs. A failing GetMessageA ends the loop rather than spin.
void RunMessages(SWnd* modalWindow, const bool* blocking, SSystem::IdleFunction idle,
                 uintptr_t idleArgument) {
    auto stillModal = [modalWindow]() {
        return !modalWindow || (modalWindow->GetHandle() && modalWindow->IsModal());
    };
    MSG last = {};
    while (last.message != WM_QUIT && stillModal()) {
        MSG message = {};
        if (*blocking) {
            while (*blocking && stillModal()) {
                const BOOL got = GetMessageA(&message, nullptr, 0, 0);
                if (got == -1) return;
                last = message;
                if (got == 0) break;
                DispatchOne(message, modalWindow);
            }
        } else if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            last = message;
            if (message.message != WM_QUIT) DispatchOne(message, modalWindow);
        } else if (idle) {
            idle(idleArgument);
        } else {
            WaitMessage();  // idle mode without an idle function: nothing to do but wait
        }
    }
    // The enclosing loop must see the quit too.
    if (modalWindow && last.message == WM_QUIT) PostQuitMessage(static_cast<int>(last.wParam));
}

}  // namespace

int SSystem::OsVersionCode(DWORD platform, DWORD major, DWORD minor) {
    if (platform == VER_PLATFORM_WIN32_WINDOWS && major == 4) {
        if (minor == 0) return 1;
        if (minor == 10) return 3;
        if (minor == 90) return 4;
    } else if (platform == VER_PLATFORM_WIN32_NT) {
        if (major == 4 && minor == 0) return 2;
        if (major == 5 && minor == 0) return 5;
        if (major == 5 && (minor == 1 || minor == 2)) return 6;
        if (major == 6 && minor == 0) return 7;
    }
    return 8;
}

// A second call without Exit does nothing: the classes and windows exist already.
void SSystem::Init(HINSTANCE instance, bool startSockets, bool startSound, bool skipCom) {
    if (state.running) return;
    state.running = true;
    state.processId = GetCurrentProcessId();
    state.instance = instance;
    SThreadTable::Start();

    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    state.osVersion =
        GetVersionExA(&version)
            ? OsVersionCode(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion)
            : 0;
    FillLocaleTables();
    FillCursors();
    srand(timeGetTime());
    state.findReplaceMessage = RegisterWindowMessageA("commdlg_FindReplace");

    state.appFolder = "";
    state.appPath = "";
    SString first;
    state.startArgCount = SplitCommandLine(0, &first);
    if (state.startArgCount > 0) {
        state.appPath = first;
        state.appFolder = SPath(first.GetSafeText()).GetFolder();
    }

    MakeFonts();
    RegisterClasses();
    state.hiddenWindow = new SWnd();
    state.hiddenWindow->Create("", 0, 0, nullptr, nullptr, 0, 0, nullptr, true);
    state.appWindow = new SWndApp();
    state.appWindow->Create("", 0, 0, nullptr, nullptr, 0, 0, instance, false);

    StartServices(startSockets, startSound, skipCom, state.appWindow->GetHandle());
}

void SSystem::Exit() {
    if (!state.running) return;
    StopServices();

    delete state.appWindow;  // each destroys its window first
    state.appWindow = nullptr;
    delete state.hiddenWindow;
    state.hiddenWindow = nullptr;
    UnregisterClassA("CLASS_SWNDEX", state.instance);
    UnregisterClassA("CLASS_SWND", state.instance);
    state.dialogs.RemoveAll();

    FreeFonts();
    state.appFolder.Empty();
    state.appPath.Empty();
    // Shared system cursors are never destroyed; the table only forgets them.
    for (HCURSOR& cursor : state.cursors) cursor = nullptr;
    SThreadTable::Clear();
    state.processId = 0;
    state.instance = nullptr;
    state.running = false;
}

void SSystem::SetAppIcons(int largeIcon, int smallIcon) {
    HICON large = LoadIconA(state.instance, MAKEINTRESOURCEA(largeIcon));
    HICON small = LoadIconA(state.instance, MAKEINTRESOURCEA(smallIcon));
    SWnd* windows[] = {state.hiddenWindow, state.appWindow};
    for (SWnd* window : windows) {
        if (!window || !window->GetHandle()) continue;
        SetClassLongPtrA(window->GetHandle(), GCLP_HICON, reinterpret_cast<LONG_PTR>(large));
        SetClassLongPtrA(window->GetHandle(), GCLP_HICONSM, reinterpret_cast<LONG_PTR>(small));
    }
}

void SSystem::RunLoop(const bool* blocking, IdleFunction idle, uintptr_t idleArgument) {
    RunMessages(nullptr, blocking, idle, idleArgument);
}

void SSystem::RunModalLoop(SWnd* window, const bool* blocking, IdleFunction idle,
                           uintptr_t idleArgument) {
    if (window) RunMessages(window, blocking, idle, idleArgument);
}

void SSystem::AddDialog(HWND dialog) {
    if (state.dialogs.Find(dialog) < 0) state.dialogs.Add(dialog);
}

void SSystem::RemoveDialog(HWND dialog) {
    const int index = state.dialogs.Find(dialog);
    if (index >= 0) state.dialogs.RemoveAt(index);
}

bool SSystem::BeginMouseCapture(HWND target, bool allowLeft, bool allowRight) {
    SWndApp* app = state.appWindow;
    if (!target || !app || !app->GetHandle() || GetCapture() == app->GetHandle()) return false;
    int mode = 0;
    if (GetAsyncKeyState(VK_LBUTTON) < 0) {
        if (!allowLeft) return false;
        mode = SWndApp::kCaptureLeft;
    } else if (GetAsyncKeyState(VK_RBUTTON) < 0 && allowRight) {
        mode = SWndApp::kCaptureRight;
    } else {
        return false;
    }
    app->StartCapture(target, mode);
    return true;
}

HINSTANCE SSystem::GetInstance() { return state.instance; }
SWndApp* SSystem::GetAppWindow() { return state.appWindow; }
SWnd* SSystem::GetHiddenWindow() { return state.hiddenWindow; }
const SString& SSystem::GetAppPath() { return state.appPath; }
const SString& SSystem::GetAppFolder() { return state.appFolder; }
int SSystem::GetOsVersion() { return state.osVersion; }
UINT SSystem::GetFindReplaceMessage() { return state.findReplaceMessage; }

int SSystem::GetArgCount() { return state.startArgCount > 0 ? state.startArgCount - 1 : 0; }

SString SSystem::GetArg(int index, bool unquote) {
    SString argument("");
    if (index < 0 || index == INT_MAX) return argument;
    SplitCommandLine(index + 1, &argument);
    if (unquote) argument.Unquote('"');
    return argument;
}

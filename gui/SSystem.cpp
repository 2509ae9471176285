#include "gui/SSystem.h"

#include <winsock2.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include <mmsystem.h>

#include <dsound.h>
#include <gdiplus.h>
#include <objbase.h>

#include "core/SArray.h"
#include "core/SCommandLine.h"
#include "core/SPath.h"
#include "gui/SThreadRecord.h"
#include "gui/SWnd.h"
#include "gui/SWndApp.h"

namespace {

enum SystemFont { kCaptionFont, kSmallCaptionFont, kMenuFont, kStatusFont, kMessageFont, kFonts };
constexpr int kCursors = 21;

// Number and calendar names for the framework's formatting components; nothing in this
// program reads them.
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
    bool skipCom = false;
    bool socketsStarted = false;
    SThreadRecord* slots[SSystem::kThreadSlots] = {};
    int osVersion = 0;
    HCURSOR cursors[kCursors] = {};
    UINT findReplaceMessage = 0;
    SString appPath;
    SString appFolder;
    int startArgCount = 0;  // elements of the start-up split, program path included
    HFONT systemFonts[kFonts] = {};
    HFONT defaultFont = nullptr;
    SWnd* hiddenWindow = nullptr;
    SWndApp* appWindow = nullptr;
    SArray<HWND> dialogs;
    HMODULE richEdit = nullptr;
    ULONG_PTR graphicsToken = 0;
    HMODULE soundLibrary = nullptr;
    IDirectSound8* sound = nullptr;
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

// Entry 0, the arrow, is the class cursor; the standard shapes follow. The rest of the table
// belongs to components that draw their own cursors and holds the arrow until they do.
void FillCursors() {
    static const char* const shapes[] = {
        IDC_ARROW,  IDC_IBEAM,  IDC_WAIT,    IDC_CROSS, IDC_UPARROW, IDC_SIZENWSE,    IDC_SIZENESW,
        IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO,    IDC_HAND,    IDC_APPSTARTING, IDC_HELP};
    const int known = static_cast<int>(sizeof shapes / sizeof shapes[0]);
    for (int i = 0; i < kCursors; ++i)
        state.cursors[i] = LoadCursorA(nullptr, shapes[i < known ? i : 0]);
}

// The structure's size is given without the padded-border field that newer systems added, so
// the request is understood by every version of Windows.
void CreateSystemFonts() {
    NONCLIENTMETRICSA metrics;
    ZeroMemory(&metrics, sizeof metrics);
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return;
    state.systemFonts[kMessageFont] = CreateFontIndirectA(&metrics.lfMessageFont);
    state.systemFonts[kMenuFont] = CreateFontIndirectA(&metrics.lfMenuFont);
    state.systemFonts[kStatusFont] = CreateFontIndirectA(&metrics.lfStatusFont);
    state.systemFonts[kCaptionFont] = CreateFontIndirectA(&metrics.lfCaptionFont);
    state.systemFonts[kSmallCaptionFont] = CreateFontIndirectA(&metrics.lfSmCaptionFont);
    state.defaultFont =
        SSystem::CreateFont(nullptr, metrics.lfMessageFont.lfFaceName, 8.0, 0, nullptr);
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

// The device may be held by another program for a moment: busy or missing devices are tried
// again every 500 ms, ten attempts in all. DirectSound is loaded only here, so a program that
// never asks for sound does not depend on it.
void StartSound() {
    using CreateFunction = HRESULT(WINAPI*)(LPCGUID, IDirectSound8**, IUnknown*);
    state.soundLibrary = LoadLibraryA("dsound.dll");
    if (!state.soundLibrary) return;
    CreateFunction create = reinterpret_cast<CreateFunction>(
        reinterpret_cast<void*>(GetProcAddress(state.soundLibrary, "DirectSoundCreate8")));
    if (!create) return;
    for (int attempt = 0; attempt < 10; ++attempt) {
        HRESULT result = create(nullptr, &state.sound, nullptr);
        if (result != DSERR_ALLOCATED && result != DSERR_NODRIVER) break;
        state.sound = nullptr;
        Sleep(500);
    }
    if (state.sound && state.appWindow)
        state.sound->SetCooperativeLevel(state.appWindow->GetHandle(), DSSCL_PRIORITY);
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

SSystem::~SSystem() {
    for (int i = 0; i < fontFiles.GetCount(); ++i)
        RemoveFontResourceA(fontFiles.GetAt(i)->GetSafeText());
}

bool SSystem::AddFontFile(const char* path) {
    if (!path || AddFontResourceA(path) == 0) return false;
    fontFiles.Add(path);
    return true;
}

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

// A second call without Exit does nothing: the classes and windows exist already. No font
// list is kept for the start-up's duration: the program installs no font files.
void SSystem::Init(HINSTANCE instance, bool startSockets, bool startSound, bool skipCom) {
    if (state.running) return;
    state.running = true;
    state.processId = GetCurrentProcessId();
    state.instance = instance;
    state.skipCom = skipCom;
    for (SThreadRecord*& slot : state.slots) slot = nullptr;
    state.slots[0] = new SThreadRecord(GetCurrentThreadId());

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

    CreateSystemFonts();
    RegisterClasses();
    state.hiddenWindow = new SWnd();
    state.hiddenWindow->Create("", 0, 0, nullptr, nullptr, 0, 0, nullptr, true);
    state.appWindow = new SWndApp();
    state.appWindow->Create("", 0, 0, nullptr, nullptr, 0, 0, instance, false);

    if (!skipCom) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    state.richEdit = LoadLibraryA("Riched20.dll");
    Gdiplus::GdiplusStartupInput graphicsInput;
    if (Gdiplus::GdiplusStartup(&state.graphicsToken, &graphicsInput, nullptr) != Gdiplus::Ok)
        state.graphicsToken = 0;
    if (startSockets) {
        WSADATA data;
        state.socketsStarted = WSAStartup(0x0202, &data) == 0;
    }
    if (startSound) StartSound();
}

// The keyboard service's key-name table is not kept by this program, so there is none to
// release between GDI+ and the rich edit library.
void SSystem::Exit() {
    if (!state.running) return;
    if (state.sound) state.sound->Release();
    state.sound = nullptr;
    if (state.soundLibrary) FreeLibrary(state.soundLibrary);
    state.soundLibrary = nullptr;
    if (state.socketsStarted) WSACleanup();
    state.socketsStarted = false;
    if (state.graphicsToken) Gdiplus::GdiplusShutdown(state.graphicsToken);
    state.graphicsToken = 0;
    if (state.richEdit) FreeLibrary(state.richEdit);
    state.richEdit = nullptr;
    if (!state.skipCom) CoUninitialize();

    delete state.appWindow;  // each destroys its window first
    state.appWindow = nullptr;
    delete state.hiddenWindow;
    state.hiddenWindow = nullptr;
    UnregisterClassA("CLASS_SWNDEX", state.instance);
    UnregisterClassA("CLASS_SWND", state.instance);
    state.dialogs.RemoveAll();

    for (HFONT& font : state.systemFonts) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
    if (state.defaultFont) DeleteObject(state.defaultFont);
    state.defaultFont = nullptr;
    state.appFolder.Empty();
    state.appPath.Empty();
    // Shared system cursors are never destroyed; the table only forgets them.
    for (HCURSOR& cursor : state.cursors) cursor = nullptr;
    for (SThreadRecord*& slot : state.slots) {
        delete slot;
        slot = nullptr;
    }
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

// The height is -(dpi x points / 72) rounded to the nearest whole number, halves upward.
HFONT SSystem::CreateFont(HDC dc, const char* face, double points, int style, int* height) {
    HDC screen = dc ? dc : GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (!dc && screen) ReleaseDC(nullptr, screen);
    const double exact = -(dpi * points) / 72.0;
    const double below = std::floor(exact);
    const int rounded = static_cast<int>(exact - below >= 0.5 ? std::ceil(exact) : below);
    if (height) *height = rounded;
    return ::CreateFontA(rounded, 0, 0, 0, (style & 1) ? FW_BOLD : 0, (style & 2) ? 1 : 0,
                         (style & 4) ? 1 : 0, (style & 8) ? 1 : 0, 0, 0, 0, 0, 0, face);
}

void SSystem::AddDialog(HWND dialog) {
    if (state.dialogs.Find(dialog) < 0) state.dialogs.Add(dialog);
}

void SSystem::RemoveDialog(HWND dialog) {
    const int index = state.dialogs.Find(dialog);
    if (index >= 0) state.dialogs.RemoveAt(index);
}

// Slots are claimed with an atomic exchange, so two threads starting at the same moment never
// share one; a record is only ever removed by its own thread or by Exit.
SThreadRecord* SSystem::RegisterThread() {
    for (SThreadRecord*& slot : state.slots) {
        if (slot) continue;
        SThreadRecord* record = new SThreadRecord(GetCurrentThreadId());
        if (!InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&slot), record,
                                               nullptr))
            return record;
        delete record;
    }
    return nullptr;
}

bool SSystem::UnregisterThread(DWORD threadId) {
    if (threadId == 0) threadId = GetCurrentThreadId();
    for (SThreadRecord*& slot : state.slots) {
        SThreadRecord* record = slot;
        if (!record || record->GetThreadId() != threadId) continue;
        if (InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&slot), nullptr,
                                              record) == record)
            delete record;
        return true;
    }
    return false;
}

SThreadRecord* SSystem::GetThreadRecord(DWORD threadId) {
    for (SThreadRecord* record : state.slots)
        if (record && record->GetThreadId() == threadId) return record;
    return nullptr;
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
HFONT SSystem::GetDefaultFont() { return state.defaultFont; }
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

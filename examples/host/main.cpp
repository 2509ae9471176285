// Example Application: a program that keeps itself up to date with Update.exe.
//
// Its version and the address of its update descriptor are in the app.ini beside it:
//     [General]
//     Version=1.0.0.0
//     UpdateUrl=https://example.com/app/app.upd
// "Check for updates" looks for a newer release and, when the user agrees, hands over to
// the Update.exe beside it and exits; Update.exe installs the release and starts the
// program again. Started with --check, it does the same at once, without asking.
#define UPDATE_CLIENT_IMPLEMENTATION
#include "sdk/update_client.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kTitle[] = "Example Application";
const int kCheckButton = 1;
const int kVersionLabel = 2;

char program[MAX_PATH];  // this program's full path
char folder[MAX_PATH];   // its folder, with a final backslash
char version[64];
char updateUrl[2084];

void ReadSettings() {
    char ini[MAX_PATH + 8];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    strcpy(folder, program);
    strrchr(folder, '\\')[1] = '\0';
    snprintf(ini, sizeof(ini), "%sapp.ini", folder);
    GetPrivateProfileStringA("General", "Version", "", version, sizeof(version), ini);
    GetPrivateProfileStringA("General", "UpdateUrl", "", updateUrl, sizeof(updateUrl), ini);
}

// The publisher's public key (PEM) when `updtool embed-key` has stored one in this program,
// as resource "BINARY" 152: then only a descriptor signed with the matching private key
// (app.upd.sig beside app.upd) is accepted. Without one, unsigned descriptors are accepted.
const char* PublicKey() {
    static char pem[4096];
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(152), "BINARY");
    const DWORD size = resource ? SizeofResource(nullptr, resource) : 0;
    const void* bytes = size ? LockResource(LoadResource(nullptr, resource)) : nullptr;
    if (!resource) return nullptr;
    if (!bytes || size >= sizeof(pem)) return "";  // a key that cannot be read verifies nothing
    memcpy(pem, bytes, size);
    return pem;
}

// Checks, and with the user's consent (when owner is a window) starts the update. True when
// Update.exe runs: this program must then exit, so that its files can be replaced.
bool Update(HWND owner) {
    UpdateInfo info;
    const int found = UpdateCheck(updateUrl, version, PublicKey(), &info);
    if (found <= 0) {
        if (owner)
            MessageBoxA(owner,
                        found < 0 ? "Could not check for updates." : "You have the latest version.",
                        kTitle, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    char question[128];
    snprintf(question, sizeof(question), "Version %s is available. Install it now?", info.version);
    if (owner && MessageBoxA(owner, question, kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    char updater[MAX_PATH + 16];
    snprintf(updater, sizeof(updater), "%sUpdate.exe", folder);
    if (UpdateStart(&info, updater, folder, program)) return true;
    if (owner) MessageBoxA(owner, "Could not start Update.exe.", kTitle, MB_OK | MB_ICONERROR);
    return false;
}

HWND AddChild(HWND parent, const char* type, const char* text, DWORD style, int id, int top) {
    HWND child = CreateWindowA(type, text, WS_CHILD | WS_VISIBLE | style, 20, top, 220, 26, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
    return child;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            char text[96];
            snprintf(text, sizeof(text), "Version %s", version);
            AddChild(window, "STATIC", text, SS_LEFT, kVersionLabel, 16);
            AddChild(window, "BUTTON", "Check for updates", BS_PUSHBUTTON, kCheckButton, 48);
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kCheckButton && Update(window)) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    ReadSettings();
    for (int i = 1; i < __argc; ++i) {
        if (strcmp(__argv[i], "--check") == 0 && Update(nullptr)) return 0;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "ExampleApplication";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowA("ExampleApplication", kTitle, WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX,
                      CW_USEDEFAULT, CW_USEDEFAULT, 280, 135, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

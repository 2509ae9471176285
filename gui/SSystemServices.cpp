// The platform services that start-up brings up and the end takes down, in reverse order:
// COM, the rich edit library, GDI+, sockets and, when asked for, sound.
#include <winsock2.h>

#include <mmsystem.h>

#include <dsound.h>
#include <gdiplus.h>
#include <objbase.h>

#include "gui/SSystem.h"

namespace {

struct Services {
    bool skipCom = false;
    bool socketsStarted = false;
    HMODULE richEdit = nullptr;
    ULONG_PTR graphicsToken = 0;
    HMODULE soundLibrary = nullptr;
    IDirectSound8* sound = nullptr;
};

Services services;

// The device may be held by another program for a moment: busy or missing devices are tried
// again every 500 ms, ten attempts in all. DirectSound is loaded only here, so a program that
// never asks for sound does not depend on it.
void StartSound(HWND owner) {
    using CreateFunction = HRESULT(WINAPI*)(LPCGUID, IDirectSound8**, IUnknown*);
    services.soundLibrary = LoadLibraryA("dsound.dll");
    if (!services.soundLibrary) return;
    CreateFunction create = reinterpret_cast<CreateFunction>(
        reinterpret_cast<void*>(GetProcAddress(services.soundLibrary, "DirectSoundCreate8")));
    if (!create) return;
    for (int attempt = 0; attempt < 10; ++attempt) {
        HRESULT result = create(nullptr, &services.sound, nullptr);
        if (result != DSERR_ALLOCATED && result != DSERR_NODRIVER) break;
        services.sound = nullptr;
        Sleep(500);
    }
    if (services.sound && owner) services.sound->SetCooperativeLevel(owner, DSSCL_PRIORITY);
}

}  // namespace

void SSystem::StartServices(bool startSockets, bool startSound, bool skipCom, HWND soundOwner) {
    services.skipCom = skipCom;
    if (!skipCom) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    services.richEdit = LoadLibraryA("Riched20.dll");
    Gdiplus::GdiplusStartupInput graphicsInput;
    if (Gdiplus::GdiplusStartup(&services.graphicsToken, &graphicsInput, nullptr) != Gdiplus::Ok)
        services.graphicsToken = 0;
    if (startSockets) {
        WSADATA data;
        services.socketsStarted = WSAStartup(0x0202, &data) == 0;
    }
    if (startSound) StartSound(soundOwner);
}

void SSystem::StopServices() {
    if (services.sound) services.sound->Release();
    services.sound = nullptr;
    if (services.soundLibrary) FreeLibrary(services.soundLibrary);
    services.soundLibrary = nullptr;
    if (services.socketsStarted) WSACleanup();
    services.socketsStarted = false;
    if (services.graphicsToken) Gdiplus::GdiplusShutdown(services.graphicsToken);
    services.graphicsToken = 0;
    if (services.richEdit) FreeLibrary(services.richEdit);
    services.richEdit = nullptr;
    if (!services.skipCom) CoUninitialize();
}

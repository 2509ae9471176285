#pragma once
// SInternetHandle: owns one WinInet handle (root, connection or request) and closes it when
// it goes, so that no early return leaks one. Null reads as empty.
#include "core/SWindows.h"

#include <wininet.h>

class SInternetHandle {
public:
    explicit SInternetHandle(HINTERNET handle = nullptr) : handle(handle) {}
    ~SInternetHandle() { Reset(); }
    SInternetHandle(const SInternetHandle&) = delete;
    SInternetHandle& operator=(const SInternetHandle&) = delete;

    HINTERNET Get() const { return handle; }
    void Reset(HINTERNET other = nullptr) {
        if (handle) InternetCloseHandle(handle);
        handle = other;
    }

private:
    HINTERNET handle;
};

#pragma once
// SFindHandle: owns one directory search of FindFirstFileA (or FindFirstFileW) and ends it
// with FindClose.
#include "core/SWindows.h"

class SFindHandle {
public:
    // Starts the search; IsValid tells whether a first entry was found into entry.
    SFindHandle(const char* pattern, WIN32_FIND_DATAA& entry)
        : handle(FindFirstFileA(pattern, &entry)) {}
    SFindHandle(const wchar_t* pattern, WIN32_FIND_DATAW& entry)
        : handle(FindFirstFileW(pattern, &entry)) {}
    ~SFindHandle() {
        if (IsValid()) FindClose(handle);
    }
    SFindHandle(const SFindHandle&) = delete;
    SFindHandle& operator=(const SFindHandle&) = delete;

    bool IsValid() const { return handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& entry) { return FindNextFileA(handle, &entry) != FALSE; }
    bool Next(WIN32_FIND_DATAW& entry) { return FindNextFileW(handle, &entry) != FALSE; }

private:
    HANDLE handle;
};

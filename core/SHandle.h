#pragma once
// SHandle: owns one kernel handle (process, thread, file, event) and closes it when it goes.
// Both "no handle" values of the API, null and INVALID_HANDLE_VALUE, read as empty.
#include "core/SWindows.h"

class SHandle {
public:
    SHandle() = default;
    explicit SHandle(HANDLE handle) : handle(handle) {}
    ~SHandle() { Reset(); }
    SHandle(const SHandle&) = delete;
    SHandle& operator=(const SHandle&) = delete;

    bool IsValid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    void Reset(HANDLE other = nullptr) {
        if (IsValid()) CloseHandle(handle);
        handle = other;
    }

private:
    HANDLE handle = nullptr;
};

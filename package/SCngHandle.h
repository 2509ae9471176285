#pragma once
// SCngHandle: owns one handle of Windows' cryptography (CNG, bcrypt.dll): an algorithm
// provider, a key or a hash object, released by its own bcrypt call when the owner goes.
#include "core/SWindows.h"

#include <bcrypt.h>

namespace SCngRelease {
inline void Algorithm(void* handle) { BCryptCloseAlgorithmProvider(handle, 0); }
inline void Key(void* handle) { BCryptDestroyKey(handle); }
inline void Hash(void* handle) { BCryptDestroyHash(handle); }
}  // namespace SCngRelease

template <void (*Release)(void*)>
class SCngHandle {
public:
    SCngHandle() = default;
    ~SCngHandle() { Reset(); }
    SCngHandle(const SCngHandle&) = delete;
    SCngHandle& operator=(const SCngHandle&) = delete;

    bool IsValid() const { return handle != nullptr; }
    void* Get() const { return handle; }
    // The place where an opening call stores a new handle; any handle held is released first.
    void** Receive() {
        Reset();
        return &handle;
    }
    void Reset() {
        if (handle) Release(handle);
        handle = nullptr;
    }

private:
    void* handle = nullptr;
};

using SCngAlgorithm = SCngHandle<SCngRelease::Algorithm>;
using SCngKey = SCngHandle<SCngRelease::Key>;
using SCngHash = SCngHandle<SCngRelease::Hash>;

// Opens the provider of the named algorithm (BCRYPT_SHA256_ALGORITHM, ...) unless one is held.
inline bool SCngOpen(SCngAlgorithm& algorithm, const wchar_t* name) {
    return algorithm.IsValid() ||
           BCryptOpenAlgorithmProvider(algorithm.Receive(), name, nullptr, 0) == 0;
}

#pragma once
// SSha256: the SHA-256 digest of bytes, computed by Windows (CNG): fed in pieces of any size
// (as a download arrives, say) and finished once, or of a whole buffer or file in one call.
// A file is read in steps, never whole. Failure (no provider, a file that cannot be read to
// its end) gives false, and a digest that failed once stays failed.
#include <cstddef>
#include <cstdint>

#include "package/SCngHandle.h"

class SSha256 {
public:
    static constexpr size_t kSize = 32;

    SSha256();
    // Adds count bytes; false once anything has failed.
    [[nodiscard]] bool Add(const void* data, size_t count);
    // The digest of everything added, kSize bytes; the object is spent afterwards.
    [[nodiscard]] bool Finish(uint8_t* digest);

    [[nodiscard]] static bool HashData(const void* data, size_t count, uint8_t* digest);
    [[nodiscard]] static bool HashFile(const char* path, uint8_t* digest);

private:
    SCngAlgorithm algorithm;
    SCngHash hash;
    bool ok = false;
};

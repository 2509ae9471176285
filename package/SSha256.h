#pragma once
// SSha256: the SHA-256 digest of bytes in memory or of a file, computed by Windows (CNG).
// A file is read in steps, never whole. Failure (no provider, a file that cannot be read to
// its end) gives false.
#include <cstddef>
#include <cstdint>

class SSha256 {
public:
    static constexpr size_t kSize = 32;

    [[nodiscard]] static bool HashData(const void* data, size_t count, uint8_t* digest);
    [[nodiscard]] static bool HashFile(const char* path, uint8_t* digest);
};

#pragma once
// SPem: the text armour of keys (RFC 7468): base64 of DER bytes between
// "-----BEGIN <label>-----" and "-----END <label>-----" lines. Text outside the block is
// ignored, as every reader of the format does.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/SString.h"

class SPem {
public:
    // No key file comes near this; a longer text is refused before it is looked at.
    static constexpr size_t kLongestText = 65536;

    // The bytes of the first block with that label; false when there is none, or when its
    // body holds anything but base64 in its one exact form (line breaks and spaces aside).
    [[nodiscard]] static bool Decode(const char* text, size_t length, const char* label,
                                     std::vector<uint8_t>& der);
    // The block with that label around the bytes, in lines of 64 characters ending CR LF;
    // empty on failure.
    static SString Encode(const char* label, const std::vector<uint8_t>& der);
};

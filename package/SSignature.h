#pragma once
// SSignature: one ECDSA signature on P-256, in the two forms it travels in: DER (a SEQUENCE
// of the INTEGERs r and s, as openssl and every other tool write signature files) and the
// 64 bytes r || s, each 32 bytes big-endian, that CNG signs and verifies.
#include <cstddef>
#include <cstdint>
#include <vector>

class SSignature {
public:
    // A SEQUENCE of two INTEGERs of at most 33 bytes: any longer file is no signature.
    static constexpr size_t kLargestDer = 72;
    static constexpr size_t kRawSize = 64;

    // From DER, strictly: no byte left over, r and s positive and at most 32 bytes each;
    // false (and r || s all zero) for anything else.
    [[nodiscard]] bool SetDer(const uint8_t* der, size_t length);
    void SetRaw(const uint8_t* rs);  // kRawSize bytes

    const uint8_t* GetRaw() const { return raw; }
    std::vector<uint8_t> GetDer() const;

private:
    uint8_t raw[kRawSize] = {};
};

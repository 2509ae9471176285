#pragma once
// SPublicKey: an ECDSA public key on P-256, held by CNG, that verifies SHA-256 signatures.
// It reads and writes the SubjectPublicKeyInfo every tool writes ("BEGIN PUBLIC KEY"); other
// algorithms and curves are refused. The verifying operations are true only for a signature
// that verifies; a key not loaded verifies nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/SString.h"
#include "package/SCngHandle.h"

class SDerReader;
class SDerWriter;

class SPublicKey {
public:
    // Update.exe carries its publisher's key as the PEM text of this resource, type "BINARY".
    static constexpr int kResourceId = 152;
    // The point: X, then Y, 32 bytes each, big-endian.
    static constexpr size_t kPointSize = 64;

    [[nodiscard]] bool LoadPem(const char* text, size_t length);
    [[nodiscard]] bool LoadDer(const uint8_t* der, size_t length);
    [[nodiscard]] bool SetPoint(const uint8_t* point);
    bool IsLoaded() const { return key.IsValid(); }
    const uint8_t* GetPoint() const { return point; }  // kPointSize bytes

    // The key's text and bytes; empty when none is loaded.
    SString GetPem() const;
    std::vector<uint8_t> GetDer() const;

    // Whether signature (DER, at most SSignature::kLargestDer bytes) signs the bytes, the
    // whole file at path (read in steps), or a SHA-256 digest.
    [[nodiscard]] bool VerifyData(const void* data, size_t count, const uint8_t* signature,
                                  size_t length) const;
    [[nodiscard]] bool VerifyFile(const char* path, const uint8_t* signature, size_t length) const;
    [[nodiscard]] bool VerifyDigest(const uint8_t* digest, const uint8_t* signature,
                                    size_t length) const;

    // Parts of the key formats that the private key's formats share: the algorithm
    // identifier (EC, P-256), the curve's name alone, and the point as an uncompressed
    // BIT STRING.
    [[nodiscard]] static bool ReadAlgorithm(SDerReader& reader);
    [[nodiscard]] static bool ReadCurve(SDerReader& reader);
    [[nodiscard]] static bool ReadPoint(SDerReader& reader, uint8_t* point);
    static void WriteAlgorithm(SDerWriter& writer);
    static void WriteCurve(SDerWriter& writer);
    static void WritePoint(SDerWriter& writer, const uint8_t* point);

private:
    bool VerifyRaw(const uint8_t* digest, const uint8_t* rs) const;

    SCngAlgorithm algorithm;
    SCngKey key;
    uint8_t point[kPointSize] = {};
};

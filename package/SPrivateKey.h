#pragma once
// SPrivateKey: an ECDSA private key on P-256, held by CNG, that signs SHA-256 digests. It is
// made new, or read from PEM: PKCS#8 ("BEGIN PRIVATE KEY", what openssl genpkey and every
// library write) or the older "BEGIN EC PRIVATE KEY"; either must carry the public point,
// which must belong to the key. It is written as PKCS#8. Failures give false or empty.
#include <cstddef>
#include <cstdint>

#include "core/SString.h"
#include "package/SCngHandle.h"
#include "package/SPublicKey.h"

class SSignature;

class SPrivateKey {
public:
    static constexpr size_t kScalarSize = 32;

    SPrivateKey() = default;
    ~SPrivateKey();
    SPrivateKey(const SPrivateKey&) = delete;
    SPrivateKey& operator=(const SPrivateKey&) = delete;

    [[nodiscard]] bool Generate();
    [[nodiscard]] bool LoadPem(const char* text, size_t length);
    bool IsLoaded() const { return key.IsValid(); }

    SString GetPem() const;  // PKCS#8; empty when none is loaded
    const SPublicKey& GetPublicKey() const { return publicKey; }

    // Signs the bytes, the whole file at path (read in steps), or a SHA-256 digest.
    [[nodiscard]] bool SignData(const void* data, size_t count, SSignature& signature) const;
    [[nodiscard]] bool SignFile(const char* path, SSignature& signature) const;
    [[nodiscard]] bool SignDigest(const uint8_t* digest, SSignature& signature) const;

private:
    bool LoadPkcs8(const uint8_t* der, size_t length);
    bool LoadEcPrivateKey(const uint8_t* der, size_t length, bool curveRequired);
    bool Import(const uint8_t* d, const uint8_t* xy);
    void Unload();

    SCngAlgorithm algorithm;
    SCngKey key;
    SPublicKey publicKey;
    uint8_t scalar[kScalarSize] = {};
};

#include "package/SPublicKey.h"

#include <cstring>

#include "package/SDerReader.h"
#include "package/SDerWriter.h"
#include "package/SPem.h"
#include "package/SSha256.h"
#include "package/SSignature.h"

namespace {

const char kLabel[] = "PUBLIC KEY";
// 1.2.840.10045.2.1 (an elliptic-curve key) and 1.2.840.10045.3.1.7 (the curve P-256).
const uint8_t kEcKey[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};
const uint8_t kP256[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};
// A BIT STRING's first byte counts the unused bits of its last; 4 marks an uncompressed point.
constexpr uint8_t kNoUnusedBits = 0;
constexpr uint8_t kUncompressed = 4;

}  // namespace

bool SPublicKey::LoadPem(const char* text, size_t length) {
    std::vector<uint8_t> der;
    key.Reset();
    return SPem::Decode(text, length, kLabel, der) && LoadDer(der.data(), der.size());
}

bool SPublicKey::LoadDer(const uint8_t* der, size_t length) {
    key.Reset();
    SDerReader all(der, length);
    SDerReader info;
    uint8_t found[kPointSize];
    return der && all.Enter(SDerTag::kSequence, info) && all.IsEnd() && ReadAlgorithm(info) &&
           ReadPoint(info, found) && info.IsEnd() && SetPoint(found);
}

bool SPublicKey::SetPoint(const uint8_t* xy) {
    key.Reset();
    uint8_t blob[sizeof(BCRYPT_ECCKEY_BLOB) + kPointSize];
    BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kPointSize / 2};
    memcpy(blob, &header, sizeof(header));
    memcpy(blob + sizeof(header), xy, kPointSize);
    if (!SCngOpen(algorithm, BCRYPT_ECDSA_P256_ALGORITHM) ||
        BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.Receive(), blob,
                            sizeof(blob), 0) != 0) {
        key.Reset();
        return false;
    }
    memcpy(point, xy, kPointSize);
    return true;
}

SString SPublicKey::GetPem() const {
    return IsLoaded() ? SPem::Encode(kLabel, GetDer()) : SString();
}

std::vector<uint8_t> SPublicKey::GetDer() const {
    if (!IsLoaded()) return std::vector<uint8_t>();
    SDerWriter info;
    WriteAlgorithm(info);
    WritePoint(info, point);
    SDerWriter all;
    all.Add(SDerTag::kSequence, info);
    return all.GetBytes();
}

bool SPublicKey::VerifyData(const void* data, size_t count, const uint8_t* signature,
                            size_t length) const {
    SSignature parsed;
    uint8_t digest[SSha256::kSize];
    return IsLoaded() && parsed.SetDer(signature, length) &&
           SSha256::HashData(data, count, digest) && VerifyRaw(digest, parsed.GetRaw());
}

// The signature is read before the file: a malformed one costs nothing, a large file
// nothing either.
bool SPublicKey::VerifyFile(const char* path, const uint8_t* signature, size_t length) const {
    SSignature parsed;
    uint8_t digest[SSha256::kSize];
    return IsLoaded() && parsed.SetDer(signature, length) && SSha256::HashFile(path, digest) &&
           VerifyRaw(digest, parsed.GetRaw());
}

bool SPublicKey::VerifyDigest(const uint8_t* digest, const uint8_t* signature,
                              size_t length) const {
    SSignature parsed;
    return IsLoaded() && digest && parsed.SetDer(signature, length) &&
           VerifyRaw(digest, parsed.GetRaw());
}

// CNG's inputs are not const, but it only reads them.
bool SPublicKey::VerifyRaw(const uint8_t* digest, const uint8_t* rs) const {
    return BCryptVerifySignature(key.Get(), nullptr, const_cast<uint8_t*>(digest), SSha256::kSize,
                                 const_cast<uint8_t*>(rs), SSignature::kRawSize, 0) == 0;
}

bool SPublicKey::ReadAlgorithm(SDerReader& reader) {
    SDerReader algorithm;
    return reader.Enter(SDerTag::kSequence, algorithm) &&
           algorithm.Expect(SDerTag::kObjectId, kEcKey, sizeof(kEcKey)) && ReadCurve(algorithm) &&
           algorithm.IsEnd();
}

bool SPublicKey::ReadCurve(SDerReader& reader) {
    return reader.Expect(SDerTag::kObjectId, kP256, sizeof(kP256));
}

// Only the uncompressed form: a compressed point would need curve arithmetic to unpack.
bool SPublicKey::ReadPoint(SDerReader& reader, uint8_t* xy) {
    const uint8_t* bits = nullptr;
    size_t length = 0;
    if (!reader.Read(SDerTag::kBitString, bits, length) || length != kPointSize + 2 ||
        bits[0] != kNoUnusedBits || bits[1] != kUncompressed)
        return false;
    memcpy(xy, bits + 2, kPointSize);
    return true;
}

void SPublicKey::WriteAlgorithm(SDerWriter& writer) {
    SDerWriter algorithm;
    algorithm.Add(SDerTag::kObjectId, kEcKey, sizeof(kEcKey));
    WriteCurve(algorithm);
    writer.Add(SDerTag::kSequence, algorithm);
}

void SPublicKey::WriteCurve(SDerWriter& writer) {
    writer.Add(SDerTag::kObjectId, kP256, sizeof(kP256));
}

void SPublicKey::WritePoint(SDerWriter& writer, const uint8_t* xy) {
    uint8_t bits[kPointSize + 2] = {kNoUnusedBits, kUncompressed};
    memcpy(bits + 2, xy, kPointSize);
    writer.Add(SDerTag::kBitString, bits, sizeof(bits));
}

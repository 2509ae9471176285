#include "package/SPrivateKey.h"

#include <cstring>
#include <vector>

#include "package/SDerReader.h"
#include "package/SDerWriter.h"
#include "package/SPem.h"
#include "package/SSha256.h"
#include "package/SSignature.h"

namespace {

const char kPkcs8Label[] = "PRIVATE KEY";
const char kEcLabel[] = "EC PRIVATE KEY";
const uint8_t kVersion0[] = {0};  // of PKCS#8
const uint8_t kVersion1[] = {1};  // of the ECPrivateKey inside
constexpr size_t kPointSize = SPublicKey::kPointSize;
constexpr size_t kBlobSize = sizeof(BCRYPT_ECCKEY_BLOB) + kPointSize + SPrivateKey::kScalarSize;

// CNG's private blob: a header, X, Y, then the scalar.
struct PrivateBlob {
    uint8_t bytes[kBlobSize];
    PrivateBlob() { memset(bytes, 0, sizeof(bytes)); }
    ~PrivateBlob() { SecureZeroMemory(bytes, sizeof(bytes)); }
    uint8_t* Point() { return bytes + sizeof(BCRYPT_ECCKEY_BLOB); }
    uint8_t* Scalar() { return Point() + kPointSize; }
};

}  // namespace

SPrivateKey::~SPrivateKey() { SecureZeroMemory(scalar, sizeof(scalar)); }

void SPrivateKey::Unload() {
    key.Reset();
    SecureZeroMemory(scalar, sizeof(scalar));
}

bool SPrivateKey::Generate() {
    Unload();
    SCngKey made;
    PrivateBlob blob;
    ULONG written = 0;
    if (!SCngOpen(algorithm, BCRYPT_ECDSA_P256_ALGORITHM) ||
        BCryptGenerateKeyPair(algorithm.Get(), made.Receive(), 256, 0) != 0 ||
        BCryptFinalizeKeyPair(made.Get(), 0) != 0 ||
        BCryptExportKey(made.Get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.bytes, kBlobSize,
                        &written, 0) != 0 ||
        written != kBlobSize)
        return false;
    BCRYPT_ECCKEY_BLOB header;
    memcpy(&header, blob.bytes, sizeof(header));
    return header.dwMagic == BCRYPT_ECDSA_PRIVATE_P256_MAGIC && header.cbKey == kScalarSize &&
           Import(blob.Scalar(), blob.Point());
}

bool SPrivateKey::LoadPem(const char* text, size_t length) {
    Unload();
    std::vector<uint8_t> der;
    bool loaded = false;
    if (SPem::Decode(text, length, kPkcs8Label, der))
        loaded = LoadPkcs8(der.data(), der.size());
    else if (SPem::Decode(text, length, kEcLabel, der))  // names its curve inside
        loaded = LoadEcPrivateKey(der.data(), der.size(), true);
    // The scalar lives on in CNG's key alone.
    if (!der.empty()) SecureZeroMemory(der.data(), der.size());
    return loaded;
}

// Attributes, optional after the key, say nothing that signing needs.
bool SPrivateKey::LoadPkcs8(const uint8_t* der, size_t length) {
    SDerReader all(der, length);
    SDerReader info;
    const uint8_t* inner = nullptr;
    size_t innerLength = 0;
    const uint8_t* attributes = nullptr;
    size_t attributesLength = 0;
    return all.Enter(SDerTag::kSequence, info) && all.IsEnd() &&
           info.Expect(SDerTag::kInteger, kVersion0, sizeof(kVersion0)) &&
           SPublicKey::ReadAlgorithm(info) &&
           info.Read(SDerTag::kOctetString, inner, innerLength) &&
           (!info.IsNext(SDerTag::kContext0) ||
            info.Read(SDerTag::kContext0, attributes, attributesLength)) &&
           info.IsEnd() && LoadEcPrivateKey(inner, innerLength, false);
}

// The scalar is 32 bytes; some writers dropped its leading zeros, so fewer are taken too.
// Without the public point there is nothing to check the key against, and computing it
// would take curve arithmetic: such a key is refused.
bool SPrivateKey::LoadEcPrivateKey(const uint8_t* der, size_t length, bool curveRequired) {
    SDerReader all(der, length);
    SDerReader ec;
    const uint8_t* d = nullptr;
    size_t dLength = 0;
    if (!all.Enter(SDerTag::kSequence, ec) || !all.IsEnd() ||
        !ec.Expect(SDerTag::kInteger, kVersion1, sizeof(kVersion1)) ||
        !ec.Read(SDerTag::kOctetString, d, dLength) || dLength == 0 || dLength > kScalarSize)
        return false;
    const bool curveGiven = ec.IsNext(SDerTag::kContext0);
    SDerReader parameters;
    if (curveGiven && (!ec.Enter(SDerTag::kContext0, parameters) ||
                       !SPublicKey::ReadCurve(parameters) || !parameters.IsEnd()))
        return false;
    SDerReader publicPart;
    uint8_t xy[kPointSize];
    if ((curveRequired && !curveGiven) || !ec.Enter(SDerTag::kContext1, publicPart) ||
        !SPublicKey::ReadPoint(publicPart, xy) || !publicPart.IsEnd() || !ec.IsEnd())
        return false;
    PrivateBlob blob;
    memcpy(blob.Scalar() + kScalarSize - dLength, d, dLength);
    return Import(blob.Scalar(), xy);
}

// CNG takes a private blob whose point does not belong to its scalar, and then signs what
// the point does not verify: one signature made and verified here refuses such a key.
bool SPrivateKey::Import(const uint8_t* d, const uint8_t* xy) {
    Unload();
    PrivateBlob blob;
    const BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PRIVATE_P256_MAGIC, kScalarSize};
    memcpy(blob.bytes, &header, sizeof(header));
    memcpy(blob.Point(), xy, kPointSize);
    memcpy(blob.Scalar(), d, kScalarSize);
    if (!SCngOpen(algorithm, BCRYPT_ECDSA_P256_ALGORITHM) ||
        BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, key.Receive(),
                            blob.bytes, kBlobSize, 0) != 0 ||
        !publicKey.SetPoint(xy)) {
        key.Reset();
        return false;
    }
    memcpy(scalar, d, kScalarSize);
    const uint8_t probe[SSha256::kSize] = {'s', 'e', 'l', 'f', '-', 'c', 'h', 'e', 'c', 'k'};
    SSignature signature;
    const std::vector<uint8_t> der =
        SignDigest(probe, signature) ? signature.GetDer() : std::vector<uint8_t>();
    if (!publicKey.VerifyDigest(probe, der.data(), der.size())) {
        Unload();
        return false;
    }
    return true;
}

SString SPrivateKey::GetPem() const {
    if (!IsLoaded()) return SString();
    SDerWriter publicPart;
    SPublicKey::WritePoint(publicPart, publicKey.GetPoint());
    SDerWriter ec;
    ec.Add(SDerTag::kInteger, kVersion1, sizeof(kVersion1));
    ec.Add(SDerTag::kOctetString, scalar, kScalarSize);
    ec.Add(SDerTag::kContext1, publicPart);
    SDerWriter ecKey;
    ecKey.Add(SDerTag::kSequence, ec);
    SDerWriter info;
    info.Add(SDerTag::kInteger, kVersion0, sizeof(kVersion0));
    SPublicKey::WriteAlgorithm(info);
    info.Add(SDerTag::kOctetString, ecKey);
    SDerWriter all;
    all.Add(SDerTag::kSequence, info);
    return SPem::Encode(kPkcs8Label, all.GetBytes());
}

bool SPrivateKey::SignData(const void* data, size_t count, SSignature& signature) const {
    uint8_t digest[SSha256::kSize];
    return SSha256::HashData(data, count, digest) && SignDigest(digest, signature);
}

bool SPrivateKey::SignFile(const char* path, SSignature& signature) const {
    uint8_t digest[SSha256::kSize];
    return SSha256::HashFile(path, digest) && SignDigest(digest, signature);
}

// CNG's input is not const, but it only reads it.
bool SPrivateKey::SignDigest(const uint8_t* digest, SSignature& signature) const {
    uint8_t rs[SSignature::kRawSize];
    ULONG written = 0;
    if (!IsLoaded() ||
        BCryptSignHash(key.Get(), nullptr, const_cast<uint8_t*>(digest), SSha256::kSize, rs,
                       sizeof(rs), &written, 0) != 0 ||
        written != sizeof(rs))
        return false;
    signature.SetRaw(rs);
    return true;
}

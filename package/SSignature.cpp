#include "package/SSignature.h"

#include <cstring>

#include "package/SDerReader.h"
#include "package/SDerWriter.h"

namespace {

constexpr size_t kHalf = SSignature::kRawSize / 2;

bool IsZero(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (bytes[i]) return false;
    return true;
}

}  // namespace

// Only the one DER form of a signature is taken, as openssl takes it: a signature that
// arrives in another encoding of the same numbers is refused, not repaired.
bool SSignature::SetDer(const uint8_t* der, size_t length) {
    memset(raw, 0, sizeof(raw));
    if (!der || length == 0 || length > kLargestDer) return false;
    SDerReader all(der, length);
    SDerReader pair;
    const bool ok = all.Enter(SDerTag::kSequence, pair) && all.IsEnd() &&
                    pair.ReadUnsigned(raw, kHalf) && pair.ReadUnsigned(raw + kHalf, kHalf) &&
                    pair.IsEnd() && !IsZero(raw, kHalf) && !IsZero(raw + kHalf, kHalf);
    if (!ok) memset(raw, 0, sizeof(raw));
    return ok;
}

void SSignature::SetRaw(const uint8_t* rs) { memcpy(raw, rs, sizeof(raw)); }

std::vector<uint8_t> SSignature::GetDer() const {
    SDerWriter pair;
    pair.AddUnsigned(raw, kHalf);
    pair.AddUnsigned(raw + kHalf, kHalf);
    SDerWriter all;
    all.Add(SDerTag::kSequence, pair);
    return all.GetBytes();
}

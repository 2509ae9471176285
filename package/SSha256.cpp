#include "package/SSha256.h"

#include "core/SFilePath.h"
#include "core/SHeapBlock.h"

namespace {

// Bytes read from a file per step, and the most that one call of BCryptHashData is given.
constexpr int kReadStep = 1024 * 1024;
constexpr size_t kLargestPiece = 0x40000000;

}  // namespace

SSha256::SSha256() {
    ok = SCngOpen(algorithm, BCRYPT_SHA256_ALGORITHM) &&
         BCryptCreateHash(algorithm.Get(), hash.Receive(), nullptr, 0, nullptr, 0, 0) == 0;
}

bool SSha256::Add(const void* data, size_t count) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (count > 0 && !bytes) ok = false;
    for (size_t piece; ok && count > 0; bytes += piece, count -= piece) {
        piece = count < kLargestPiece ? count : kLargestPiece;
        // CNG's input is not const, but it only reads it.
        ok = BCryptHashData(hash.Get(), const_cast<uint8_t*>(bytes), static_cast<ULONG>(piece),
                            0) == 0;
    }
    return ok;
}

bool SSha256::Finish(uint8_t* digest) {
    const bool finished = ok && BCryptFinishHash(hash.Get(), digest, kSize, 0) == 0;
    ok = false;
    return finished;
}

bool SSha256::HashData(const void* data, size_t count, uint8_t* digest) {
    SSha256 running;
    return running.Add(data, count) && running.Finish(digest);
}

// Opened so that other programs may read it meanwhile but not write: what is hashed is what
// stays on disk while the file is open.
bool SSha256::HashFile(const char* path, uint8_t* digest) {
    SFilePath file;
    SHeapBlock chunk(kReadStep);
    if (!chunk.data || !path || !file.OpenReading(path)) return false;
    const int64_t size = file.GetSize64();
    SSha256 running;
    int64_t total = 0;
    for (int got; (got = file.Read(chunk.data, kReadStep)) > 0; total += got)
        if (!running.Add(chunk.data, static_cast<size_t>(got))) return false;
    // A read that stops early for an error looks like the end: only the length tells.
    return size >= 0 && total == size && running.Finish(digest);
}

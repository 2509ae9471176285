// Signature cost: verifying a 100 MiB archive (SPublicKey::VerifyFile: SHA-256 of the file
// read in steps, then one ECDSA check) against the CRC-32 pass the installer makes anyway
// and against plain SHA-256 of the file and of the same bytes in memory. Best of a few
// rounds each, taken in turn. Leaves data.bin, data.bin.sig and public.pem in the folder
// given, for sig_bench.py to time openssl on the same files. Exits with 1 when the
// signature does not verify.
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/SDisk.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "package/SPrivateKey.h"
#include "package/SSha256.h"
#include "package/SSignature.h"

namespace {

constexpr int kSize = 100 * 1024 * 1024;
constexpr int kRuns = 5;

// Deterministic pseudo-random bytes (xorshift64), eight at a time.
void Fill(uint8_t* bytes, int count) {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i + 8 <= count; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        memcpy(bytes + i, &state, 8);
    }
}

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / frequency.QuadPart;
}

struct Result {
    const char* name;
    double seconds = 1e30;  // best run
    bool ok = true;
};

template <typename Run>
void Measure(Result& result, Run run) {
    const double start = Now();
    const bool ok = run();
    const double seconds = Now() - start;
    if (seconds < result.seconds) result.seconds = seconds;
    result.ok = result.ok && ok;
}

bool WriteAll(const SString& path, const void* data, int count) {
    SFilePath file;
    const bool ok = file.OpenWriteOnly(path.GetText()) && file.Write(data, count) == count;
    return file.CloseChecked() && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: sig_bench <folder>\n");
        return 2;
    }
    const SString folder = SString(argv[1]) + "\\";
    const SString data = folder + "data.bin";
    std::vector<uint8_t> block(kSize);
    Fill(block.data(), kSize);
    SPrivateKey key;
    SSignature signature;
    if (!WriteAll(data, block.data(), kSize) || !key.Generate() ||
        !key.SignFile(data.GetText(), signature)) {
        fprintf(stderr, "cannot write %s or sign it\n", data.GetText());
        return 1;
    }
    const std::vector<uint8_t> der = signature.GetDer();
    const SString pem = key.GetPublicKey().GetPem();
    if (!WriteAll(data + ".sig", der.data(), static_cast<int>(der.size())) ||
        !WriteAll(folder + "public.pem", pem.GetText(), pem.GetLength())) {
        fprintf(stderr, "cannot write beside %s\n", data.GetText());
        return 1;
    }

    const SPublicKey& verifier = key.GetPublicKey();
    uint8_t digest[SSha256::kSize];
    Result results[] = {
        {"CRC-32 of the file"}, {"SHA-256 of the file"}, {"SHA-256 in memory"}, {"VerifyFile"}};
    Result digestOnly = {"VerifyDigest"};
    for (int round = 0; round < kRuns; ++round) {
        Measure(results[0], [&] {
            uint32_t crc = 0;
            return SDisk().GetFileCrc(data.GetText(), crc);
        });
        Measure(results[1], [&] { return SSha256::HashFile(data.GetText(), digest); });
        Measure(results[2], [&] { return SSha256::HashData(block.data(), kSize, digest); });
        Measure(results[3],
                [&] { return verifier.VerifyFile(data.GetText(), der.data(), der.size()); });
        Measure(digestOnly, [&] { return verifier.VerifyDigest(digest, der.data(), der.size()); });
    }

    const double mib = kSize / (1024.0 * 1024.0);
    printf("%.0f MiB, best of %d rounds\n", mib, kRuns);
    printf("%-22s %10s %10s %16s\n", "", "seconds", "MiB/s", "ratio to CRC-32");
    for (const Result& r : results)
        printf("%-22s %10.3f %10.0f %16.2f%s\n", r.name, r.seconds, mib / r.seconds,
               r.seconds / results[0].seconds, r.ok ? "" : "  (failed)");
    printf("%-22s %10.5f  (the ECDSA check alone)\n", digestOnly.name, digestOnly.seconds);
    const bool ok = results[3].ok && digestOnly.ok;
    puts(ok ? "the signature verifies" : "the signature DOES NOT VERIFY");
    return ok ? 0 : 1;
}

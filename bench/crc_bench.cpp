// CRC-32 speed: zlib's crc32 over a 256 MiB block is the baseline; SCrc32 over the same
// block, a memory file holding it and a disk file holding it are measured against it. Each
// figure is the best of a few rounds. Exits with 1 when the four CRCs disagree.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/SFile.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"

namespace {

constexpr int kSize = 256 * 1024 * 1024;
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

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

struct Result {
    const char* name;
    uint32_t crc = 0;
    double seconds = 1e30;  // best run
    bool ok = true;
};

// Times one run and keeps it when it is the best so far. The four ways are measured in
// turn, round after round, so that a busy moment of the machine does not fall on one alone.
template <typename Run>
void Measure(Result& result, Run run) {
    LARGE_INTEGER start, end;
    uint32_t crc = 0;
    QueryPerformanceCounter(&start);
    const bool ok = run(crc);
    QueryPerformanceCounter(&end);
    const double seconds = Seconds(start, end);
    if (seconds < result.seconds) result.seconds = seconds;
    result.crc = crc;
    result.ok = result.ok && ok;
}

}  // namespace

int main() {
    uint8_t* block = static_cast<uint8_t*>(malloc(kSize));
    if (!block) {
        fprintf(stderr, "cannot allocate %d bytes\n", kSize);
        return 1;
    }
    Fill(block, kSize);

    char folder[MAX_PATH];
    char path[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "crc", 0, path)) {
        fprintf(stderr, "no temporary file\n");
        free(block);
        return 1;
    }
    SFilePath file;
    const bool written = file.Open(path, true, true, false) && file.Write(block, kSize) == kSize;
    file.Close();
    const bool opened = written && file.Open(path, false, false, true);
    SFileMem memory;
    memory.Write(block, kSize);

    Result results[4] = {{"zlib crc32"}, {"SCrc32"}, {"SFileMem::GetCrc"}, {"SFilePath::GetCrc"}};
    for (int round = 0; round < kRuns; ++round) {
        Measure(results[0], [&](uint32_t& crc) {
            crc = static_cast<uint32_t>(crc32(0, block, static_cast<uInt>(kSize)));
            return true;
        });
        Measure(results[1], [&](uint32_t& crc) {
            crc = SCrc32(0, block, kSize);
            return true;
        });
        Measure(results[2], [&](uint32_t& crc) { return memory.GetCrc(crc); });
        Measure(results[3], [&](uint32_t& crc) { return opened && file.GetCrc(crc); });
    }
    file.Close();
    memory.Close();
    DeleteFileA(path);
    free(block);

    const double mib = kSize / (1024.0 * 1024.0);
    const double baseline = mib / results[0].seconds;
    printf("CRC-32 over %.0f MiB, best of %d rounds\n", mib, kRuns);
    printf("%-20s %10s %12s %10s\n", "", "CRC", "MiB/s", "ratio");
    bool agree = true;
    for (const Result& r : results) {
        const double speed = mib / r.seconds;
        printf("%-20s 0x%08lX %12.0f %10.3f%s\n", r.name, static_cast<unsigned long>(r.crc), speed,
               speed / baseline, r.ok ? "" : "  (failed)");
        agree = agree && r.ok && r.crc == results[0].crc;
    }
    puts(agree ? "all four CRCs agree" : "CRCs DISAGREE");
    return agree ? 0 : 1;
}

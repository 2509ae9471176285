// Download speed: 256 MiB from the test server (UPDATE_TEST_SERVER) through SNetwork::Download
// into a memory file, with the installer's 1024-byte chunks and with 64 KiB chunks. Prints
// "download <chunk> <MiB/s>" per chunk size, the best of a few rounds; bench/download_bench.py
// runs it beside a plain client reading the same URL and prints the ratios. Exits with 1
// when a download fails or its bytes differ from the server's pattern.
//
// With "--save URL PATH" it downloads URL once into the disk file PATH in 64 KiB chunks, as
// the installer does, for bench/install_bench.py's baseline; exits with 1 when that fails.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "install/SNetwork.h"

namespace {

constexpr int kSize = 256 * 1024 * 1024;

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

// The server's pattern: byte i is i % 251.
bool IsPattern(const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (bytes[i] != i % 251) return false;
    }
    return true;
}

int Save(const char* url, const char* path) {
    SFilePath target;
    SNetwork network;
    const bool done = target.OpenCreated(path) && network.Download(&target, url, 65536, 0);
    return target.CloseChecked() && done ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "--save") == 0) return Save(argv[2], argv[3]);
    const char* server = getenv("UPDATE_TEST_SERVER");
    if (!server) {
        fprintf(stderr, "UPDATE_TEST_SERVER is not set: run through bench/download_bench.py\n");
        return 1;
    }
    const int rounds = argc > 1 ? atoi(argv[1]) : 2;
    const std::string url = std::string(server) + "/length/" + std::to_string(kSize);
    SFileMem target;
    target.Reserve(kSize, false);  // the copy into memory stays out of the figures
    if (target.GetCapacity() <= kSize) {
        fprintf(stderr, "cannot allocate %d bytes\n", kSize);
        return 1;
    }
    bool ok = true;
    for (int chunk : {1024, 65536}) {
        double best = 1e30;
        for (int round = 0; round < rounds; ++round) {
            target.Seek(0);
            SNetwork network;
            const double start = Now();
            const bool done = network.Download(&target, url.c_str(), chunk, 0);
            const double seconds = Now() - start;
            if (!done || target.GetPosition() != kSize || !IsPattern(target.GetBuffer(), kSize)) {
                fprintf(stderr, "download with %d-byte chunks failed\n", chunk);
                ok = false;
            }
            if (seconds < best) best = seconds;
        }
        printf("download %d %.1f\n", chunk, kSize / (1024.0 * 1024.0) / best);
        fflush(stdout);
    }
    return ok ? 0 : 1;
}

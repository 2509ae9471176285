// A stand-in for the host program that the updater restarts. Each start appends one line,
// its command line, to "<own path>.started", so a test can tell whether and how it was
// started. Options, in this order:
//   --hold PATH...   opens each path unshared (as a program using its files would), then
//                    prints "holding"
//   --stay N         stays alive N milliseconds, as a host program still running
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/SWindows.h"

namespace {

bool RecordStart() {
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH - 16);
    if (length == 0) return false;
    strcpy(self + length, ".started");
    FILE* record = fopen(self, "ab");
    if (!record) return false;
    fprintf(record, "%s\r\n", GetCommandLineA());
    return fclose(record) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    int i = 1;
    if (i < argc && strcmp(argv[i], "--hold") == 0) {
        for (++i; i < argc && strncmp(argv[i], "--", 2) != 0; ++i) {
            // Left open until the process ends: that is the point.
            if (CreateFileA(argv[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) ==
                INVALID_HANDLE_VALUE)
                return 1;
        }
        printf("holding\n");
        fflush(stdout);
    } else if (!RecordStart()) {
        return 1;
    }
    if (i + 1 < argc && strcmp(argv[i], "--stay") == 0) Sleep(strtoul(argv[i + 1], nullptr, 10));
    return 0;
}

// Reading an archive's table of entries: archives of 250000, 500000 and 1000000 empty
// entries are opened with SResource::Open; the baseline is one pass over the same file's
// bytes (its CRC-32). Linear reading shows as a steady ratio and as a time per entry that
// does not grow with the count. Exits with 1 when an open fails or miscounts.
#include <cstdio>
#include <string>

#include "core/SDisk.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "package/SResource.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency.QuadPart;
}

// A stored archive of count empty entries named like a release's files.
bool WriteArchive(const char* path, int count) {
    std::string bytes("SRES\0\0\0\0", 8);
    char name[64];
    for (int i = 0; i < count; ++i) {
        bytes.append(4, '\0');
        const int length = snprintf(name, sizeof name, "data%d\\file%07d.txt", i % 100, i);
        bytes.append(name, static_cast<size_t>(length) + 1);
    }
    bytes.append(4, '\xFF');
    SFilePath file;
    const int size = static_cast<int>(bytes.size());
    return file.Open(path, true, true, false, false) && file.Write(bytes.data(), size) == size;
}

}  // namespace

int main() {
    SDisk disk;
    const SString path = disk.GetTempFileName();
    bool ok = path.GetLength() > 0;
    printf("%-10s %12s %12s %8s %14s\n", "entries", "open s", "crc pass s", "ratio",
           "ns per entry");
    for (int count : {250000, 500000, 1000000}) {
        if (!ok || !WriteArchive(path.GetText(), count)) {
            ok = false;
            break;
        }
        double start = Now();
        uint32_t crc = 0;
        SFilePath file;
        ok = file.Open(path.GetText(), false, false, true, true) && file.GetCrc(crc);
        file.Close();
        const double baseline = Now() - start;
        SResource archive;
        start = Now();
        ok = ok && archive.Open(path.GetText(), 0) && archive.GetEntryCount() == count;
        const double open = Now() - start;
        printf("%-10d %12.3f %12.3f %8.1f %14.0f\n", count, open, baseline, open / baseline,
               open * 1e9 / count);
    }
    DeleteFileA(path.GetText());
    if (!ok) fprintf(stderr, "table_bench: an archive could not be written or opened\n");
    return ok ? 0 : 1;
}

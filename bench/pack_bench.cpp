// Packing and extraction throughput over a deterministic release folder of about 256 MiB
// (compressible text, already compressed data, executables, many small files), on one
// thread and on all: packing against zlib's own compress over the same bytes, extraction
// against a plain extractor of the same archive (zlib's uncompress and a plain create and
// write of each file), both on one thread in the same run. Also: whether the archives of 1
// and N threads are identical, how extraction time grows with the number of entries, and
// (--peak) the peak memory of packing one 1 GiB file.
//
// Each time is the best of a few rounds (2 unless --rounds says).
//
//   pack_bench.exe [--threads N] [--scale PERCENT] [--rounds N] [--peak]
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/SBlockPipeline.h"
#include "core/SDisk.h"
#include "core/SFilePath.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "package/PPackageBuilder.h"
#include "package/SResource.h"

#include <psapi.h>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

double Now() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A small deterministic generator: the same folder on every run and machine.
struct Random {
    uint64_t state;
    explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 16);
    }
};

std::string Text(size_t size, Random& random) {
    static const char* const kWords[] = {
        "update", "archive", "window",   "the",      "of",    "file",  "version", "install",
        "folder", "a",       "progress", "compress", "block", "entry", "host",    "program"};
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size) {
        text += kWords[random.Next() % 16];
        text += random.Next() % 12 == 0 ? "\r\n" : " ";
    }
    text.resize(size);
    return text;
}

std::string Noise(size_t size, Random& random) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i += 4) {
        const uint32_t value = random.Next();
        memcpy(&bytes[i], &value, size - i < 4 ? size - i : 4);
    }
    return bytes;
}

// Machine-code-like bytes: a few frequent opcodes, small immediates, some addresses.
std::string Code(size_t size, Random& random) {
    static const uint8_t kOpcodes[] = {0x8B, 0x89, 0x48, 0xE8, 0xFF, 0x83, 0x0F, 0x85, 0xC3, 0x55};
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        const uint32_t r = random.Next();
        bytes[i] = static_cast<char>(r % 3 ? kOpcodes[r % 10] : (r >> 8) & (r % 5 ? 0x0F : 0xFF));
    }
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& content) {
    SFilePath file;
    return file.Open(path.c_str(), true, true, false, false) &&
           file.Write(content.data(), static_cast<int>(content.size())) ==
               static_cast<int>(content.size());
}

struct Release {
    std::vector<std::string> contents;  // every file's bytes, for the zlib baselines
    int64_t bytes = 0;
};

// Writes the mixed release below folder; percent scales it (100: about 256 MiB).
Release MakeRelease(const std::string& folder, int percent) {
    Release release;
    SDisk disk;
    Random random(2026);
    auto add = [&](const std::string& name, std::string content) {
        const std::string path = folder + name;
        disk.CreateFolder(path.substr(0, path.find_last_of('\\') + 1).c_str(), true);
        if (!WriteFile(path, content)) fprintf(stderr, "cannot write %s\n", path.c_str());
        release.bytes += static_cast<int64_t>(content.size());
        release.contents.push_back(std::move(content));
    };
    const size_t unit = static_cast<size_t>(1 << 20) * percent / 100;
    for (int i = 0; i < 12; ++i)
        add("docs\\manual" + std::to_string(i) + ".txt", Text(8 * unit, random));
    for (int i = 0; i < 4; ++i)
        add("media\\clip" + std::to_string(i) + ".dat", Noise(16 * unit, random));
    for (int i = 0; i < 8; ++i)
        add("bin\\module" + std::to_string(i) + ".dll", Code(8 * unit, random));
    const int smallCount = 8000 * percent / 100;
    for (int i = 0; i < smallCount; ++i) {
        const size_t size = 200 + random.Next() % 8000;
        const std::string name =
            "data\\set" + std::to_string(i % 40) + "\\item" + std::to_string(i) + ".cfg";
        add(name, i % 3 ? Text(size, random) : Code(size, random));
    }
    return release;
}

double ZlibCompressSeconds(const Release& release) {
    std::vector<uint8_t> packed(SBlockPipeline::kMaxPacked);
    const double start = Now();
    for (const std::string& content : release.contents) {
        for (size_t p = 0; p < content.size(); p += SBlockPipeline::kBlockSize) {
            const size_t raw = content.size() - p < 100000 ? content.size() - p : 100000;
            uLongf length = packed.size();
            compress(packed.data(), &length, reinterpret_cast<const Bytef*>(content.data() + p),
                     raw);
        }
    }
    return Now() - start;
}

double ZlibUncompressSeconds(const Release& release) {
    // Compress first, untimed, then time only the decoding of every block.
    std::vector<std::string> blocks;
    std::vector<uint8_t> packed(SBlockPipeline::kMaxPacked);
    for (const std::string& content : release.contents) {
        for (size_t p = 0; p < content.size(); p += 100000) {
            const size_t raw = content.size() - p < 100000 ? content.size() - p : 100000;
            uLongf length = packed.size();
            compress(packed.data(), &length, reinterpret_cast<const Bytef*>(content.data() + p),
                     raw);
            blocks.emplace_back(reinterpret_cast<const char*>(packed.data()), length);
        }
    }
    std::vector<uint8_t> raw(100000);
    const double start = Now();
    for (const std::string& block : blocks) {
        uLongf length = raw.size();
        uncompress(raw.data(), &length, reinterpret_cast<const Bytef*>(block.data()), block.size());
    }
    return Now() - start;
}

bool SameFiles(const std::string& a, const std::string& b) {
    SFilePath first;
    SFilePath second;
    if (!first.Open(a.c_str(), false, false, true, true) ||
        !second.Open(b.c_str(), false, false, true, true))
        return false;
    if (first.GetSize() != second.GetSize()) return false;
    std::vector<char> x(1 << 20);
    std::vector<char> y(1 << 20);
    for (;;) {
        const int n = first.Read(x.data(), static_cast<int>(x.size()));
        if (second.Read(y.data(), static_cast<int>(y.size())) != n ||
            memcmp(x.data(), y.data(), n) != 0)
            return false;
        if (n == 0) return true;
    }
}

double PackSeconds(const std::string& source, const std::string& target, int threads) {
    PPackageBuilder builder;
    builder.SetThreads(threads);
    if (builder.Collect(source.c_str()) != PPackageBuilder::kDone) return -1;
    const double start = Now();
    const PPackageBuilder::Result result = builder.Write(target.c_str(), "1.0.0.0");
    const double seconds = Now() - start;
    return result == PPackageBuilder::kDone ? seconds : -1;
}

double ExtractSeconds(const std::string& archivePath, const std::string& destination, int threads) {
    SDisk().CreateFolder(destination.c_str(), true);
    SResource archive;
    archive.SetThreads(threads);
    const double start = Now();
    SStringArray failures;
    const bool ok =
        archive.Open(archivePath.c_str()) && archive.ExtractAll(destination.c_str(), &failures);
    const double seconds = Now() - start;
    return ok ? seconds : -1;
}

// The fair baseline of an extraction: the same archive read whole into memory, each entry
// decoded with zlib's uncompress and written with plain CreateFileA, WriteFile and
// CloseHandle, its folders made with CreateDirectoryA as the folder changes: no name checks,
// no file beside the target, no attributes kept.
double PlainExtractSeconds(const std::string& archivePath, const std::string& destination) {
    SDisk().CreateFolder(destination.c_str(), true);
    const double start = Now();
    HANDLE in = CreateFileA(archivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return -1;
    std::vector<uint8_t> archive(GetFileSize(in, nullptr));
    DWORD got = 0;
    const bool read =
        ReadFile(in, archive.data(), static_cast<DWORD>(archive.size()), &got, nullptr) &&
        got == archive.size();
    CloseHandle(in);
    if (!read || archive.size() < 12) return -1;
    auto value = [&](size_t at) {
        return archive[at] | archive[at + 1] << 8 | archive[at + 2] << 16 |
               static_cast<uint32_t>(archive[at + 3]) << 24;
    };
    std::vector<uint8_t> content;
    std::string folder;
    for (size_t at = 8;;) {
        const uint32_t length = value(at);
        if (length == 0xFFFFFFFF) break;
        const std::string name(reinterpret_cast<const char*>(&archive[at + 4]));
        size_t p = at + 4 + name.size() + 1;
        at = p + length;
        content.clear();
        for (uint32_t blocks = length ? value(p) : 0, i = 0; i < blocks; ++i) {
            const uint32_t raw = value(p + 4);
            const uint32_t packed = value(p + 8);
            content.resize(content.size() + raw);
            uLongf size = raw;
            uncompress(&content[content.size() - raw], &size, &archive[p + 12], packed);
            p += 8 + packed;
        }
        const std::string path = destination + name;
        const std::string parent = path.substr(0, path.find_last_of('\\') + 1);
        if (parent != folder) {
            for (size_t cut = destination.size(); cut < parent.size(); ++cut)
                if (parent[cut] == '\\') CreateDirectoryA(parent.substr(0, cut).c_str(), nullptr);
            folder = parent;
        }
        HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (!content.empty())
            ::WriteFile(out, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(out);
    }
    return Now() - start;
}

void RemoveTree(const std::string& folder) {
    SStringArray files;
    SDisk disk;
    disk.List(&files, (folder + "*.*").c_str(), SDisk::kDescend | SDisk::kFiles);
    for (int i = 0; i < files.GetCount(); ++i) DeleteFileA(files.GetAt(i)->GetText());
    SStringArray folders;
    disk.List(&folders, (folder + "*.*").c_str(), SDisk::kDescend | SDisk::kFolders);
    for (int i = folders.GetCount() - 1; i >= 0; --i) RemoveDirectoryA(folders.GetAt(i)->GetText());
    RemoveDirectoryA(folder.c_str());
}

std::string WorkFolder(const char* name) {
    SDisk disk;
    std::string folder = disk.GetTempFolder().GetText();
    folder += name;
    folder += "\\";
    RemoveTree(folder);
    disk.CreateFolder(folder.c_str(), true);
    return folder;
}

void Row(const char* what, double mib, double seconds, double baselineSeconds,
         double oneThreadSeconds, const char* baseline = "zlib") {
    printf("  %-22s %8.1f MiB/s", what, mib / seconds);
    if (oneThreadSeconds > 0) printf("   x%.2f vs 1 thread", oneThreadSeconds / seconds);
    printf("   x%.2f vs %s\n", baselineSeconds / seconds, baseline);
}

// Keeps the shorter time, as other work on a shared machine only ever adds to one; a failed
// run (negative) counts only while no run succeeded.
void Keep(double& best, double seconds) {
    if (best < 0 || (seconds >= 0 && seconds < best)) best = seconds;
}

// The time of an extraction by extract (the plain one or ours) into a fresh folder, which is
// removed afterwards.
template <typename Extract>
double TimeInto(const std::string& destination, Extract extract) {
    const double seconds = extract(destination);
    RemoveTree(destination);
    return seconds;
}

int RunThroughput(int threads, int percent, int rounds) {
    const std::string work = WorkFolder("updbench");
    const std::string source = work + "release\\";
    printf("release folder: building (%d%% of 256 MiB) ...\n", percent);
    const Release release = MakeRelease(source, percent);
    const double mib = static_cast<double>(release.bytes) / kMiB;
    printf("release folder: %zu files, %.1f MiB; threads: 1 and %d\n\n", release.contents.size(),
           mib, threads);

    const double zlibPack = ZlibCompressSeconds(release);
    double pack1 = -1, packN = -1;
    for (int round = 0; round < rounds; ++round) {  // in turn, each round the other first
        for (int j = 0; j < 2; ++j) {
            if ((round + j) % 2 == 0) Keep(pack1, PackSeconds(source, work + "one.upd", 1));
            if ((round + j) % 2 == 1) Keep(packN, PackSeconds(source, work + "many.upd", threads));
        }
    }
    const bool identical = SameFiles(work + "one.bin", work + "many.bin");
    const double archiveMib =
        static_cast<double>(SDisk().GetFileSize((work + "one.bin").c_str())) / kMiB;
    if (pack1 < 0 || packN < 0) return fprintf(stderr, "packing failed\n"), 1;
    printf("packing (archive %.1f MiB, %.1f%% of the input)\n", archiveMib,
           100.0 * archiveMib / mib);
    Row("zlib compress, 1 thr", mib, zlibPack, zlibPack, 0);
    Row("pack, 1 thread", mib, pack1, zlibPack, 0);
    Row(("pack, " + std::to_string(threads) + " threads").c_str(), mib, packN, zlibPack, pack1);
    printf("  archives of 1 and %d threads identical: %s\n\n", threads, identical ? "yes" : "NO");

    const double zlibExtract = ZlibUncompressSeconds(release);
    const std::string archive = work + "one.bin";
    const std::string out = work + "out\\";
    double plain = -1, extract1 = -1, extractN = -1;
    // Taken in turn, each round starting with the next: what one run leaves the file system
    // to do (writing back, freeing) weighs on the run after it, never always on the same one.
    auto plainRun = [&](auto& to) { return PlainExtractSeconds(archive, to); };
    auto oneThread = [&](auto& to) { return ExtractSeconds(archive, to, 1); };
    auto allThreads = [&](auto& to) { return ExtractSeconds(archive, to, threads); };
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            if (which == 0) Keep(plain, TimeInto(out, plainRun));
            if (which == 1) Keep(extract1, TimeInto(out, oneThread));
            if (which == 2) Keep(extractN, TimeInto(out, allThreads));
        }
    }
    if (plain < 0 || extract1 < 0 || extractN < 0) return fprintf(stderr, "extraction failed\n"), 1;
    printf("extraction (plain: zlib's uncompress and CreateFileA/WriteFile/CloseHandle)\n");
    Row("zlib uncompress, 1 thr", mib, zlibExtract, plain, 0, "plain");
    Row("plain, 1 thread", mib, plain, plain, 0, "plain");
    Row("extract, 1 thread", mib, extract1, plain, 0, "plain");
    Row(("extract, " + std::to_string(threads) + " threads").c_str(), mib, extractN, plain,
        extract1, "plain");
    RemoveTree(work);
    return identical ? 0 : 1;
}

// Extraction time per entry for archives of 2000 and 20000 small files, against the plain
// extractor: a linear extraction keeps the two times an entry close.
int RunManyEntries(int rounds) {
    printf("\nextraction of many small entries\n");
    double perEntry[2] = {0, 0};
    const int counts[2] = {2000, 20000};
    for (int k = 0; k < 2; ++k) {
        const std::string work = WorkFolder("updbench-many");
        Random random(7);
        SDisk disk;
        for (int i = 0; i < counts[k]; ++i) {
            const std::string folder = work + "src\\d" + std::to_string(i % 100) + "\\";
            if (i < 100) disk.CreateFolder(folder.c_str(), true);
            WriteFile(folder + "f" + std::to_string(i) + ".txt",
                      Text(64 + random.Next() % 512, random));
        }
        if (PackSeconds(work + "src", work + "many.upd", 1) < 0) return 1;
        const std::string archive = work + "many.bin";
        const std::string out = work + "out\\";
        auto plainRun = [&](auto& to) { return PlainExtractSeconds(archive, to); };
        auto ours = [&](auto& to) { return ExtractSeconds(archive, to, 1); };
        double plain = -1, seconds = -1;
        for (int round = 0; round < rounds; ++round) {  // in turn, each round the other first
            for (int j = 0; j < 2; ++j) {
                if ((round + j) % 2 == 0) Keep(plain, TimeInto(out, plainRun));
                if ((round + j) % 2 == 1) Keep(seconds, TimeInto(out, ours));
            }
        }
        if (plain < 0 || seconds < 0) return fprintf(stderr, "extraction failed\n"), 1;
        perEntry[k] = seconds / counts[k];
        printf("  %6d entries: %.2f s, %.1f us an entry   x%.2f vs plain (%.1f us)\n", counts[k],
               seconds, perEntry[k] * 1e6, plain / seconds, plain / counts[k] * 1e6);
        RemoveTree(work);
    }
    printf("  time an entry, 20000 against 2000: x%.2f (1.00 is linear)\n",
           perEntry[1] / perEntry[0]);
    return 0;
}

int RunPeak(int threads) {
    const std::string work = WorkFolder("updbench-peak");
    const std::string source = work + "src\\";
    SDisk().CreateFolder(source.c_str(), true);
    {
        SFilePath big;
        if (!big.Open((source + "one.gib").c_str(), true, true, false, false)) return 1;
        // Written in small pieces, so that making the file does not set the peak itself.
        Random random(11);
        for (int i = 0; i < 1024; ++i) {
            const std::string chunk = i % 2 ? Text(1 << 20, random) : Code(1 << 20, random);
            big.Write(chunk.data(), static_cast<int>(chunk.size()));
        }
    }
    PROCESS_MEMORY_COUNTERS before = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    const double seconds = PackSeconds(source, work + "big.upd", threads);
    PROCESS_MEMORY_COUNTERS after = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    printf("\npacking one 1 GiB file with %d threads: %.1f s, %.1f MiB/s\n", threads, seconds,
           1024.0 / seconds);
    printf("  peak working set %.1f MiB (%.1f MiB before packing), peak private bytes %.1f MiB\n",
           after.PeakWorkingSetSize / kMiB, before.PeakWorkingSetSize / kMiB,
           after.PeakPagefileUsage / kMiB);
    RemoveTree(work);
    return seconds < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    int threads = SBlockPipeline::GetProcessorCount();
    int percent = 100;
    int rounds = 2;
    bool peak = false;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--threads") && i + 1 < argc)
            threads = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--scale") && i + 1 < argc)
            percent = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--peak"))
            peak = true;
    }
    if (peak) return RunPeak(threads);
    const int status = RunThroughput(threads, percent, rounds);
    return status ? status : RunManyEntries(rounds);
}

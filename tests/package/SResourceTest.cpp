// The archive: writing, reading its table, extracting, and the structure check of finished ones.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/SDisk.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SStringArray.h"
#include "package/SArchiveScan.h"
#include "package/SResource.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestFolder.h"

namespace {

// Archives made field by field with zlib's compress(): the writer's bytes, and what it never makes.
class ArchiveBytes {
public:
    explicit ArchiveBytes(uint32_t flag = 1) : bytes("SRES" + Le(flag)) {}
    ArchiveBytes& Entry(const std::string& name, const std::string& payload) {  // as it stands
        bytes += Le(static_cast<uint32_t>(payload.size())) + name + std::string(1, '\0') + payload;
        return *this;
    }
    ArchiveBytes& Compressed(const std::string& name, const std::string& content) {
        return Entry(name, content.empty() ? std::string() : BlockStream(content));
    }
    ArchiveBytes& End() { return bytes += Le(0xFFFFFFFF), *this; }
    const std::string& Bytes() const { return bytes; }
    // The block stream of content: count, then per block of 100000 bytes R, K and data.
    static std::string BlockStream(const std::string& content) {
        std::string stream = Le(static_cast<uint32_t>((content.size() + 99999) / 100000));
        for (size_t p = 0; p < content.size(); p += 100000) {
            const uLong raw = static_cast<uLong>(std::min<size_t>(content.size() - p, 100000));
            std::string packed(compressBound(raw), '\0');
            uLongf length = packed.size();
            compress(reinterpret_cast<Bytef*>(&packed[0]), &length,
                     reinterpret_cast<const Bytef*>(content.data() + p), raw);
            stream += Le(raw) + Le(static_cast<uint32_t>(length)) + packed.substr(0, length);
        }
        return stream;
    }
    static std::string Le(uint32_t value) {
        return {static_cast<char>(value), static_cast<char>(value >> 8),
                static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    }

private:
    std::string bytes;
};

using B = ArchiveBytes;
const auto le = B::Le;

// A memory file that takes only so many bytes, like a full disk; copies go through Write too.
class FullDisk : public SFileMem {
public:
    explicit FullDisk(int room) : room(room) {}
    int Write(const void* data, int count) override {
        count = count < room ? count : room;
        room -= count;
        return count > 0 ? SFileMem::Write(data, count) : 0;
    }
    int ReadFrom(SFile* source, int count) override { return SFile::ReadFrom(source, count); }
    std::string Bytes() { return {reinterpret_cast<const char*>(GetBuffer()), size_t(GetSize())}; }

private:
    int room;
};

// The archive of every name, written with room for so many bytes; "<failed>" when it fails.
std::string Build(const TestFolder& folder, const std::vector<std::string>& names, bool compress,
                  int threads = 1, int room = 1 << 30) {
    SResource archive;
    archive.SetThreads(threads);
    EXPECT_TRUE(archive.SetFolder(folder.Path().c_str()));
    for (const std::string& name : names) EXPECT_TRUE(archive.AddFile(name.c_str())) << name;
    FullDisk target(room);
    return archive.WriteTo(&target, compress) ? target.Bytes() : "<failed>";
}

std::string ExtractToMemory(SResource& archive, const char* name, int room = 1 << 30) {
    FullDisk target(room);
    return archive.Extract(&target, name, true) ? target.Bytes() : "<failed>";
}

// The names of every file and folder below a folder.
std::set<std::string> Listing(const std::string& folder) {
    SStringArray found;
    SDisk().List(&found, (folder + "*.*").c_str(),
                 SDisk::kDescend | SDisk::kFiles | SDisk::kFolders);
    std::set<std::string> names;
    for (int i = 0; i < found.GetCount(); ++i)
        names.insert(found.GetText(i).GetSafeText() + folder.size());
    return names;
}

// Entries straddling the block size: the independent construction's bytes, on any thread count.
TEST(SResource, WritesTheIndependentConstructionAndExtractsItWhole) {
    TestFolder source;
    EXPECT_EQ(Build(source, {}, false), B(0).End().Bytes());
    std::vector<std::string> names;
    TestRandom random(1);
    B stored(0), compressed(1);
    for (int i = 0; i < 158; ++i) {
        const size_t sizes[] = {0, 1, 99999, 100000, 100001, 350000, 0, 250001};
        names.push_back("data\\deep\\f" + std::to_string(i) + ".dat");
        const std::string content = random.Text(i < 8 ? sizes[i] : random.Next(3000));
        source.WriteFile(names.back(), content);
        stored.Entry(names.back(), content);
        compressed.Compressed(names.back(), content);
    }
    const std::string expected[] = {stored.End().Bytes(), compressed.End().Bytes()};
    TestFolder folder;
    for (bool compress : {false, true}) {
        for (int threads : {1, 3}) {
            const std::string bytes = Build(source, names, compress, threads);
            EXPECT_TRUE(bytes == expected[compress]) << compress << ", " << threads << " threads";
            for (int room : {0, 6, 40, 30000, 120000})
                EXPECT_EQ(Build(source, names, compress, threads, room), "<failed>") << room;
            const std::string destination =
                folder.MakeFolder((compress ? "c" : "s") + std::to_string(threads));
            SResource archive;
            archive.SetThreads(threads);
            ASSERT_TRUE(archive.Open(folder.WriteFile("pack.bin", bytes).c_str()));
            EXPECT_TRUE(archive.ExtractAll(destination.c_str(), nullptr));
            for (const std::string& name : names)
                ASSERT_TRUE(ReadWholeFile(destination + name) == ReadWholeFile(source / name))
                    << name << ", " << compress << ", " << threads << " threads";
            EXPECT_FALSE(archive.ExtractAll((folder / "missing\\").c_str(), nullptr));
        }
    }
}

// A file gone since it was added is left out and listed; nothing is written without a target.
TEST(SResourceBuild, LeavesOutFilesThatCannotBeOpened) {
    TestFolder folder;
    SResource archive;
    ASSERT_TRUE(archive.SetFolder(folder.Path().c_str()));
    ASSERT_TRUE(archive.AddFile("gone.txt"));
    EXPECT_FALSE(archive.AddFile("GONE.TXT")) << "names are unique without regard to case";
    EXPECT_FALSE(archive.WriteTo(nullptr, true));
    FullDisk target(1 << 30);
    ASSERT_TRUE(archive.WriteTo(&target, true));
    EXPECT_EQ(archive.GetSkipped().Join("|").GetSafeText(), folder / "gone.txt");
}

// Stored entries (the flag's first byte zero) in a larger file straddle the table's read window;
// lookups deliver the first of names equal but for case; a target without room fails.
TEST(SResourceRead, BigTablesReadWholeFromTheirStart) {
    TestFolder folder;
    B bytes(0x100);
    std::vector<std::string> names = {"Dir\\Same.txt", "dir\\same.TXT"}, contents = {"first", "x"};
    TestRandom random(2);
    for (int i = 0; i < 3001; ++i) {
        names.push_back(i < 3000 ? std::to_string(i) + std::string(random.Next(300), 'n')
                                 : std::string(32767, 'x'));  // the longest name
        contents.push_back(random.Text(i % 97 == 0 ? 70000 + i * 31 : i % 13));
    }
    for (size_t i = 0; i < names.size(); ++i) bytes.Entry(names[i], contents[i]);
    const std::string path =
        folder.WriteFile("host.exe", std::string(777, 'M') + bytes.End().Bytes() + "tail");
    SResource archive;
    EXPECT_FALSE(archive.Open(path.c_str(), 0));
    ASSERT_TRUE(archive.Open(path.c_str(), 777));
    ASSERT_EQ(archive.GetEntryCount(), 3003);
    EXPECT_EQ(archive.GetEntryName(3003), "");
    EXPECT_EQ(ExtractToMemory(archive, "DIR\\SAME.txt"), "first");
    EXPECT_EQ(ExtractToMemory(archive, "missing"), "<failed>");
    EXPECT_EQ(ExtractToMemory(archive, names[2].c_str(), 69999), "<failed>");
    for (int i = 2; i < 3003; ++i) {
        ASSERT_EQ(archive.GetEntryName(i), names[i].c_str());
        const bool sampled = i % 97 == 2 || i % 250 == 3 || i == 3002;
        EXPECT_TRUE(!sampled || ExtractToMemory(archive, names[i].c_str()) == contents[i]) << i;
    }
    // A failed open leaves nothing to extract. Truncations: the console tool's and the scan's.
    const std::string longer = B(1).Entry(std::string(32768, 'x'), "").End().Bytes();
    EXPECT_FALSE(archive.Open(folder.WriteFile("long.bin", longer).c_str()));
    EXPECT_EQ(archive.GetEntryCount(), 0);
    EXPECT_FALSE(archive.ExtractAll(folder.Path().c_str(), nullptr));
    EXPECT_FALSE(archive.Open(folder.Path().c_str())) << "a folder is no archive";
}

// An entry written takes its target's place whole (another link to the old file keeps the old
// bytes); one refused or failed is listed, its target kept, and neither its partial file nor a
// folder made for it stays. Of names equal but for case the first is written.
TEST(SResourceExtractAll, RefusedAndFailedEntriesLeaveNothingBehind) {
    const std::string good = TestRandom(3).Text(1000), big(SResource::kStagedLimit + 1, 'b');
    const std::string stream = B::BlockStream(good), old = "old";
    const std::string block = stream.substr(4);  // R, K, data
    struct Row {  // before: the target holds "old" beforehand; after: its content, "": no file
        std::string name, payload;
        bool before, listed;
        std::string after;
    };
    for (int threads : {1, 2}) {
        TestFolder folder;
        const std::string destination = folder.MakeFolder("dest");
        const std::string atLimit(259 - destination.size(), 'a');
        const Row rows[] = {
            {"Dir\\Same.txt", B::BlockStream("first"), false, false, "first"},
            {"dir\\same.TXT", B::BlockStream("second"), false, false, "first"},
            {"small.txt", stream, true, false, good},
            {"ro.txt", stream, true, true, old},
            {"ro-big.bin", B::BlockStream(big), true, true, old},
            {"keep.txt", stream, false, false, good},  // a stale partial file of it goes
            {"keep.txt.Update-Partial", B::BlockStream("impostor"), false, true, ""},  // refused
            {atLimit, stream, false, false, good},  // through a partial file of a shorter name
            // Past the path limit, and past it in a folder that goes again.
            {std::string(260 - destination.size(), 'b'), stream, false, true, ""},
            {"deep\\" + std::string(255 - destination.size(), 'c'), stream, false, true, ""},
            {"..\\evil.txt", B::BlockStream("evil"), false, true, ""},
            // Malformed streams, decoded in memory or through the partial file (kinds: the scan's).
            {"R above 100000", le(1) + le(100001) + block.substr(4), true, true, old},
            {"new\\no block count", "ab", false, true, ""},
            {"old\\new\\more blocks than fit", le(0x7FFFFFFF) + block, false, true, ""},
        };
        B bytes(1);
        std::string listed;
        std::set<std::string> left = {"Dir\\", "old\\"};
        for (const Row& row : rows) {
            bytes.Entry(row.name, row.payload);
            if (row.before) folder.WriteFile("dest\\" + row.name, old);
            if (row.listed) listed += (listed.empty() ? "" : "|") + destination + row.name;
            if (!row.after.empty() && row.name != "dir\\same.TXT") left.insert(row.name);
        }
        folder.MakeFolder("dest\\old");
        const std::string path = folder.WriteFile("a.bin", bytes.End().Bytes());
        folder.WriteFile("dest\\keep.txt.update-partial", "left by a killed run");
        ASSERT_TRUE(CreateHardLinkA((folder / "link.txt").c_str(),
                                    (destination + "small.txt").c_str(), nullptr));
        for (const char* name :
             {"a.bin", "dest\\ro.txt", "dest\\ro-big.bin", "dest\\keep.txt.update-partial"})
            ASSERT_TRUE(SetFileAttributesA((folder / name).c_str(), FILE_ATTRIBUTE_READONLY));
        SResource archive;
        archive.SetThreads(threads);
        ASSERT_TRUE(archive.Open(path.c_str()));
        SStringArray failures;
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
        EXPECT_EQ(failures.Join("|").GetSafeText(), listed) << threads;
        EXPECT_EQ(Listing(destination), left) << threads;
        for (const Row& row : rows)
            EXPECT_TRUE(row.after.empty() || ReadWholeFile(destination + row.name) == row.after)
                << row.name;
        EXPECT_FALSE(FileIsThere(folder / "evil.txt"));
        EXPECT_EQ(ReadWholeFile(folder / "link.txt"), old);
        // Without its read-only flag the big target is written, through its partial file.
        SetFileAttributesA((destination + "ro-big.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), nullptr));
        EXPECT_TRUE(ReadWholeFile(destination + "ro-big.bin") == big);
    }
}

// A copy cut short leaves the previous file whole and no partial file, not even a killed run's.
TEST(SResourceExtractAll, ACopyCutShortWritesNothing) {
    TestFolder folder;
    const std::string big = TestRandom(4).Noise(SResource::kStagedLimit + 1);
    const std::string whole = B(0).Entry("a.txt", "alpha").Entry("big.bin", big).End().Bytes();
    const std::string destination = folder.MakeFolder("dest");
    SResource archive;
    ASSERT_TRUE(archive.Open(folder.WriteFile("a.bin", whole).c_str()));
    ASSERT_TRUE(archive.ExtractAll(destination.c_str(), nullptr));
    EXPECT_TRUE(ReadWholeFile(destination + "big.bin") == big);
    folder.WriteFile("dest\\big.bin", "previous");
    const std::string stale = folder.WriteFile("dest\\big.bin.update-partial", "killed");
    ASSERT_TRUE(SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_READONLY));
    folder.WriteFile("a.bin", whole.substr(0, whole.size() - 1000));
    SStringArray failures;
    EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
    EXPECT_EQ(failures.Join("|").GetSafeText(), destination + "big.bin");
    EXPECT_EQ(ReadWholeFile(destination + "big.bin"), "previous");
    EXPECT_EQ(Listing(destination), (std::set<std::string>{"a.txt", "big.bin"}));
}

// A compressed archive of one entry "a" with the payload as it stands.
std::string One(const std::string& payload) { return B(1).Entry("a", payload).End().Bytes(); }

TEST(SArchiveScan, TellsWholeArchivesFromBrokenOnes) {
    const std::string two = B::BlockStream(std::string(150000, 'a'));  // blocks of 100000, 50000
    const std::string longest(32767, 'n');
    struct Case {
        const char* what;
        std::string bytes;
        bool whole;
    } const cases[] = {
        {"empty archive", B(1).End().Bytes(), true},
        {"stored entries", B(0).Entry("a", "xyz").Entry("b", "").End().Bytes(), true},
        {"compressed", B(1).Compressed("e", "").Entry("b", two).End().Bytes(), true},
        {"flag from its first byte", B(0x100).Entry("a", "xy").End().Bytes(), true},
        {"longest name", B(0).Entry(longest, "").End().Bytes(), true},
        {"wrong magic", "SREZ" + le(1) + le(0xFFFFFFFF), false},
        {"no terminator", B(1).Compressed("a", "alpha").Bytes(), false},
        {"bytes after the end", B(1).End().Bytes() + "x", false},
        {"empty name", B(1).Entry("", "").End().Bytes(), false},
        {"stored payload past the end", B(0).Bytes() + le(9) + "a" + '\0' + "xyz", false},
        {"payload longer than its blocks", One(B::BlockStream("abc") + "z"), false},
        {"payload shorter than its blocks",
         B(1).Bytes() + le(uint32_t(two.size() - 1)) + "a" + '\0' + two + le(0xFFFFFFFF), false},
        {"no blocks", One(le(0)), false},
        {"block count beyond the payload", One(le(3) + two.substr(4)), false},
        {"short block before the last", One(le(2) + le(50000) + two.substr(8)), false},
        {"block over the block size", One(le(1) + le(100001) + le(4) + "data"), false},
        {"raw length 0", One(le(1) + le(0) + le(4) + "data"), false},
        {"packed length 0", One(le(1) + le(5) + le(0)), false},
        {"packed over 110012", One(le(1) + le(5) + le(110013) + std::string(110013, 'z')), false},
        {"name longer than any path", B(0).Entry(longest + "n", "").End().Bytes(), false},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t{1}, size_t{3}, c.bytes.size() + 1}) {
            SArchiveScan scan;
            for (size_t at = 0; at < c.bytes.size(); at += piece)
                scan.Feed(c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
            EXPECT_EQ(scan.IsWhole(), c.whole) << c.what << ", " << piece;
        }
    }
}

TEST(SResource, IsSafeEntryName) {
    const struct {
        const char* rule;
        bool safe;
        std::vector<const char*> names;
    } cases[] = {
        {"plain", true, {"readme.txt", "data\\maps\\a.dat", "sub/f.txt", "caf\xe9.txt"}},
        {"dots inside", true, {".hidden", "a..b"}},
        {"no device", true, {"CONFIG.SYS", "com10", "COM\xb4", "CONS .txt", "COM", "LPT1x"}},
        {"dot or space last", false, {"..", "a\\..\\b", "../a", "x \\y"}},
        {"empty part", false, {nullptr, "", "\\a", "/a", "\\\\srv\\share\\a", "a\\", "a\\\\b"}},
        {"no file name holds", false, {"C:a", "a*b", "a.txt:stream", "tab\t", "us\x1f", "del\x7f"}},
        {"device", false, {"aux.h", "Conout$", "CON", "nul.txt", "CLOCK$", "conin$.x"}},
        {"device before spaces", false, {"CON .txt", "sub\\nul  .a.b"}},
        {"COM, LPT, digit", false, {"COM0", "LPT9.log", "COM\xb9", "lpt\xb2.txt", "COM\xb3"}},
    };
    for (const auto& c : cases) {
        for (const char* name : c.names)
            EXPECT_EQ(SResource::IsSafeEntryName(name), c.safe) << c.rule << ": " << name;
    }
}

}  // namespace

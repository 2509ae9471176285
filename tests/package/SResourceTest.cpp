// The archive: writing from a folder, reading a table, extracting one entry or all of them.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/SDisk.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SStringArray.h"
#include "package/SResource.h"
#include "tests/package/ArchiveBytes.h"
#include "tests/support/TestFolder.h"

namespace {

// Deterministic content that compresses partly, like real files do.
std::string Content(size_t size, unsigned seed) {
    std::string text(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        text[i] =
            (state >> 16) % 4 == 0 ? static_cast<char>(state >> 24) : "abcdefgh"[(state >> 20) % 8];
    }
    return text;
}

std::string MemoryBytes(SFileMem& file) {
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()), file.GetSize());
}

// A target that takes only so many bytes, like a full disk.
class FullDisk : public SFileMem {
public:
    explicit FullDisk(int room) : room(room) {}
    int Write(const void* data, int count) override {
        count = count < room ? count : room;
        room -= count;
        return count > 0 ? SFileMem::Write(data, count) : 0;
    }
    int WriteData(const void* data, int count) override { return Write(data, count); }
    int WriteString(const char* text, int length) override {
        return Write(text, length < 0 ? static_cast<int>(strlen(text)) : length);
    }
    // Copies too go through Write, not straight into memory.
    int ReadFrom(SFile* source, int count) override { return SFile::ReadFrom(source, count); }

private:
    int room;
};

// The archive of every name, written to memory with room for so many bytes (a plain memory
// file when negative); "<failed>" when writing fails.
std::string Build(const TestFolder& folder, const std::vector<std::string>& names, bool compress,
                  int threads = 1, int room = -1) {
    SResource archive;
    archive.SetThreads(threads);
    EXPECT_TRUE(archive.SetFolder(folder.Path().c_str()));
    for (const std::string& name : names) EXPECT_TRUE(archive.AddFile(name.c_str())) << name;
    SFileMem plain;
    FullDisk full(room);
    SFileMem& target = room < 0 ? plain : full;
    return archive.WriteTo(&target, compress) ? MemoryBytes(target) : "<failed>";
}

std::string ExtractToMemory(SResource& archive, const char* name) {
    SFileMem target;
    if (!archive.Extract(&target, name, true)) return "<failed>";
    return MemoryBytes(target);
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

// Entries straddle the block size, small files follow each other through the pipeline: the
// archive is the independent construction's on any number of threads, and extracts whole. A
// target that runs out of room fails the write, wherever that happens.
TEST(SResource, WritesTheIndependentConstructionAndExtractsItWhole) {
    TestFolder source;
    EXPECT_EQ(Build(source, {}, true), std::string("SRES\x01\0\0\0\xFF\xFF\xFF\xFF", 12));
    EXPECT_EQ(Build(source, {}, false), std::string("SRES\0\0\0\0\xFF\xFF\xFF\xFF", 12));
    std::vector<std::string> names;
    for (size_t size : {0, 1, 99999, 100000, 100001, 350000, 0, 250001}) {
        names.push_back("data\\deep\\f" + std::to_string(names.size()) + ".dat");
        source.WriteFile(names.back(), Content(size, static_cast<unsigned>(names.size())));
    }
    for (int i = 0; i < 150; ++i) {
        names.push_back("s" + std::to_string(i) + ".txt");
        source.WriteFile(names.back(), Content(i * 37 % 3000, 100 + i));
    }
    ArchiveBytes stored(0);
    ArchiveBytes compressed(1);
    for (const std::string& name : names) {
        stored.Entry(name, ReadWholeFile(source / name));
        compressed.Compressed(name, ReadWholeFile(source / name));
    }
    const std::string expected[] = {stored.End().Bytes(), compressed.End().Bytes()};
    TestFolder folder;
    for (bool compress : {false, true}) {
        for (int threads : {1, 3, 8}) {
            const std::string bytes = Build(source, names, compress, threads);
            EXPECT_TRUE(bytes == expected[compress]) << compress << ", " << threads << " threads";
            for (int room : {0, 6, 40, 30000, 120000})
                EXPECT_EQ(Build(source, names, compress, threads, room), "<failed>") << room;
            if (threads == 8) continue;
            const std::string destination =
                folder.MakeFolder((compress ? "c" : "s") + std::to_string(threads));
            SResource archive;
            archive.SetThreads(threads);
            ASSERT_TRUE(archive.Open(folder.WriteFile("pack.bin", bytes).c_str()));
            EXPECT_TRUE(archive.ExtractAll(destination.c_str(), nullptr));
            for (const std::string& name : names)
                ASSERT_TRUE(ReadWholeFile(destination + name) == ReadWholeFile(source / name))
                    << name << ", " << compress << ", " << threads << " threads";
        }
    }
    SResource archive;
    ASSERT_TRUE(archive.Open((folder / "pack.bin").c_str()));
    EXPECT_FALSE(archive.ExtractAll((folder / "missing\\").c_str(), nullptr));
    EXPECT_FALSE(archive.ExtractAll("", nullptr));
}

TEST(SResourceBuild, LeavesOutFilesThatCannotBeOpened) {
    TestFolder folder;
    folder.WriteFile("a.txt", "alpha");
    folder.WriteFile("locked.txt", "held");
    folder.WriteFile("b.txt", "beta");
    SFilePath holder;
    ASSERT_TRUE(holder.Open((folder / "locked.txt").c_str(), true, false, true, false));

    SResource archive;
    ASSERT_TRUE(archive.SetFolder(folder.Path().c_str()));
    for (const char* name : {"a.txt", "gone.txt", "locked.txt", "b.txt"})
        ASSERT_TRUE(archive.AddFile(name));
    EXPECT_FALSE(archive.AddFile("A.TXT")) << "names are unique without regard to case";
    SFileMem target;
    ASSERT_TRUE(archive.WriteTo(&target, true));
    EXPECT_EQ(
        MemoryBytes(target),
        ArchiveBytes(1).Compressed("a.txt", "alpha").Compressed("b.txt", "beta").End().Bytes());
    ASSERT_EQ(archive.GetSkipped().GetCount(), 2);
    EXPECT_EQ(archive.GetSkipped().GetText(0), (folder / "gone.txt").c_str());
    EXPECT_EQ(archive.GetSkipped().GetText(1), (folder / "locked.txt").c_str());
    EXPECT_EQ(archive.GetBytesRead(), 9);

    // A drive root is no source, and nothing is written without a source or a target.
    ASSERT_TRUE(archive.SetFolder("C:\\"));
    EXPECT_FALSE(archive.AddFile("a.txt"));
    SFileMem none;
    EXPECT_FALSE(archive.WriteTo(&none, true));
    EXPECT_FALSE(archive.WriteTo(nullptr, true));
}

TEST(SResourceRead, AnyTruncationFailsToOpen) {
    TestFolder folder;
    ArchiveBytes bytes(1);
    bytes.Compressed("a.txt", "alpha").Compressed("", "").Compressed("b", Content(3000, 1));
    const std::string whole = bytes.End().Bytes();
    const std::string destination = folder.MakeFolder("dest");
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        const std::string path = folder.WriteFile("cut.bin", whole.substr(0, cut));
        SResource archive;
        EXPECT_FALSE(archive.Open(path.c_str())) << "cut at " << cut;
        // Nothing of a failed open can be extracted.
        EXPECT_EQ(archive.GetEntryCount(), 0) << "cut at " << cut;
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), nullptr)) << "cut at " << cut;
    }
    EXPECT_TRUE(Listing(destination).empty());
    SResource archive;
    EXPECT_TRUE(archive.Open(folder.WriteFile("whole.bin", whole).c_str()));
    EXPECT_FALSE(archive.Open((folder / "absent.bin").c_str()));
    EXPECT_FALSE(archive.Open(folder.Path().c_str())) << "a folder is no archive";
}

// Thousands of stored entries (the flag's first byte zero) inside a larger file straddle the
// edges of the table's read window; of names equal but for case, lookups deliver the first.
TEST(SResourceRead, BigTablesReadWholeFromTheirStart) {
    TestFolder folder;
    ArchiveBytes bytes(0x100);
    std::vector<std::string> names = {"Dir\\Same.txt", "dir\\same.TXT"};
    bytes.Entry(names[0], "first").Entry(names[1], "second");
    for (int i = 0; i < 3000; ++i) {
        names.push_back(std::to_string(i) + std::string(static_cast<size_t>(i * 7919 % 300), 'n'));
        const size_t size = i % 97 == 0 ? 70000 + i * 31 : static_cast<size_t>(i % 13);
        bytes.Entry(names.back(), Content(size, static_cast<unsigned>(i)));
    }
    bytes.Entry(std::string(32767, 'x'), "longest");
    const std::string path =
        folder.WriteFile("host.exe", std::string(777, 'M') + bytes.End().Bytes() + "tail");
    SResource archive;
    EXPECT_FALSE(archive.Open(path.c_str(), 0));
    ASSERT_TRUE(archive.Open(path.c_str(), 777));
    EXPECT_FALSE(archive.IsCompressed());
    ASSERT_EQ(archive.GetEntryCount(), 3003);
    EXPECT_EQ(archive.GetEntryName(-1), "");
    EXPECT_EQ(archive.GetEntryName(3003), "");
    EXPECT_EQ(ExtractToMemory(archive, std::string(32767, 'x').c_str()), "longest");
    EXPECT_EQ(ExtractToMemory(archive, "DIR\\SAME.txt"), "first");
    EXPECT_EQ(ExtractToMemory(archive, "missing"), "<failed>");
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(archive.GetEntryName(i + 2), names[i + 2].c_str());
        if (i % 97 == 0 || i % 250 == 1 || i == 130) {
            EXPECT_TRUE(ExtractToMemory(archive, names[i + 2].c_str()) ==
                        Content(i % 97 == 0 ? 70000 + i * 31 : i % 13, i))
                << i;
        }
    }
    const std::string longer = ArchiveBytes(1).Entry(std::string(32768, 'x'), "").End().Bytes();
    EXPECT_FALSE(archive.Open(folder.WriteFile("long.bin", longer).c_str()));
    EXPECT_EQ(archive.GetEntryCount(), 0);
}

// Each malformed payload fails alone: the entry before it still extracts.
TEST(SResourceRead, MalformedBlockStreamsFailAndLeaveTheTargetAsItWas) {
    using B = ArchiveBytes;
    const std::string good = Content(1000, 7);
    const std::string block = B::BlockStream(good).substr(4);  // R, K, data
    const std::string data = block.substr(8);
    const std::string K = B::Le(static_cast<uint32_t>(data.size()));
    const std::pair<const char*, std::string> cases[] = {
        {"R above 100000", B::Le(1) + B::Le(100001) + K + data},
        {"K above 110012", B::Le(1) + B::Le(1000) + B::Le(110013) + data},
        {"K past the payload", B::Le(1) + B::Le(1000) + B::Le(5000) + data},
        {"R shorter than the data", B::Le(1) + B::Le(999) + K + data},
        {"R longer than the data", B::Le(1) + B::Le(1001) + K + data},
        {"R of zero", B::Le(1) + B::Le(0) + K + data},
        {"more blocks than fit", B::Le(0x7FFFFFFF) + block},
        {"a block missing", B::Le(2) + block},
        {"bytes behind the blocks", B::Le(1) + block + "xx"},
        {"no block count", "ab"},
    };
    for (const auto& [what, payload] : cases) {
        TestFolder folder;
        const std::string path = folder.WriteFile(
            "bad.bin", B(1).Compressed("ok.txt", good).Entry("bad.txt", payload).End().Bytes());
        SResource archive;
        archive.SetThreads(3);
        ASSERT_TRUE(archive.Open(path.c_str())) << what;
        const std::string destination = folder.MakeFolder("dest");
        folder.WriteFile("dest\\bad.txt", "previous content");
        SStringArray failures;
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures)) << what;
        ASSERT_EQ(failures.GetCount(), 1) << what;
        EXPECT_EQ(failures.GetText(0), (destination + "bad.txt").c_str()) << what;
        EXPECT_EQ(ReadWholeFile(destination + "bad.txt"), "previous content") << what;
        EXPECT_EQ(ReadWholeFile(destination + "ok.txt"), good) << what;
        EXPECT_EQ(Listing(destination).size(), 2u) << "no temporary file stays: " << what;
    }
}

// Of names equal but for case the first is written; refused names write nothing anywhere, and
// folders made for an entry that fails go again, up to the first that was there before.
TEST(SResourceExtractAll, RefusedAndFailedEntriesLeaveNothingBehind) {
    for (int threads : {1, 2}) {
        const char* hostile[] = {"..\\evil.txt", "sub\\..\\..\\evil.txt", "C:\\evil.txt",
                                 "\\\\srv\\share\\evil.txt", "sub\\CON"};
        TestFolder folder;
        ArchiveBytes bytes(1);
        bytes.Compressed("Dir\\Same.txt", "first").Compressed("dir\\same.TXT", "second");
        bytes.Compressed("kept\\ok.txt", "ok");
        for (const char* name : {"kept\\bad\\x.txt", "new\\deeper\\y.txt", "old\\z.txt"})
            bytes.Entry(name, "ab");  // no block stream
        for (const char* name : hostile) bytes.Compressed(name, "evil");
        const std::string path = folder.WriteFile("hostile.bin", bytes.End().Bytes());
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));  // only read
        const std::string destination = folder.MakeFolder("inner\\dest");
        folder.MakeFolder("inner\\dest\\old");

        SResource archive;
        archive.SetThreads(threads);
        ASSERT_TRUE(archive.Open(path.c_str()));
        SStringArray failures;
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
        ASSERT_EQ(failures.GetCount(), 8) << threads;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(failures.GetText(i + 3), (destination + hostile[i]).c_str());
        EXPECT_EQ(
            Listing(folder.Path()),
            (std::set<std::string>{"hostile.bin", "inner\\", "inner\\dest\\", "inner\\dest\\Dir\\",
                                   "inner\\dest\\Dir\\Same.txt", "inner\\dest\\kept\\",
                                   "inner\\dest\\kept\\ok.txt", "inner\\dest\\old\\"}));
        EXPECT_FALSE(FileIsThere("C:\\evil.txt"));
        EXPECT_EQ(ReadWholeFile(destination + "Dir\\Same.txt"), "first");
    }
}

// An entry decoded whole takes the target's place: the old file is never written in place
// (another link to it keeps the old bytes), and a hidden target stays hidden. A locked or
// read-only target is listed and kept as it was.
TEST(SResourceExtractAll, ReplacesTargetsWholeAndListsThoseItCannot) {
    for (int threads : {1, 2}) {
        TestFolder folder;
        const std::string big(SResource::kStagedLimit + 1, 'b');  // decoded beside its target
        ArchiveBytes bytes(1);
        for (const char* name : {"small.txt", "locked.txt", "ro.txt", "hid.txt"})
            bytes.Compressed(name, "new");
        const std::string path =
            folder.WriteFile("a.bin", bytes.Compressed("ro-big.bin", big).End().Bytes());
        const std::string destination = folder.MakeFolder("dest");
        const std::string target = folder.WriteFile("dest\\small.txt", "old");
        ASSERT_TRUE(CreateHardLinkA((folder / "link.txt").c_str(), target.c_str(), nullptr));
        const std::string locked = folder.WriteFile("dest\\locked.txt", "old");
        const std::string readOnly = folder.WriteFile("dest\\ro.txt", "old");
        const std::string hidden = folder.WriteFile("dest\\hid.txt", "old");
        const std::string readOnlyBig = folder.WriteFile("dest\\ro-big.bin", "old");
        for (const std::string& name : {readOnly, readOnlyBig})
            ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
        const bool canHide = SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN) &&
                             (GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
        SFilePath holder;
        ASSERT_TRUE(holder.Open(locked.c_str(), true, false, true, false));

        SResource archive;
        archive.SetThreads(threads);
        ASSERT_TRUE(archive.Open(path.c_str()));
        SStringArray failures;
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
        EXPECT_EQ(failures.Join("|").GetSafeText(), locked + "|" + readOnly + "|" + readOnlyBig)
            << threads;
        EXPECT_EQ(ReadWholeFile(target), "new");
        EXPECT_EQ(ReadWholeFile(folder / "link.txt"), "old");
        EXPECT_EQ(ReadWholeFile(hidden), "new");
        if (canHide) {
            EXPECT_TRUE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
        }
        holder.Close();
        for (const std::string& name : {locked, readOnly, readOnlyBig})
            EXPECT_EQ(ReadWholeFile(name), "old") << name;

        // Without the lock and the read-only flags the same archive writes every target.
        for (const std::string& name : {readOnly, readOnlyBig})
            SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
        SStringArray none;
        EXPECT_TRUE(archive.ExtractAll(destination.c_str(), &none));
        EXPECT_EQ(none.GetCount(), 0);
        EXPECT_EQ(ReadWholeFile(locked), "new");
        EXPECT_TRUE(ReadWholeFile(readOnlyBig) == big);
    }
}

// Each target is written through a partial file named after it: an entry named like one is
// refused, a stale one from a killed run goes, a target at the path limit is still written
// (through a shorter name beside it), one past the limit is listed, and none stays behind;
// nor does a folder made for it, whether the entries are written on one thread or more.
TEST(SResourceExtractAll, PartialFilesNeitherStayNorStandForEntries) {
    for (int threads : {1, 2}) {
        TestFolder folder;
        const std::string destination = folder.MakeFolder("dest");
        const std::string atLimit(259 - destination.size(), 'a');
        const std::string pastLimit(260 - destination.size(), 'b');
        const std::string deepPast = "deep\\" + std::string(255 - destination.size(), 'c');
        ArchiveBytes bytes(1);
        bytes.Compressed("keep.txt", "kept").Compressed("keep.txt.Update-Partial", "impostor");
        bytes.Compressed(atLimit, "at the limit").Compressed(pastLimit, "past it");
        bytes.Compressed(deepPast, "past it, in a folder of its own");
        const std::string path = folder.WriteFile("a.bin", bytes.End().Bytes());
        folder.WriteFile("dest\\keep.txt.update-partial", "left by a killed run");

        SResource archive;
        archive.SetThreads(threads);
        ASSERT_TRUE(archive.Open(path.c_str()));
        SStringArray failures;
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
        EXPECT_EQ(failures.Join("|").GetSafeText(), destination + "keep.txt.Update-Partial|" +
                                                        destination + pastLimit + "|" +
                                                        destination + deepPast)
            << threads;
        EXPECT_EQ(Listing(destination), (std::set<std::string>{"keep.txt", atLimit})) << threads;
        EXPECT_EQ(ReadWholeFile(destination + "keep.txt"), "kept");
        EXPECT_EQ(ReadWholeFile(destination + atLimit), "at the limit");
    }
}

TEST(SResource, IsSafeEntryName) {
    struct Case {
        const char* rule;
        bool safe;
        std::vector<const char*> names;
    };
    const Case cases[] = {
        {"plain", true, {"readme.txt", "data\\maps\\a.dat", "sub/f.txt", "caf\xe9.txt"}},
        {"dots inside", true, {".hidden", "a..b"}},
        {"no device", true, {"CONFIG.SYS", "com10", "COM\xb4", "CONS .txt", "COM", "LPT1x"}},
        {"dot or space last", false, {"..", "a\\..\\b", "../a", "x \\y"}},
        {"empty part", false, {"", "\\a", "/a", "\\\\srv\\share\\a", "a\\", "a\\\\b"}},
        {"no file name holds", false, {"C:a", "a*b", "a.txt:stream", "tab\t", "us\x1f", "del\x7f"}},
        {"device", false, {"aux.h", "Conout$", "CON", "nul.txt", "CLOCK$", "conin$.x"}},
        {"device before spaces", false, {"CON .txt", "sub\\nul  .a.b"}},
        {"COM, LPT, digit", false, {"COM0", "LPT9.log", "COM\xb9", "lpt\xb2.txt", "COM\xb3"}},
    };
    for (const Case& c : cases) {
        for (const char* name : c.names)
            EXPECT_EQ(SResource::IsSafeEntryName(name), c.safe) << c.rule << ": " << name;
    }
    EXPECT_FALSE(SResource::IsSafeEntryName(nullptr));
}

}  // namespace

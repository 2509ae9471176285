// The archive: writing from a folder, reading a table, extracting one entry or all of them.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
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

// Writes the archive of every name to memory and returns its bytes.
std::string Build(const TestFolder& folder, const std::vector<std::string>& names, bool compress,
                  int threads = 1) {
    SResource archive;
    archive.SetThreads(threads);
    EXPECT_TRUE(archive.SetFolder(folder.Path().c_str()));
    for (const std::string& name : names) EXPECT_TRUE(archive.AddFile(name.c_str())) << name;
    SFileMem target;
    EXPECT_TRUE(archive.WriteTo(&target, compress));
    return MemoryBytes(target);
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

// A target that takes only so many bytes, like a full disk.
class FullDisk : public SFileMem {
public:
    explicit FullDisk(int room) : room(room) {}
    int Write(const void* data, int count) override {
        if (count > room) count = room;
        room -= count;
        return count > 0 ? SFileMem::Write(data, count) : 0;
    }
    int WriteData(const void* data, int count) override { return Write(data, count); }
    int WriteString(const char* text, int length) override {
        return Write(text, length < 0 ? static_cast<int>(strlen(text)) : length);
    }

private:
    int room;
};

// Entries straddle the block size, small files follow each other through the pipeline:
// both layouts match the independent construction, on any number of threads.
TEST(SResourceBuild, WritesWhatTheIndependentConstructionWrites) {
    TestFolder folder;
    EXPECT_EQ(Build(folder, {}, true), std::string("SRES\x01\0\0\0\xFF\xFF\xFF\xFF", 12));
    EXPECT_EQ(Build(folder, {}, false), std::string("SRES\0\0\0\0\xFF\xFF\xFF\xFF", 12));
    std::vector<std::string> names;
    unsigned seed = 1;
    for (size_t size : {0, 1, 99999, 100000, 100001, 350000, 0, 250001}) {
        names.push_back("sub\\f" + std::to_string(seed) + ".dat");
        folder.WriteFile(names.back(), Content(size, seed++));
    }
    for (int i = 0; i < 150; ++i) {
        names.push_back("s" + std::to_string(i) + ".txt");
        folder.WriteFile(names.back(), Content(i * 37 % 3000, seed++));
    }
    ArchiveBytes compressed(1);
    ArchiveBytes stored(0);
    for (const std::string& name : names) {
        compressed.Compressed(name, ReadWholeFile(folder / name));
        stored.Entry(name, ReadWholeFile(folder / name));
    }
    EXPECT_TRUE(Build(folder, names, false) == stored.End().Bytes());
    compressed.End();
    for (int threads : {1, 3, 8})
        EXPECT_TRUE(Build(folder, names, true, threads) == compressed.Bytes()) << threads;
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
    EXPECT_EQ(none.GetSize(), 0);
    EXPECT_FALSE(archive.WriteTo(nullptr, true));
}

TEST(SResourceBuild, ATargetThatRunsOutOfRoomFails) {
    TestFolder folder;
    folder.WriteFile("a.dat", Content(180000, 1));
    folder.WriteFile("b.dat", Content(5000, 2));
    for (int threads : {1, 3}) {
        for (int room : {0, 6, 40, 30000, 120000}) {
            SResource archive;
            archive.SetThreads(threads);
            ASSERT_TRUE(archive.SetFolder(folder.Path().c_str()));
            ASSERT_TRUE(archive.AddFile("a.dat"));
            ASSERT_TRUE(archive.AddFile("b.dat"));
            FullDisk target(room);
            EXPECT_FALSE(archive.WriteTo(&target, true)) << threads << " threads, room " << room;
            EXPECT_FALSE(archive.WriteTo(&target, false)) << threads << " threads, room " << room;
        }
    }
}

// A stored archive (its flag's first byte zero) inside a larger file, with names equal but
// for case: lookups and ExtractAll deliver the first of them.
TEST(SResourceRead, OpensAtAStartInsideALargerFile) {
    TestFolder folder;
    const std::string bytes = ArchiveBytes(0x100)
                                  .Entry("Dir\\Same.txt", "first")
                                  .Entry("dir\\same.TXT", "second")
                                  .Entry("e", "")
                                  .End()
                                  .Bytes();
    const std::string path = folder.WriteFile("host.exe", std::string(777, 'M') + bytes + "tail");
    SResource archive;
    EXPECT_FALSE(archive.Open(path.c_str(), 0));
    ASSERT_TRUE(archive.Open(path.c_str(), 777));
    EXPECT_FALSE(archive.IsCompressed());
    ASSERT_EQ(archive.GetEntryCount(), 3);
    EXPECT_EQ(archive.GetEntryName(1), "dir\\same.TXT");
    EXPECT_EQ(archive.GetEntryName(-1), "");
    EXPECT_EQ(archive.GetEntryName(3), "");
    EXPECT_EQ(ExtractToMemory(archive, "dir\\same.TXT"), "first");
    EXPECT_EQ(ExtractToMemory(archive, "e"), "");
    EXPECT_EQ(ExtractToMemory(archive, "missing"), "<failed>");

    const std::string destination = folder.MakeFolder("dest");
    EXPECT_TRUE(archive.ExtractAll(destination.c_str(), nullptr));
    EXPECT_EQ(ReadWholeFile(destination + "Dir\\Same.txt"), "first");
}

TEST(SResourceRead, AnyTruncationFailsToOpen) {
    TestFolder folder;
    const std::string whole = ArchiveBytes(1)
                                  .Compressed("a.txt", "alpha")
                                  .Compressed("", "")
                                  .Compressed("b", Content(3000, 1))
                                  .End()
                                  .Bytes();
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

// The table is read through a window of the file: names and payloads of every size straddle
// its edges, and every entry still lands at its own name and position.
TEST(SResourceRead, BigTablesReadWhole) {
    TestFolder folder;
    ArchiveBytes bytes(0);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        names.push_back(std::to_string(i) + std::string(static_cast<size_t>(i * 7919 % 300), 'n'));
        const size_t size = i % 97 == 0 ? 70000 + i * 31 : static_cast<size_t>(i % 13);
        bytes.Entry(names.back(), Content(size, static_cast<unsigned>(i)));
    }
    const std::string path = folder.WriteFile("big.bin", bytes.End().Bytes());
    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    ASSERT_EQ(archive.GetEntryCount(), 3000);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(archive.GetEntryName(i), names[i].c_str());
        if (i % 97 == 0 || i % 250 == 1) {
            EXPECT_TRUE(ExtractToMemory(archive, names[i].c_str()) ==
                        Content(i % 97 == 0 ? 70000 + i * 31 : i % 13, i))
                << i;
        }
    }
}

// No Windows path is longer than 32767 characters: a longer name fails the open before it
// is read.
TEST(SResourceRead, NamesLongerThanAnyPathFailTheOpen) {
    TestFolder folder;
    for (size_t length : {32767u, 32768u, 200000u}) {
        const std::string name(length, 'x');
        const std::string path = folder.WriteFile(
            "long.bin", ArchiveBytes(1).Compressed("a", "a").Compressed(name, "z").End().Bytes());
        SResource archive;
        EXPECT_EQ(archive.Open(path.c_str()), length <= 32767) << length;
        EXPECT_EQ(archive.GetEntryCount(), length <= 32767 ? 2 : 0) << length;
    }
}

// Each malformed payload fails alone: the entry before it still extracts.
TEST(SResourceRead, MalformedBlockStreamsFailAndLeaveTheTargetAsItWas) {
    using B = ArchiveBytes;
    const std::string good = Content(1000, 7);
    std::string flipped = B::BlockStream(good);
    flipped[20] = static_cast<char>(flipped[20] ^ 0x55);
    const std::string block = B::BlockStream(good).substr(4);  // R, K, data
    const std::string data = block.substr(8);
    const std::string K = B::Le(static_cast<uint32_t>(data.size()));
    struct Case {
        const char* what;
        std::string payload;
    };
    const Case cases[] = {
        {"flipped zlib bytes", flipped},
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
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder.WriteFile(
            "bad.bin", B(1).Compressed("ok.txt", good).Entry("bad.txt", c.payload).End().Bytes());
        SResource archive;
        archive.SetThreads(3);
        ASSERT_TRUE(archive.Open(path.c_str())) << c.what;
        EXPECT_EQ(ExtractToMemory(archive, "bad.txt"), "<failed>") << c.what;
        EXPECT_EQ(ExtractToMemory(archive, "ok.txt"), good) << c.what;

        const std::string destination = folder.MakeFolder("dest");
        folder.WriteFile("dest\\bad.txt", "previous content");
        SStringArray failures;
        EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures)) << c.what;
        ASSERT_EQ(failures.GetCount(), 1) << c.what;
        EXPECT_EQ(failures.GetText(0), (destination + "bad.txt").c_str()) << c.what;
        EXPECT_EQ(ReadWholeFile(destination + "bad.txt"), "previous content") << c.what;
        EXPECT_EQ(ReadWholeFile(destination + "ok.txt"), good) << c.what;
        EXPECT_EQ(Listing(destination).size(), 2u) << "no temporary file stays: " << c.what;
    }
}

// Refused names write nothing anywhere; folders made for an entry that then fails are
// removed again, up to the first that was there before, and one that holds something stays.
TEST(SResourceExtractAll, RefusedAndFailedEntriesLeaveNothingBehind) {
    const char* hostile[] = {"..\\evil.txt", "sub\\..\\..\\evil.txt", "C:\\evil.txt",
                             "\\\\srv\\share\\evil.txt", "sub\\CON"};
    TestFolder folder;
    ArchiveBytes bytes(1);
    bytes.Compressed("kept\\ok.txt", "ok")
        .Entry("kept\\bad\\x.txt", "ab")
        .Entry("new\\deeper\\y.txt", "ab")
        .Entry("old\\z.txt", "ab");
    for (const char* name : hostile) bytes.Compressed(name, "evil");
    const std::string path = folder.WriteFile("hostile.bin", bytes.End().Bytes());
    const std::string destination = folder.MakeFolder("inner\\dest");
    folder.MakeFolder("inner\\dest\\old");

    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    SStringArray failures;
    EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
    ASSERT_EQ(failures.GetCount(), 8);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(failures.GetText(i + 3), (destination + hostile[i]).c_str());
    EXPECT_EQ(
        Listing(folder.Path()),
        (std::set<std::string>{"hostile.bin", "inner\\", "inner\\dest\\", "inner\\dest\\kept\\",
                               "inner\\dest\\kept\\ok.txt", "inner\\dest\\old\\"}));
    EXPECT_FALSE(FileIsThere("C:\\evil.txt"));
}

// The decoded entry takes the target's place whole: the old file is never written in place
// (another link to it keeps the old bytes), and a hidden target stays hidden.
TEST(SResourceExtractAll, ReplacesATargetWholeAndKeepsItHidden) {
    TestFolder folder;
    const std::string path = folder.WriteFile(
        "a.bin",
        ArchiveBytes(1).Compressed("small.txt", "new").Compressed("hid.txt", "n").End().Bytes());
    const std::string destination = folder.MakeFolder("dest");
    const std::string target = folder.WriteFile("dest\\small.txt", "old bytes");
    const std::string other = folder / "link.txt";
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), target.c_str(), nullptr));
    const std::string hidden = folder.WriteFile("dest\\hid.txt", "old");
    const bool canHide = SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN) &&
                         (GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    EXPECT_TRUE(archive.ExtractAll(destination.c_str(), nullptr));
    EXPECT_EQ(ReadWholeFile(target), "new");
    EXPECT_EQ(ReadWholeFile(other), "old bytes");
    EXPECT_EQ(ReadWholeFile(hidden), "n");
    if (canHide) {
        EXPECT_TRUE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    }
}

TEST(SResourceExtractAll, WritesEveryEntryAndCreatesItsFolders) {
    TestFolder folder;
    const std::vector<std::string> names = {"readme.txt", "data\\maps\\a.dat", "data\\b.dat",
                                            "empty.txt", "bin\\big.bin"};
    const size_t sizes[] = {12, 100000, 1, 0, 330000};
    for (size_t i = 0; i < names.size(); ++i) folder.WriteFile(names[i], Content(sizes[i], i));
    for (bool compress : {true, false}) {
        const std::string path = folder.WriteFile("pack\\a.bin", Build(folder, names, compress));
        for (int threads : {1, 3}) {
            TestFolder destination;
            SResource archive;
            archive.SetThreads(threads);
            ASSERT_TRUE(archive.Open(path.c_str()));
            SStringArray failures;
            EXPECT_TRUE(archive.ExtractAll(destination.Path().c_str(), &failures));
            EXPECT_EQ(failures.GetCount(), 0);
            for (size_t i = 0; i < names.size(); ++i)
                EXPECT_TRUE(ReadWholeFile(destination / names[i]) == Content(sizes[i], i))
                    << names[i] << (compress ? " compressed, " : " stored, ") << threads;
        }
    }
}

TEST(SResourceExtractAll, ALockedOrReadOnlyTargetIsListedAndTheRestWritten) {
    TestFolder folder;
    const std::string big(SResource::kStagedLimit + 1, 'b');  // decoded beside its target
    const std::string path = folder.WriteFile("a.bin", ArchiveBytes(1)
                                                           .Compressed("one.txt", "1")
                                                           .Compressed("locked.txt", "new")
                                                           .Compressed("ro.txt", "new")
                                                           .Compressed("two.txt", "2")
                                                           .Compressed("ro-big.bin", big)
                                                           .End()
                                                           .Bytes());
    const std::string destination = folder.MakeFolder("dest");
    const std::string locked = folder.WriteFile("dest\\locked.txt", "old");
    const std::string readOnly = folder.WriteFile("dest\\ro.txt", "old");
    const std::string readOnlyBig = folder.WriteFile("dest\\ro-big.bin", "old");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA(readOnlyBig.c_str(), FILE_ATTRIBUTE_READONLY));
    SFilePath holder;
    ASSERT_TRUE(holder.Open(locked.c_str(), true, false, true, false));

    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    SStringArray failures;
    EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
    EXPECT_EQ(failures.Join("|").GetSafeText(), locked + "|" + readOnly + "|" + readOnlyBig);
    EXPECT_EQ(ReadWholeFile(destination + "one.txt"), "1");
    EXPECT_EQ(ReadWholeFile(destination + "two.txt"), "2");
    holder.Close();
    EXPECT_EQ(ReadWholeFile(locked), "old");
    EXPECT_EQ(ReadWholeFile(readOnly), "old");
    EXPECT_EQ(ReadWholeFile(readOnlyBig), "old");

    // Without the lock the same archive writes that target; the list stays empty.
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(readOnlyBig.c_str(), FILE_ATTRIBUTE_NORMAL);
    SStringArray none;
    EXPECT_TRUE(archive.ExtractAll(destination.c_str(), &none));
    EXPECT_EQ(none.GetCount(), 0);
    EXPECT_EQ(ReadWholeFile(locked), "new");
    EXPECT_TRUE(ReadWholeFile(readOnlyBig) == big);
}

TEST(SResourceExtractAll, NeedsAnOpenArchiveAndAnExistingDestination) {
    TestFolder folder;
    const std::string path =
        folder.WriteFile("a.bin", ArchiveBytes(1).Compressed("x.txt", "x").End().Bytes());
    SResource archive;
    EXPECT_FALSE(archive.ExtractAll(folder.Path().c_str(), nullptr)) << "nothing attached";
    ASSERT_TRUE(archive.Open(path.c_str()));
    EXPECT_FALSE(archive.ExtractAll((folder / "missing\\").c_str(), nullptr));
    EXPECT_FALSE(FileIsThere(folder / "missing\\x.txt"));
    EXPECT_FALSE(archive.ExtractAll("", nullptr));
}

TEST(SResource, IsSafeEntryName) {
    const char* safe[] = {"readme.txt", "data\\maps\\a.dat",
                          "sub/f.txt",  "caf\xe9.txt",
                          ".hidden",    "a..b",
                          "CONFIG.SYS", "com10",
                          "COM\xb4",    "CONS .txt",
                          "COM",        "LPT1x"};
    const char* unsafe[] = {"..",           "a\\..\\b",
                            "../a",         ".\\a",
                            "C:a",          "C:\\a",
                            "\\a",          "/a",
                            "\\\\?\\C:\\a", "\\\\srv\\share\\a",
                            "a\\",          "a\\\\b",
                            "a*b",          "a.txt:stream",
                            "trailing.",    "dots\\...\\x",
                            "tab\there",    "line\r\nbreak",
                            "del\x7f",      "x \\y",
                            "aux.h",        "Conout$",
                            "CON",          "nul.txt",
                            "CON .txt",     "sub\\nul  .a.b",
                            "COM0",         "lpt0.log",
                            "sub\\COM1",    "LPT9.log",
                            "CLOCK$",       "conin$.x",
                            "COM\xb9",      "lpt\xb2.txt",
                            "COM\xb3",      ""};
    for (const char* name : safe) EXPECT_TRUE(SResource::IsSafeEntryName(name)) << name;
    for (const char* name : unsafe) EXPECT_FALSE(SResource::IsSafeEntryName(name)) << name;
    EXPECT_FALSE(SResource::IsSafeEntryName(nullptr));
}

}  // namespace

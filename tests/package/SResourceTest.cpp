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

std::string Text(const SString& text) { return text.GetSafeText(); }

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

TEST(SResourceBuild, EmptyFolderGivesTheTwelveByteArchive) {
    TestFolder folder;
    EXPECT_EQ(Build(folder, {}, true), std::string("SRES\x01\0\0\0\xFF\xFF\xFF\xFF", 12));
    EXPECT_EQ(Build(folder, {}, false), std::string("SRES\0\0\0\0\xFF\xFF\xFF\xFF", 12));

    const std::string path = folder.WriteFile("out\\empty.bin", Build(folder, {}, true));
    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    EXPECT_EQ(archive.GetEntryCount(), 0);
    const std::string destination = folder.MakeFolder("dest");
    SStringArray failures;
    EXPECT_TRUE(archive.ExtractAll(destination.c_str(), &failures));
    EXPECT_EQ(failures.GetCount(), 0);
}

TEST(SResourceBuild, NamesAreUniqueIgnoringCaseAndADriveRootIsNoSource) {
    TestFolder folder;
    SResource archive;
    ASSERT_TRUE(archive.SetFolder(folder.Path().c_str()));
    EXPECT_TRUE(archive.AddFile("data\\a.txt"));
    EXPECT_FALSE(archive.AddFile("Data\\A.txt"));
    EXPECT_EQ(archive.GetEntryCount(), 1);

    ASSERT_TRUE(archive.SetFolder("C:\\"));
    EXPECT_FALSE(archive.AddFile("a.txt"));
    SFileMem target;
    EXPECT_FALSE(archive.WriteTo(&target, true));
    EXPECT_EQ(target.GetSize(), 0);
    EXPECT_FALSE(archive.WriteTo(nullptr, true));
}

TEST(SResourceBuild, PayloadsAreBlockStreamsOfAtMostOneHundredThousandBytes) {
    const size_t sizes[] = {0, 1, 99999, 100000, 100001, 250000};
    for (size_t size : sizes) {
        TestFolder folder;
        const std::string content = Content(size, static_cast<unsigned>(size));
        folder.WriteFile("sub\\f.dat", content);
        EXPECT_EQ(Build(folder, {"sub\\f.dat"}, true),
                  ArchiveBytes(1).Compressed("sub\\f.dat", content).End().Bytes())
            << size;
        EXPECT_EQ(Build(folder, {"sub\\f.dat"}, false),
                  ArchiveBytes(0).Entry("sub\\f.dat", content).End().Bytes())
            << size;
    }
}

TEST(SResourceBuild, FilesThatCannotBeOpenedAreLeftOut) {
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
    SFileMem target;
    ASSERT_TRUE(archive.WriteTo(&target, true));
    EXPECT_EQ(
        MemoryBytes(target),
        ArchiveBytes(1).Compressed("a.txt", "alpha").Compressed("b.txt", "beta").End().Bytes());
    ASSERT_EQ(archive.GetSkipped().GetCount(), 2);
    EXPECT_EQ(archive.GetSkipped().GetText(0), (folder / "gone.txt").c_str());
    EXPECT_EQ(archive.GetSkipped().GetText(1), (folder / "locked.txt").c_str());
    EXPECT_EQ(archive.GetBytesRead(), 9);
}

TEST(SResourceBuild, SameBytesWhateverTheNumberOfThreads) {
    TestFolder folder;
    std::vector<std::string> names;
    const size_t sizes[] = {0, 1, 99999, 100000, 100001, 350000, 1000, 0, 250001};
    unsigned seed = 1;
    for (size_t size : sizes) {
        names.push_back("f" + std::to_string(seed) + ".dat");
        folder.WriteFile(names.back(), Content(size, seed++));
    }
    for (int i = 0; i < 150; ++i) {
        names.push_back("small\\s" + std::to_string(i) + ".txt");
        folder.WriteFile(names.back(), Content(i * 37 % 3000, seed++));
    }
    const std::string one = Build(folder, names, true, 1);
    for (int threads : {2, 3, 8})
        EXPECT_TRUE(Build(folder, names, true, threads) == one) << threads;

    // The independent construction of the same archive agrees too.
    ArchiveBytes expected(1);
    for (const std::string& name : names) expected.Compressed(name, ReadWholeFile(folder / name));
    EXPECT_TRUE(expected.End().Bytes() == one);
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

TEST(SResourceRead, OpensAtAStartInsideALargerFile) {
    TestFolder folder;
    const std::string archiveBytes = ArchiveBytes(1)
                                         .Compressed("x.txt", "inner")
                                         .Compressed("big.dat", Content(150000, 3))
                                         .End()
                                         .Bytes();
    const std::string path =
        folder.WriteFile("host.exe", std::string(777, 'M') + archiveBytes + "tail");
    SResource archive;
    EXPECT_FALSE(archive.Open(path.c_str(), 0));
    ASSERT_TRUE(archive.Open(path.c_str(), 777));
    ASSERT_EQ(archive.GetEntryCount(), 2);
    EXPECT_EQ(ExtractToMemory(archive, "X.TXT"), "inner");
    EXPECT_EQ(ExtractToMemory(archive, "big.dat"), Content(150000, 3));
    EXPECT_EQ(ExtractToMemory(archive, "missing"), "<failed>");
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
    SStringArray written;
    EXPECT_EQ(SDisk().List(&written, (destination + "*.*").c_str(), SDisk::kFiles), 0);
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
        ASSERT_EQ(Text(archive.GetEntryName(i)), names[i]);
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

TEST(SResourceRead, AFlagWithItsFirstByteZeroMeansStored) {
    TestFolder folder;
    const std::string path = folder.WriteFile(
        "stored.bin",
        ArchiveBytes(0x00000100).Entry("a.txt", "as it is").Entry("e", "").End().Bytes());
    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    EXPECT_FALSE(archive.IsCompressed());
    EXPECT_EQ(ExtractToMemory(archive, "a.txt"), "as it is");
    EXPECT_EQ(ExtractToMemory(archive, "e"), "");
    EXPECT_EQ(archive.GetEntryName(-1), "");
    EXPECT_EQ(archive.GetEntryName(2), "");
    EXPECT_EQ(archive.GetEntryName(1), "e");
}

TEST(SResourceRead, NamesEqualButForCaseDeliverTheFirstEntry) {
    TestFolder folder;
    const std::string path = folder.WriteFile("dup.bin", ArchiveBytes(1)
                                                             .Compressed("Dir\\Same.txt", "first")
                                                             .Compressed("dir\\same.TXT", "second")
                                                             .End()
                                                             .Bytes());
    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    ASSERT_EQ(archive.GetEntryCount(), 2);
    EXPECT_EQ(archive.GetEntryName(1), "dir\\same.TXT");
    EXPECT_EQ(ExtractToMemory(archive, "dir\\same.TXT"), "first");
    EXPECT_EQ(ExtractToMemory(archive, "DIR\\SAME.TXT"), "first");

    const std::string destination = folder.MakeFolder("dest");
    EXPECT_TRUE(archive.ExtractAll(destination.c_str(), nullptr));
    EXPECT_EQ(ReadWholeFile(destination + "Dir\\Same.txt"), "first");
}

// Each malformed payload fails alone: the entry before it still extracts.
TEST(SResourceRead, MalformedBlockStreamsFailAndLeaveTheTargetAsItWas) {
    const std::string good = Content(1000, 7);
    std::string flipped = ArchiveBytes::BlockStream(good);
    flipped[20] = static_cast<char>(flipped[20] ^ 0x55);
    const std::string block = ArchiveBytes::BlockStream(good).substr(4);  // R, K, data
    const std::string data = block.substr(8);
    const std::string K = ArchiveBytes::Le(static_cast<uint32_t>(data.size()));
    struct Case {
        const char* what;
        std::string payload;
    };
    const Case cases[] = {
        {"flipped zlib bytes", flipped},
        {"R above 100000", ArchiveBytes::Le(1) + ArchiveBytes::Le(100001) + K + data},
        {"K above 110012",
         ArchiveBytes::Le(1) + ArchiveBytes::Le(1000) + ArchiveBytes::Le(110013) + data},
        {"K past the payload",
         ArchiveBytes::Le(1) + ArchiveBytes::Le(1000) + ArchiveBytes::Le(5000) + data},
        {"R shorter than the data", ArchiveBytes::Le(1) + ArchiveBytes::Le(999) + K + data},
        {"R longer than the data", ArchiveBytes::Le(1) + ArchiveBytes::Le(1001) + K + data},
        {"R of zero", ArchiveBytes::Le(1) + ArchiveBytes::Le(0) + K + data},
        {"more blocks than fit", ArchiveBytes::Le(0x7FFFFFFF) + block},
        {"a block missing", ArchiveBytes::Le(2) + block},
        {"bytes behind the blocks", ArchiveBytes::Le(1) + block + "xx"},
        {"no block count", "ab"},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder.WriteFile(
            "bad.bin",
            ArchiveBytes(1).Compressed("ok.txt", good).Entry("bad.txt", c.payload).End().Bytes());
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
        SStringArray left;
        SDisk().List(&left, (destination + "*.*").c_str(), SDisk::kFiles | SDisk::kFolders);
        EXPECT_EQ(left.GetCount(), 2) << "no temporary file stays: " << c.what;
    }
}

// Folders made for an entry that then fails are removed again, up to the first that was
// there before; a folder that holds something stays.
TEST(SResourceExtractAll, AFailedEntryLeavesNoFolderBehind) {
    TestFolder folder;
    const std::string path = folder.WriteFile("a.bin", ArchiveBytes(1)
                                                           .Compressed("kept\\ok.txt", "ok")
                                                           .Entry("kept\\bad\\x.txt", "ab")
                                                           .Entry("new\\deeper\\y.txt", "ab")
                                                           .Entry("old\\z.txt", "ab")
                                                           .End()
                                                           .Bytes());
    const std::string destination = folder.MakeFolder("dest");
    folder.MakeFolder("dest\\old");
    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    EXPECT_FALSE(archive.ExtractAll(destination.c_str(), nullptr));
    SStringArray left;
    SDisk().List(&left, (destination + "*.*").c_str(),
                 SDisk::kDescend | SDisk::kFiles | SDisk::kFolders);
    std::set<std::string> found;
    for (int i = 0; i < left.GetCount(); ++i) found.insert(Text(left.GetText(i)));
    EXPECT_EQ(found, (std::set<std::string>{destination + "kept\\", destination + "kept\\ok.txt",
                                            destination + "old\\"}));
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
    for (size_t i = 0; i < names.size(); ++i)
        folder.WriteFile("src\\" + names[i], Content(sizes[i], i));
    for (bool compress : {true, false}) {
        for (int threads : {1, 3}) {
            SResource builder;
            ASSERT_TRUE(builder.SetFolder((folder / "src").c_str()));
            for (const std::string& name : names) ASSERT_TRUE(builder.AddFile(name.c_str()));
            SFilePath out;
            ASSERT_TRUE(out.Open((folder / "pack.bin").c_str(), true, true, false, false));
            ASSERT_TRUE(builder.WriteTo(&out, compress));
            out.Close();

            TestFolder destination;
            SResource archive;
            archive.SetThreads(threads);
            ASSERT_TRUE(archive.Open((folder / "pack.bin").c_str()));
            SStringArray failures;
            EXPECT_TRUE(archive.ExtractAll(destination.Path().c_str(), &failures));
            EXPECT_EQ(failures.GetCount(), 0);
            for (size_t i = 0; i < names.size(); ++i)
                EXPECT_TRUE(ReadWholeFile(destination / names[i]) == Content(sizes[i], i))
                    << names[i] << (compress ? " compressed, " : " stored, ") << threads;
        }
    }
}

TEST(SResourceExtractAll, RefusesNamesThatWouldLandOutsideTheDestination) {
    const char* hostile[] = {"..\\evil.txt",
                             "sub\\..\\..\\evil.txt",
                             "../evil.txt",
                             "C:\\evil.txt",
                             "C:evil.txt",
                             "\\evil.txt",
                             "/evil.txt",
                             "\\\\srv\\share\\evil.txt",
                             "good.txt:stream",
                             "CON",
                             "nul.txt",
                             "sub\\COM1",
                             "LPT9.log",
                             "a\\\\b.txt",
                             "trailing.",
                             "dots\\...\\x",
                             "tab\there",
                             "sub\\CON .txt",
                             "COM0",
                             "CLOCK$",
                             "line\r\nbreak",
                             ""};
    TestFolder folder;
    ArchiveBytes bytes(1);
    bytes.Compressed("good\\kept.txt", "kept");
    for (const char* name : hostile) bytes.Compressed(name, "evil");
    const std::string path = folder.WriteFile("hostile.bin", bytes.End().Bytes());
    const std::string destination = folder.MakeFolder("inner\\dest");

    SResource archive;
    ASSERT_TRUE(archive.Open(path.c_str()));
    SStringArray failures;
    EXPECT_FALSE(archive.ExtractAll(destination.c_str(), &failures));
    ASSERT_EQ(failures.GetCount(), static_cast<int>(sizeof hostile / sizeof *hostile));
    for (int i = 0; i < failures.GetCount(); ++i)
        EXPECT_EQ(failures.GetText(i), (destination + hostile[i]).c_str());
    EXPECT_EQ(ReadWholeFile(destination + "good\\kept.txt"), "kept");

    // Nothing beside the destination, above it or on the drive's root, and no folder made
    // for a refused entry.
    SStringArray around;
    SDisk().List(&around, (folder.Path() + "*.*").c_str(),
                 SDisk::kDescend | SDisk::kFiles | SDisk::kFolders);
    EXPECT_EQ(around.GetCount(), 5) << around.Join("\n").GetText();
    EXPECT_FALSE(FileIsThere("C:\\evil.txt"));
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
    ASSERT_EQ(failures.GetCount(), 3);
    EXPECT_EQ(failures.GetText(0), locked.c_str());
    EXPECT_EQ(failures.GetText(1), readOnly.c_str());
    EXPECT_EQ(failures.GetText(2), readOnlyBig.c_str());
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
    struct Case {
        const char* name;
        bool safe;
    };
    const Case cases[] = {
        {"readme.txt", true},    {"data\\maps\\a.dat", true},
        {"sub/f.txt", true},     {"caf\xe9.txt", true},
        {".hidden", true},       {"a..b", true},
        {"CONFIG.SYS", true},    {"com10", true},
        {"..", false},           {"a\\..\\b", false},
        {".\\a", false},         {"C:a", false},
        {"\\\\?\\C:\\a", false}, {"a\\", false},
        {"a*b", false},          {"aux.h", false},
        {"Conout$", false},      {"x \\y", false},
        {"CON .txt", false},     {"sub\\nul  .a.b", false},
        {"COM0", false},         {"lpt0.log", false},
        {"CLOCK$", false},       {"conin$.x", false},
        {"COM\xb9", false},      {"lpt\xb2.txt", false},
        {"COM\xb3", false},      {"del\x7f", false},
        {"COM\xb4", true},       {"CONS .txt", true},
        {"COM", true},           {"LPT1x", true},
        {nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SResource::IsSafeEntryName(c.name), c.safe) << (c.name ? c.name : "null");
}

}  // namespace

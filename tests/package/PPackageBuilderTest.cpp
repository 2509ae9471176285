// The package builder: a folder and a version become an archive and its descriptor.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <utility>

#include "core/SFile.h"
#include "core/SFileMem.h"
#include "core/SWindows.h"
#include "package/PPackageBuilder.h"
#include "package/SResource.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestFolder.h"

namespace {

using P = PPackageBuilder;

// The two lines of the descriptor of the archive at path, its CRC-32 by zlib.
std::string Descriptor(const std::string& version, const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    return version + "\r\n" +
           std::to_string(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size())) +
           "\r\n";
}

// Hidden files too; entries straddle the writer's 1 MiB steps (a length filled in after its
// bytes left). The previous pair in the folder is no file. Sizes: the console tool's tests.
TEST(PPackageBuilderWrite, WritesTheArchiveAndItsTwoLineDescriptor) {
    TestFolder folder;
    folder.WriteFile("rel\\Update.exe", "MZ");
    folder.WriteFile("rel\\sub\\Update.exe", "nested");
    folder.WriteFile("rel\\bin\\a.bin", TestRandom(1).Noise(1001000));
    ASSERT_TRUE(
        SetFileAttributesA(folder.WriteFile("rel\\.settings", "h").c_str(), FILE_ATTRIBUTE_HIDDEN));
    for (int i = 0; i < 420; ++i)
        folder.WriteFile("rel\\" + std::string(136, 'e') + std::to_string(1000 + i), "");
    for (const char* name : {"rel\\out.bin", "rel\\OUT.UPD"}) folder.WriteFile(name, "previous");
    P builder;
    ASSERT_EQ(builder.Collect((folder / "rel").c_str()), P::kDone);
    ASSERT_EQ(builder.Write((folder / "rel\\Out.upd").c_str(), "2.5.0.1"), P::kDone);
    EXPECT_EQ(builder.GetFiles().GetCount(), 423);
    const std::string archive = folder / "rel\\out.bin";
    EXPECT_EQ(ReadWholeFile(folder / "rel\\out.upd"), Descriptor("2.5.0.1", archive));
    SResource reader;  // the lengths filled in late read back; the content: SResource's tests
    ASSERT_TRUE(reader.Open(archive.c_str()));
    EXPECT_EQ(reader.GetEntryCount(), 423);
}

TEST(PPackageBuilderWrite, NamesTheArchiveAfterTheChosenTitle) {
    TestFolder folder;
    folder.WriteFile("rel\\a.txt", "a");
    folder.MakeFolder("out");
    P builder;
    EXPECT_EQ(builder.Collect("C:\\"), P::kInvalidFolder) << "a whole drive";
    ASSERT_EQ(builder.Collect((folder / "rel").c_str()), P::kDone);
    const std::pair<std::string, std::string> cases[] = {  // "app.upd": the console tool's
        {"app.2.upd", "app.2.bin"}, {"app", "app.bin"}, {"out\\x.UPD", "out\\x.bin"}};
    for (const auto& [chosen, archive] : cases) {
        // An empty version gives an empty first line.
        ASSERT_EQ(builder.Write((folder / chosen).c_str(), ""), P::kDone) << chosen;
        EXPECT_EQ(builder.GetArchivePath(), (folder / archive).c_str());
        EXPECT_EQ(ReadWholeFile(folder / chosen), Descriptor("", folder / archive));
    }
    EXPECT_EQ(builder.Write(folder.Path().c_str(), "1"), P::kInvalidTarget);
    EXPECT_EQ(builder.Write("http://host/app.upd", "1"), P::kInvalidTarget);
    // A share is a target like any other; this one cannot be reached.
    EXPECT_EQ(builder.Write("\\\\nohost\\share\\app.upd", "1"), P::kArchiveFailed);
    EXPECT_EQ(builder.GetFailedPath(), "\\\\nohost\\share\\app.bin");
}

// A file past what an archive holds fails the archive writer alone too (the build: the console
// tool's rows). Files gone since the listing are left out, down to the empty archive.
TEST(PPackageBuilderWrite, AFailureLeavesThePreviousPairAsItWas) {
    TestFolder folder;
    folder.WriteFile("rel\\a.txt", "a");
    const std::string big = folder.WriteSparse("rel\\big.bin", P::kLargestArchive + 1);
    ASSERT_FALSE(big.empty());
    folder.WriteFile("out\\app.bin", "old archive");
    folder.WriteFile("out\\app.upd", "old descriptor");
    const std::string target = folder / "out\\app.upd";
    P builder;
    ASSERT_EQ(builder.Collect((folder / "rel").c_str()), P::kDone);
    // The descriptor's place is taken by a folder: nothing may change.
    ASSERT_TRUE(CreateDirectoryA((folder / "out\\blocked.upd").c_str(), nullptr));
    EXPECT_NE(builder.Write((folder / "out\\blocked.upd").c_str(), "1"), P::kDone);
    EXPECT_FALSE(FileIsThere(folder / "out\\blocked.bin"));
    // A read-only file in either place is not replaced.
    for (const char* name : {"out\\app.bin", "out\\app.upd"}) {
        ASSERT_TRUE(SetFileAttributesA((folder / name).c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_NE(builder.Write(target.c_str(), "1"), P::kDone);
        EXPECT_EQ(builder.GetFailedPath(), (folder / name).c_str());
        ASSERT_TRUE(SetFileAttributesA((folder / name).c_str(), FILE_ATTRIBUTE_NORMAL));
    }
    EXPECT_EQ(ReadWholeFile(folder / "out\\app.bin"), "old archive");
    EXPECT_EQ(ReadWholeFile(target), "old descriptor");
    SResource archive;  // the archive writer alone refuses the big file too
    ASSERT_TRUE(archive.SetFolder((folder / "rel").c_str()));
    ASSERT_TRUE(archive.AddFile("big.bin"));
    for (bool compress : {false, true}) {
        SFileMem none;
        EXPECT_FALSE(archive.WriteTo(&none, compress));
        EXPECT_EQ(archive.GetFailedPath(), big.c_str()) << compress;
    }
    ASSERT_TRUE(DeleteFileA(big.c_str()) && DeleteFileA((folder / "rel\\a.txt").c_str()));
    ASSERT_EQ(builder.Write(target.c_str(), "1.0.0.0"), P::kDone);
    EXPECT_EQ(builder.GetSkipped().GetCount(), 2);
    EXPECT_EQ(ReadWholeFile(folder / "out\\app.bin"),
              std::string("SRES\x01\0\0\0\xFF\xFF\xFF\xFF", 12));
    EXPECT_EQ(ReadWholeFile(target), "1.0.0.0\r\n834648924\r\n");
}

}  // namespace

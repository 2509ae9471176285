// SDisk on real files in a fresh folder per test.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/SDisk.h"
#include "core/SHandle.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "tests/core/Rows.h"
#include "tests/support/TestFolder.h"

namespace {

using Names = std::multiset<std::string>;  // sorted, with repeats kept

// Texts without root in front ("?" marks one lacking it); "!" when the count returned is off.
Names Listed(const SStringArray& list, int added, const std::string& root) {
    Names names;
    if (added != list.GetCount()) names.insert("!returned " + std::to_string(added));
    for (int i = 0; i < list.GetCount(); ++i) {
        const std::string text = Str(list.GetText(i));
        const bool under = text.compare(0, root.size(), root) == 0;
        names.insert(under ? text.substr(root.size()) : "?" + text);
    }
    return names;
}

bool AddAttribute(const std::string& path, DWORD attribute) {
    SetFileAttributesA(path.c_str(), GetFileAttributesA(path.c_str()) | attribute);
    const DWORD now = GetFileAttributesA(path.c_str());
    return now != INVALID_FILE_ATTRIBUTES && (now & attribute);
}

// The temporary folder holds the test folders.
TEST(SDiskTemp, TempFolderAndTheTempFilesInIt) {
    TestFolder folder;
    const std::string& path = folder.Path();
    const std::string temp = path.substr(0, path.rfind('\\', path.size() - 2) + 1);
    SDisk disk;
    const std::string name = Str(disk.GetTempFileName());
    Check({ROW(disk.GetScratch(), name), ROW(disk.GetTempFolder(), temp),
           ROW(name.compare(0, temp.size() + 3, temp + "tmp"), 0),
           ROW(name.find('\\', temp.size()) == std::string::npos, true),
           ROW(disk.GetFileSize(name.c_str()), 0), ROW(disk.SetTrailingSeparator(false), true),
           ROW(disk.GetTempFolder(), temp.substr(0, temp.size() - 1))},
          " for " + name);
    DeleteFileA(name.c_str());
}

// A file held exclusively exists and has a listed size, but no size by opening and no checksum;
// the crc stays as it was.
TEST(SDiskFiles, SizeCrcAndExistence) {
    TestFolder folder;
    const std::string locked = folder.WriteFile("locked.txt", "123456789");
    SHandle lock(CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock.IsValid());
    SDisk disk;
    // Size, checksum, whether the reporting form read it, and the crc it left (7 before).
    const auto read = [&disk](const std::string& path) {
        uint32_t crc = 7;
        const bool done = disk.GetFileCrc(path.c_str(), crc);
        return std::to_string(disk.GetFileSize(path.c_str())) + " " +
               std::to_string(disk.GetFileCrc(path.c_str())) + (done ? " read " : " unread ") +
               std::to_string(crc);
    };
    const std::string nine = std::to_string(0xCBF43926u);  // the CRC-32 of "123456789"
    const char* const path = folder.Path().c_str();        // a folder, no file
    const int64_t bigSize = (int64_t{3} << 30) + 5;
    const std::string big = folder.WriteSparse("sparse.bin", bigSize);
    Check({ROW(read(folder.WriteFile("empty.bin", "")), "0 0 read 0"),
           ROW(read(folder.WriteFile("caf\xe9.txt", "123456789")), "9 " + nine + " read " + nine),
           ROW(read(locked), "-1 0 unread 7"), ROW(disk.GetFileSize(path), -1),
           ROW(disk.GetFileSize64(path), -1), ROW(disk.GetFileSize64(big.c_str()), bigSize),
           ROW(disk.GetFileSize64(locked.c_str()), 9)});

    const std::string file = folder.WriteFile("f.txt", "x");
    const std::string sub = folder.MakeFolder("sub");
    const std::string bare = sub.substr(0, sub.size() - 1);
    ASSERT_TRUE(AddAttribute(folder.WriteFile("h.txt", "x"), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(AddAttribute(folder.MakeFolder("hf"), FILE_ATTRIBUTE_HIDDEN));
    CurrentFolderScope scope(sub);
    ASSERT_TRUE(scope.changed);

    const auto kind = [&disk](const std::string& path) {
        return std::string(disk.FileExists(path.c_str()) ? "file" : "") +
               (disk.FolderExists(path.c_str()) ? "folder" : "");
    };
    // clang-format off
    Check({ROW(kind(file), "file"), ROW(kind(file + "\\"), ""), ROW(kind(sub), "folder"),
           ROW(kind(bare), "folder"), ROW(kind(folder / "h.txt"), "file"),
           ROW(kind(folder / "hf"), "folder"), ROW(kind(folder / "none"), ""), ROW(kind(""), ""),
           ROW(kind("C:\\"), "folder"), ROW(kind(".."), "folder"),
           ROW(disk.PathExists("..\\sub\\..\\f.txt"), true), ROW(disk.GetScratch(), file),
           ROW(disk.PathExists("../sub/"), true), ROW(disk.GetScratch(), sub),
           ROW(disk.PathExists("missing"), false), ROW(disk.GetScratch(), "")});
    // clang-format on
}

// The package builder's listing; a folder filter judges each folder by what it holds.
TEST(SDiskList, FilesBelowAFolderAndAFolderFilter) {
    TestFolder folder;
    const Names tree(
        {"a.txt", "hid.txt", "caf\xe9.txt", "sub\\c.txt", "sub\\deeper\\e.txt", "hidden\\f.txt"});
    for (const std::string& name : tree) folder.WriteFile("p\\" + name, name);
    folder.WriteFile("f\\onlyfile\\x.txt", "x");
    for (const char* name : {"empty", "onlyfolder\\inner"})
        folder.MakeFolder(std::string("f\\") + name);
    ASSERT_TRUE(AddAttribute(folder / "p\\hid.txt", FILE_ATTRIBUTE_HIDDEN) &&
                AddAttribute(folder / "p\\hidden", FILE_ATTRIBUTE_HIDDEN));
    SDisk disk;
    SStringArray files, folders;
    const int filesAdded =
        disk.List(&files, (folder / "p\\*.*").c_str(), SDisk::kDescend | SDisk::kFiles);
    const int foldersAdded =
        disk.List(&folders, (folder / "f\\*.*").c_str(), SDisk::kFolders | SDisk::kNoFileInside);
    EXPECT_EQ(Listed(files, filesAdded, folder / "p\\"), tree);
    EXPECT_EQ(Listed(folders, foldersAdded, folder / "f\\"), (Names{"empty\\", "onlyfolder\\"}));
    Check({ROW(disk.List(nullptr, "", 7), 0), ROW(disk.List(nullptr, nullptr, 7), 0)});
}

TEST(SDiskCreate, FoldersWithAndWithoutParents) {
    TestFolder folder;
    SDisk disk;
    const std::string deep = folder / "a\\b\\c\\";
    Check({ROW(disk.CreateFolder(deep.c_str(), false), false),
           ROW(disk.FolderExists((folder / "a").c_str()), false),
           ROW(disk.CreateFolder(deep.c_str(), true), true),
           ROW(disk.FolderExists((folder / "a\\b\\c").c_str()), true),
           ROW(disk.CreateFolder(deep.c_str(), false), true)});  // already there

    const std::string file = folder.WriteFile("f.txt", "x");
    std::vector<std::string> paths = {"", "C:\\", file, file + "\\sub\\", folder / "a?b\\"};
    // A letter with no drive behind it, if there is one: never a real root to write at. The root
    // itself is asked: Wine may leave a mapped letter (Z: for /) out of the drive mask.
    for (std::string root = "Z:\\"; root[0] > 'C' && paths.size() == 5; --root[0])
        if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) paths.push_back(root + "x\\y\\");
    for (const std::string& path : paths) {
        EXPECT_FALSE(disk.CreateFolder(path.c_str(), true)) << path;
        EXPECT_FALSE(disk.CreateFolder(path.c_str(), false)) << path;
    }
}

}  // namespace

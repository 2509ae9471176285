// Putting entries in place: the partial file beside each target, its name, and what stays.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>

#include "core/SFilePath.h"
#include "package/SEntryWriter.h"
#include "tests/support/TestFolder.h"

namespace {

std::string Partial(const std::string& target) {
    return SEntryWriter::PartialPath(SString(target.c_str())).GetSafeText();
}

// The short form, from an independent CRC-32 of the name as given in lower case.
std::string ShortForm(const std::string& folder, const std::string& lowerName) {
    char hex[9];
    snprintf(hex, sizeof hex, "%08lx",
             crc32(0, reinterpret_cast<const Bytef*>(lowerName.data()),
                   static_cast<uInt>(lowerName.size())));
    return folder + hex + ".update-partial";
}

TEST(SEntryWriter, PartialFilesAreNamedAfterTheirTargetsWithinThePathLimits) {
    const std::string folder = "C:\\app\\";     // 7 characters
    const std::string fits(259 - 15 - 7, 'n');  // the long form just fits the path limit
    const std::string wide(241, 'w');           // with the suffix, a name past 255 in a path of 259
    struct Case {
        std::string target, partial;
    } const cases[] = {
        {"C:\\app\\bin\\Tool.DLL", "C:\\app\\bin\\Tool.DLL.update-partial"},
        {folder + fits, folder + fits + ".update-partial"},
        {folder + fits + "X", ShortForm(folder, fits + "x")},
        {"C:\\" + wide, ShortForm("C:\\", wide)},
        {folder + std::string(252, 'm'), ShortForm(folder, std::string(252, 'm'))},  // 259
        {folder + std::string(253, 'm'), ""},    // 260: the target itself is past the limit
        {std::string(240, 'f') + "\\name", ""},  // no short form fits beside it either
        {"C:\\app\\", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Partial(c.target), c.partial) << c.target;

    for (const char* name : {"a.update-partial", "sub\\B.Update-Partial", ".update-partial"})
        EXPECT_TRUE(SEntryWriter::IsPartialName(name)) << name;
    for (const char* name : {"a.update-partia", "a.update-partial.txt", "update-partial", ""})
        EXPECT_FALSE(SEntryWriter::IsPartialName(name)) << name;
}

// A partial file left by an interrupted run, read-only even, is replaced by the next run that
// streams the same target (written whole, see the archive's tests), and none stays after it; an
// incomplete stream leaves the target as it was, and no partial file.
TEST(SEntryWriter, StalePartialFilesGoWithTheNextWriteOfTheirTarget) {
    TestFolder folder;
    const std::string stale = folder.WriteFile("big.bin.update-partial", "killed");
    ASSERT_TRUE(SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_READONLY));
    const SString path((folder / "big.bin").c_str());
    for (bool complete : {true, false}) {
        SEntryWriter writer;
        SFilePath file;
        ASSERT_TRUE(writer.PrepareFolder(path) && writer.Begin(path, file));
        EXPECT_EQ(file.Write(complete ? "new" : "half", 3), 3);
        EXPECT_EQ(writer.Commit(path, file, complete), complete);
        EXPECT_EQ(ReadWholeFile(folder / "big.bin"), "new") << complete;
        EXPECT_FALSE(FileIsThere(stale)) << complete;
    }
}

}  // namespace

// Disk files: modes, sharing, attributes and names, and what only a disk file does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "tests/support/TestFolder.h"

namespace {

std::string Text(const SString& s) { return std::string(s.GetSafeText(), s.GetLength()); }

// Opens with the flags that a runtime mode text stands for.
bool OpenAs(SFilePath& file, const std::string& path, const std::string& mode, bool shared) {
    const bool write = mode != "rb";
    const bool truncate = mode == "w+b" || mode == "wb";
    const bool read = mode == "w+b" || mode == "r+b" || mode == "rb";
    return file.Open(path.c_str(), write, truncate, read, shared);
}

// The flags pick the mode; a read-only file opens for reading only and stays as it is, a
// hidden one opens both ways.
TEST(SFilePath, OpenModesFollowTheFlagsAndTheAttributes) {
    struct Case {
        DWORD attribute;
        bool write, truncate, read, exists;
        bool opens;
        int readCount;
        int written;
        const char* content;  // null: no file
    };
    const Case cases[] = {
        {0, true, true, true, true, true, 0, 2, "xy"},         // w+b empties
        {0, true, false, true, true, true, 5, 2, "helloxy"},   // r+b reads from the start
        {0, false, false, true, true, true, 5, 0, "hello"},    // rb
        {0, true, true, false, true, true, 0, 2, "xy"},        // wb
        {0, true, false, false, true, true, 0, 2, "helloxy"},  // ab appends
        {0, false, false, false, true, false, 0, 0, "hello"},  // neither read nor write
        {0, true, false, true, false, false, 0, 0, nullptr},   // r+b needs the file
        {0, true, false, false, false, true, 0, 2, "xy"},      // ab creates
        {0, false, true, false, false, false, 0, 0, nullptr},
        {FILE_ATTRIBUTE_READONLY, false, false, true, true, true, 5, 0, "hello"},
        {FILE_ATTRIBUTE_READONLY, true, false, true, true, false, 0, 0, "hello"},
        {FILE_ATTRIBUTE_READONLY, true, false, false, true, false, 0, 0, "hello"},
        {FILE_ATTRIBUTE_HIDDEN, true, false, true, true, true, 5, 2, "helloxy"},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder / "file.bin";
        if (c.exists) folder.WriteFile("file.bin", "hello");
        if (c.attribute) SetFileAttributesA(path.c_str(), c.attribute);
        const std::string label = std::to_string(c.attribute) + " " + std::to_string(c.write) +
                                  std::to_string(c.truncate) + std::to_string(c.read) +
                                  std::to_string(c.exists);
        SFilePath file;
        EXPECT_EQ(file.Open(path.c_str(), c.write, c.truncate, c.read), c.opens) << label;
        EXPECT_EQ(file.IsOpen(), c.opens) << label;
        char buffer[8] = {};
        EXPECT_EQ(file.Read(buffer, 8), c.readCount) << label;
        EXPECT_EQ(file.Write("xy", 2), c.written) << label;
        file.Close();
        if (c.content) {
            EXPECT_EQ(ReadWholeFile(path), c.content) << label;
        } else {
            EXPECT_FALSE(FileIsThere(path)) << label;
        }
    }
}

// The constructor opens without sharing; a failed open closes what was open before, and the
// path is known exactly while the file is open.
TEST(SFilePath, OpenAndCloseHoldTheFileAndItsPath) {
    TestFolder folder;
    const std::string path = folder.WriteFile("a.txt", "a");
    SFilePath file(path.c_str(), true, false, true);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(Text(file.GetPath()), path);
    SFilePath other;
    EXPECT_FALSE(other.Open(path.c_str(), false, false, true, true));
    EXPECT_FALSE(file.Open((folder / "missing.txt").c_str(), false, false, true));
    EXPECT_FALSE(file.IsOpen() || file.GetPath().GetLength());
    EXPECT_TRUE(other.Open(path.c_str(), true, false, true)) << "the first file was let go";
    EXPECT_FALSE(file.Open("", false, false, true) || file.Open(nullptr, false, false, true));
    other.Close();
    EXPECT_EQ(Text(other.GetPath()), "");
}

// A second open while a first holds the file, both in this process: sharing is checked per
// open, so this is what another program meets as well.
TEST(SFilePath, SharingKeepsOutWhatTheHolderDenies) {
    struct Case {
        const char* held;
        bool heldShared;
        const char* second;
        bool secondShared;
        bool opens;
    };
    const Case cases[] = {
        {"w+b", false, "rb", false, false},  // held for writing: nobody else
        {"ab", false, "rb", true, false},
        {"rb", false, "rb", false, true},    // held for reading: other readers come in
        {"rb", false, "r+b", false, false},  // but no writer
        {"rb", false, "ab", true, false},
        {"rb", true, "r+b", true, true},  // held shared: shared opens of any kind
        {"r+b", true, "r+b", true, true},
        {"r+b", true, "rb", false, false},  // a secure reader refuses a writer already there
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder.WriteFile("shared.bin", "content");
        SFilePath holder;
        ASSERT_TRUE(OpenAs(holder, path, c.held, c.heldShared)) << c.held;
        SFilePath second;
        EXPECT_EQ(OpenAs(second, path, c.second, c.secondShared), c.opens)
            << c.held << (c.heldShared ? " shared, then " : " not shared, then ") << c.second
            << (c.secondShared ? " shared" : " not shared");
        second.Close();
        holder.Close();
        EXPECT_TRUE(OpenAs(second, path, c.second, c.secondShared)) << "once the holder is gone";
    }
}

// Reading right after writing and writing right after reading, with no seek between; the
// size counts what is still in the stream's buffer.
TEST(SFilePath, ReadsAndWritesAlternateWithoutSeeking) {
    TestFolder folder;
    const std::string path = folder / "mixed.bin";
    SFilePath file;
    ASSERT_TRUE(file.Open(path.c_str(), true, true, true));
    EXPECT_EQ(file.WriteString("abcde"), 5);
    EXPECT_EQ(file.GetSize(), 5);
    file.Seek(1);
    char c = 0;
    EXPECT_EQ(file.Read(&c, 1), 1);
    EXPECT_EQ(c, 'b');
    EXPECT_EQ(file.WriteString("X"), 1);  // over the c
    EXPECT_EQ(file.Read(&c, 1), 1);
    EXPECT_EQ(c, 'd');
    EXPECT_EQ(file.WriteString("Y"), 1);  // over the e
    EXPECT_EQ(file.GetPosition(), 5);
    EXPECT_EQ(Text(file.ReadLine()), "");
    EXPECT_EQ(file.WriteLine("f"), 3);
    file.Rewind();
    EXPECT_EQ(Text(file.ReadString()), "abXdYf\r\n");
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "abXdYf\r\n");
}

// Seeks right after writes that are still in the stream's buffer, in every mode that
// writes: the size counts them and the position lands where it was asked for. Appending
// moves the position but still writes at the end.
TEST(SFilePath, SeeksAfterBufferedWritesInEveryWriteMode) {
    struct Case {
        const char* mode;
        int size;
        const char* after;
    };
    const Case cases[] = {
        {"w+b", 10, "01234XY789"},
        {"wb", 10, "01234XY789"},
        {"r+b", 10, "01234XY789"},
        {"ab", 15, "hello0123456789XY"},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder.WriteFile("file.bin", "hello");
        SFilePath file;
        ASSERT_TRUE(OpenAs(file, path, c.mode, false)) << c.mode;
        ASSERT_EQ(file.WriteString("0123456789"), 10);
        EXPECT_EQ(file.Seek(-1), c.size) << c.mode;
        EXPECT_EQ(file.Seek(5), 5) << c.mode;
        EXPECT_EQ(file.WriteString("XY"), 2);
        EXPECT_EQ(file.Seek(-1), static_cast<int>(strlen(c.after))) << c.mode;
        file.Close();
        EXPECT_EQ(ReadWholeFile(path), c.after) << c.mode;
    }
}

// The reporting close: true once everything written is in the file; false when a write
// failed earlier, and when the last buffered bytes cannot go out (the reader of a pipe has
// gone, as a full disk would refuse them). What the mode leaves out fails meanwhile.
TEST(SFilePath, CloseCheckedReportsWhatNeverReachedTheFile) {
    TestFolder folder;
    const std::string path = folder.WriteFile("file.txt", "old");
    SFilePath file;
    EXPECT_TRUE(file.CloseChecked()) << "nothing open, nothing lost";
    ASSERT_TRUE(file.Open(path.c_str(), true, true, false));
    EXPECT_EQ(file.WriteString("new"), 3);
    uint32_t crc = 5;
    EXPECT_FALSE(file.GetCrc(crc) || crc != 5u) << "opened only to write";
    EXPECT_TRUE(file.CloseChecked());
    EXPECT_EQ(ReadWholeFile(path), "new");

    ASSERT_TRUE(file.Open(path.c_str(), false, false, true));
    EXPECT_EQ(file.WriteString("lost") + file.SetSize(1), 0);
    EXPECT_FALSE(file.CloseChecked());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadWholeFile(path), "new");

    const std::string pipe = "\\\\.\\pipe\\updtest-close-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(file.Open(pipe.c_str(), true, false, true));
    EXPECT_EQ(file.WriteString("buffered"), 8);
    DisconnectNamedPipe(server);
    CloseHandle(server);
    EXPECT_FALSE(file.CloseChecked());
}

// The search reads 1 MiB at a time; a match may lie across the steps.
TEST(SFilePath, FindCrossesTheStepsOfWhatItReads) {
    const int kMiB = 1024 * 1024;
    const std::pair<int, int> cases[] = {{kMiB - 3, 0}, {kMiB + 1, 5}, {2 * kMiB + 94, 2 * kMiB}};
    for (const auto& c : cases) {
        TestFolder folder;
        std::string bytes(2 * kMiB + 100, 'N');
        bytes.replace(c.first, 6, "NEEDLE");
        SFilePath file(folder.WriteFile("hay.bin", bytes).c_str(), false, false, true);
        file.Seek(c.second);
        EXPECT_EQ(file.Find("NEEDLE", 6), c.first);
        EXPECT_EQ(file.Find("NEEDLE", 6), -1) << c.first;
        EXPECT_EQ(file.GetPosition(), c.first + 6) << c.first;
    }
}

}  // namespace

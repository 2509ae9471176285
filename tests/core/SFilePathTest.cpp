// Disk files: modes, sharing, attributes and names, and what only a disk file does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "tests/core/Rows.h"
#include "tests/support/TestFolder.h"

namespace {

// Opens with the flags that a runtime mode text stands for; " shared" after it lets others in.
bool OpenAs(SFilePath& file, const std::string& path, const std::string& text) {
    const std::string mode = text.substr(0, text.find(' '));
    return file.Open(path.c_str(), mode != "rb", mode[0] == 'w', mode != "wb" && mode != "ab",
                     mode != text);
}

// Sharing is checked per open, so a holder kept open meets the second open as a program would.
TEST(SFilePath, OpenModesSharingAndAttributes) {
    struct Case {
        DWORD attribute;
        const char *held, *mode;
        bool exists, opens;
        int readCount, written;
        const char* content;  // null: no file
    };
    const Case cases[] = {
        {0, "", "rb", true, true, 5, 0, "hello"},
        {0, "", "wb", true, true, 0, 2, "xy"},
        {0, "", "ab", true, true, 0, 2, "helloxy"},
        {0, "", "rb", false, false, 0, 0, nullptr},  // needs the file
        {0, "", "ab", false, true, 0, 2, "xy"},      // creates it
        {FILE_ATTRIBUTE_READONLY, "", "rb", true, true, 5, 0, "hello"},
        {FILE_ATTRIBUTE_READONLY, "", "wb", true, false, 0, 0, "hello"},
        {FILE_ATTRIBUTE_HIDDEN, "", "ab", true, true, 0, 2, "helloxy"},
        {0, "ab", "rb shared", true, false, 0, 0, "hello"},  // held for writing: nobody else
        {0, "rb", "rb", true, true, 5, 0, "hello"},   // held for reading: other readers come in
        {0, "rb", "ab", true, false, 0, 0, "hello"},  // but no writer
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder / "file.bin";
        if (c.exists) folder.WriteFile("file.bin", "hello");
        if (c.attribute) SetFileAttributesA(path.c_str(), c.attribute);
        const std::string label = std::to_string(c.attribute) + " " + c.held + " then " + c.mode +
                                  (c.exists ? " existing" : " missing");
        SFilePath holder, file;
        char buffer[8] = {};
        const int size = c.opens ? static_cast<int>(strlen(c.content)) : 0;
        Check({ROW(file.Open(path.c_str(), false, c.exists, false), false),
               ROW(!*c.held || OpenAs(holder, path, c.held), true),
               ROW(OpenAs(file, path, c.mode), c.opens), ROW(file.IsOpen(), c.opens),
               ROW(file.Read(buffer, 8), c.readCount), ROW(file.Write("xy", 2), c.written),
               ROW(file.Seek(-1), size),  // the size counts the writes still buffered
               ROW((file.Close(), holder.Close(), FileIsThere(path)), c.content != nullptr),
               ROW(ReadWholeFile(path), c.content ? c.content : "")},
              " for " + label);
    }
}

// A worker cut off part-way may still hold the download that must go: delete on close.
TEST(SFilePath, TemporaryFilesAndSharedReadsMayBeDeletedWhileOpen) {
    TestFolder folder;
    const auto deletable = [&folder](const std::string& open) {
        const std::string path = folder.WriteFile("download.tmp", "hello");
        SFilePath file;
        const bool opened =
            open == "temporary" ? file.OpenTemporary(path.c_str()) : OpenAs(file, path, open);
        const bool deleted = DeleteFileA(path.c_str()) != FALSE;
        file.Close();
        return std::string(opened ? "" : "unopened, ") + (deleted ? "deleted, " : "kept, ") +
               (FileIsThere(path) ? "there" : "gone");
    };
    Check({ROW(deletable("temporary"), "deleted, gone"),
           ROW(deletable("rb shared"), "deleted, gone"), ROW(deletable("rb"), "kept, there"),
           ROW(deletable("w+b"), "kept, there")});
}

// A failed open lets go of what was open before; a write that never reached the file fails.
TEST(SFilePath, OpenAndCloseHoldTheFileAndReportWhatNeverReachedIt) {
    TestFolder folder;
    const std::string path = folder.WriteFile("a.txt", "a");
    const std::string written = folder.WriteFile("file.txt", "old");
    SFilePath file(path.c_str(), true, false, true);
    SFilePath other;
    uint32_t crc = 5;
    SFileMem from;
    from.WriteString("new bytes");
    from.Rewind();
    // clang-format off
    Check({ROW(file.GetPath(), path), ROW(other.Open(path.c_str(), false, false, true, true), false),
           ROW(file.Open((folder / "missing.txt").c_str(), false, false, true), false),
           ROW(file.IsOpen(), false), ROW(file.GetPath(), ""),
           ROW(other.Open(path.c_str(), true, false, true), true),  // the first file was let go
           ROW(file.Open("", false, false, true), false),
           ROW(file.Open(nullptr, false, false, true), false),
           ROW((other.Close(), other.GetPath()), ""), ROW(file.OpenReading(path.c_str()), true),
           ROW(other.Open(path.c_str(), true, false, true, true), false),  // opens are not shared
           ROW(other.CloseChecked(), true),  // nothing open, nothing lost
           ROW(other.Open(written.c_str(), true, true, false), true),
           ROW(other.WriteString("new"), 3), ROW(other.GetCrc(crc), false), ROW(crc, 5u),
           ROW(other.CloseChecked(), true), ROW(ReadWholeFile(written), "new"),
           ROW(other.Open(written.c_str(), false, false, true), true),
           ROW(other.WriteString("lost"), 0), ROW(other.SetSize(1), false),
           ROW(other.CopyFrom(&from), 0), ROW(from.GetPosition(), 0),
           ROW(other.CloseChecked(), false), ROW(other.IsOpen(), false),
           ROW(ReadWholeFile(written), "new")});
    // clang-format on

    const std::string pipe = "\\\\.\\pipe\\updtest-close-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(other.Open(pipe.c_str(), true, false, true));
    EXPECT_EQ(other.WriteString("buffered"), 8);
    DisconnectNamedPipe(server);
    CloseHandle(server);
    EXPECT_FALSE(other.CloseChecked());
}

}  // namespace

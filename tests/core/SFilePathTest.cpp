// Disk files: modes, sharing, attributes and names, and what only a disk file does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"

using namespace std::string_literals;

namespace {

std::string Text(const SString& s) { return std::string(s.GetSafeText(), s.GetLength()); }

// Opens with the flags that a runtime mode text stands for.
bool OpenAs(SFilePath& file, const std::string& path, const std::string& mode, bool shared) {
    const bool write = mode != "rb";
    const bool truncate = mode == "w+b" || mode == "wb";
    const bool read = mode == "w+b" || mode == "r+b" || mode == "rb";
    return file.Open(path.c_str(), write, truncate, read, shared);
}

std::string Noise(size_t count, uint32_t seed) {
    std::string bytes(count, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}

TEST(SFilePath, OpenModesFollowTheFlags) {
    struct Case {
        bool write, truncate, read, exists;
        bool opens; int readCount; int written; const char* content;  // null: no file
    };
    const Case cases[] = {
        {true, true, true, true, true, 0, 2, "xy"},            // w+b empties
        {true, false, true, true, true, 5, 2, "helloxy"},      // r+b reads from the start
        {false, false, true, true, true, 5, 0, "hello"},       // rb
        {false, true, true, true, true, 5, 0, "hello"},        // rb: truncate needs write
        {true, true, false, true, true, 0, 2, "xy"},           // wb
        {true, false, false, true, true, 0, 2, "helloxy"},     // ab appends
        {false, false, false, true, false, 0, 0, "hello"},     // neither read nor write
        {false, true, false, true, false, 0, 0, "hello"},
        {true, true, true, false, true, 0, 2, "xy"},           // w+b creates
        {true, false, true, false, false, 0, 0, nullptr},      // r+b needs the file
        {false, false, true, false, false, 0, 0, nullptr},     // rb needs the file
        {true, true, false, false, true, 0, 2, "xy"},          // wb creates
        {true, false, false, false, true, 0, 2, "xy"},         // ab creates
        {false, false, false, false, false, 0, 0, nullptr},
    };
    int index = 0;
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder / "file.bin";
        if (c.exists) folder.WriteFile("file.bin", "hello");
        SFilePath file;
        EXPECT_EQ(file.Open(path.c_str(), c.write, c.truncate, c.read), c.opens) << index;
        EXPECT_EQ(file.IsOpen(), c.opens) << index;
        if (c.opens) {
            EXPECT_EQ(Text(file.GetPath()), path);
            char buffer[8] = {};
            EXPECT_EQ(file.Read(buffer, 8), c.readCount) << index;
            EXPECT_EQ(file.Write("xy", 2), c.written) << index;
            file.Close();
        }
        if (c.content) {
            EXPECT_EQ(ReadWholeFile(path), c.content) << index;
        } else {
            EXPECT_FALSE(FileIsThere(path)) << index;
        }
        ++index;
    }
}

TEST(SFilePath, AppendModeWritesAtTheEndWhereverThePositionIs) {
    TestFolder folder;
    const std::string path = folder.WriteFile("log.txt", "one\r\n");
    SFilePath file;
    ASSERT_TRUE(file.Open(path.c_str(), true, false, false));
    file.Rewind();
    EXPECT_EQ(file.WriteLine("two"), 5);
    file.Seek(0);
    EXPECT_EQ(file.WriteLine("three"), 7);
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "one\r\ntwo\r\nthree\r\n");
}

TEST(SFilePath, EmptyPathFailsAndAFailedOpenClosesTheFileBefore) {
    TestFolder folder;
    const std::string path = folder.WriteFile("a.txt", "a");
    SFilePath file;
    EXPECT_FALSE(file.Open("", false, false, true));
    EXPECT_FALSE(file.Open(nullptr, false, false, true));
    ASSERT_TRUE(file.Open(path.c_str(), true, false, true));
    EXPECT_FALSE(file.Open((folder / "missing.txt").c_str(), false, false, true));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Text(file.GetPath()), "");
    SFilePath other;
    EXPECT_TRUE(other.Open(path.c_str(), true, false, true)) << "the first file was let go";
}

TEST(SFilePath, CloseEmptiesThePath) {
    TestFolder folder;
    const std::string path = folder.WriteFile("a.txt", "a");
    SFilePath file(path.c_str(), false, false, true);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(Text(file.GetPath()), path);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Text(file.GetPath()), "");
    SFilePath never;
    EXPECT_EQ(Text(never.GetPath()), "");
}

TEST(SFilePath, ConstructorOpensWithoutSharing) {
    TestFolder folder;
    const std::string path = folder / "new.bin";
    SFilePath holder(path.c_str(), true, true, true);
    ASSERT_TRUE(holder.IsOpen());
    SFilePath other;
    EXPECT_FALSE(other.Open(path.c_str(), false, false, true, true));
    SFilePath missing((folder / "none.bin").c_str(), false, false, true);
    EXPECT_FALSE(missing.IsOpen());
}

TEST(SFilePath, ClosedFileGivesNothing) {
    SFilePath file;
    char buffer[4];
    uint32_t crc = 7;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetSize(), 0);
    EXPECT_EQ(file.GetPosition(), 0);
    EXPECT_EQ(file.Seek(3), 0);
    EXPECT_EQ(file.Read(buffer, 4), 0);
    EXPECT_EQ(Text(file.ReadString(4)), "");
    EXPECT_EQ(Text(file.ReadString()), "");
    EXPECT_EQ(file.GetRemaining(), 0);
    EXPECT_TRUE(file.IsEnd());
    EXPECT_FALSE(file.GetCrc(crc));
    EXPECT_EQ(crc, 7u);
    EXPECT_FALSE(file.SetSize(3));
    EXPECT_EQ(file.Write("ab", 2), 0);
    EXPECT_EQ(file.Find("a", 1), -1);
}

// A second open while a first holds the file, both in this process: sharing is checked per
// open, so this is what another program meets as well.
TEST(SFilePath, SharingKeepsOutWhatTheHolderDenies) {
    struct Case {
        const char* held; bool heldShared; const char* second; bool secondShared; bool opens;
    };
    const Case cases[] = {
        {"w+b", false, "rb", false, false},  // held for writing: nobody else
        {"w+b", false, "rb", true, false},
        {"w+b", false, "r+b", true, false},
        {"wb", false, "rb", true, false},
        {"ab", false, "rb", true, false},
        {"rb", false, "rb", false, true},    // held for reading: other readers come in
        {"rb", false, "rb", true, true},
        {"rb", false, "r+b", false, false},  // but no writer
        {"rb", false, "r+b", true, false},
        {"rb", false, "ab", true, false},
        {"rb", true, "rb", true, true},      // held shared: shared opens of any kind
        {"rb", true, "r+b", true, true},
        {"rb", true, "rb", false, true},
        {"r+b", true, "r+b", true, true},
        {"r+b", true, "rb", true, true},
        {"r+b", true, "rb", false, false},   // a secure reader refuses a writer already there
        {"r+b", true, "r+b", false, false},
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

// The same seen from another program: the console's "type" reads the file.
TEST(SFilePath, AnotherProgramReadsOnlyWhatTheHolderLetsIn) {
    TestFolder folder;
    const std::string path = folder.WriteFile("seen.txt", "visible-content");
    const std::string command = "cmd.exe /c type \"" + path + "\"";
    {
        SFilePath holder;
        ASSERT_TRUE(holder.Open(path.c_str(), true, false, true));
        ProcessResult run = RunProcess(command);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.output.find("visible-content"), std::string::npos) << run.output;
    }
    {
        SFilePath holder;
        ASSERT_TRUE(holder.Open(path.c_str(), false, false, true));
        ProcessResult run = RunProcess(command);
        ASSERT_TRUE(run.started);
        EXPECT_NE(run.output.find("visible-content"), std::string::npos) << run.output;
    }
}

TEST(SFilePath, ReadOnlyFileOpensForReadingOnly) {
    struct Case { const char* mode; bool shared; bool opens; };
    const Case cases[] = {
        {"rb", false, true}, {"rb", true, true},   {"r+b", false, false},
        {"w+b", false, false}, {"wb", true, false}, {"ab", false, false},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder.WriteFile("locked.txt", "keep me");
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        SFilePath file;
        EXPECT_EQ(OpenAs(file, path, c.mode, c.shared), c.opens) << c.mode;
        if (file.IsOpen()) {
            EXPECT_EQ(Text(file.ReadString()), "keep me");
        }
        file.Close();
        EXPECT_EQ(ReadWholeFile(path), "keep me") << c.mode;
    }
}

TEST(SFilePath, HiddenFileOpensForReadingAndWriting) {
    TestFolder folder;
    const std::string path = folder.WriteFile("secret.txt", "hidden");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    SFilePath file;
    ASSERT_TRUE(file.Open(path.c_str(), false, false, true));
    EXPECT_EQ(Text(file.ReadString()), "hidden");
    ASSERT_TRUE(file.Open(path.c_str(), true, false, true));
    EXPECT_EQ(file.WriteString("H"), 1);
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "Hidden");
}

// A name with a character above 127 in the ANSI code page ("caf\xe9" in code page 1252) is the
// same file for our narrow opens and for the wide API.
TEST(SFilePath, NamesInTheAnsiCodePage) {
    TestFolder folder;
    const std::wstring wideName = L"caf\u00e9.txt";
    char ansiName[MAX_PATH];
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, wideName.c_str(), -1, ansiName, sizeof ansiName,
                                      nullptr, &lossy);
    if (n == 0 || lossy) GTEST_SKIP() << "the ANSI code page has no e with acute accent";
    if (GetACP() == 1252) {
        EXPECT_STREQ(ansiName, "caf\xe9.txt");
    }
    const std::string path = folder / ansiName;

    SFilePath file;
    ASSERT_TRUE(file.Open(path.c_str(), true, true, true));
    EXPECT_EQ(file.WriteString("bonjour"), 7);
    file.Close();

    wchar_t widePath[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, folder.Path().c_str(), -1, widePath, MAX_PATH), 0);
    const std::wstring wideFull = std::wstring(widePath) + wideName;
    EXPECT_NE(GetFileAttributesW(wideFull.c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(file.Open(path.c_str(), false, false, true));
    EXPECT_EQ(Text(file.ReadString()), "bonjour");
    EXPECT_EQ(Text(file.GetPath()), path);
}

// On disk every CR and LF byte is dropped; only an LF right after a CR ends the line, and
// maximum counts the characters kept.
TEST(SFilePath, ReadLineDropsLoneLineBreaks) {
    struct Case { const char* content; int maximum; const char* line; bool complete; int at; };
    const Case cases[] = {
        {"x\ny\r\nz", -1, "xy", true, 5},
        {"a\rb\r\n", -1, "ab", true, 5},
        {"\n\r\nrest", -1, "", true, 3},
        {"a\r\r\nb", -1, "a", true, 4},
        {"a\n", -1, "a", false, 2},
        {"a\rbc\r\nd", 2, "ab", false, 3},
        {" \n x \r\n", -1, "x", true, 7},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const std::string path = folder.WriteFile("lines.txt", c.content);
        SFilePath file(path.c_str(), false, false, true);
        ASSERT_TRUE(file.IsOpen());
        bool complete = !c.complete;
        EXPECT_EQ(Text(file.ReadLine(false, c.maximum, &complete)), c.line) << c.content;
        EXPECT_EQ(complete, c.complete) << c.content;
        EXPECT_EQ(file.GetPosition(), c.at) << c.content;
    }
}

TEST(SFilePath, ReadLineOfMixedBreaksGivesTwoLines) {
    TestFolder folder;
    const std::string path = folder.WriteFile("lines.txt", "x\ny\r\nz");
    SFilePath file(path.c_str(), false, false, true);
    bool complete = false;
    EXPECT_EQ(Text(file.ReadLine(false, -1, &complete)), "xy");
    EXPECT_TRUE(complete);
    EXPECT_EQ(Text(file.ReadLine(false, -1, &complete)), "z");
    EXPECT_FALSE(complete);
    EXPECT_TRUE(file.IsEnd());
}

// Reading right after writing and writing right after reading, with no seek between.
TEST(SFilePath, ReadsAndWritesAlternateWithoutSeeking) {
    TestFolder folder;
    const std::string path = folder / "mixed.bin";
    SFilePath file;
    ASSERT_TRUE(file.Open(path.c_str(), true, true, true));
    EXPECT_EQ(file.WriteString("abcde"), 5);
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

TEST(SFilePath, WritesAreMeasuredBeforeTheyReachTheDisk) {
    TestFolder folder;
    SFilePath file;
    ASSERT_TRUE(file.Open((folder / "size.bin").c_str(), true, true, false));
    EXPECT_EQ(file.WriteString("0123456789"), 10);
    EXPECT_EQ(file.GetSize(), 10);
    EXPECT_EQ(file.GetPosition(), 10);
    EXPECT_EQ(file.Seek(4), 4);
    EXPECT_EQ(file.GetRemaining(), 6);
}

TEST(SFilePath, SetSizeMovesToTheNewLength) {
    TestFolder folder;
    const std::string path = folder.WriteFile("sized.bin", "hello");
    SFilePath file(path.c_str(), true, false, true);
    file.Seek(1);
    EXPECT_TRUE(file.SetSize(8));
    EXPECT_EQ(file.GetPosition(), 8);
    EXPECT_EQ(file.WriteString("!"), 1);
    EXPECT_TRUE(file.SetSize(3));
    EXPECT_EQ(file.GetPosition(), 3);
    EXPECT_FALSE(file.SetSize(-1));
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "hel");

    ASSERT_TRUE(file.Open(path.c_str(), false, false, true));
    EXPECT_FALSE(file.SetSize(1)) << "opened for reading only";
    file.Close();
    EXPECT_EQ(ReadWholeFile(path), "hel");
}

TEST(SFilePath, GetCrcOfABigFileKeepsThePosition) {
    TestFolder folder;
    const std::string bytes = Noise(2 * 1024 * 1024 + 12345, 9);
    const std::string path = folder.WriteFile("big.bin", bytes);
    SFilePath file(path.c_str(), false, false, true);
    file.Seek(777);
    uint32_t crc = 0;
    EXPECT_TRUE(file.GetCrc(crc));
    EXPECT_EQ(crc, SCrc32(0, bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_EQ(file.GetPosition(), 777);
}

TEST(SFilePath, GetCrcFailsWhereReadingStops) {
    TestFolder folder;
    const std::string path = folder.WriteFile("write-only.bin", "123456789");
    SFilePath file;
    ASSERT_TRUE(file.Open(path.c_str(), true, false, false));  // append: no reading
    file.WriteString("0");
    uint32_t crc = 5;
    EXPECT_FALSE(file.GetCrc(crc));
    EXPECT_EQ(crc, 5u);
    EXPECT_EQ(file.GetPosition(), 0) << "reading stopped at the start";
}

TEST(SFilePath, FindCrossesTheBoundariesOfWhatItReads) {
    const int kMiB = 1024 * 1024;
    struct Case { int at; int start; };
    const Case cases[] = {
        {0, 0},       {kMiB - 6, 0}, {kMiB - 3, 0},     {kMiB - 1, 0},
        {kMiB, 0},    {kMiB + 1, 5}, {2 * kMiB + 94, 0}, {2 * kMiB + 94, 2 * kMiB},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        std::string bytes(2 * kMiB + 100, 'N');
        bytes.replace(c.at, 6, "NEEDLE");
        const std::string path = folder.WriteFile("hay.bin", bytes);
        SFilePath file(path.c_str(), false, false, true);
        file.Seek(c.start);
        EXPECT_EQ(file.Find("NEEDLE", 6), c.at) << c.at;
        EXPECT_EQ(file.GetPosition(), c.at + 6) << c.at;
        EXPECT_EQ(file.Find("NEEDLE", 6), -1) << c.at;
        EXPECT_EQ(file.GetPosition(), c.at + 6) << "a failed search leaves the position";
    }
}

}  // namespace

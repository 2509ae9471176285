// Memory files: the capacity rule, growth, lines in memory, loading files and resources.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "tests/support/TestFolder.h"

using namespace std::string_literals;

namespace {

std::string Text(const SString& s) { return std::string(s.GetSafeText(), s.GetLength()); }

std::string Content(const SFileMem& f) {
    if (!f.GetBuffer()) return std::string();
    return std::string(reinterpret_cast<const char*>(f.GetBuffer()),
                       const_cast<SFileMem&>(f).GetSize());
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

TEST(SFileMem, FreshFileHasNoBlock) {
    SFileMem f;
    uint32_t crc = 9;
    char buffer[4];
    EXPECT_TRUE(f.IsMemory());
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.GetCapacity(), 0);
    EXPECT_EQ(f.GetBuffer(), nullptr);
    EXPECT_EQ(f.GetSize(), 0);
    EXPECT_EQ(f.Seek(5), 0);
    EXPECT_TRUE(f.IsEnd());
    EXPECT_EQ(f.Read(buffer, 4), 0);
    EXPECT_EQ(Text(f.ReadString()), "");
    EXPECT_EQ(Text(f.ReadLine()), "");
    EXPECT_EQ(Text(f.ReadTerminated()), "");
    EXPECT_EQ(f.Find("a", 1), -1);
    EXPECT_FALSE(f.GetCrc(crc));
    EXPECT_EQ(crc, 9u);
    EXPECT_EQ(f.Write("x", 0), 0);
    EXPECT_FALSE(f.IsOpen()) << "writing nothing does not open";
}

TEST(SFileMem, FirstWriteOpensAndCloseReleases) {
    SFileMem f;
    EXPECT_EQ(f.WriteString("abc"), 3);
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(f.GetSize(), 3);
    EXPECT_EQ(f.GetPosition(), 3);
    EXPECT_EQ(f.GetCapacity(), 1024);
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.GetBuffer(), nullptr);
    EXPECT_EQ(f.GetSize(), 0);
    EXPECT_EQ(f.GetCapacity(), 0);
    EXPECT_EQ(f.GetPosition(), 0);
}

// The capacity is the multiple of 1024 strictly above the size, however the size was set.
TEST(SFileMem, CapacityIsTheNextMultipleOf1024AboveTheSize) {
    struct Case { int size; int capacity; };
    const Case cases[] = {{0, 1024},    {1, 1024},    {1023, 1024}, {1024, 2048},
                          {1025, 2048}, {2047, 2048}, {2048, 3072}, {100000, 100352}};
    for (const Case& c : cases) {
        SFileMem reserved;
        reserved.Reserve(c.size, false);
        EXPECT_EQ(reserved.GetSize(), c.size);
        EXPECT_EQ(reserved.GetCapacity(), c.capacity) << "Reserve " << c.size;

        SFileMem sized;
        EXPECT_TRUE(sized.SetSize(c.size));
        EXPECT_EQ(sized.GetCapacity(), c.capacity) << "SetSize " << c.size;

        SFileMem written;
        const std::string bytes(c.size, 'w');
        written.Write(bytes.data(), c.size);
        if (c.size > 0) {
            EXPECT_EQ(written.GetCapacity(), c.capacity) << "Write " << c.size;
        }

        SFileMem shrunk;
        shrunk.Reserve(200000, false);
        shrunk.Reserve(c.size, true);
        EXPECT_EQ(shrunk.GetCapacity(), c.capacity) << "shrunk to " << c.size;
    }
}

TEST(SFileMem, OneByteMoreThan1023DoublesTheCapacity) {
    SFileMem f;
    const std::string bytes(1023, 'a');
    EXPECT_EQ(f.Write(bytes.data(), 1023), 1023);
    EXPECT_EQ(f.GetCapacity(), 1024);
    EXPECT_EQ(f.Write("b", 1), 1);
    EXPECT_EQ(f.GetSize(), 1024);
    EXPECT_EQ(f.GetCapacity(), 2048);
    EXPECT_EQ(Content(f), bytes + "b");
}

TEST(SFileMem, WriteLineGrowsByTheTextAndCrLf) {
    SFileMem f;
    const std::string bytes(1020, 'a');
    f.Write(bytes.data(), 1020);
    EXPECT_EQ(f.WriteLine("xyz"), 5);
    EXPECT_EQ(f.GetSize(), 1025);
    EXPECT_EQ(f.GetCapacity(), 2048);
    EXPECT_EQ(Content(f), bytes + "xyz\r\n");
    f.Seek(1);
    EXPECT_EQ(f.WriteLine(""), 2);
    EXPECT_EQ(f.GetSize(), 1025) << "inside the content nothing grows";
    EXPECT_EQ(Content(f).substr(0, 4), "a\r\na");
}

TEST(SFileMem, ReserveKeepsContentOnlyWhenAsked) {
    SFileMem f;
    f.WriteString("abcdef");
    f.Reserve(3, true);
    EXPECT_EQ(Content(f), "abc");
    f.Reserve(5000, true);
    EXPECT_EQ(f.GetSize(), 5000);
    EXPECT_EQ(Content(f).substr(0, 3), "abc");
    f.Reserve(-5, true);
    EXPECT_EQ(f.GetSize(), 0);
    EXPECT_EQ(f.GetCapacity(), 1024);
    EXPECT_TRUE(f.IsOpen());
}

TEST(SFileMem, ReserveKeepsTheBlockWhileTheCapacityHolds) {
    SFileMem f;
    f.Reserve(100, false);
    const uint8_t* block = f.GetBuffer();
    memcpy(f.GetBuffer(), "kept", 4);
    f.Reserve(1000, false);
    EXPECT_EQ(f.GetBuffer(), block);
    f.Reserve(0, true);
    EXPECT_EQ(f.GetBuffer(), block);
    f.Reserve(1023, false);
    EXPECT_EQ(f.GetBuffer(), block);
    EXPECT_EQ(Content(f).substr(0, 4), "kept") << "the same block, untouched";
    f.Reserve(1024, true);
    EXPECT_EQ(f.GetCapacity(), 2048);
    EXPECT_EQ(Content(f).substr(0, 4), "kept");
}

TEST(SFileMem, ReserveLeavesThePositionInsideTheContent) {
    SFileMem f;
    f.WriteString("abcdef");
    f.Seek(4);
    f.Reserve(3000, true);
    EXPECT_EQ(f.GetPosition(), 4);
    f.Reserve(5, true);
    EXPECT_EQ(f.GetPosition(), 4);
    f.Reserve(2, true);
    EXPECT_EQ(f.GetPosition(), 2) << "never beyond the size";
}

TEST(SFileMem, SetSizeKeepsThePositionWhenGrowing) {
    SFileMem f;
    f.WriteString("abc");
    f.Seek(1);
    EXPECT_TRUE(f.SetSize(4000));
    EXPECT_EQ(f.GetPosition(), 1);
    EXPECT_EQ(Content(f), "abc" + std::string(3997, '\0'));
    EXPECT_TRUE(f.SetSize(-3));
    EXPECT_EQ(f.GetSize(), 0);
    EXPECT_EQ(f.GetPosition(), 0);

    SFileMem fresh;
    EXPECT_TRUE(fresh.SetSize(0));
    EXPECT_TRUE(fresh.IsOpen());
    EXPECT_EQ(fresh.GetCapacity(), 1024);
}

// Bytes written from the file's own block survive the block moving as it grows (a large
// block is given back to the system when it moves, so reading the old one would fault).
TEST(SFileMem, WritesFromItsOwnBlock) {
    for (int size : {1000, 4 * 1024 * 1024}) {
        SFileMem doubled;
        const std::string bytes = Noise(size, 4);
        doubled.Write(bytes.data(), size);
        EXPECT_EQ(doubled.Write(doubled.GetBuffer(), size), size);
        EXPECT_TRUE(Content(doubled) == bytes + bytes) << size;
    }
    SFileMem f;
    const std::string bytes = Noise(1000, 4);
    f.Write(bytes.data(), 1000);
    f.Seek(1);
    EXPECT_EQ(f.Write(f.GetBuffer() + 2, 3), 3);
    EXPECT_EQ(Content(f).substr(0, 5),
              bytes.substr(0, 1) + bytes.substr(2, 3) + bytes.substr(4, 1));
    SFileMem line;
    line.WriteString(std::string(1021, 'q').c_str());
    line.WriteString("", 1);
    EXPECT_EQ(line.WriteLine(reinterpret_cast<const char*>(line.GetBuffer())), 1023);
    EXPECT_EQ(Content(line), std::string(1021, 'q') + "\0"s + std::string(1021, 'q') + "\r\n");
}

// In memory a lone CR or LF is part of the text, and maximum counts the bytes taken.
TEST(SFileMem, ReadLineKeepsLoneLineBreaks) {
    struct Case {
        const char* content; bool raw; int maximum; const char* line; bool complete; int at;
    };
    const Case cases[] = {
        {"x\ny\r\nz", false, -1, "x\ny", true, 5},
        {"a\rb\r\n", false, -1, "a\rb", true, 5},
        {"\n\r\nrest", false, -1, "\n", true, 3},
        {"a\r\r\nb", false, -1, "a\r", true, 4},
        {"ab\r", false, -1, "ab\r", false, 3},
        {"ab\ncd\r\n", false, 4, "ab\nc", false, 4},
        {" \n x \r\n", false, -1, "\n x", true, 7},
        {" \n x \r\n", true, -1, " \n x ", true, 7},
    };
    for (const Case& c : cases) {
        SFileMem f;
        f.WriteString(c.content);
        f.Rewind();
        bool complete = !c.complete;
        EXPECT_EQ(Text(f.ReadLine(c.raw, c.maximum, &complete)), c.line) << c.content;
        EXPECT_EQ(complete, c.complete) << c.content;
        EXPECT_EQ(f.GetPosition(), c.at) << c.content;
    }
}

TEST(SFileMem, ReadLineOfMixedBreaksKeepsTheLoneLf) {
    SFileMem f;
    f.WriteString("x\ny\r\nz");
    f.Rewind();
    bool complete = false;
    EXPECT_EQ(Text(f.ReadLine(false, -1, &complete)), "x\ny");
    EXPECT_TRUE(complete);
    EXPECT_EQ(Text(f.ReadLine(false, -1, &complete)), "z");
    EXPECT_FALSE(complete);
    EXPECT_TRUE(f.IsEnd());
}

TEST(SFileMem, GetCrcRunsOverTheBlockWithoutMoving) {
    SFileMem f;
    f.WriteString("123456789");
    f.Seek(4);
    uint32_t crc = 0;
    EXPECT_TRUE(f.GetCrc(crc));
    EXPECT_EQ(crc, 0xCBF43926u);
    EXPECT_EQ(f.GetPosition(), 4);
    f.Reserve(0, false);
    EXPECT_TRUE(f.GetCrc(crc));
    EXPECT_EQ(crc, 0u);
}

TEST(SFileMem, LoadFileReadsTheWholeFileAndRewinds) {
    const int sizes[] = {0, 1, 1023, 1024, 300000};
    for (int size : sizes) {
        TestFolder folder;
        const std::string bytes = Noise(size, size);
        const std::string path = folder.WriteFile("whole.bin", bytes);
        SFileMem f;
        f.WriteString("previous content");
        EXPECT_TRUE(f.LoadFile(path.c_str())) << size;
        EXPECT_TRUE(f.IsOpen());
        EXPECT_EQ(f.GetPosition(), 0);
        EXPECT_EQ(f.GetSize(), size);
        EXPECT_EQ(f.GetCapacity(), (size / 1024 + 1) * 1024) << size;
        EXPECT_TRUE(Content(f) == bytes) << size;
    }
}

TEST(SFileMem, LoadFileFailsWithoutAFile) {
    TestFolder folder;
    SFileMem f;
    f.WriteString("stays");
    EXPECT_FALSE(f.LoadFile(""));
    EXPECT_FALSE(f.LoadFile(nullptr));
    EXPECT_FALSE(f.LoadFile((folder / "missing.bin").c_str()));
    EXPECT_FALSE(f.LoadFile(folder.Path().c_str())) << "a folder";
    EXPECT_EQ(Content(f), "stays");
    EXPECT_EQ(f.GetPosition(), 5);
}

// Loading only reads, so a file that another holder shares for writing still loads; one
// held exclusively does not.
TEST(SFileMem, LoadFileReadsAFileOthersShare) {
    TestFolder folder;
    const std::string path = folder.WriteFile("busy.txt", "busy");
    SFileMem f;
    {
        SFilePath holder;
        ASSERT_TRUE(holder.Open(path.c_str(), true, false, true, true));
        EXPECT_TRUE(f.LoadFile(path.c_str()));
        EXPECT_EQ(Content(f), "busy");
    }
    {
        SFilePath holder;
        ASSERT_TRUE(holder.Open(path.c_str(), true, false, true, false));
        EXPECT_FALSE(f.LoadFile(path.c_str()));
    }
}

TEST(SFileMem, CopyFromDiskSizesTheBlockOnce) {
    TestFolder folder;
    const std::string bytes = Noise(300000, 11);
    const std::string path = folder.WriteFile("source.bin", bytes);
    SFilePath source(path.c_str(), false, false, true);
    SFileMem f;
    EXPECT_EQ(f.CopyFrom(&source), 300000);
    EXPECT_EQ(f.GetSize(), 300000);
    EXPECT_EQ(f.GetCapacity(), 300032);
    EXPECT_EQ(f.GetPosition(), 300000);
    EXPECT_TRUE(Content(f) == bytes);
}

// A copy of this test program with resources added, loaded as data.
class ResourceModule {
public:
    struct Entry { const char* type; int id; std::string bytes; };

    ResourceModule(const TestFolder& folder, std::initializer_list<Entry> entries) {
        char self[MAX_PATH];
        const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
        const std::string path = folder / "resources.exe";
        if (n == 0 || !CopyFileA(self, path.c_str(), FALSE)) return;
        HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
        if (!update) return;
        for (const Entry& e : entries)
            UpdateResourceA(update, e.type, MAKEINTRESOURCEA(e.id),
                            MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                            const_cast<char*>(e.bytes.data()), static_cast<DWORD>(e.bytes.size()));
        if (!EndUpdateResourceA(update, FALSE)) return;
        module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ResourceModule() {
        if (module) FreeLibrary(module);
    }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    HMODULE module = nullptr;
};

TEST(SFileMem, LoadResourceReadsTheResourceAndRewinds) {
    TestFolder folder;
    const std::string dialog = "VELMOR DIALOG 1.0.0.0\r\nline\0two"s;
    const std::string big = Noise(5000, 2);
    ResourceModule resources(folder, {{"BINARY", 150, dialog}, {"BINARY", 151, big}});
    ASSERT_TRUE(resources.module);

    SFileMem f;
    f.WriteString("previous content that is longer");
    EXPECT_TRUE(f.LoadResource("BINARY", 150, resources.module));
    EXPECT_EQ(f.GetPosition(), 0);
    EXPECT_TRUE(Content(f) == dialog);
    EXPECT_EQ(Text(f.ReadLine()), "VELMOR DIALOG 1.0.0.0");

    EXPECT_TRUE(f.LoadResource("BINARY", 151, resources.module));
    EXPECT_EQ(f.GetPosition(), 0);
    EXPECT_EQ(f.GetCapacity(), 5120);
    EXPECT_TRUE(Content(f) == big);
}

TEST(SFileMem, LoadResourceFailsForAMissingResource) {
    TestFolder folder;
    ResourceModule resources(folder, {{"BINARY", 150, "dialog"}});
    ASSERT_TRUE(resources.module);

    SFileMem f;
    f.WriteString("emptied");
    EXPECT_FALSE(f.LoadResource("BINARY", 152, resources.module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(f.GetSize(), 0) << "the content is emptied first";
    EXPECT_EQ(f.GetPosition(), 0);

    EXPECT_FALSE(f.LoadResource("TEXT", 150, resources.module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));

    SFileMem fresh;
    EXPECT_FALSE(fresh.LoadResource("BINARY", 152, resources.module));
    EXPECT_FALSE(fresh.IsOpen()) << "a failed load leaves a fresh file closed";
}

// This test program carries no dialog descriptions of its own.
TEST(SFileMem, ConstructorLoadsFromTheProgramItself) {
    SFileMem f("BINARY", 150);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.GetSize(), 0);
}

}  // namespace

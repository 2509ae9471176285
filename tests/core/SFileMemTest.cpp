// Memory files: the capacity rule, growth, loading files and resources.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"
#include "tests/support/TestFolder.h"

using namespace std::string_literals;

namespace {

std::string Content(SFileMem& f) {
    return f.GetBuffer() ? std::string(reinterpret_cast<const char*>(f.GetBuffer()), f.GetSize())
                         : std::string();
}

std::string Noise(size_t count, uint32_t seed) {
    std::string bytes(count, '\0');
    for (char& b : bytes) b = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 23);
    return bytes;
}

// The capacity is the multiple of 1024 strictly above the size, however the size was set; a
// file has no block before its first write and none after Close.
TEST(SFileMem, CapacityIsTheNextMultipleOf1024AboveTheSize) {
    const std::pair<int, int> cases[] = {{0, 1024}, {1023, 1024}, {1024, 2048}, {100000, 100352}};
    for (const auto& c : cases) {
        SFileMem reserved;
        reserved.Reserve(c.first, false);
        EXPECT_TRUE(reserved.IsMemory());
        EXPECT_EQ(reserved.GetSize(), c.first);
        EXPECT_EQ(reserved.GetCapacity(), c.second) << "Reserve " << c.first;
        SFileMem sized;
        EXPECT_TRUE(sized.SetSize(c.first));
        EXPECT_EQ(sized.GetCapacity(), c.second) << "SetSize " << c.first;
        SFileMem written;
        written.Write(std::string(c.first, 'w').data(), c.first);
        EXPECT_EQ(written.GetCapacity(), c.first ? c.second : 0) << "Write " << c.first;
        EXPECT_EQ(written.IsOpen(), c.first > 0);
        written.Reserve(200000, false);
        written.Reserve(c.first, true);
        EXPECT_EQ(written.GetCapacity(), c.second) << "shrunk to " << c.first;
        written.Close();
        EXPECT_EQ(written.GetBuffer(), nullptr);
        EXPECT_EQ(written.GetSize() + written.GetCapacity() + written.GetPosition(), 0);
    }
}

// Reserve keeps the block while the capacity holds, keeps content only when asked, and
// never leaves the position beyond the size.
TEST(SFileMem, Reserve) {
    SFileMem f;
    f.Reserve(100, false);
    const uint8_t* block = f.GetBuffer();
    memcpy(f.GetBuffer(), "kept", 4);
    f.Seek(4);
    f.Reserve(1023, false);
    f.Reserve(0, true);
    EXPECT_EQ(f.GetPosition(), 0);
    f.Reserve(6, true);
    EXPECT_EQ(f.GetBuffer(), block);
    EXPECT_EQ(Content(f).substr(0, 4), "kept") << "the same block, untouched";
    f.Seek(4);
    f.Reserve(5000, true);
    EXPECT_EQ(f.GetCapacity(), 5120);
    EXPECT_EQ(f.GetPosition(), 4);
    EXPECT_EQ(Content(f).substr(0, 4), "kept");
    f.Reserve(-5, true);
    EXPECT_EQ(f.GetSize(), 0);
    EXPECT_EQ(f.GetCapacity(), 1024);
    EXPECT_TRUE(f.IsOpen());
}

// Bytes written from the file's own block survive the block moving as it grows (a large
// block is given back to the system when it moves, so reading the old one would fault).
TEST(SFileMem, WritesFromItsOwnBlock) {
    const int size = 4 * 1024 * 1024;
    SFileMem doubled;
    const std::string bytes = Noise(size, 4);
    doubled.Write(bytes.data(), size);
    EXPECT_EQ(doubled.Write(doubled.GetBuffer(), size), size);
    EXPECT_TRUE(Content(doubled) == bytes + bytes);
    SFileMem line;
    const std::string text(size, 'q');
    line.WriteString(text.c_str(), size + 1);  // with its zero byte
    EXPECT_EQ(line.WriteLine(reinterpret_cast<const char*>(line.GetBuffer())), size + 2);
    EXPECT_TRUE(Content(line) == text + "\0"s + text + "\r\n");
    SFileMem f;
    f.WriteString("abcdef");
    f.Seek(1);
    EXPECT_EQ(f.Write(f.GetBuffer() + 2, 3), 3);
    EXPECT_EQ(Content(f), "acdeef");
}

TEST(SFileMem, LoadFileReadsTheWholeFileAndRewinds) {
    TestFolder folder;
    for (int size : {0, 300000}) {
        const std::string bytes = Noise(size, size);
        const std::string path = folder.WriteFile("whole.bin", bytes);
        SFileMem f;
        f.WriteString("previous content");
        EXPECT_TRUE(f.LoadFile(path.c_str())) << size;
        EXPECT_EQ(f.GetPosition(), 0);
        EXPECT_TRUE(Content(f) == bytes) << size;
    }

    // Loading only reads, so a file that a holder shares still loads; one held exclusively,
    // a folder or a missing file does not, and the content stays.
    const std::string path = folder.WriteFile("busy.txt", "busy");
    SFileMem f;
    SFilePath holder;
    ASSERT_TRUE(holder.Open(path.c_str(), true, false, true, true));
    EXPECT_TRUE(f.LoadFile(path.c_str()));
    ASSERT_TRUE(holder.Open(path.c_str(), true, false, true, false));
    f.Seek(2);
    for (const std::string& other : {path, folder / "missing.bin", folder.Path(), std::string()})
        EXPECT_FALSE(f.LoadFile(other.c_str())) << other;
    EXPECT_FALSE(f.LoadFile(nullptr));
    EXPECT_EQ(Content(f), "busy");
    EXPECT_EQ(f.GetPosition(), 2);
}

using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)>;

// A copy of this test program with a resource added, loaded as data; null when that fails.
Module WithResource(const TestFolder& folder, int id, const std::string& bytes) {
    char self[MAX_PATH];
    const std::string path = folder / "resources.exe";
    HANDLE update = nullptr;
    if (GetModuleFileNameA(nullptr, self, sizeof self) && CopyFileA(self, path.c_str(), FALSE))
        update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update) return Module(nullptr, FreeLibrary);
    UpdateResourceA(update, "BINARY", MAKEINTRESOURCEA(id),
                    MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(bytes.data()),
                    static_cast<DWORD>(bytes.size()));
    const bool done = EndUpdateResourceA(update, FALSE);
    return Module(done ? LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE) : nullptr,
                  FreeLibrary);
}

TEST(SFileMem, LoadResource) {
    TestFolder folder;
    const std::string bytes = "VELMOR DIALOG 1.0.0.0\r\n" + Noise(5000, 2);
    const Module module = WithResource(folder, 150, bytes);
    ASSERT_TRUE(module);
    SFileMem f;
    f.WriteString("previous content");
    EXPECT_TRUE(f.LoadResource("BINARY", 150, module.get()));
    EXPECT_EQ(f.GetPosition(), 0);
    EXPECT_TRUE(Content(f) == bytes);

    // A missing resource empties the content first, and the system's error stays.
    f.Seek(7);
    EXPECT_FALSE(f.LoadResource("BINARY", 152, module.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(f.GetSize() + f.GetPosition(), 0);
    SFileMem fresh;
    EXPECT_FALSE(fresh.LoadResource("BINARY", 152, module.get()));
    EXPECT_FALSE(fresh.IsOpen()) << "a failed load leaves a fresh file closed";
}

}  // namespace

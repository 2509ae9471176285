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

// The capacity is the multiple of 1024 above the size; no block before the first write or after
// Close; the block stays while its capacity holds; the position never lies beyond the size.
TEST(SFileMem, CapacityIsTheNextMultipleOf1024AboveTheSize) {
    const std::pair<int, int> cases[] = {{0, 1024}, {1023, 1024}, {1024, 2048}};
    for (const auto& c : cases) {
        SFileMem reserved;
        reserved.Reserve(c.first, false);
        EXPECT_TRUE(reserved.IsMemory());
        EXPECT_EQ(reserved.GetSize(), c.first);
        EXPECT_EQ(reserved.GetCapacity(), c.second) << "Reserve " << c.first;
        SFileMem written;
        const std::string bytes(c.first, 'w');
        written.Write(bytes.data(), c.first);
        EXPECT_EQ(written.GetCapacity(), c.first ? c.second : 0) << "Write " << c.first;
        EXPECT_EQ(written.IsOpen(), c.first > 0);
        written.Reserve(200000, true);
        written.Reserve(c.first, true);
        EXPECT_EQ(written.GetCapacity(), c.second) << "shrunk to " << c.first;
        EXPECT_TRUE(Content(written) == bytes) << "kept through growing and shrinking";
        written.Close();
        EXPECT_EQ(written.GetBuffer(), nullptr);
        EXPECT_EQ(written.GetSize() + written.GetCapacity() + written.GetPosition(), 0);
    }
    SFileMem f;
    f.Reserve(100, false);
    const uint8_t* block = f.GetBuffer();
    memcpy(f.GetBuffer(), "kept", 4);
    f.Seek(4);
    f.Reserve(1023, false);
    EXPECT_EQ(f.GetPosition(), 4);
    f.Reserve(-5, true);
    EXPECT_EQ(f.GetSize() + f.GetPosition(), 0);
    f.Reserve(6, true);
    EXPECT_EQ(f.GetBuffer(), block);
    EXPECT_EQ(Content(f).substr(0, 4), "kept") << "the same block, untouched";
}

// Bytes written from the file's own block survive the block moving (and freed) as it grows.
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
}

// A file loads whole and rewound over what was there, also while a holder shares it; held
// exclusively it does not load, and the content stays.
TEST(SFileMem, LoadFileReadsTheWholeFileAndRewinds) {
    TestFolder folder;
    const std::string path = folder.WriteFile("busy.txt", "busy");
    SFilePath holder;
    ASSERT_TRUE(holder.Open(path.c_str(), true, false, true, true));
    SFileMem f;
    f.WriteString("previous content");
    EXPECT_TRUE(f.LoadFile(path.c_str()));
    EXPECT_EQ(f.GetPosition(), 0);
    EXPECT_EQ(Content(f), "busy");
    ASSERT_TRUE(holder.Open(path.c_str(), true, false, true, false));
    f.Seek(2);
    for (const std::string& other : {path, folder / "missing.bin", std::string()})
        EXPECT_FALSE(f.LoadFile(other.c_str())) << other;
    EXPECT_FALSE(f.LoadFile(nullptr));
    EXPECT_EQ(Content(f), "busy");
    EXPECT_EQ(f.GetPosition(), 2);
}

// A resource added to a copy of this test program, loaded as data, replaces the content; a
// missing one empties it first, leaves the system's error, and leaves a fresh file closed.
TEST(SFileMem, LoadResource) {
    TestFolder folder;
    const std::string bytes = "VELMOR DIALOG 1.0.0.0\r\n" + Noise(5000, 2);
    const std::string path = folder / "resources.exe";
    char self[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(nullptr, self, sizeof self) &&
                CopyFileA(self, path.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    ASSERT_TRUE(update &&
                UpdateResourceA(update, "BINARY", MAKEINTRESOURCEA(150),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> module(
        LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), FreeLibrary);
    ASSERT_TRUE(module);
    SFileMem f;
    f.WriteString("previous content");
    EXPECT_TRUE(f.LoadResource("BINARY", 150, module.get()));
    EXPECT_EQ(f.GetPosition(), 0);
    EXPECT_TRUE(Content(f) == bytes);
    f.Seek(7);
    EXPECT_FALSE(f.LoadResource("BINARY", 152, module.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(f.GetSize() + f.GetPosition(), 0);
    SFileMem fresh;
    EXPECT_FALSE(fresh.LoadResource("BINARY", 152, module.get()));
    EXPECT_FALSE(fresh.IsOpen()) << "a failed load leaves a fresh file closed";
}

}  // namespace

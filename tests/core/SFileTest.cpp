// Behaviour that disk and memory files share, run on both kinds, and copies between them.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "core/SFile.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "tests/support/TestFolder.h"

using namespace std::string_literals;

namespace {

enum class Kind { kDisk, kMemory };

const char* KindName(Kind kind) { return kind == Kind::kDisk ? "Disk" : "Memory"; }

std::string Text(const SString& s) { return std::string(s.GetSafeText(), s.GetLength()); }

std::string Noise(size_t count, uint32_t seed) {
    std::string bytes(count, '\0');
    for (char& b : bytes) b = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 23);
    return bytes;
}

// One file of either kind, in its own folder, holding given bytes.
class FileOfKind {
public:
    FileOfKind(Kind kind, const TestFolder& folder, const std::string& name)
        : kind(kind), folder(folder), name(name) {}

    // Open for reading and writing at position 0.
    SFile* Make(const std::string& content) {
        if (kind == Kind::kDisk) {
            disk.Close();  // it keeps others out
            const std::string path = folder.WriteFile(name, content);
            if (!disk.Open(path.c_str(), true, false, true))
                ADD_FAILURE() << "cannot open " << path;
            return &disk;
        }
        memory.Reserve(static_cast<int>(content.size()), false);
        if (!content.empty()) memcpy(memory.GetBuffer(), content.data(), content.size());
        memory.Rewind();
        return &memory;
    }

    // Read past the object under test; a disk file is closed first.
    std::string Content() {
        if (kind == Kind::kMemory)
            return std::string(reinterpret_cast<const char*>(memory.GetBuffer()), memory.GetSize());
        disk.Close();
        return ReadWholeFile(folder / name);
    }

private:
    const Kind kind;
    const TestFolder& folder;
    const std::string name;
    SFilePath disk;
    SFileMem memory;
};

class SFileBoth : public testing::TestWithParam<Kind> {
protected:
    SFile* Make(const std::string& content) { return file.Make(content); }
    std::string Content() { return file.Content(); }

    TestFolder folder;
    FileOfKind file{GetParam(), folder, "file.bin"};
};

INSTANTIATE_TEST_SUITE_P(SFile, SFileBoth, testing::Values(Kind::kDisk, Kind::kMemory),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return std::string(KindName(info.param));
                         });

// A closed disk file and a memory file without a block answer every question with nothing.
TEST_P(SFileBoth, ClosedFileGivesNothing) {
    SFile* f = Make("abc");
    f->Close();
    char buffer[4];
    uint32_t crc = 7;
    EXPECT_TRUE(!f->IsOpen() && f->IsEnd());
    EXPECT_EQ(f->GetSize() + f->GetPosition() + f->GetRemaining() + f->Seek(3) + f->Read(buffer, 4),
              0);
    EXPECT_EQ(Text(f->ReadString()) + Text(f->ReadString(4)) + Text(f->ReadLine()) +
                  Text(f->ReadTerminated()),
              "");
    EXPECT_FALSE(f->GetCrc(crc) || crc != 7u);
    EXPECT_EQ(f->Find("a", 1), -1);
    EXPECT_EQ(f->Write("x", 0), 0);
    EXPECT_FALSE(f->IsOpen()) << "writing nothing does not open";
    EXPECT_EQ(f->SetSize(3), GetParam() == Kind::kMemory) << "a memory file opens instead";
}

// A length past the text takes its zero byte along; no text writes nothing, no line an empty one.
TEST_P(SFileBoth, WriteStringAndWriteLine) {
    SFile* f = Make("");
    EXPECT_EQ(f->WriteString("SRES"), 4);
    EXPECT_EQ(f->WriteString("SRES", 5) + f->WriteString(nullptr), 5);
    EXPECT_EQ(f->WriteLine("ab") + f->WriteLine(nullptr), 6);
    EXPECT_EQ(f->GetPosition(), 15);
    EXPECT_EQ(Content(), "SRESSRES\0ab\r\n\r\n"s);
}

TEST_P(SFileBoth, ReadAndWriteAtThePosition) {
    SFile* f = Make("hello");
    f->Seek(3);
    EXPECT_EQ(f->GetSize(), 5);
    EXPECT_EQ(f->GetPosition(), 3) << "measuring the size does not move";
    EXPECT_EQ(f->GetRemaining(), 2);
    char buffer[16] = {};
    EXPECT_EQ(f->Read(buffer, 10), 2);  // clamped to what remains
    EXPECT_EQ(std::string(buffer, 2), "lo");
    EXPECT_TRUE(f->IsEnd());
    EXPECT_EQ(f->Read(buffer, 10) + f->GetRemaining(), 0) << "at the end";
    f->Seek(1);
    EXPECT_EQ(f->Read(buffer, 0) + f->Read(buffer, -1), 0);
    EXPECT_EQ(f->ReadData(buffer, 2), 2);
    EXPECT_FALSE(f->IsEnd());
    EXPECT_EQ(f->Write("XYZ", 3), 3);  // over the end
    EXPECT_EQ(f->GetPosition(), 6);
    EXPECT_EQ(f->WriteData("!", 1), 1);
    EXPECT_EQ(f->Write("?", 0) + f->Write("?", -1) + f->Write(nullptr, 3), 0);
    EXPECT_EQ(Content(), "helXYZ!");
}

TEST_P(SFileBoth, SeekAndSkipClampToTheEnd) {
    struct Case {
        bool skip;
        int n;
        int at;
    };
    const Case cases[] = {
        {false, 3, 3},       {false, 5, 5},      {false, 6, 5},      {false, -1, 5},
        {false, INT_MIN, 5}, {true, 2, 4},       {true, -2, 0},      {true, -3, 5},
        {true, 4, 5},        {true, INT_MAX, 5}, {true, INT_MIN, 5},
    };
    for (const Case& c : cases) {
        SFile* f = Make("hello");
        f->Seek(2);
        if (c.skip) {
            f->Skip(c.n);
        } else {
            EXPECT_EQ(f->Seek(c.n), c.at) << c.n;
        }
        EXPECT_EQ(f->GetPosition(), c.at) << (c.skip ? "skip " : "seek ") << c.n;
    }
}

// ReadString ('s') takes count bytes; ReadTerminated reads up to a zero byte, which it passes,
// and keeps ('t') or drops ('d') the text. Empty text is never null.
TEST_P(SFileBoth, ReadStringAndReadTerminated) {
    struct Case {
        std::string content;
        int start;
        char read;
        int count;
        std::string text;
        int at;
    };
    const Case cases[] = {{"he\0lo"s, 0, 's', -1, "he\0lo"s, 5},
                          {"he\0lo"s, 1, 's', 3, "e\0l"s, 4},
                          {"he\0lo"s, 3, 's', 10, "lo", 5},
                          {"he\0lo"s, 5, 's', 3, "", 5},
                          {"he\0lo"s, 2, 's', 0, "", 2},
                          {"abc\0def"s, 0, 't', 0, "abc", 4},
                          {"abc\0def"s, 0, 'd', 0, "", 4},
                          {"abc\0def"s, 4, 't', 0, "def", 7},
                          {"\0x"s, 0, 't', 0, "", 1},
                          {"", 0, 't', 0, "", 0}};
    for (const Case& c : cases) {
        SFile* f = Make(c.content);
        f->Seek(c.start);
        const SString text =
            c.read == 's' ? f->ReadString(c.count) : f->ReadTerminated(c.read == 't');
        EXPECT_EQ(Text(text), c.text) << c.content << " " << c.start << c.read;
        EXPECT_TRUE(c.read != 's' || text.GetText()) << c.start;
        EXPECT_EQ(f->GetPosition(), c.at) << c.content << " " << c.start << c.read;
    }
}

// Only CR LF ends a line; spaces and tabs around the text go unless raw. On disk every other
// CR and LF byte is dropped from the text and maximum counts the bytes kept; in memory a
// lone CR or LF stays in the text and maximum counts the bytes taken.
TEST_P(SFileBoth, ReadLine) {
    struct Case {
        const char* content;
        bool raw;
        int maximum;
        bool complete;
        const char* line;
        int at;
        const char* memoryLine = nullptr;  // where memory differs from disk
        int memoryAt = 0;
    };
    const Case cases[] = {
        {"\t key = 1 \r\nrest", false, -1, true, "key = 1", 12},
        {"  key = 1 \r\nrest", true, -1, true, "  key = 1 ", 12},
        {"", false, -1, false, "", 0},
        {"   \r\n", false, -1, true, "", 5},
        {"abcdef\r\n", false, 3, false, "abc", 3},
        {"ab\r\ncd", false, 2, false, "ab", 2},
        {"ab\r\ncd", false, 3, true, "ab", 4},
        {"abc\r\n", false, 0, false, "", 0},  // maximum 0: nothing is read
        {"x\ny\r\nz", false, -1, true, "xy", 5, "x\ny", 5},
        {"a\rb\r\n", false, -1, true, "ab", 5, "a\rb", 5},
        {"\n\r\nrest", false, -1, true, "", 3, "\n", 3},
        {"a\r\r\nb", false, -1, true, "a", 4, "a\r", 4},
        {"ab\r", false, -1, false, "ab", 3, "ab\r", 3},
        {"a\rbc\r\nd", false, 2, false, "ab", 3, "a\r", 2},
        {" \n x \r\n", false, -1, true, "x", 7, "\n x", 7},
    };
    const bool memory = GetParam() == Kind::kMemory;
    for (const Case& c : cases) {
        SFile* f = Make(c.content);
        bool complete = !c.complete;
        EXPECT_EQ(Text(f->ReadLine(c.raw, c.maximum, &complete)),
                  memory && c.memoryLine ? c.memoryLine : c.line)
            << c.content;
        EXPECT_EQ(complete, c.complete) << c.content;
        EXPECT_EQ(f->GetPosition(), memory && c.memoryLine ? c.memoryAt : c.at) << c.content;
    }
}

TEST_P(SFileBoth, FindSearchesForwardFromThePosition) {
    struct Case {
        std::string content;
        int start;
        std::string pattern;
        int found;
        int at;
    };
    const Case cases[] = {{"hello world", 0, "world", 6, 11},
                          {"hello world", 5, "o", 7, 8},
                          {"hello world", 8, "o", -1, 8},
                          {"hello world", 0, "worlds", -1, 0},
                          {"aaab", 0, "aab", 1, 4},
                          {"a\0b\0c"s, 0, "\0c"s, 3, 5},
                          {"abc", 0, "", -1, 0}};
    for (const Case& c : cases) {
        SFile* f = Make(c.content);
        f->Seek(c.start);
        EXPECT_EQ(f->Find(c.pattern.data(), static_cast<int>(c.pattern.size())), c.found)
            << c.content << " / " << c.pattern;
        EXPECT_EQ(f->GetPosition(), c.at) << c.content << " / " << c.pattern;
    }
    SFile* f = Make("abc");
    EXPECT_EQ(f->Find(nullptr, 2) + f->Find("a", -1), -2);
}

// A position beyond the new size moves to it. Growing, a disk file moves to the new end while
// a memory file stays; a size below 0 is refused on disk and empties a memory file.
TEST_P(SFileBoth, SetSizeCutsAndExtendsWithZeros) {
    const bool memory = GetParam() == Kind::kMemory;
    SFile* f = Make("hello");
    EXPECT_EQ(f->SetSize(-1), memory);
    EXPECT_EQ(f->GetSize(), memory ? 0 : 5);
    f = Make("hello");
    f->Seek(4);
    EXPECT_TRUE(f->SetSize(2));
    EXPECT_EQ(f->GetPosition(), 2);
    f->Seek(1);
    EXPECT_TRUE(f->SetSize(6));
    EXPECT_EQ(f->GetPosition(), memory ? 1 : 6);
    EXPECT_EQ(f->WriteString("!"), 1);
    EXPECT_EQ(Content(), memory ? "h!\0\0\0\0"s : "he\0\0\0\0!"s);
}

// Copies between every pair of kinds.
class SFileCopy : public testing::TestWithParam<std::tuple<Kind, Kind>> {
protected:
    TestFolder folder;
    FileOfKind source{std::get<0>(GetParam()), folder, "source.bin"};
    FileOfKind target{std::get<1>(GetParam()), folder, "target.bin"};
};

INSTANTIATE_TEST_SUITE_P(SFile, SFileCopy,
                         testing::Combine(testing::Values(Kind::kDisk, Kind::kMemory),
                                          testing::Values(Kind::kDisk, Kind::kMemory)),
                         [](const testing::TestParamInfo<std::tuple<Kind, Kind>>& info) {
                             return std::string(KindName(std::get<0>(info.param))) + "To" +
                                    KindName(std::get<1>(info.param));
                         });

TEST_P(SFileCopy, CopiesCountBytesFromPositionToPosition) {
    struct Case {
        int sourceStart;
        const char* before;
        int targetStart;
        int count;
        int copied;
        const char* after;
    };
    const Case cases[] = {{3, "", 0, -1, 7, "3456789"},
                          {3, "", 0, 100, 7, "3456789"},
                          {10, "", 0, -1, 0, ""},
                          {0, "abcdefghijklmnop", 2, 5, 5, "ab01234hijklmnop"},
                          {8, "abcdef", 4, -1, 2, "abcd89"}};
    for (const Case& c : cases) {
        SFile* from = source.Make("0123456789");
        SFile* to = target.Make(c.before);
        from->Seek(c.sourceStart);
        to->Seek(c.targetStart);
        EXPECT_EQ(to->CopyFrom(from, c.count), c.copied) << c.sourceStart << " " << c.count;
        EXPECT_EQ(to->GetPosition(), c.targetStart + c.copied);
        EXPECT_EQ(from->GetPosition(), c.sourceStart + c.copied);
        EXPECT_EQ(target.Content(), c.after) << c.sourceStart << " " << c.count;
    }
    EXPECT_EQ(target.Make("ab")->CopyFrom(nullptr, 5), 0);
}

// More than one step of the work buffer between two disk files, and more than one step of
// reading for the checksum of the target, which is the standard CRC-32 and keeps the position.
TEST_P(SFileCopy, CopiesLargeContentExactly) {
    const std::string bytes = Noise(2 * 1024 * 1024 + 12345, 7);
    SFile* from = source.Make(bytes);
    SFile* to = target.Make("xy");
    from->Seek(5);
    to->Seek(2);
    const int count = static_cast<int>(bytes.size()) - 5;
    EXPECT_EQ(to->CopyFrom(from), count);
    EXPECT_TRUE(from->IsEnd());
    to->Seek(1);
    uint32_t crc = 0;
    EXPECT_TRUE(to->GetCrc(crc));
    EXPECT_EQ(crc, SCrc32(SCrc32(0, "xy", 2), bytes.data() + 5, count));
    EXPECT_EQ(to->GetPosition(), 1);
    EXPECT_TRUE(target.Content() == "xy" + bytes.substr(5));
}

TEST(SFileCopyFrom, SourceSkipsOnlyWhatTheTargetTook) {
    TestFolder folder;
    const std::string path = folder.WriteFile("target.bin", "old");
    SFilePath to;
    ASSERT_TRUE(to.Open(path.c_str(), false, false, true));  // reading only
    SFileMem from;
    from.WriteString("new bytes");
    from.Rewind();
    EXPECT_EQ(to.CopyFrom(&from), 0);
    EXPECT_EQ(from.GetPosition(), 0);
    to.Close();
    EXPECT_EQ(ReadWholeFile(path), "old");
}

// A memory file whose reading a subclass changes: it lends nothing in place, so copies go
// through its Read, which here delivers fewer bytes than it promised, in upper case.
class ShoutingFile : public SFileMem {
public:
    explicit ShoutingFile(int limit) : limit(limit) {}
    int Read(void* data, int count) override {
        if (count > limit) count = limit;
        const int got = SFileMem::Read(data, count);
        limit -= got;
        for (int i = 0; i < got; ++i) static_cast<char*>(data)[i] &= ~0x20;
        return got;
    }
    const uint8_t* PeekRead(int& available) override {
        available = 0;
        return nullptr;
    }

private:
    int limit;
};

TEST(SFileCopyFrom, GoesThroughASubclasssReadAndKeepsOnlyWhatArrived) {
    for (Kind kind : {Kind::kMemory, Kind::kDisk}) {
        ShoutingFile from(5);
        from.WriteString("abcdefgh");
        from.Rewind();
        TestFolder folder;
        FileOfKind target(kind, folder, "target.bin");
        SFile* to = target.Make("0123456789");
        to->Seek(8);
        EXPECT_EQ(to->CopyFrom(&from), 5);
        EXPECT_EQ(to->GetPosition(), 13);
        EXPECT_EQ(target.Content(), "01234567ABCDE");
    }
}

TEST(SCrc32, ContinuesFromAnEarlierValue) {
    const uint32_t head = SCrc32(0, "1234", 4);
    EXPECT_EQ(SCrc32(head, "56789", 5), 0xCBF43926u);
    EXPECT_EQ(SCrc32(head, "56789", 0) + SCrc32(head, nullptr, 5), 2 * head);
}

}  // namespace

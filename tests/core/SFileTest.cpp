// Behaviour that disk and memory files share, run on both kinds; copying between every
// pair of kinds; the CRC-32 function.
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

std::string KindName(const testing::TestParamInfo<Kind>& info) {
    return info.param == Kind::kDisk ? "Disk" : "Memory";
}

// Deterministic pseudo-random bytes.
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

// The CRC-32 one bit at a time, straight from its definition.
uint32_t ReferenceCrc(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// One file of either kind, in its own folder, holding given bytes.
class FileOfKind {
public:
    FileOfKind(Kind kind, const TestFolder& folder, const std::string& name)
        : kind(kind), path(folder / name) {}

    // Fills the file with content and leaves it open for reading and writing at position 0.
    SFile* Make(const std::string& content) {
        if (kind == Kind::kDisk) {
            disk.Close();  // it keeps others out
            FILE* f = fopen(path.c_str(), "wb");
            if (f) {
                fwrite(content.data(), 1, content.size(), f);
                fclose(f);
            }
            if (!disk.Open(path.c_str(), true, false, true)) return nullptr;
            return &disk;
        }
        memory.Reserve(static_cast<int>(content.size()), false);
        if (!content.empty()) memcpy(memory.GetBuffer(), content.data(), content.size());
        memory.Rewind();
        return &memory;
    }

    // Everything the file holds, read past the object under test (a disk file is closed).
    std::string Content() {
        if (kind == Kind::kDisk) {
            disk.Close();
            return ReadWholeFile(path);
        }
        return std::string(reinterpret_cast<const char*>(memory.GetBuffer()), memory.GetSize());
    }

private:
    const Kind kind;
    const std::string path;
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

INSTANTIATE_TEST_SUITE_P(SFile, SFileBoth, testing::Values(Kind::kDisk, Kind::kMemory), KindName);

std::string Text(const SString& s) { return std::string(s.GetSafeText(), s.GetLength()); }

TEST_P(SFileBoth, WriteStringWritesTheGivenLength) {
    struct Case { const char* text; int length; int written; std::string content; };
    const Case cases[] = {
        {"SRES", -1, 4, "SRES"},
        {"SRES", 5, 5, "SRES\0"s},  // length + 1 takes the zero byte along
        {"SRES", 2, 2, "SR"},
        {"SRES", 0, 0, ""},
        {"", -1, 0, ""},
        {nullptr, -1, 0, ""},
    };
    for (const Case& c : cases) {
        SFile* f = Make("");
        ASSERT_TRUE(f);
        EXPECT_EQ(f->WriteString(c.text, c.length), c.written) << c.length;
        EXPECT_EQ(f->GetPosition(), c.written);
        EXPECT_EQ(Content(), c.content) << c.length;
    }
}

TEST_P(SFileBoth, WriteLineEndsWithCrLf) {
    struct Case { const char* text; int written; const char* content; };
    const Case cases[] = {
        {"", 2, "\r\n"},
        {nullptr, 2, "\r\n"},
        {"ab", 4, "ab\r\n"},
        {" x\t", 5, " x\t\r\n"},
    };
    for (const Case& c : cases) {
        SFile* f = Make("");
        ASSERT_TRUE(f);
        EXPECT_EQ(f->WriteLine(c.text), c.written) << c.content;
        EXPECT_EQ(Content(), c.content);
    }
}

TEST_P(SFileBoth, WriteOverwritesAndExtendsAtThePosition) {
    SFile* f = Make("hello");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Seek(3), 3);
    EXPECT_EQ(f->Write("XYZ", 3), 3);
    EXPECT_EQ(f->GetPosition(), 6);
    EXPECT_EQ(f->GetSize(), 6);
    EXPECT_EQ(f->WriteData("!", 1), 1);
    EXPECT_EQ(f->Write("?", 0), 0);
    EXPECT_EQ(f->Write("?", -1), 0);
    EXPECT_EQ(f->Write(nullptr, 3), 0);
    EXPECT_EQ(Content(), "helXYZ!");
}

TEST_P(SFileBoth, SeekClampsToTheEnd) {
    struct Case { int to; int at; };
    const Case cases[] = {{0, 0}, {3, 3}, {5, 5}, {6, 5}, {-1, 5}, {INT_MAX, 5}, {INT_MIN, 5}};
    for (const Case& c : cases) {
        SFile* f = Make("hello");
        ASSERT_TRUE(f);
        f->Seek(1);
        EXPECT_EQ(f->Seek(c.to), c.at) << c.to;
        EXPECT_EQ(f->GetPosition(), c.at) << c.to;
    }
}

TEST_P(SFileBoth, SkipMovesRelativelyAndClampsToTheEnd) {
    struct Case { int n; int at; };
    const Case cases[] = {{2, 4},  {-2, 0}, {-1, 1},       {3, 5},
                          {4, 5},  {-3, 5}, {INT_MAX, 5}, {INT_MIN, 5}};
    for (const Case& c : cases) {
        SFile* f = Make("hello");
        ASSERT_TRUE(f);
        f->Seek(2);
        f->Skip(c.n);
        EXPECT_EQ(f->GetPosition(), c.at) << c.n;
    }
    SFile* f = Make("hello");
    f->Seek(4);
    f->Rewind();
    EXPECT_EQ(f->GetPosition(), 0);
}

TEST_P(SFileBoth, SizeRemainingAndEnd) {
    SFile* f = Make("hello");
    ASSERT_TRUE(f);
    f->Seek(2);
    EXPECT_EQ(f->GetSize(), 5);
    EXPECT_EQ(f->GetPosition(), 2) << "measuring the size does not move";
    EXPECT_EQ(f->GetRemaining(), 3);
    EXPECT_FALSE(f->IsEnd());
    f->Seek(5);
    EXPECT_EQ(f->GetRemaining(), 0);
    EXPECT_TRUE(f->IsEnd());

    f = Make("");
    EXPECT_EQ(f->GetSize(), 0);
    EXPECT_TRUE(f->IsEnd());
}

TEST_P(SFileBoth, ReadClampsToWhatRemains) {
    SFile* f = Make("hello");
    ASSERT_TRUE(f);
    char buffer[16] = {};
    f->Seek(3);
    EXPECT_EQ(f->Read(buffer, 10), 2);
    EXPECT_EQ(std::string(buffer, 2), "lo");
    EXPECT_EQ(f->GetPosition(), 5);
    EXPECT_EQ(f->Read(buffer, 10), 0) << "at the end";
    f->Seek(1);
    EXPECT_EQ(f->Read(buffer, 0), 0);
    EXPECT_EQ(f->Read(buffer, -1), 0);
    EXPECT_EQ(f->GetPosition(), 1);
    EXPECT_EQ(f->ReadData(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "ell");
}

TEST_P(SFileBoth, ReadStringTakesCountBytes) {
    struct Case { int start; int count; std::string text; int at; };
    const Case cases[] = {
        {0, -1, "he\0lo"s, 5}, {1, 3, "e\0l"s, 4}, {3, 10, "lo", 5}, {5, -1, "", 5},
        {5, 3, "", 5},         {2, 0, "", 2},
    };
    for (const Case& c : cases) {
        SFile* f = Make("he\0lo"s);
        ASSERT_TRUE(f);
        f->Seek(c.start);
        const SString text = f->ReadString(c.count);
        EXPECT_EQ(Text(text), c.text) << c.start << " " << c.count;
        EXPECT_NE(text.GetText(), nullptr) << "empty text, not no text";
        EXPECT_EQ(f->GetPosition(), c.at) << c.start << " " << c.count;
    }
}

TEST_P(SFileBoth, ReadTerminatedStopsAfterTheZeroByte) {
    struct Case { std::string content; int start; bool keep; std::string text; int at; };
    const Case cases[] = {
        {"abc\0def"s, 0, true, "abc", 4},
        {"abc\0def"s, 0, false, "", 4},
        {"abc\0def"s, 4, true, "def", 7},
        {"abc", 0, true, "abc", 3},  // no zero byte: up to the end
        {"\0x"s, 0, true, "", 1},
        {"", 0, true, "", 0},
    };
    for (const Case& c : cases) {
        SFile* f = Make(c.content);
        ASSERT_TRUE(f);
        f->Seek(c.start);
        EXPECT_EQ(Text(f->ReadTerminated(c.keep)), c.text) << c.content;
        EXPECT_EQ(f->GetPosition(), c.at) << c.content;
    }
}

// Lines without lone CR or LF bytes read alike on disk and in memory.
TEST_P(SFileBoth, ReadLineEndsAtCrLfTheEndOrTheMaximum) {
    struct Case {
        const char* content; bool raw; int maximum; const char* line; bool complete; int at;
    };
    const Case cases[] = {
        {"  key = 1 \r\nrest", false, -1, "key = 1", true, 12},
        {"  key = 1 \r\nrest", true, -1, "  key = 1 ", true, 12},
        {"\t a b\t \r\n", false, -1, "a b", true, 9},
        {"abc", false, -1, "abc", false, 3},
        {"", false, -1, "", false, 0},
        {"\r\nx", false, -1, "", true, 2},
        {"abcdef\r\n", false, 3, "abc", false, 3},
        {"ab\r\ncd", false, 2, "ab", false, 2},
        {"ab\r\ncd", false, 3, "ab", true, 4},
        {"abc\r\n", false, 0, "", false, 0},  // maximum 0: nothing is read
        {"   \r\n", false, -1, "", true, 5},
    };
    for (const Case& c : cases) {
        SFile* f = Make(c.content);
        ASSERT_TRUE(f);
        bool complete = !c.complete;
        EXPECT_EQ(Text(f->ReadLine(c.raw, c.maximum, &complete)), c.line) << c.content;
        EXPECT_EQ(complete, c.complete) << c.content;
        EXPECT_EQ(f->GetPosition(), c.at) << c.content;
    }
}

TEST_P(SFileBoth, ReadLineWalksThroughLines) {
    SFile* f = Make("a\r\nb\r\n\r\nc");
    ASSERT_TRUE(f);
    struct Line { const char* text; bool complete; };
    const Line lines[] = {{"a", true}, {"b", true}, {"", true}, {"c", false}};
    for (const Line& l : lines) {
        ASSERT_FALSE(f->IsEnd()) << l.text;
        bool complete = !l.complete;
        EXPECT_EQ(Text(f->ReadLine(false, -1, &complete)), l.text);
        EXPECT_EQ(complete, l.complete) << l.text;
    }
    EXPECT_TRUE(f->IsEnd());
    EXPECT_EQ(Text(f->ReadLine()), "") << "without the flag";
}

TEST_P(SFileBoth, FindSearchesForwardFromThePosition) {
    struct Case { std::string content; int start; std::string pattern; int found; int at; };
    const Case cases[] = {
        {"hello world", 0, "world", 6, 11},
        {"hello world", 0, "o", 4, 5},
        {"hello world", 5, "o", 7, 8},
        {"hello world", 8, "o", -1, 8},  // before the position does not count
        {"hello world", 0, "hello world", 0, 11},
        {"hello world", 0, "worlds", -1, 0},
        {"aaab", 0, "aab", 1, 4},
        {"a\0b\0c"s, 0, "\0c"s, 3, 5},
        {"abc", 0, "", -1, 0},
        {"", 0, "a", -1, 0},
    };
    for (const Case& c : cases) {
        SFile* f = Make(c.content);
        ASSERT_TRUE(f);
        f->Seek(c.start);
        EXPECT_EQ(f->Find(c.pattern.data(), static_cast<int>(c.pattern.size())), c.found)
            << c.content << " / " << c.pattern;
        EXPECT_EQ(f->GetPosition(), c.at) << c.content << " / " << c.pattern;
    }
    SFile* f = Make("abc");
    EXPECT_EQ(f->Find(nullptr, 2), -1);
    EXPECT_EQ(f->Find("a", -1), -1);
}

TEST_P(SFileBoth, GetCrcIsTheStandardCrc32AndKeepsThePosition) {
    struct Case { const char* content; uint32_t crc; };
    const Case cases[] = {
        {"123456789", 3421780262u},
        {"", 0},
        {"a", 0xE8B7BE43u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const Case& c : cases) {
        SFile* f = Make(c.content);
        ASSERT_TRUE(f);
        f->Seek(1);
        uint32_t crc = 12345;
        EXPECT_TRUE(f->GetCrc(crc)) << c.content;
        EXPECT_EQ(crc, c.crc) << c.content;
        EXPECT_EQ(f->GetPosition(), c.content[0] ? 1 : 0) << c.content;
    }
}

TEST_P(SFileBoth, SetSizeCutsAndExtendsWithZeros) {
    SFile* f = Make("hello");
    ASSERT_TRUE(f);
    f->Seek(4);
    EXPECT_TRUE(f->SetSize(2));
    EXPECT_EQ(f->GetSize(), 2);
    EXPECT_EQ(f->GetPosition(), 2) << "a position beyond the new size moves to it";
    EXPECT_TRUE(f->SetSize(6));
    EXPECT_EQ(f->GetSize(), 6);
    EXPECT_EQ(Content(), "he\0\0\0\0"s);
}

TEST_P(SFileBoth, LargeCountsRoundTrip) {
    const std::string bytes = Noise(5 * 1024 * 1024 + 7, 1);
    SFile* f = Make("");
    ASSERT_TRUE(f);
    const int count = static_cast<int>(bytes.size());
    EXPECT_EQ(f->Write(bytes.data(), count), count);
    f->Rewind();
    std::string back(bytes.size(), '\0');
    EXPECT_EQ(f->Read(&back[0], count), count);
    EXPECT_TRUE(back == bytes);
    uint32_t crc = 0;
    EXPECT_TRUE(f->GetCrc(crc));
    EXPECT_EQ(crc, ReferenceCrc(bytes));
    EXPECT_EQ(f->GetPosition(), count);
}

// Copies between every pair of kinds.
class SFileCopy : public testing::TestWithParam<std::tuple<Kind, Kind>> {
protected:
    TestFolder folder;
    FileOfKind source{std::get<0>(GetParam()), folder, "source.bin"};
    FileOfKind target{std::get<1>(GetParam()), folder, "target.bin"};
};

std::string PairName(const testing::TestParamInfo<std::tuple<Kind, Kind>>& info) {
    auto name = [](Kind k) { return k == Kind::kDisk ? "Disk" : "Memory"; };
    return std::string(name(std::get<0>(info.param))) + "To" + name(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(SFile, SFileCopy,
                         testing::Combine(testing::Values(Kind::kDisk, Kind::kMemory),
                                          testing::Values(Kind::kDisk, Kind::kMemory)),
                         PairName);

TEST_P(SFileCopy, CopiesCountBytesFromPositionToPosition) {
    struct Case {
        int sourceStart; const char* before; int targetStart; int count;
        int copied; const char* after; int sourceAt;
    };
    const char* digits = "0123456789";
    const Case cases[] = {
        {3, "", 0, -1, 7, "3456789", 10},
        {3, "", 0, 4, 4, "3456", 7},
        {3, "", 0, 100, 7, "3456789", 10},  // cut to what remains
        {3, "", 0, 0, 0, "", 3},
        {10, "", 0, -1, 0, "", 10},
        {0, "abcdefghijklmnop", 2, 5, 5, "ab01234hijklmnop", 5},
        {0, "ab", 2, -1, 10, "ab0123456789", 10},
        {8, "abcdef", 4, -1, 2, "abcd89", 10},
    };
    for (const Case& c : cases) {
        SFile* from = source.Make(digits);
        SFile* to = target.Make(c.before);
        ASSERT_TRUE(from && to);
        from->Seek(c.sourceStart);
        to->Seek(c.targetStart);
        EXPECT_EQ(to->CopyFrom(from, c.count), c.copied) << c.sourceStart << " " << c.count;
        EXPECT_EQ(to->GetPosition(), c.targetStart + c.copied);
        EXPECT_EQ(from->GetPosition(), c.sourceAt) << c.sourceStart << " " << c.count;
        EXPECT_EQ(target.Content(), c.after) << c.sourceStart << " " << c.count;
    }
}

TEST_P(SFileCopy, CopiesLargeContentExactly) {
    const std::string bytes = Noise(3 * 64 * 1024 + 12345, 7);
    SFile* from = source.Make(bytes);
    SFile* to = target.Make("xy");
    ASSERT_TRUE(from && to);
    from->Seek(5);
    to->Seek(2);
    EXPECT_EQ(to->CopyFrom(from), static_cast<int>(bytes.size()) - 5);
    EXPECT_TRUE(from->IsEnd());
    EXPECT_TRUE(target.Content() == "xy" + bytes.substr(5));
}

TEST_P(SFileCopy, AbsentSourceCopiesNothing) {
    SFile* to = target.Make("ab");
    ASSERT_TRUE(to);
    EXPECT_EQ(to->CopyFrom(nullptr), 0);
    EXPECT_EQ(to->CopyFrom(nullptr, 5), 0);
    EXPECT_EQ(target.Content(), "ab");
}

TEST(SFileCopyFrom, MemoryFileCopiedOntoItselfStaysTheSame) {
    SFileMem f;
    f.WriteString("abcdef");
    f.Seek(2);
    EXPECT_EQ(f.CopyFrom(&f), 4);
    EXPECT_EQ(f.GetSize(), 6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.GetBuffer()), 6), "abcdef");
}

TEST(SFileCopyFrom, ReadOnlyTargetTakesNothing) {
    TestFolder folder;
    const std::string path = folder.WriteFile("target.bin", "old");
    SFilePath to;
    ASSERT_TRUE(to.Open(path.c_str(), false, false, true));
    SFileMem from;
    from.WriteString("new bytes");
    from.Rewind();
    EXPECT_EQ(to.CopyFrom(&from), 0);
    EXPECT_EQ(from.GetPosition(), 0) << "the source skips only what was written";
    to.Close();
    EXPECT_EQ(ReadWholeFile(path), "old");
}

TEST(SCrc32, KnownValues) {
    struct Case { std::string bytes; uint32_t crc; };
    const Case cases[] = {
        {"", 0},
        {"a", 0xE8B7BE43u},
        {"abc", 0x352441C2u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {"\0"s, 0xD202EF8Du},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SCrc32(0, c.bytes.data(), static_cast<int>(c.bytes.size())), c.crc) << c.bytes;
        EXPECT_EQ(ReferenceCrc(c.bytes), c.crc) << c.bytes;
    }
}

TEST(SCrc32, ContinuesFromAnEarlierValue) {
    const uint32_t head = SCrc32(0, "1234", 4);
    EXPECT_EQ(SCrc32(head, "56789", 5), 0xCBF43926u);
    EXPECT_EQ(SCrc32(head, "56789", 0), head);
    EXPECT_EQ(SCrc32(head, "56789", -3), head);
    EXPECT_EQ(SCrc32(head, nullptr, 5), head);
}

TEST(SCrc32, AgreesWithTheDefinitionAtEveryAlignmentAndLength) {
    const std::string bytes = Noise(70000, 3);
    for (size_t start = 0; start < 8; ++start) {
        for (size_t length : {size_t(0), size_t(1), size_t(7), size_t(31), size_t(65536 + 3)}) {
            // Straight from the shared block, so that the start is not aligned.
            EXPECT_EQ(SCrc32(0, bytes.data() + start, static_cast<int>(length)),
                      ReferenceCrc(bytes.substr(start, length)))
                << start << " " << length;
        }
    }
}

}  // namespace

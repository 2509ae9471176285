// Files: what disk and memory files share, run on both kinds, and the block streams of archives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/SBlockPipeline.h"
#include "core/SBlockReader.h"
#include "core/SBlockWriter.h"
#include "core/SFile.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SLittleEndian.h"
#include "core/SWindows.h"
#include "tests/core/Rows.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestFolder.h"

using namespace std::string_literals;

namespace {

enum class Kind { kDisk, kMemory };

void Fill(SFileMem& file, const std::string& bytes) {
    file.Write(bytes.data(), static_cast<int>(bytes.size()));
    file.Rewind();
}

std::string Bytes(SFileMem& file) {
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()), file.GetSize());
}

// Lends nothing in place, so copies go through its Read: the first limit bytes, upper-cased.
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
    const uint8_t* PeekRead(int& available) override { return SFile::PeekRead(available); }

private:
    int limit;
};

class FileOfKind {
public:
    FileOfKind(Kind kind, const TestFolder& folder, const std::string& name)
        : kind(kind), folder(folder), name(name) {}

    // Open for reading and writing at position 0.
    SFile* Make(const std::string& content) {
        if (kind == Kind::kMemory) {
            memory.Reserve(0, false);
            Fill(memory, content);
            return &memory;
        }
        disk.Close();  // it keeps others out
        if (!disk.Open(folder.WriteFile(name, content).c_str(), true, false, true))
            ADD_FAILURE() << "cannot open " << name;
        return &disk;
    }

    std::string Bytes() {
        if (kind == Kind::kMemory) return ::Bytes(memory);
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
    const bool memory = GetParam() == Kind::kMemory;
    TestFolder folder;
    FileOfKind file{GetParam(), folder, "file.bin"};
};

INSTANTIATE_TEST_SUITE_P(SFile, SFileBoth, testing::Values(Kind::kDisk, Kind::kMemory),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::kDisk ? "Disk" : "Memory";
                         });

// Closed or blockless, a file answers with nothing; only a memory file opens on SetSize.
TEST_P(SFileBoth, ClosedFileGivesNothing) {
    SFile* f = file.Make("abc");
    f->Close();
    char buffer[4];
    uint32_t crc = 7;
    Check({ROW(f->IsOpen(), false), ROW(f->IsEnd(), true), ROW(f->GetSize(), 0),
           ROW(f->GetPosition(), 0), ROW(f->GetRemaining(), 0), ROW(f->Seek(3), 0),
           ROW(f->Read(buffer, 4), 0), ROW(f->ReadString(4), ""), ROW(f->ReadLine(), ""),
           ROW(f->GetCrc(crc), false), ROW(crc, 7u), ROW(f->Find("a", 1), -1),
           ROW(f->Write("x", 0), 0), ROW(f->IsOpen(), false), ROW(f->SetSize(3), memory)});
}

// Reads and writes alternate without seeking; the size counts what is still buffered.
TEST_P(SFileBoth, ReadAndWriteAtThePosition) {
    SFile* f = file.Make("hello");
    char b[16] = {};
    // clang-format off
    Check({ROW(f->Seek(3), 3), ROW(f->GetSize(), 5), ROW(f->GetPosition(), 3),
           ROW(f->GetRemaining(), 2), ROW(f->Read(b, 10), 2), ROW(std::string(b, 2), "lo"),
           ROW(f->IsEnd(), true), ROW(f->Read(b, 10), 0), ROW(f->GetRemaining(), 0),
           ROW(f->Seek(0), 0), ROW(f->Read(b, 0), 0), ROW(f->Read(b, -1), 0),
           ROW(f->ReadData(b, 1), 1), ROW(f->Write("E", 1), 1), ROW(f->Read(b, 1), 1),
           ROW(b[0], 'l'), ROW(f->IsEnd(), false), ROW(f->Write("L", 1), 1),
           ROW(f->ReadLine(true, 1), "o"), ROW(f->Write("XYZ", 3), 3), ROW(f->GetSize(), 8),
           ROW(f->WriteData("!", 1), 1), ROW(f->Write("?", 0), 0), ROW(f->Write("?", -1), 0),
           ROW(f->Write(nullptr, 3), 0), ROW(f->WriteString("SRES"), 4),
           ROW(f->WriteString("SRES", 5), 5), ROW(f->WriteString(nullptr), 0),
           ROW(f->WriteLine("ab"), 4), ROW(f->WriteLine(nullptr), 2), ROW(f->GetPosition(), 24)});
    // clang-format on
    EXPECT_EQ(file.Bytes(), "hElLoXYZ!SRESSRES\0ab\r\n\r\n"s);
}

// A disk file's Seek once measured only what had reached the disk.
TEST_P(SFileBoth, SeeksAfterBufferedWritesAndReads) {
    SFile* f = file.Make("hello");
    char b[4] = {};
    Check({ROW(f->WriteString("0123456789"), 10), ROW(f->Seek(-1), 10), ROW(f->Seek(5), 5),
           ROW(f->Read(b, 2), 2), ROW(f->Seek(3), 3), ROW(f->Read(b, 1), 1), ROW(b[0], '3'),
           ROW(f->WriteString("XY"), 2), ROW(f->Seek(11), 10), ROW(f->GetPosition(), 10)});
    EXPECT_EQ(file.Bytes(), "0123XY6789");
}

// Beyond either end is the end, for Seek and Skip; ReadString's text is never null.
TEST_P(SFileBoth, SeekSkipAndReadStrings) {
    SFile* f = file.Make("he\0lo\0def"s);
    const auto skip = [f](int n) {
        f->Seek(2);
        f->Skip(n);
        return f->GetPosition();
    };
    const auto text = [](const SString& s) { return s.GetText() ? Str(s) : "null"; };
    // clang-format off
    Check({ROW(f->Seek(3), 3), ROW(f->Seek(10), 9), ROW(f->Seek(-1), 9), ROW(skip(2), 4),
           ROW(skip(-2), 0), ROW(skip(-3), 9), ROW(skip(8), 9),
           ROW((f->Seek(0), text(f->ReadString())), "he\0lo\0def"s), ROW(f->GetPosition(), 9),
           ROW((f->Seek(1), text(f->ReadString(3))), "e\0l"s), ROW(f->GetPosition(), 4),
           ROW((f->Seek(3), text(f->ReadString(10))), "lo\0def"s), ROW(f->GetPosition(), 9),
           ROW(text(f->ReadString(3)), ""), ROW(f->GetPosition(), 9),
           ROW((f->Seek(2), text(f->ReadString(0))), ""), ROW(f->GetPosition(), 2)});
    // clang-format on
}

// Only CR LF ends a line; on disk a lone CR is dropped, in memory it stays.
TEST_P(SFileBoth, ReadLine) {
    const auto line = [this](const char* content, bool raw) {
        SFile* f = file.Make(content);
        bool complete = strchr(content, '\n') == nullptr;  // the opposite, so it must be set
        const std::string text = Str(f->ReadLine(raw, -1, &complete));
        return text + (complete ? "|complete|" : "|cut|") + std::to_string(f->GetPosition());
    };
    Check({ROW(line("\t key = 1 \r\nrest", false), "key = 1|complete|12"),
           ROW(line("  key = 1 \r\nrest", true), "  key = 1 |complete|12"),
           ROW(line("   \r\n", false), "|complete|5"),
           ROW(line("a\r\r\nb", true), memory ? "a\r|complete|4" : "a|complete|4"),
           ROW(line("ab\r", true), memory ? "ab\r|cut|3" : "ab|cut|3")});
}

// Without a match the position stays, so a caller may search again from it.
TEST_P(SFileBoth, FindSearchesForwardFromThePosition) {
    SFile* f = file.Make("hello world");
    Check({ROW((f->Seek(5), f->Find("o", 1)), 7), ROW(f->GetPosition(), 8),
           ROW(f->Find("o", 1), -1), ROW(f->GetPosition(), 8), ROW(f->Find(nullptr, 2), -1)});
}

// The large copy takes several steps on disk, each of which the checksum must see.
TEST_P(SFileBoth, CopiesFromEitherKindAtThePosition) {
    const std::string large = TestRandom(7).Text(2 * 1024 * 1024 + 12345);
    struct Case {
        std::string content, before, after;
        int sourceStart, targetStart, count, copied;
    };
    const Case cases[] = {
        {"0123456789", "abcdefghijklmnop", "ab01234hijklmnop", 0, 2, 5, 5},
        {"0123456789", "abcdef", "abcd89", 8, 4, -1, 2},
        {large, "xy", "xy" + large.substr(5), 5, 2, -1, static_cast<int>(large.size()) - 5},
    };
    for (Kind kind : {Kind::kDisk, Kind::kMemory}) {
        FileOfKind source(kind, folder, "source.bin");
        for (const Case& c : cases) {
            const std::string label = std::to_string(c.sourceStart) +
                                      (kind == Kind::kDisk ? " from disk" : " from memory");
            SFile* from = source.Make(c.content);
            SFile* to = file.Make(c.before);
            from->Seek(c.sourceStart);
            to->Seek(c.targetStart);
            const uint32_t crc = SCrc32(0, c.after.data(), static_cast<int>(c.after.size()));
            uint32_t got = 0;
            // clang-format off
            Check({ROW(to->CopyFrom(from, c.count), c.copied),
                   ROW(to->GetPosition(), c.targetStart + c.copied),
                   ROW(from->GetPosition(), c.sourceStart + c.copied), ROW(to->Seek(1), 1),
                   ROW(to->GetCrc(got), true), ROW(got, crc), ROW(to->GetPosition(), 1)}, label);
            // clang-format on
            EXPECT_TRUE(file.Bytes() == c.after) << label;
        }
    }
    EXPECT_EQ(file.Make("ab")->CopyFrom(nullptr, 5), 0);
}

// The position never lies beyond the size, whatever Reserve does.
TEST(SFileMem, ReserveKeepsTheBytesAndThePositionInside) {
    SFileMem f;
    const std::string bytes(1024, 'w');
    Check({ROW(f.IsOpen(), false), ROW(f.Write(bytes.data(), 1024), 1024),
           ROW((f.Reserve(200000, true), f.Reserve(1024, true), Bytes(f) == bytes), true),
           ROW((f.Reserve(-5, true), f.GetSize()), 0), ROW(f.GetPosition(), 0),
           ROW((f.Close(), f.GetBuffer() == nullptr), true)});
}

// Bytes written from the file's own block survive the block moving (and freed) as it grows.
TEST(SFileMem, WritesFromItsOwnBlock) {
    const int size = 4 * 1024 * 1024;
    const std::string text(size, 'q');
    const std::string line = text + "\0"s + text + "\r\n";
    SFileMem f;
    f.WriteString(text.c_str(), size + 1);  // with its zero byte
    Check({ROW(f.WriteLine(reinterpret_cast<const char*>(f.GetBuffer())), size + 2),
           ROW(f.Write(f.GetBuffer(), 2 * size + 3), 2 * size + 3),
           ROW(Bytes(f) == line + line, true)});
}

// A failed file load keeps the content; a failed resource load empties it, leaving an error.
TEST(SFileMem, LoadsReplaceTheContentOrFail) {
    TestFolder folder;
    const std::string path = folder.WriteFile("busy.txt", "busy");
    SFilePath holder;
    ASSERT_TRUE(holder.Open(path.c_str(), true, false, true, true));
    const HMODULE self = GetModuleHandleA(nullptr);
    SFileMem f, fresh;
    f.WriteString("previous content");
    Check({ROW(f.LoadFile(path.c_str()), true), ROW(f.GetPosition(), 0), ROW(Bytes(f), "busy"),
           ROW(holder.Open(path.c_str(), true, false, true, false), true), ROW(f.Seek(2), 2),
           ROW(f.LoadFile(path.c_str()), false),
           ROW(f.LoadFile((folder / "missing.bin").c_str()), false), ROW(f.LoadFile(""), false),
           ROW(f.LoadFile(nullptr), false), ROW(Bytes(f), "busy"), ROW(f.GetPosition(), 2),
           ROW((SetLastError(0), f.LoadResource("BINARY", 152, self)), false),
           ROW(GetLastError() != 0, true), ROW(f.GetSize(), 0), ROW(f.GetPosition(), 0),
           ROW(fresh.LoadResource("BINARY", 152, self), false), ROW(fresh.IsOpen(), false)});
}

// Everything queued before the failing block is written, the same with any thread count.
TEST(SBlockWriter, ASourceThatFailsPartWayStopsTheSameWayOnEveryThreadCount) {
    const std::string content = TestRandom(3).Text(560000);
    for (int readable : {0, 50000, 250000, 560000 - 1}) {
        std::string first;
        for (int threads : {1, 2, 4}) {
            ShoutingFile source(readable);
            Fill(source, content);
            SFileMem target;
            {
                SBlockWriter writer(&target, threads);
                writer.WriteRaw("head", 4);
                writer.MarkLength();
                writer.WriteValue(7);
                EXPECT_FALSE(writer.AddStream(&source, static_cast<int>(content.size())));
                EXPECT_TRUE(writer.Finish());
            }
            const std::string out = Bytes(target);
            EXPECT_EQ(out.substr(0, 8), "head\x07\0\0\0"s) << "the length is not patched";
            if (threads == 1) first = out;
            EXPECT_TRUE(out == first) << readable << " readable, " << threads << " threads";
        }
    }
}

// Blocks before a bad one are written; nothing past a broken bound is decoded.
TEST(SBlockReader, AMalformedBlockFailsOnEveryThreadCountAfterItsPredecessors) {
    const std::string content = TestRandom(9).Text(700000);
    SFileMem source, packed;
    Fill(source, content);
    source.Compress(&packed);
    const std::string stream = Bytes(packed);
    const auto le = [&stream](size_t at) {
        return LoadUint32(reinterpret_cast<const uint8_t*>(stream.data() + at));
    };
    const int size = static_cast<int>(stream.size());
    size_t fifth = 4;  // where the fifth block starts
    for (int b = 0; b < 4; ++b) fifth += 8 + le(fifth + 4);
    struct Case {
        const char* label;
        std::string stream;
        int payload, threads, result;
        size_t kept;  // the leading bytes of content written
    };
    std::string dataBroken = stream, countBroken = stream;
    dataBroken[fifth + 18] ^= '\xFF';
    countBroken[3] ^= '\xFF';
    const std::string oneBlock = "\x01\0\0\0"s + stream.substr(4, 8 + le(8));
    const Case cases[] = {
        {"fifth block's data", dataBroken, size, 1, -1, 400000},
        {"fifth block's data", dataBroken, size, 5, -1, 400000},
        {"a count beyond the payload", countBroken, size, 1, -1, 0},
        {"the whole stream", stream, -1, 2, 700000, 700000},
        {"no payload", stream, 0, 1, -1, 0},
        {"one block one byte short", oneBlock, static_cast<int>(oneBlock.size()) - 1, 1, -1, 0},
    };
    for (const Case& c : cases) {
        SFileMem in, back;
        Fill(in, c.stream);
        SBlockPipeline pipeline(SBlockPipeline::kDecompress, c.threads);
        EXPECT_EQ(SBlockReader::Decompress(&in, &back, c.payload, pipeline), c.result) << c.label;
        EXPECT_TRUE(Bytes(back) == content.substr(0, c.kept)) << c.label << ", " << c.threads;
    }
}

}  // namespace

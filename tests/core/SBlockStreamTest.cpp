// Block streams: SFile's Compress and Decompress, and the threaded writer and reader behind them.
#include <gtest/gtest.h>

#include <string>

#include "core/SBlockPipeline.h"
#include "core/SBlockReader.h"
#include "core/SBlockWriter.h"
#include "core/SFileMem.h"
#include "core/SLittleEndian.h"

namespace {

// Bytes that compress, but not to nothing, different for each seed.
std::string Content(size_t size, unsigned seed) {
    std::string text(size, '\0');
    for (char& c : text) c = "xyz "[(seed = seed * 1103515245u + 12345u) >> 30];
    return text;
}

void Fill(SFileMem& file, const std::string& bytes) {
    file.Write(bytes.data(), static_cast<int>(bytes.size()));
    file.Rewind();
}

std::string Bytes(SFileMem& file) {
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()), file.GetSize());
}

uint32_t Le(const std::string& bytes, size_t at) {
    return LoadUint32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

// A source that delivers only its first bytes, like a file that fails to read part-way.
class FailingSource : public SFileMem {
public:
    explicit FailingSource(int readable) : readable(readable) {}
    int Read(void* data, int count) override {
        const int allowed = readable - GetPosition();
        return SFileMem::Read(data, count < allowed ? count : (allowed > 0 ? allowed : 0));
    }
    const uint8_t* PeekRead(int& available) override {  // copies must go through Read
        available = 0;
        return nullptr;
    }

private:
    int readable;
};

// Compress writes a block stream (pinned byte for byte by the archive tests) from the position,
// the count cut at the end, and returns its size; Decompress reads it back, whatever follows.
TEST(SFileCompress, CompressesFromThePositionAndDecompressesBack) {
    for (size_t size : {1, 100000, 250000}) {
        const std::string content = Content(size, static_cast<unsigned>(size));
        SFileMem source;
        SFileMem packed;
        Fill(source, content);
        const int written = source.Compress(&packed);
        EXPECT_EQ(written, packed.GetSize()) << size;
        EXPECT_EQ(Le(Bytes(packed), 0), (size + 99999) / 100000) << size;
        SFileMem back;
        packed.Rewind();
        EXPECT_EQ(packed.Decompress(&back), static_cast<int>(size));
        EXPECT_TRUE(Bytes(back) == content) << size;
    }
    SFileMem source;
    SFileMem packed;
    Fill(source, "abc");
    EXPECT_EQ(source.Compress(nullptr) + source.Compress(&packed, 0) + source.Decompress(nullptr),
              0);
    source.Seek(-1);
    EXPECT_EQ(source.Compress(&packed) + packed.GetSize(), 0);
    source.Seek(1);
    EXPECT_GT(source.Compress(&packed, 99), 0);
    packed.WriteString("trailing");
    packed.Rewind();
    SFileMem back;
    EXPECT_EQ(packed.Decompress(&back), 2);
    EXPECT_EQ(Bytes(back), "bc");
}

// Everything queued before the failing block is written, the same with any thread count.
TEST(SBlockWriter, ASourceThatFailsPartWayStopsTheSameWayOnEveryThreadCount) {
    const std::string content = Content(560000, 3);
    for (int readable : {0, 50000, 250000, 560000 - 1}) {
        std::string first;
        for (int threads : {1, 2, 4}) {
            FailingSource source(readable);
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
            EXPECT_EQ(out.substr(0, 8), std::string("head\x07\0\0\0", 8))
                << "the length is not patched";
            if (threads == 1) first = out;
            EXPECT_TRUE(out == first) << readable << " readable, " << threads << " threads";
        }
    }
}

TEST(SBlockReader, AMalformedBlockFailsOnEveryThreadCountAfterItsPredecessors) {
    const std::string content = Content(700000, 9);
    SFileMem source;
    SFileMem packed;
    Fill(source, content);
    source.Compress(&packed);
    std::string stream = Bytes(packed);
    // Break the data of the fifth block.
    size_t at = 4;
    for (int b = 0; b < 4; ++b) at += 8 + Le(stream, at + 4);
    stream[at + 8 + 10] = static_cast<char>(stream[at + 8 + 10] ^ 0xFF);
    for (int threads : {1, 2, 5}) {
        SFileMem broken;
        Fill(broken, stream);
        SFileMem back;
        SBlockPipeline pipeline(SBlockPipeline::kDecompress, threads);
        EXPECT_EQ(
            SBlockReader::Decompress(&broken, &back, static_cast<int>(stream.size()), pipeline),
            -1);
        EXPECT_TRUE(Bytes(back) == content.substr(0, 400000)) << threads << " threads";
    }
}

}  // namespace

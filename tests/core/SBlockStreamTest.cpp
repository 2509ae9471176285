// Block streams: SFile's Compress and Decompress, and the threaded writer and reader
// behind them.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

#include "core/SBlockPipeline.h"
#include "core/SBlockReader.h"
#include "core/SBlockWriter.h"
#include "core/SFileMem.h"
#include "core/SLittleEndian.h"

namespace {

std::string Content(size_t size, unsigned seed) {
    std::string text(size, '\0');
    unsigned state = seed + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        text[i] =
            (state >> 16) % 3 == 0 ? static_cast<char>(state >> 24) : "xyz "[(state >> 20) % 4];
    }
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

TEST(SFileCompress, BlocksOfOneHundredThousandBytesEachAWholeZlibStream) {
    for (size_t size : {1, 100000, 250000}) {
        const std::string content = Content(size, static_cast<unsigned>(size));
        SFileMem source;
        SFileMem packed;
        Fill(source, content);
        const int written = source.Compress(&packed);
        const std::string stream = Bytes(packed);
        ASSERT_EQ(written, static_cast<int>(stream.size())) << size;
        const uint32_t blocks = Le(stream, 0);
        ASSERT_EQ(blocks, (size + 99999) / 100000) << size;

        size_t at = 4;
        std::string decoded;
        for (uint32_t b = 0; b < blocks; ++b) {
            const uint32_t raw = Le(stream, at);
            const uint32_t length = Le(stream, at + 4);
            EXPECT_EQ(raw, b + 1 < blocks ? 100000u : size - 100000 * b) << size;
            std::string out(raw, '\0');
            uLongf outLength = raw;
            ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&out[0]), &outLength,
                                 reinterpret_cast<const Bytef*>(stream.data() + at + 8), length),
                      Z_OK);
            decoded += out;
            at += 8 + length;
        }
        EXPECT_EQ(at, stream.size()) << size;
        EXPECT_TRUE(decoded == content) << size;

        SFileMem back;
        packed.Rewind();
        EXPECT_EQ(packed.Decompress(&back), static_cast<int>(size));
        EXPECT_TRUE(Bytes(back) == content) << size;
    }
}

TEST(SFileCompress, NothingToCompressAndNoTarget) {
    SFileMem source;
    SFileMem packed;
    Fill(source, "abc");
    EXPECT_EQ(source.Compress(nullptr) + source.Compress(&packed, 0) + source.Decompress(nullptr),
              0);
    source.Seek(-1);
    EXPECT_EQ(source.Compress(&packed) + packed.GetSize(), 0);

    // A count beyond what remains is cut there; a stream followed by other bytes still reads.
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

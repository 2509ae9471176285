#include "core/SBlockReader.h"

#include "core/SFile.h"

namespace {

// Reads the block count and checks it against the payload: every block takes at least its
// 8-byte header, so a count beyond that is a lie.
bool ReadBlockCount(SFile* source, int payloadLength, uint32_t& blockCount, uint32_t& remaining) {
    if (payloadLength < 4 || !source->ReadValue(blockCount)) return false;
    remaining = static_cast<uint32_t>(payloadLength) - 4;
    return blockCount <= remaining / 8;
}

// Reads one block header and checks its lengths against the reader's buffers and what is
// left of the payload, which it then reduces by the whole block.
bool ReadBlockHeader(SFile* source, uint32_t& remaining, uint32_t& raw, uint32_t& packed) {
    if (remaining < 8 || !source->ReadValue(raw) || !source->ReadValue(packed)) return false;
    if (raw < 1 || raw > SBlockPipeline::kBlockSize || packed > SBlockPipeline::kMaxPacked ||
        packed > remaining - 8)
        return false;
    remaining -= 8 + packed;
    return true;
}

// Writes the oldest finished block to the target, once no earlier block has failed.
void WriteOldest(SBlockPipeline& pipeline, SFile* target, bool& ok, int& written) {
    const SBlockPipeline::Block* block = pipeline.TakeOldest();
    if (!block->ok) ok = false;
    if (ok && target->Write(block->raw, block->rawLength) != block->rawLength) ok = false;
    if (ok) written += block->rawLength;
    pipeline.Release();
}

}  // namespace

int SBlockReader::Decompress(SFile* source, SFile* target, int payloadLength,
                             SBlockPipeline& pipeline) {
    // Without a known payload the stream may be followed by other bytes; with one, the
    // blocks must fill it exactly.
    if (!pipeline.IsReady()) return -1;
    const bool exact = payloadLength >= 0;
    if (!exact) payloadLength = source->GetRemaining();
    uint32_t blockCount = 0;
    uint32_t remaining = 0;
    if (!ReadBlockCount(source, payloadLength, blockCount, remaining)) return -1;

    bool ok = true;
    int written = 0;
    for (uint32_t i = 0; i < blockCount && ok; ++i) {
        if (pipeline.IsFull()) WriteOldest(pipeline, target, ok, written);
        uint32_t raw = 0;
        uint32_t packed = 0;
        if (!ok || !ReadBlockHeader(source, remaining, raw, packed)) {
            ok = false;
            break;
        }
        SBlockPipeline::Block* block = pipeline.Next();
        if (source->Read(block->packed, static_cast<int>(packed)) != static_cast<int>(packed)) {
            ok = false;
            break;
        }
        block->rawLength = static_cast<int>(raw);
        block->packedLength = static_cast<int>(packed);
        // A stream of one block gains nothing from a hand-over to a worker.
        pipeline.Submit(blockCount == 1);
    }
    while (!pipeline.IsEmpty()) WriteOldest(pipeline, target, ok, written);
    return ok && (remaining == 0 || !exact) ? written : -1;
}

int64_t SBlockReader::Measure(SFile* source, int payloadLength) {
    uint32_t blockCount = 0;
    uint32_t remaining = 0;
    if (!ReadBlockCount(source, payloadLength, blockCount, remaining)) return -1;
    int64_t total = 0;
    for (uint32_t i = 0; i < blockCount; ++i) {
        uint32_t raw = 0;
        uint32_t packed = 0;
        if (!ReadBlockHeader(source, remaining, raw, packed)) return -1;
        total += raw;
        source->Skip(static_cast<int>(packed));
    }
    return remaining == 0 ? total : -1;
}

#include "core/SBlockReader.h"

#include "core/SFile.h"

namespace {

bool ReadValue(SFile* source, uint32_t& value) {
    uint8_t bytes[4];
    if (source->Read(bytes, 4) != 4) return false;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
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
    const bool exact = payloadLength >= 0;
    if (!exact) payloadLength = source->GetRemaining();
    uint32_t blockCount = 0;
    if (payloadLength < 4 || !ReadValue(source, blockCount)) return -1;
    uint32_t remaining = static_cast<uint32_t>(payloadLength) - 4;
    // Every block takes at least its 8-byte header: a count beyond that is a lie.
    if (blockCount > remaining / 8) return -1;

    bool ok = true;
    int written = 0;
    for (uint32_t i = 0; i < blockCount && ok; ++i) {
        if (pipeline.IsFull()) WriteOldest(pipeline, target, ok, written);
        uint32_t raw = 0;
        uint32_t packed = 0;
        if (!ok || !ReadValue(source, raw) || !ReadValue(source, packed)) {
            ok = false;
            break;
        }
        remaining -= 8;
        if (raw < 1 || raw > SBlockPipeline::kBlockSize || packed > SBlockPipeline::kMaxPacked ||
            packed > remaining) {
            ok = false;
            break;
        }
        SBlockPipeline::Block* block = pipeline.Next();
        if (source->Read(block->packed, static_cast<int>(packed)) != static_cast<int>(packed)) {
            ok = false;
            break;
        }
        remaining -= packed;
        block->rawLength = static_cast<int>(raw);
        block->packedLength = static_cast<int>(packed);
        // A stream of one block gains nothing from a hand-over to a worker.
        pipeline.Submit(blockCount == 1);
    }
    while (!pipeline.IsEmpty()) WriteOldest(pipeline, target, ok, written);
    return ok && (remaining == 0 || !exact) ? written : -1;
}

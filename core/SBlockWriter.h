#pragma once
// SBlockWriter: writes block streams (a 4-byte block count, then per block its raw length R,
// its compressed length K and K bytes of zlib data) into a target file, in order, while the
// blocks compress on a pipeline. Plain bytes queued between streams land exactly where they
// were queued. A 4-byte field marked before a stream receives the stream's byte count once
// its last block is written (the archive's payload length). The output is the same
// whatever the number of threads. Its large buffers are allocated without throwing: a
// writer whose memory could not be had is not ready, and writes nothing.
#include <cstdint>
#include <vector>

#include "core/SBlockPipeline.h"
#include "core/SHeapBlock.h"

class SFile;

class SBlockWriter {
public:
    SBlockWriter(SFile* target, int threads);
    ~SBlockWriter();
    SBlockWriter(const SBlockWriter&) = delete;
    SBlockWriter& operator=(const SBlockWriter&) = delete;

    bool IsReady() const { return pipeline.IsReady() && outBlock.data != nullptr; }
    void WriteRaw(const void* data, int count);
    void WriteValue(uint32_t value);
    // The next WriteValue is a length field to patch with the size of the next stream.
    void MarkLength();
    // Queues count bytes of source, from its position, as one block stream. False when the
    // source delivers fewer bytes: nothing of the failing block is queued.
    [[nodiscard]] bool AddStream(SFile* source, int count);
    // Writes everything still queued; false when any write to the target fell short.
    [[nodiscard]] bool Finish();

    int GetLastStreamSize() const { return lastStreamSize; }

private:
    struct Slot {
        std::vector<uint8_t> prefix;  // plain bytes that precede this block
        int markInPrefix;             // offset of the length field to patch, or -1
        int64_t markAt;               // or its target position when already out, or -1
        bool firstOfStream;
        bool lastOfStream;
    };

    void Emit(const SBlockPipeline::Block& block, Slot& slot);
    void TakeOldest();
    void Out(const void* data, int count);
    void Flush();
    void Patch(int64_t position, uint32_t value);

    SFile* target;
    SBlockPipeline pipeline;
    std::vector<Slot> slots;  // parallel to the pipeline's ring
    int nextSlot = 0;         // ring position of the next slot to fill
    int oldestSlot = 0;       // ring position of the oldest slot in flight

    // Plain bytes queued behind blocks still in flight, and where a marked field sits there.
    std::vector<uint8_t> pending;
    int pendingMark = -1;
    int64_t pendingMarkAt = -1;
    bool markNext = false;

    // Output collects here before it goes to the target in large writes; a length field
    // still in it is patched in memory, one already written is patched in the target.
    SHeapBlock outBlock;
    size_t outSize = 0;
    int64_t outStart;           // target position of the collected output's first byte
    int64_t markPosition = -1;  // target position of the length field of the open stream
    int streamSize = 0;
    int lastStreamSize = 0;
    bool writeFailed = false;
};

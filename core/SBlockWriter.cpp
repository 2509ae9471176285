#include "core/SBlockWriter.h"

#include <cstring>

#include "core/SFile.h"
#include "core/SLittleEndian.h"

namespace {

constexpr size_t kFlushSize = 1 << 20;
// Room for a full step and the largest block that can arrive on top of it.
constexpr size_t kOutCapacity = kFlushSize + 8 + SBlockPipeline::kMaxPacked;

}  // namespace

SBlockWriter::SBlockWriter(SFile* target, int threads)
    : target(target), pipeline(SBlockPipeline::kCompress, threads), outBlock(kOutCapacity) {
    slots.resize(pipeline.GetSlotCount());
    outStart = target->GetPosition();
    if (!IsReady()) writeFailed = true;
}

SBlockWriter::~SBlockWriter() = default;

void SBlockWriter::WriteRaw(const void* data, int count) {
    if (count <= 0) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (pipeline.IsEmpty())
        Out(bytes, count);
    else
        pending.insert(pending.end(), bytes, bytes + count);
}

void SBlockWriter::WriteValue(uint32_t value) {
    if (markNext) {
        markNext = false;
        if (pipeline.IsEmpty())
            pendingMarkAt = outStart + static_cast<int64_t>(outSize);
        else
            pendingMark = static_cast<int>(pending.size());
    }
    uint8_t field[4];
    StoreUint32(field, value);
    WriteRaw(field, 4);
}

void SBlockWriter::MarkLength() {
    markNext = true;
    pendingMark = -1;
    pendingMarkAt = -1;
}

bool SBlockWriter::AddStream(SFile* source, int count) {
    if (!IsReady()) return false;
    if (count <= 0) {
        pendingMark = -1;  // no stream: the marked field keeps the value it was given
        pendingMarkAt = -1;
        return true;
    }
    const int blockSize = SBlockPipeline::kBlockSize;
    WriteValue(static_cast<uint32_t>((count + blockSize - 1) / blockSize));
    for (int done = 0; done < count;) {
        if (pipeline.IsFull()) TakeOldest();
        SBlockPipeline::Block* block = pipeline.Next();
        const int length = count - done < blockSize ? count - done : blockSize;
        if (source->Read(block->raw, length) != length) return false;
        block->rawLength = length;

        Slot& slot = slots[nextSlot];
        slot.prefix.swap(pending);
        pending.clear();
        slot.markInPrefix = pendingMark;
        slot.markAt = pendingMarkAt;
        pendingMark = -1;
        pendingMarkAt = -1;
        slot.firstOfStream = done == 0;
        done += length;
        slot.lastOfStream = done == count;
        pipeline.Submit();
        nextSlot = (nextSlot + 1) % pipeline.GetSlotCount();
    }
    return true;
}

bool SBlockWriter::Finish() {
    while (!pipeline.IsEmpty()) TakeOldest();
    Out(pending.data(), static_cast<int>(pending.size()));
    pending.clear();
    Flush();
    return !writeFailed;
}

void SBlockWriter::TakeOldest() {
    const SBlockPipeline::Block* block = pipeline.TakeOldest();
    Emit(*block, slots[oldestSlot]);
    pipeline.Release();
    oldestSlot = (oldestSlot + 1) % pipeline.GetSlotCount();
}

void SBlockWriter::Emit(const SBlockPipeline::Block& block, Slot& slot) {
    if (!block.ok) writeFailed = true;
    if (slot.markInPrefix >= 0)
        markPosition = outStart + static_cast<int64_t>(outSize) + slot.markInPrefix;
    else if (slot.markAt >= 0)
        markPosition = slot.markAt;
    Out(slot.prefix.data(), static_cast<int>(slot.prefix.size()));
    slot.prefix.clear();

    if (slot.firstOfStream) streamSize = 4;
    uint8_t header[8];
    StoreUint32(header, static_cast<uint32_t>(block.rawLength));
    StoreUint32(header + 4, static_cast<uint32_t>(block.packedLength));
    Out(header, 8);
    Out(block.packed, block.packedLength);
    streamSize += 8 + block.packedLength;

    if (slot.lastOfStream) {
        lastStreamSize = streamSize;
        if (markPosition >= 0) Patch(markPosition, static_cast<uint32_t>(streamSize));
        markPosition = -1;
    }
}

// Collects output; what cannot fit beside what is collected goes out first, and a run of
// plain bytes larger than the whole buffer goes straight to the target.
void SBlockWriter::Out(const void* data, int count) {
    if (count <= 0 || !outBlock.data) return;
    if (outSize + count > kOutCapacity) Flush();
    if (static_cast<size_t>(count) > kOutCapacity) {
        if (target->Write(data, count) != count) writeFailed = true;
        outStart += count;
        return;
    }
    memcpy(outBlock.data + outSize, data, count);
    outSize += count;
    if (outSize >= kFlushSize) Flush();
}

void SBlockWriter::Flush() {
    if (outSize == 0) return;
    const int count = static_cast<int>(outSize);
    if (target->Write(outBlock.data, count) != count) writeFailed = true;
    outStart += count;
    outSize = 0;
}

// The field is patched where it sits: in the collected output when it is still there,
// otherwise in the target, whose position then returns to its end.
void SBlockWriter::Patch(int64_t position, uint32_t value) {
    uint8_t field[4];
    StoreUint32(field, value);
    if (position >= outStart) {
        memcpy(outBlock.data + (position - outStart), field, 4);
        return;
    }
    Flush();
    const int end = target->GetPosition();
    target->Seek(static_cast<int>(position));
    if (target->Write(field, 4) != 4) writeFailed = true;
    target->Seek(end);
}

#include "core/SFile.h"

#include <zlib.h>

#include <climits>
#include <cstdlib>

#include "core/SFileMem.h"
#include "core/SHeapBlock.h"
#include "core/SLittleEndian.h"

namespace {

// Bytes moved per step when a copy has to go through a work buffer.
constexpr int kCopyStep = 64 * 1024;

}  // namespace

SFile::~SFile() = default;

void SFile::Rewind() { Seek(0); }

// A target outside the int range is beyond the end or below 0 either way, and Seek takes
// both to the end; computing it in 64 bits keeps a large n from overflowing on the way.
void SFile::Skip(int n) {
    const int64_t target = static_cast<int64_t>(GetPosition()) + n;
    Seek(target < 0 || target > INT_MAX ? -1 : static_cast<int>(target));
}

// Copies count bytes (negative: all) from the source's position to this file's position and
// returns the sum of what the writes reported. Three roads give the same bytes:
// - a memory source is written straight from its block, then skipped by what was written;
// - a memory target is sized once for the whole copy and read into directly, so that a big
//   file staged in memory is neither grown step by step nor copied twice;
// - otherwise the bytes go through a work buffer, a step at a time.
int SFile::CopyFrom(SFile* source, int count) {
    if (!source) return 0;
    const int remaining = source->GetRemaining();
    if (count < 0 || count > remaining) count = remaining;
    if (count <= 0) return 0;

    if (source->isMemory) {
        SFileMem* memory = static_cast<SFileMem*>(source);
        const int written = Write(memory->GetBuffer() + memory->GetPosition(), count);
        source->Skip(written);
        return written;
    }

    if (isMemory) {
        SFileMem* target = static_cast<SFileMem*>(this);
        const int start = target->GetPosition();
        const int oldSize = target->GetSize();
        const int64_t end = static_cast<int64_t>(start) + count;
        if (end > INT_MAX) return 0;
        if (end > oldSize) {
            target->Reserve(static_cast<int>(end), true);
            if (target->GetSize() != end) return 0;  // the block could not grow
        }
        int done = 0;
        while (done < count) {
            const int got = source->Read(target->GetBuffer() + start + done, count - done);
            if (got <= 0) break;
            done += got;
        }
        // A source that delivered less than it promised leaves no unwritten tail behind.
        if (start + done < end && end > oldSize)
            target->Reserve(start + done > oldSize ? start + done : oldSize, true);
        target->Seek(start + done);
        return done;
    }

    SHeapBlock buffer(kCopyStep);
    if (!buffer.data) return 0;
    int done = 0;
    int total = 0;
    while (done < count) {
        const int step = count - done < kCopyStep ? count - done : kCopyStep;
        const int got = source->Read(buffer.data, step);
        if (got <= 0) break;
        const int written = Write(buffer.data, got);
        if (written > 0) total += written;
        if (written != got) break;
        done += got;
    }
    return total;
}

// zlib's crc32 is the standard CRC-32 and much faster than a byte-at-a-time table loop;
// everything a user downloads runs through here once.
uint32_t SCrc32(uint32_t crc, const void* data, int count) {
    if (!data || count < 1) return crc;
    return static_cast<uint32_t>(
        crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(count)));
}

bool SFile::ReadValue(uint32_t& value) {
    uint8_t bytes[4];
    if (Read(bytes, 4) != 4) return false;
    value = LoadUint32(bytes);
    return true;
}

bool SFile::WriteValue(uint32_t value) {
    uint8_t bytes[4];
    StoreUint32(bytes, value);
    return WriteData(bytes, 4) == 4;
}

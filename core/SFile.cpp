#include "core/SFile.h"

#include <zlib.h>

#include <climits>
#include <cstdlib>

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
// returns the sum of what the writes reported. A source that lends its bytes in place is
// written straight from them and then skipped by what was written; otherwise this file
// reads them in, in the way that suits its kind (ReadFrom).
int SFile::CopyFrom(SFile* source, int count) {
    if (!source) return 0;
    const int remaining = source->GetRemaining();
    if (count < 0 || count > remaining) count = remaining;
    if (count <= 0) return 0;
    int available = 0;
    if (const uint8_t* bytes = source->PeekRead(available)) {
        const int written = Write(bytes, count < available ? count : available);
        source->Skip(written);
        return written;
    }
    return ReadFrom(source, count);
}

const uint8_t* SFile::PeekRead(int& available) {
    available = 0;
    return nullptr;
}

// Through a work buffer, a step at a time, until the source delivers nothing or a write
// falls short.
int SFile::ReadFrom(SFile* source, int count) {
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

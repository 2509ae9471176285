#include "package/SArchiveScan.h"

#include <cstring>

#include "core/SBlockPipeline.h"
#include "core/SLittleEndian.h"

namespace {

constexpr uint32_t kMagicValue = 0x53455253;  // "SRES" read as a little-endian value
constexpr uint32_t kTerminator = 0xFFFFFFFF;
// No path the system can open is longer; a longer name is no name our writer produced.
constexpr uint32_t kLongestName = 32767;

}  // namespace

void SArchiveScan::Feed(const void* data, size_t count) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (count > 0 && !broken) {
        switch (stage) {
            case Stage::kAfterEnd:
                Break();  // bytes after the terminator
                break;
            case Stage::kName: {
                const void* zero = memchr(bytes, 0, count);
                const size_t taken = zero ? static_cast<const uint8_t*>(zero) - bytes + 1 : count;
                nameLength += static_cast<uint32_t>(taken);
                bytes += taken;
                count -= taken;
                if (nameLength > kLongestName + 1)
                    Break();
                else if (zero)
                    EndOfBytes();
                break;
            }
            case Stage::kStored:
            case Stage::kBlockData: {
                const size_t taken = count < skip ? count : skip;
                skip -= static_cast<uint32_t>(taken);
                bytes += taken;
                count -= taken;
                if (skip == 0) EndOfBytes();
                break;
            }
            default:
                field[fieldFill++] = *bytes++;
                --count;
                if (fieldFill == 4) {
                    fieldFill = 0;
                    TakeValue(LoadUint32(field));
                }
                break;
        }
    }
}

// A name, a stored payload or a block's data has been passed over: what comes next.
void SArchiveScan::EndOfBytes() {
    if (stage == Stage::kName) {
        if (nameLength < 2) return Break();  // an entry without a name
        if (payloadLength == 0) {
            stage = Stage::kLength;  // an empty file: no payload, not even a block count
        } else if (!compressed) {
            skip = payloadLength;
            stage = Stage::kStored;
        } else {
            payloadLeft = payloadLength;
            stage = Stage::kBlockCount;
        }
        return;
    }
    if (stage == Stage::kStored || --blocksLeft == 0) {
        if (stage == Stage::kBlockData && payloadLeft != 0) return Break();
        stage = Stage::kLength;
        return;
    }
    stage = Stage::kRaw;
}

void SArchiveScan::TakeValue(uint32_t value) {
    switch (stage) {
        case Stage::kMagic:
            if (value != kMagicValue) return Break();
            stage = Stage::kFlag;
            return;
        case Stage::kFlag:
            compressed = (value & 0xFF) != 0;
            stage = Stage::kLength;
            return;
        case Stage::kLength:
            if (value == kTerminator) {
                stage = Stage::kAfterEnd;
                return;
            }
            ++entries;
            payloadLength = value;
            nameLength = 0;
            stage = Stage::kName;
            return;
        case Stage::kBlockCount:
            // Every block takes at least its 8-byte header and one byte of data.
            if (payloadLeft < 4 || value == 0 || value > (payloadLeft - 4) / 9) return Break();
            payloadLeft -= 4;
            blocksLeft = value;
            stage = Stage::kRaw;
            return;
        case Stage::kRaw:
            // Only the last block may hold less than a full block.
            if (value < 1 || value > SBlockPipeline::kBlockSize ||
                (blocksLeft > 1 && value != SBlockPipeline::kBlockSize))
                return Break();
            rawLength = value;
            stage = Stage::kPacked;
            return;
        case Stage::kPacked:
            if (value < 1 || value > SBlockPipeline::kMaxPacked || payloadLeft < 8 ||
                value > payloadLeft - 8)
                return Break();
            payloadLeft -= 8 + value;
            skip = value;
            stage = Stage::kBlockData;
            return;
        default:
            return Break();
    }
}

#pragma once
// SArchiveScan: checks an archive's structure from its bytes as they stream past, in pieces
// of any size, without holding them: the magic, the entry table, every block header of a
// compressed payload and the lengths adding up to the payload, the terminator last and
// nothing after it. The package builder feeds it the bytes its CRC-32 pass reads anyway.
#include <cstddef>
#include <cstdint>

class SArchiveScan {
public:
    void Feed(const void* data, size_t count);
    // The bytes fed so far form a whole archive.
    bool IsWhole() const { return stage == Stage::kAfterEnd && !broken; }
    int GetEntryCount() const { return entries; }

private:
    enum class Stage {
        kMagic,
        kFlag,
        kLength,
        kName,
        kStored,
        kBlockCount,
        kRaw,
        kPacked,
        kBlockData,
        kAfterEnd
    };

    void TakeValue(uint32_t value);
    void EndOfBytes();
    void Break() { broken = true; }

    Stage stage = Stage::kMagic;
    bool broken = false;
    bool compressed = false;
    uint8_t field[4] = {};
    int fieldFill = 0;
    uint32_t nameLength = 0;
    uint32_t payloadLength = 0;
    uint32_t payloadLeft = 0;  // payload bytes not yet accounted for by the block headers
    uint32_t blocksLeft = 0;
    uint32_t rawLength = 0;
    uint32_t skip = 0;  // bytes of stored payload or of block data still to pass over
    int entries = 0;
};

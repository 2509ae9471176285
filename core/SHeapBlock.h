#pragma once
// SHeapBlock: a block of bytes on the heap, freed when the owner goes, so that early returns
// cannot leak it. Data is null when the memory could not be had: large work buffers are a
// failure to report, not a reason to end the program.
#include <cstdint>
#include <cstdlib>

class SHeapBlock {
public:
    explicit SHeapBlock(size_t size) : data(static_cast<uint8_t*>(malloc(size))) {}
    ~SHeapBlock() { free(data); }
    SHeapBlock(const SHeapBlock&) = delete;
    SHeapBlock& operator=(const SHeapBlock&) = delete;

    uint8_t* const data;
};

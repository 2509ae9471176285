#pragma once
// SBlockPipeline: compresses or decompresses independent zlib blocks on worker threads while
// one calling thread fills slots in order and takes them back in the same order. Memory is a
// fixed ring of a few slots per thread. With one thread no worker starts: each block is
// processed as it is submitted, which is the sequential path. The ring is allocated without
// throwing: a pipeline whose memory could not be had is not ready and must not be used.
#include <cstdint>

#include "core/SHeapBlock.h"
#include "core/SWindows.h"

class SBlockPipeline {
public:
    static constexpr int kBlockSize = 100000;  // uncompressed bytes of a full block
    static constexpr int kMaxPacked = 110012;  // compressed bytes a block may take
    enum Mode { kCompress, kDecompress };

    struct Block {
        uint8_t* raw;      // kBlockSize bytes
        uint8_t* packed;   // kMaxPacked bytes
        int rawLength;     // compress: input length; decompress: the length it must give
        int packedLength;  // compress: result length; decompress: input length
        bool ok;           // the zlib call succeeded and gave exactly the lengths expected
        bool done;
    };

    SBlockPipeline(Mode mode, int threads);
    ~SBlockPipeline();
    SBlockPipeline(const SBlockPipeline&) = delete;
    SBlockPipeline& operator=(const SBlockPipeline&) = delete;

    static int GetProcessorCount();
    bool IsReady() const { return slots != nullptr; }
    int GetSlotCount() const { return slotCount; }
    bool IsFull() const { return inFlight == slotCount; }
    bool IsEmpty() const { return inFlight == 0; }

    Block* Next();                     // the slot to fill next; only while not IsFull
    void Submit(bool here = false);    // hands that slot to the workers, or processes it here
    Block* TakeOldest();               // waits for the oldest submitted slot to be processed
    void Release();                    // gives the oldest slot back for refilling
    void Process(Block& block) const;  // the zlib work on one block, on the calling thread

private:
    void StartWorkers();
    static DWORD WINAPI WorkerMain(LPVOID self);
    void WorkerLoop();

    const Mode mode;
    int threadCount;
    const int slotCount;
    SHeapBlock slotMemory;    // the slots' records
    SHeapBlock memory;        // both buffers of every slot
    SHeapBlock workerMemory;  // the workers' handles
    Block* slots = nullptr;
    HANDLE* workers = nullptr;

    // Ring positions, counted from the start: oldest in flight, next to start, next to fill.
    int head = 0;
    int started = 0;
    int tail = 0;
    int inFlight = 0;
    bool stopping = false;
    CRITICAL_SECTION lock;
    CONDITION_VARIABLE workReady;
    CONDITION_VARIABLE workDone;
};

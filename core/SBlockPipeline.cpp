#include "core/SBlockPipeline.h"

#include <zlib.h>

#include <new>

namespace {

// Two slots per worker keep every worker busy while the calling thread reads and writes.
constexpr int kSlotsPerThread = 2;
constexpr int kMaxThreads = 64;

int ThreadsFor(int threads) {
    return threads < 1 ? 1 : (threads > kMaxThreads ? kMaxThreads : threads);
}

int SlotsFor(int threads) { return threads == 1 ? 1 : threads * kSlotsPerThread; }

}  // namespace

int SBlockPipeline::GetProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

SBlockPipeline::SBlockPipeline(Mode mode, int threads)
    : mode(mode),
      threadCount(ThreadsFor(threads)),
      slotCount(SlotsFor(threadCount)),
      slotMemory(sizeof(Block) * slotCount),
      memory(static_cast<size_t>(slotCount) * (kBlockSize + kMaxPacked)),
      workerMemory(sizeof(HANDLE) * threadCount) {
    InitializeCriticalSection(&lock);
    InitializeConditionVariable(&workReady);
    InitializeConditionVariable(&workDone);
    if (!slotMemory.data || !memory.data || !workerMemory.data) return;
    slots = reinterpret_cast<Block*>(slotMemory.data);
    for (int i = 0; i < slotCount; ++i) {
        Block* block = new (&slots[i]) Block();
        block->raw = memory.data + static_cast<size_t>(i) * (kBlockSize + kMaxPacked);
        block->packed = block->raw + kBlockSize;
    }
    if (threadCount > 1) StartWorkers();
}

// Starts the workers; when the system gives fewer threads than asked, the pipeline goes on
// with those it has, and with none it processes each block as it is submitted.
void SBlockPipeline::StartWorkers() {
    workers = reinterpret_cast<HANDLE*>(workerMemory.data);
    int startedCount = 0;
    for (int i = 0; i < threadCount; ++i) {
        HANDLE worker = CreateThread(nullptr, 0, WorkerMain, this, 0, nullptr);
        if (worker) workers[startedCount++] = worker;
    }
    threadCount = startedCount;
    if (startedCount == 0) {
        workers = nullptr;
        threadCount = 1;
    }
}

SBlockPipeline::~SBlockPipeline() {
    if (workers) {
        EnterCriticalSection(&lock);
        stopping = true;
        LeaveCriticalSection(&lock);
        WakeAllConditionVariable(&workReady);
        for (int i = 0; i < threadCount; ++i) {
            WaitForSingleObject(workers[i], INFINITE);
            CloseHandle(workers[i]);
        }
    }
    DeleteCriticalSection(&lock);
}

SBlockPipeline::Block* SBlockPipeline::Next() { return &slots[tail % slotCount]; }

void SBlockPipeline::Submit(bool here) {
    Block& block = slots[tail % slotCount];
    block.done = false;
    ++inFlight;
    if (!workers) {
        Process(block);
        block.done = true;
        ++tail;
        return;
    }
    EnterCriticalSection(&lock);
    // Work done here must not be queued for the workers too: only when no earlier block
    // waits for a worker can this one skip the queue.
    const bool processHere = here && started == tail;
    if (processHere) ++started;
    ++tail;
    LeaveCriticalSection(&lock);
    if (processHere) {
        Process(block);
        EnterCriticalSection(&lock);
        block.done = true;
        LeaveCriticalSection(&lock);
        return;
    }
    WakeConditionVariable(&workReady);
}

SBlockPipeline::Block* SBlockPipeline::TakeOldest() {
    Block& block = slots[head % slotCount];
    if (workers) {
        EnterCriticalSection(&lock);
        while (!block.done) SleepConditionVariableCS(&workDone, &lock, INFINITE);
        LeaveCriticalSection(&lock);
    }
    return &block;
}

// head and inFlight belong to the calling thread alone; workers only read tail and started.
void SBlockPipeline::Release() {
    ++head;
    --inFlight;
}

void SBlockPipeline::Process(Block& block) const {
    if (mode == kCompress) {
        uLongf length = kMaxPacked;
        block.ok = compress(block.packed, &length, block.raw, block.rawLength) == Z_OK;
        block.packedLength = block.ok ? static_cast<int>(length) : 0;
    } else {
        // uncompress fills at most rawLength bytes: a stream that claims more fails.
        uLongf length = block.rawLength;
        block.ok = uncompress(block.raw, &length, block.packed, block.packedLength) == Z_OK &&
                   length == static_cast<uLongf>(block.rawLength);
    }
}

DWORD WINAPI SBlockPipeline::WorkerMain(LPVOID self) {
    static_cast<SBlockPipeline*>(self)->WorkerLoop();
    return 0;
}

void SBlockPipeline::WorkerLoop() {
    EnterCriticalSection(&lock);
    for (;;) {
        while (!stopping && started == tail) SleepConditionVariableCS(&workReady, &lock, INFINITE);
        if (stopping) break;
        Block& block = slots[started % slotCount];
        ++started;
        LeaveCriticalSection(&lock);
        Process(block);
        EnterCriticalSection(&lock);
        block.done = true;
        WakeAllConditionVariable(&workDone);
    }
    LeaveCriticalSection(&lock);
}

#include "package/SEntryLanes.h"

#include "core/SFileMem.h"
#include "package/SEntryWriter.h"

namespace {

// Enough content in flight to keep every lane busy behind a few big entries, and no more:
// the rest waits in the archive.
constexpr int64_t kBytesInFlight = 32 << 20;
constexpr int kJobsPerLane = 64;

// The lane of a target: from its partial file's name in ASCII lower case, as names compare,
// so that two entries that would share a partial file never run at once.
size_t LaneOf(const SString& target, size_t lanes) {
    const SString partial = SEntryWriter::PartialPath(target);
    uint32_t hash = 2166136261u;
    for (const char* p = partial.GetSafeText(); *p; ++p) {
        const char ch = *p >= 'A' && *p <= 'Z' ? static_cast<char>(*p - 'A' + 'a') : *p;
        hash = (hash ^ static_cast<uint8_t>(ch)) * 16777619u;
    }
    return hash % lanes;
}

}  // namespace

struct SEntryLanes::_SJob {
    int index;
    SString target;
    SFileMem* content;
    int count;
    bool inNewFolder;
};

// A lane that cannot start makes the whole not ready: the lanes that did are sent away, and
// the caller writes its entries itself.
SEntryLanes::SEntryLanes(int count, char* written) : written(written) {
    InitializeCriticalSection(&lock);
    InitializeConditionVariable(&workReady);
    InitializeConditionVariable(&roomFreed);
    lanes.resize(static_cast<size_t>(count < 1 ? 1 : count));
    ready = true;
    for (_SLane& lane : lanes) {
        lane.owner = this;
        lane.thread = CreateThread(nullptr, 0, LaneMain, &lane, 0, nullptr);
        if (!lane.thread) ready = false;
    }
    if (!ready) Finish();
}

SEntryLanes::~SEntryLanes() {
    Finish();
    DeleteCriticalSection(&lock);
}

DWORD WINAPI SEntryLanes::LaneMain(LPVOID lane) {
    _SLane* self = static_cast<_SLane*>(lane);
    self->owner->Work(*self);
    return 0;
}

void SEntryLanes::Put(int index, const SString& target, SFileMem* content, int count,
                      bool inNewFolder) {
    _SJob* job = new _SJob{index, target, content, count, inNewFolder};
    _SLane& lane = lanes[LaneOf(target, lanes.size())];
    EnterCriticalSection(&lock);
    while (jobsInFlight > 0 && (bytesInFlight + count > kBytesInFlight ||
                                jobsInFlight >= kJobsPerLane * static_cast<int>(lanes.size())))
        SleepConditionVariableCS(&roomFreed, &lock, INFINITE);
    lane.jobs.push_back(job);
    bytesInFlight += count;
    ++jobsInFlight;
    LeaveCriticalSection(&lock);
    WakeAllConditionVariable(&workReady);
}

void SEntryLanes::Work(_SLane& lane) {
    EnterCriticalSection(&lock);
    for (;;) {
        while (!stopping && lane.jobs.empty())
            SleepConditionVariableCS(&workReady, &lock, INFINITE);
        if (lane.jobs.empty()) break;  // stopping, and nothing left
        _SJob* job = lane.jobs.front();
        lane.jobs.pop_front();
        LeaveCriticalSection(&lock);
        const bool ok = SEntryWriter::WriteWhole(job->target, job->content->GetBuffer(), job->count,
                                                 job->inNewFolder);
        written[job->index] = ok ? 1 : 0;
        delete job->content;
        EnterCriticalSection(&lock);
        if (!ok) failed = true;
        bytesInFlight -= job->count;
        --jobsInFlight;
        delete job;
        WakeAllConditionVariable(&roomFreed);
    }
    LeaveCriticalSection(&lock);
}

// Lanes leave once their queues are empty; each is waited for, so that every outcome is in
// written when this returns.
void SEntryLanes::Finish() {
    EnterCriticalSection(&lock);
    stopping = true;
    LeaveCriticalSection(&lock);
    WakeAllConditionVariable(&workReady);
    for (_SLane& lane : lanes) {
        if (!lane.thread) continue;
        WaitForSingleObject(lane.thread, INFINITE);
        CloseHandle(lane.thread);
        lane.thread = nullptr;
    }
}

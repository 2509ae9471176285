#pragma once
// SEntryLanes: writes entries whose content is whole in memory on worker threads, the lanes,
// while the calling thread reads and decodes the next ones. Entries of the same partial file
// (so of the same target, whatever the case of its name) always take the same lane, one
// after the other in the order given; the calling thread makes every folder first. Memory
// in flight is bounded: Put waits while too much is. A lane writes through SEntryWriter,
// and records each outcome in the caller's table.
#include <cstdint>
#include <deque>
#include <vector>

#include "core/SString.h"
#include "core/SWindows.h"

class SFileMem;

class SEntryLanes {
public:
    // Starts count lanes (at least 1) that set written[index] for each entry put; not ready
    // when no thread could be started.
    SEntryLanes(int count, char* written);
    ~SEntryLanes();  // finishes first
    SEntryLanes(const SEntryLanes&) = delete;
    SEntryLanes& operator=(const SEntryLanes&) = delete;

    bool IsReady() const { return ready; }
    // Hands over content (its first count bytes become target's whole content; deleted once
    // written) for entry index, in a folder new or not as SEntryWriter::IsFolderNew told.
    void Put(int index, const SString& target, SFileMem* content, int count, bool inNewFolder);
    // Waits until every entry put is written; afterwards written holds every outcome.
    void Finish();
    bool AnyFailed() const { return failed; }

private:
    struct _SJob;
    struct _SLane {
        SEntryLanes* owner;
        std::deque<_SJob*> jobs;
        HANDLE thread;
    };

    static DWORD WINAPI LaneMain(LPVOID lane);
    void Work(_SLane& lane);

    char* const written;
    std::vector<_SLane> lanes;
    CRITICAL_SECTION lock;
    CONDITION_VARIABLE workReady;
    CONDITION_VARIABLE roomFreed;
    int64_t bytesInFlight = 0;
    int jobsInFlight = 0;
    bool stopping = false;
    bool ready = false;
    bool failed = false;
};

#pragma once
// SThreadTable: the process's table of thread records, one slot per thread that makes
// framework windows. The window procedure finds a window's object through the record of the
// thread that owns it. Slots are claimed without a lock, so threads may start and end at the
// same time.
#include "core/SWindows.h"

class SThreadRecord;

class SThreadTable {
public:
    static constexpr int kSlots = 256;

    // Empties the table and gives the calling thread the first slot (program start-up).
    static void Start();
    // Deletes every record (program end); no window may be left.
    static void Clear();
    // A record for the calling thread in a free slot; null when all slots are taken.
    static SThreadRecord* Register();
    // Deletes the record of threadId (0: the calling thread); false when it has none.
    static bool Unregister(DWORD threadId);
    // The record of threadId, or null.
    static SThreadRecord* Find(DWORD threadId);
};

#include "gui/SThreadTable.h"

#include "gui/SThreadRecord.h"

namespace {

SThreadRecord* slots[SThreadTable::kSlots] = {};

}  // namespace

void SThreadTable::Start() {
    Clear();
    slots[0] = new SThreadRecord(GetCurrentThreadId());
}

void SThreadTable::Clear() {
    for (SThreadRecord*& slot : slots) {
        delete slot;
        slot = nullptr;
    }
}

// Slots are claimed with an atomic exchange, so two threads starting at the same moment never
// share one; a record is only ever removed by its own thread or by Clear.
SThreadRecord* SThreadTable::Register() {
    for (SThreadRecord*& slot : slots) {
        if (slot) continue;
        SThreadRecord* record = new SThreadRecord(GetCurrentThreadId());
        if (!InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&slot), record,
                                               nullptr))
            return record;
        delete record;
    }
    return nullptr;
}

bool SThreadTable::Unregister(DWORD threadId) {
    if (threadId == 0) threadId = GetCurrentThreadId();
    for (SThreadRecord*& slot : slots) {
        SThreadRecord* record = slot;
        if (!record || record->GetThreadId() != threadId) continue;
        if (InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&slot), nullptr,
                                              record) == record)
            delete record;
        return true;
    }
    return false;
}

SThreadRecord* SThreadTable::Find(DWORD threadId) {
    for (SThreadRecord* record : slots)
        if (record && record->GetThreadId() == threadId) return record;
    return nullptr;
}

#pragma once
// SThreadRecord: the window objects one thread created, kept in ascending order of their
// window handles so that the framework window procedure finds an object by binary search.
// The record does not own the objects.
#include "core/SArray.h"
#include "core/SWindows.h"

class SWnd;

class SThreadRecord {
public:
    explicit SThreadRecord(DWORD threadId) : threadId(threadId) {}

    DWORD GetThreadId() const { return threadId; }
    int GetCount() const { return windows.GetCount(); }
    SWnd* GetAt(int i) const { return windows.GetAt(i); }

    void Insert(SWnd* wnd);         // before the first entry with a greater handle
    SWnd* Find(HWND handle) const;  // null when no entry has the handle
    SWnd* Remove(HWND handle);      // the removed entry, or null

private:
    int LowerBound(HWND handle) const;

    DWORD threadId;
    SArray<SWnd*> windows;  // not owned: RemoveAt only, never DeleteAt
};

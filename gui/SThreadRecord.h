#pragma once
// SThreadRecord: the window objects one thread created, kept in ascending order of their
// window handles so that the framework window procedure finds an object by binary search.
// The record does not own the objects; it keeps each one's handle beside it, so that it
// never has to ask the object.
#include "core/SArray.h"
#include "core/SWindows.h"

class SWnd;

class SThreadRecord {
public:
    explicit SThreadRecord(DWORD threadId) : threadId(threadId) {}

    DWORD GetThreadId() const { return threadId; }
    int GetCount() const { return windows.GetCount(); }
    SWnd* GetAt(int i) const { return windows.GetAt(i); }

    // Before the first entry with a greater handle; handle is the window's own.
    void Insert(HWND handle, SWnd* wnd);
    SWnd* Find(HWND handle) const;  // null when no entry has the handle
    SWnd* Remove(HWND handle);      // the removed entry, or null

private:
    int LowerBound(HWND handle) const;

    DWORD threadId;
    SArray<HWND> handles;   // ascending; windows holds the object of each, at the same index
    SArray<SWnd*> windows;  // not owned: RemoveAt only, never DeleteAt
};

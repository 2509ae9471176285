#include "gui/SThreadRecord.h"

namespace {

uintptr_t Key(HWND handle) { return reinterpret_cast<uintptr_t>(handle); }

}  // namespace

// Index of the first entry whose handle is not below the given one (the count when none).
int SThreadRecord::LowerBound(HWND handle) const {
    int low = 0;
    int high = handles.GetCount();
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (Key(handles.GetAt(middle)) < Key(handle))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// Equal handles never meet in practice (a handle is registered once); an equal one would go
// after the existing entry, as "before the first greater" asks.
void SThreadRecord::Insert(HWND handle, SWnd* wnd) {
    int position = LowerBound(handle);
    while (position < handles.GetCount() && handles.GetAt(position) == handle) ++position;
    handles.InsertAt(handle, position);
    windows.InsertAt(wnd, position);
}

SWnd* SThreadRecord::Find(HWND handle) const {
    if (!handle) return nullptr;
    int position = LowerBound(handle);
    if (position < handles.GetCount() && handles.GetAt(position) == handle)
        return windows.GetAt(position);
    return nullptr;
}

SWnd* SThreadRecord::Remove(HWND handle) {
    if (!handle) return nullptr;
    int position = LowerBound(handle);
    if (position >= handles.GetCount() || handles.GetAt(position) != handle) return nullptr;
    SWnd* wnd = windows.GetAt(position);
    handles.RemoveAt(position);
    windows.RemoveAt(position);
    return wnd;
}

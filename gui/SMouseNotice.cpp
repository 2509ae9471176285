#include "gui/SMouseNotice.h"

#include <windowsx.h>

int SMouseNotice::CodeOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
            return 1 + 8;
        case WM_LBUTTONUP:
            return 1 + 16;
        case WM_LBUTTONDBLCLK:
            return 1 + 64;
        case WM_RBUTTONDOWN:
            return 4 + 8;
        case WM_RBUTTONUP:
            return 4 + 16;
        case WM_RBUTTONDBLCLK:
            return 4 + 64;
        case WM_MBUTTONDOWN:
            return 2 + 8;
        case WM_MBUTTONUP:
            return 2 + 16;
        case WM_MBUTTONDBLCLK:
            return 2 + 64;
        case kMsgLeftClick:
            return 1 + 32;
        case kMsgMiddleClick:
            return 2 + 32;
        case kMsgRightClick:
            return 4 + 32;
        default:
            return 0;
    }
}

// Button messages carry the client position; the click notifications take the cursor's.
void SMouseNotice::Report(SWnd* control, UINT notice, UINT message, LPARAM lParam) {
    const int code = CodeOf(message);
    HWND parent = control->GetHandle() ? GetParent(control->GetHandle()) : nullptr;
    if (!code || !parent) return;
    POINT point;
    if (message >= kMsgLeftClick && message <= kMsgRightClick) {
        GetCursorPos(&point);
        ScreenToClient(control->GetHandle(), &point);
    } else {
        point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    }
    POINT screen = point;
    ClientToScreen(control->GetHandle(), &screen);
    SMouseNotice record = {code, point.x, point.y, screen.x, screen.y};
    SWnd::WindowProc(parent, notice, reinterpret_cast<WPARAM>(control),
                     reinterpret_cast<LPARAM>(&record));
}

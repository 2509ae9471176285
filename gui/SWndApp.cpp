#include "gui/SWndApp.h"

void SWndApp::StartCapture(HWND target, int mode) {
    captureTarget = target;
    captureMode = mode;
    SetCapture(GetHandle());
}

// The window lies at the screen origin without a border, so the positions it relays are
// screen coordinates. The target is cleared before the capture is released, so an ending
// by release produces no "capture lost" notice.
LRESULT SWndApp::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const WPARAM mode = static_cast<WPARAM>(captureMode);
    switch (message) {
        case WM_MOUSEMOVE:
            if (captureTarget) SendMessageA(captureTarget, kMsgCaptureMove, mode, lParam);
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            const int releasing = message == WM_LBUTTONUP ? kCaptureLeft : kCaptureRight;
            if (!captureTarget || captureMode != releasing) break;
            HWND former = captureTarget;
            captureTarget = nullptr;
            ReleaseCapture();
            SendMessageA(former, kMsgCaptureEnd, mode, lParam);
            break;
        }
        case WM_CAPTURECHANGED:
            if (HWND former = captureTarget) {
                captureTarget = nullptr;
                SendMessageA(former, kMsgCaptureLost, mode, 0);
            }
            break;
        default:
            break;
    }
    return SWnd::OnMessage(message, wParam, lParam);
}

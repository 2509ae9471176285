#pragma once
// SWndApp: the hidden application window. Besides carrying the class settings of "CLASS_SWND"
// it relays mouse capture for controls that drag: while it holds the capture, mouse moves,
// the button's release and the loss of capture reach the target as 33796, 33797 and 33798.
#include "gui/SWnd.h"

class SWndApp : public SWnd {
public:
    static constexpr int kCaptureLeft = 1;
    static constexpr int kCaptureRight = 4;

    SWndApp() = default;
    ~SWndApp() override = default;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Called by SSystem::BeginMouseCapture once it has checked the buttons.
    void StartCapture(HWND target, int mode);
    HWND GetCaptureTarget() const { return captureTarget; }

private:
    HWND captureTarget = nullptr;
    int captureMode = 0;
};

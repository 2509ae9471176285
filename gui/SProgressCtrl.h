#pragma once
// SProgressCtrl: a common-controls progress bar with a 32-bit range.
#include "gui/SMessages.h"
#include "gui/SWnd.h"

class SProgressCtrl : public SWnd {
public:
    SProgressCtrl();
    void SetBackColor(uint32_t color) override;
    uint32_t GetBackColor() const override { return kNoColor; }
    static constexpr UINT kMsgMouse = SMessages::kProgressMouse;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetRange(int minimum, int maximum);
    void SetPos(int value);
};

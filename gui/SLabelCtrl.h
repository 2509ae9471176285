#pragma once
// SLabelCtrl: a text label painted by the framework in one line, aligned by flags: the low
// two bits horizontally (0 left, 1 centre, 2 right, 3 justified, drawn as left), 16 centred
// vertically, 32 at the bottom.
#include "gui/SMessages.h"
#include "gui/SWnd.h"

class SLabelCtrl : public SWnd {
public:
    SLabelCtrl();
    static constexpr UINT kMsgMouse = SMessages::kLabelMouse;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetAlignment(uint32_t flags);
    uint32_t GetAlignment() const { return alignment; }
    static uint32_t AlignmentFromKeys(const char* horizontal, const char* vertical);

private:
    void Paint();
    void Repaint();

    uint32_t alignment = 16;
};

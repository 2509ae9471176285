#pragma once
// SButtonCtrl: a system push button. Its clicks reach the parent as the framework's
// button-clicked message; it hands out a brush of its background colour when asked.
#include "gui/SMessages.h"
#include "gui/SWnd.h"

class SButtonCtrl : public SWnd {
public:
    SButtonCtrl();
    static constexpr UINT kMsgMouse = SMessages::kButtonMouse;

    ~SButtonCtrl() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH OnCtlColorBtn(HDC dc) override;

private:
    HBRUSH brush = nullptr;
};

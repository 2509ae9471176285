#pragma once
// SEditCtrl: a system edit field. ENTER is reported to the parent (message 35820) instead of
// being typed into a one-line field; CTRL+A selects everything.
#include "gui/SMessages.h"
#include "gui/SWnd.h"

class SEditCtrl : public SWnd {
public:
    static constexpr UINT kMsgEnter = SMessages::kEditEnter;

    SEditCtrl();
    ~SEditCtrl() override;
    static constexpr UINT kMsgMouse = SMessages::kEditMouse;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH OnCtlColorEdit(HDC dc) override;
    HBRUSH OnCtlColorStatic(HDC dc) override { return OnCtlColorEdit(dc); }

    void SelectAll();
    void SetPopupMenu(bool allowed) { popupMenu = allowed; }

private:
    bool popupMenu = true;
    HBRUSH brush = nullptr;
};

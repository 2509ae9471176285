#pragma once
// SEditCtrl: a system edit field. ENTER is reported to the parent (message 35820) instead of
// being typed into a one-line field; CTRL+A selects everything.
#include "gui/SWnd.h"

class SEditCtrl : public SWnd {
public:
    static constexpr UINT kMsgEnter = 35820;  // wParam: the edit

    SEditCtrl();
    ~SEditCtrl() override;
    static constexpr UINT kMsgMouse = 35818;  // mouse notice to the parent

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH OnCtlColorEdit(HDC dc) override;
    HBRUSH OnCtlColorStatic(HDC dc) override { return OnCtlColorEdit(dc); }

    void SelectAll();
    void SetPopupMenu(bool allowed) { popupMenu = allowed; }

private:
    bool popupMenu = true;
    HBRUSH brush = nullptr;
};

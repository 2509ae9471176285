#include "gui/SProgressCtrl.h"
#include "gui/SMouseNotice.h"

#include <commctrl.h>

SProgressCtrl::SProgressCtrl() : SWnd(kKindProgress) {}

// The bar paints its own background: the colour goes to the bar, never to the shared stage.
void SProgressCtrl::SetBackColor(uint32_t color) {
    Send(PBM_SETBKCOLOR, 0, static_cast<LPARAM>(color));
}

void SProgressCtrl::SetRange(int minimum, int maximum) {
    Send(PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

void SProgressCtrl::SetPos(int value) { Send(PBM_SETPOS, static_cast<WPARAM>(value)); }

LRESULT SProgressCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    SMouseNotice::Report(this, kMsgMouse, message, lParam);
    if (message == kMsgCreated) SetRange(0, 100);
    return SWnd::OnMessage(message, wParam, lParam);
}

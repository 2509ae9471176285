#include "gui/SButtonCtrl.h"
#include "gui/SMouseNotice.h"

SButtonCtrl::SButtonCtrl() : SWnd(kKindButton) {}

SButtonCtrl::~SButtonCtrl() {
    if (brush) DeleteObject(brush);
}

// A fresh brush per request, the previous one deleted: the colour may have changed since.
// Transparent is the system's hollow brush, which is not ours to delete.
HBRUSH SButtonCtrl::OnCtlColorBtn(HDC) {
    if (brush) DeleteObject(brush);
    brush = nullptr;
    const uint32_t color = GetBackColor();
    if (color == kNoColor) return nullptr;
    if (color == kTransparent) return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
    brush = CreateSolidBrush(ResolveColor(color));
    return brush;
}

LRESULT SButtonCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    SMouseNotice::Report(this, kMsgMouse, message, lParam);
    return SWnd::OnMessage(message, wParam, lParam);
}

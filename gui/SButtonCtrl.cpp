#include "gui/SButtonCtrl.h"

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

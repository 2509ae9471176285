#include "gui/SLabelCtrl.h"
#include "gui/SMouseNotice.h"

#include <cstring>

SLabelCtrl::SLabelCtrl() : SWnd(kKindLabel) { SetTextColor(kSystemColor + COLOR_WINDOWTEXT); }

// A description without alignment keys gives a top-left label.
uint32_t SLabelCtrl::AlignmentFromKeys(const char* horizontal, const char* vertical) {
    uint32_t flags = 0;
    if (strcmp(horizontal, "_CENTER") == 0) flags = 1;
    if (strcmp(horizontal, "_RIGHT") == 0) flags = 2;
    if (strcmp(horizontal, "_JUSTIFY") == 0) flags = 3;
    if (strcmp(vertical, "_MIDDLE") == 0) flags |= 16;
    if (strcmp(vertical, "_BOTTOM") == 0) flags |= 32;
    return flags;
}

void SLabelCtrl::SetAlignment(uint32_t flags) {
    if (flags == alignment) return;
    const uint32_t horizontal = (flags & 3) == 3 ? 3 : (flags & 2) ? 2 : (flags & 1);
    const uint32_t vertical = (flags & 32) ? 32 : (flags & 16) ? 16 : 0;
    alignment = horizontal | vertical;
    Repaint();
}

void SLabelCtrl::Repaint() {
    if (GetHandle())
        RedrawWindow(GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void SLabelCtrl::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(GetHandle(), &paint);
    RECT area;
    GetClientRect(GetHandle(), &area);
    InflateRect(&area, -2, -2);
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    const uint32_t horizontal = alignment & 3;
    format |= horizontal == 1 ? DT_CENTER : horizontal == 2 ? DT_RIGHT : DT_LEFT;
    format |= (alignment & 32) ? DT_BOTTOM : (alignment & 16) ? DT_VCENTER : DT_TOP;
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ResolveColor(GetTextColor()));
    HGDIOBJ previous = GetFont() ? SelectObject(dc, GetFont()) : nullptr;
    const SString text = GetText();
    DrawTextA(dc, text.GetSafeText(), text.GetLength(), &area, format);
    if (previous) SelectObject(dc, previous);
    EndPaint(GetHandle(), &paint);
}

LRESULT SLabelCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    SMouseNotice::Report(this, kMsgMouse, message, lParam);
    switch (message) {
        case kMsgCreated:
            SetBackColor(kSystemColor + COLOR_BTNFACE);
            break;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SETTEXT: {
            const LRESULT result = SWnd::OnMessage(message, wParam, lParam);
            Repaint();
            return result;
        }
        default:
            break;
    }
    return SWnd::OnMessage(message, wParam, lParam);
}

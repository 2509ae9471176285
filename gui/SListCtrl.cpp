#include "gui/SListCtrl.h"
#include "gui/SMouseNotice.h"

SListCtrl::SListCtrl() : SWnd(kKindList) { SetTextColor(kSystemColor + COLOR_WINDOWTEXT); }

SListCtrl::~SListCtrl() {
    if (brush) DeleteObject(brush);
}

int SListCtrl::AddString(const char* text, int index, int left, int right, uint32_t data) {
    if (!GetHandle()) return -1;
    _SItem* item = new _SItem{SString(text), left, right, data};
    const LRESULT at = index < 0 ? Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item))
                                 : Send(LB_INSERTSTRING, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(item));
    if (at < 0) {
        delete item;
        return -1;
    }
    return static_cast<int>(at);
}

int SListCtrl::AddStrings(const SStringArray* strings, int position, int left, int right,
                          uint32_t data) {
    if (!GetHandle() || !strings || strings->GetCount() == 0) return 0;
    if (position < -1 || position > GetCount()) position = -1;
    for (int i = 0; i < strings->GetCount(); ++i)
        AddString(strings->GetAt(i)->GetSafeText(), position < 0 ? -1 : position + i, left, right,
                  data);
    return strings->GetCount();
}

int SListCtrl::GetCount() const { return GetHandle() ? static_cast<int>(Send(LB_GETCOUNT)) : 0; }

SString SListCtrl::GetString(int index) const {
    const LRESULT data = GetHandle() ? Send(LB_GETITEMDATA, static_cast<WPARAM>(index)) : LB_ERR;
    if (data == LB_ERR || data == 0) return SString("");
    return reinterpret_cast<const _SItem*>(data)->text;
}

void SListCtrl::DeleteItems() {
    for (int i = 0; i < GetCount(); ++i) {
        const LRESULT data = Send(LB_GETITEMDATA, static_cast<WPARAM>(i));
        if (data != LB_ERR) delete reinterpret_cast<_SItem*>(data);
        Send(LB_SETITEMDATA, static_cast<WPARAM>(i), 0);
    }
}

void SListCtrl::Clear() {
    if (!GetHandle()) return;
    DeleteItems();
    Send(LB_RESETCONTENT);
}

void SListCtrl::SetSelectionColors(uint32_t background, uint32_t text) {
    if (background != kNoColor) selectionBack = background;
    if (text != kNoColor) selectionText = text;
}

// The font's height plus the margins (no image lists are set by the updater).
void SListCtrl::MeasureItem(MEASUREITEMSTRUCT* measure) {
    HDC dc = GetDC(GetHandle());
    HGDIOBJ previous = GetFont() ? SelectObject(dc, GetFont()) : nullptr;
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(GetHandle(), dc);
    measure->itemHeight = static_cast<UINT>(metrics.tmHeight + 2 * itemMargin);
}

void SListCtrl::DrawItem(const DRAWITEMSTRUCT* draw) {
    if (!(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) ||
        draw->itemID == static_cast<UINT>(-1))
        return;
    RECT area = draw->rcItem;
    const uint32_t back = GetBackColor() == kNoColor || GetBackColor() == kTransparent
                              ? kSystemColor + COLOR_WINDOW
                              : GetBackColor();
    HBRUSH fill = CreateSolidBrush(ResolveColor(back));
    FillRect(draw->hDC, &area, fill);
    DeleteObject(fill);
    InflateRect(&area, -2 * itemMargin, 0);
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    if (selected) {
        HBRUSH highlight = CreateSolidBrush(ResolveColor(selectionBack));
        FillRect(draw->hDC, &area, highlight);
        DeleteObject(highlight);
    }
    const _SItem* item = reinterpret_cast<const _SItem*>(draw->itemData);
    if (!item || item->text.GetLength() == 0) return;
    SetBkMode(draw->hDC, TRANSPARENT);
    ::SetTextColor(draw->hDC, ResolveColor(selected ? selectionText : GetTextColor()));
    DrawTextA(draw->hDC, item->text.GetSafeText(), item->text.GetLength(), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

LRESULT SListCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    SMouseNotice::Report(this, kMsgMouse, message, lParam);
    switch (message) {
        case kMsgCreated:
            SetBackColor(kSystemColor + COLOR_WINDOW);
            break;
        case WM_DESTROY:
            DeleteItems();
            break;
        case WM_LBUTTONDBLCLK:
            if (Send(LB_GETCURSEL) >= 0)
                if (HWND parent = GetParent(GetHandle()))
                    WindowProc(parent, kMsgDoubleClick, reinterpret_cast<WPARAM>(this), 0);
            break;
        default:
            break;
    }
    return SWnd::OnMessage(message, wParam, lParam);
}

HBRUSH SListCtrl::OnCtlColorListBox(HDC) {
    if (brush) DeleteObject(brush);
    brush = nullptr;
    const uint32_t color = GetBackColor();
    if (color == kNoColor || color == kTransparent) return nullptr;
    brush = CreateSolidBrush(ResolveColor(color));
    return brush;
}

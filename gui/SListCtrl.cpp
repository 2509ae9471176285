#include "gui/SListCtrl.h"
#include "gui/SMouseNotice.h"

SListCtrl::SListCtrl() : SWnd(kKindList) { SetTextColor(kSystemColor + COLOR_WINDOWTEXT); }

// The window outlives this part of the object (the base destroys it), and its WM_DESTROY would
// no longer reach DeleteItems: the entries are freed here while the list is still a list.
SListCtrl::~SListCtrl() {
    DeleteItems();
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

// The arguments of AddStrings, carried to the list's own thread in one message.
struct SListCtrl::_SBatch {
    const SStringArray* strings;
    int position, left, right;
    uint32_t data;
};

namespace {

constexpr int kTopStep = 256;  // lines added between two moves of the top line

// The message that carries a batch; registered, so that it is no other window's message.
UINT BatchMessage() {
    static const UINT message = RegisterWindowMessageA("SListCtrl.AddStrings");
    return message;
}

}  // namespace

// The lines go in one batch on the list's own thread, with drawing off meanwhile: a list box
// that is drawn updates its scroll bar and repaints for every line it takes, and a worker's
// line would cost a blocking message of its own besides.
int SListCtrl::AddStrings(const SStringArray* strings, int position, int left, int right,
                          uint32_t data) {
    if (!GetHandle() || !strings || strings->GetCount() == 0) return 0;
    _SBatch batch = {strings, position, left, right, data};
    if (GetWindowThreadProcessId(GetHandle(), nullptr) != GetCurrentThreadId())
        return static_cast<int>(Send(BatchMessage(), 0, reinterpret_cast<LPARAM>(&batch)));
    return AddBatch(batch);
}

// A list box whose lines have heights of their own measures its way from its top line to
// each line it takes: the top is kept near the lines going in while they do, and put back
// where it was afterwards, so that the work grows with the number of lines, not its square.
int SListCtrl::AddBatch(const _SBatch& batch) {
    const int count = batch.strings->GetCount();
    int position = batch.position;
    if (position < -1 || position > GetCount()) position = -1;
    const LRESULT top = Send(LB_GETTOPINDEX);
    Send(WM_SETREDRAW, FALSE);
    Send(LB_INITSTORAGE, static_cast<WPARAM>(count), 0);
    for (int i = 0; i < count; ++i) {
        const int at = position < 0 ? -1 : position + i;
        if (i % kTopStep == 0) Send(LB_SETTOPINDEX, static_cast<WPARAM>(at < 0 ? GetCount() : at));
        AddString(batch.strings->GetAt(i)->GetSafeText(), at, batch.left, batch.right, batch.data);
    }
    Send(LB_SETTOPINDEX, static_cast<WPARAM>(top));
    Send(WM_SETREDRAW, TRUE);
    InvalidateRect(GetHandle(), nullptr, TRUE);
    return count;
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

// The font's height plus the margins (no image lists are set by the updater). Every line
// has that height, so it is measured once for each font the list is given.
void SListCtrl::MeasureItem(MEASUREITEMSTRUCT* measure) {
    if (!measuredHeight || measuredFont != GetFont()) {
        HDC dc = GetDC(GetHandle());
        HGDIOBJ previous = GetFont() ? SelectObject(dc, GetFont()) : nullptr;
        TEXTMETRICA metrics;
        GetTextMetricsA(dc, &metrics);
        if (previous) SelectObject(dc, previous);
        ReleaseDC(GetHandle(), dc);
        measuredFont = GetFont();
        measuredHeight = static_cast<UINT>(metrics.tmHeight + 2 * itemMargin);
    }
    measure->itemHeight = measuredHeight;
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
    if (message == BatchMessage()) return AddBatch(*reinterpret_cast<const _SBatch*>(lParam));
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

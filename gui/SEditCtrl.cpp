#include "gui/SEditCtrl.h"
#include "gui/SMouseNotice.h"

SEditCtrl::SEditCtrl() : SWnd(kKindEdit) {}

SEditCtrl::~SEditCtrl() {
    if (brush) DeleteObject(brush);
}

void SEditCtrl::SelectAll() { Send(EM_SETSEL, 0, -1); }

namespace {

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// With CTRL alone only cut, copy, paste and undo type anything; CTRL with ALT is ALT GR,
// which types ordinary characters on many keyboards.
bool CharAllowed(WPARAM ch, bool multiline) {
    if (ch == '\r') return multiline;
    if (!KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return true;
    return KeyDown('X') || KeyDown('C') || KeyDown('V') || KeyDown('Z');
}

}  // namespace

LRESULT SEditCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    SMouseNotice::Report(this, kMsgMouse, message, lParam);
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                if (HWND parent = GetParent(GetHandle()))
                    SendMessageA(parent, kMsgEnter, reinterpret_cast<WPARAM>(this), 0);
            } else if (wParam == 'A' && KeyDown(VK_CONTROL) && !KeyDown(VK_MENU)) {
                SelectAll();
            }
            break;
        case WM_CHAR:
            if (!CharAllowed(wParam, (GetWindowLongA(GetHandle(), GWL_STYLE) & ES_MULTILINE) != 0))
                return 0;
            break;
        case WM_RBUTTONDOWN:
            if (!popupMenu) return 0;
            break;
        default:
            break;
    }
    return SWnd::OnMessage(message, wParam, lParam);
}

// No colour of its own: the system paints as usual. Otherwise the field's colours are set on
// the device context with a matching brush.
HBRUSH SEditCtrl::OnCtlColorEdit(HDC dc) {
    if (brush) DeleteObject(brush);
    brush = nullptr;
    const uint32_t color = GetBackColor();
    if (color == kNoColor) return nullptr;
    if (color == kTransparent) return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
    SetBkColor(dc, ResolveColor(color));
    if (GetTextColor() != kNoColor) ::SetTextColor(dc, ResolveColor(GetTextColor()));
    brush = CreateSolidBrush(ResolveColor(color));
    return brush;
}

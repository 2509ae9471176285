#include "gui/SWndDialog.h"

#include <shellapi.h>

#include "gui/SControlFactory.h"
#include "gui/SListCtrl.h"
#include "gui/SSystem.h"

namespace {

constexpr DWORD kFrameStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                               WS_MAXIMIZEBOX;  // removed from a layered dialog
constexpr DWORD kEdgeStyles = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;

}  // namespace

SWndDialog::SWndDialog() = default;

SWndDialog::~SWndDialog() { Clear(); }

SWnd* SWndDialog::NewControl(uint16_t) { return nullptr; }

SWnd* SWndDialog::FindControl(const char* name) const {
    if (!name) return nullptr;
    for (int i = 0; i < names.GetCount(); ++i)
        if (*names.GetAt(i) == SString(name)) return controls.GetAt(i);
    return nullptr;
}

SWnd* SWndDialog::GetControlById(uint32_t id) const {
    for (int i = 0; i < identifiers.GetCount(); ++i)
        if (identifiers.GetAt(i) == id) return controls.GetAt(i);
    return nullptr;
}

int SWndDialog::IndexOf(const SWnd* control) const {
    for (int i = 0; i < controls.GetCount(); ++i)
        if (controls.GetAt(i) == control) return i;
    return -1;
}

// A record naming a font face gives the control a font of its own, which the dialog owns;
// the others keep the default font they were created with.
void SWndDialog::AddControl(SWnd* control, const SDialogEditor::_SCtrl& record) {
    HFONT font = nullptr;
    if (record.fontFace.GetLength() > 0) {
        font = SSystem::CreateFont(nullptr, record.fontFace.GetSafeText(), record.fontSize,
                                   static_cast<int>(record.fontStyle), nullptr);
        if (font) control->Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    controls.Add(control);
    identifiers.Add(record.id);
    names.Add(record.name.GetSafeText());
    fonts.Add(font);
}

void SWndDialog::Clear() {
    if (GetHandle()) ShowWindow(GetHandle(), SW_HIDE);
    for (int i = 0; i < controls.GetCount(); ++i) delete controls.GetAt(i);
    controls.RemoveAll();
    identifiers.RemoveAll();
    names.RemoveAll();
    for (int i = 0; i < fonts.GetCount(); ++i)
        if (fonts.GetAt(i)) DeleteObject(fonts.GetAt(i));
    fonts.RemoveAll();
}

// The client area gets exactly the described size: the frame is first computed from the
// window's styles, then measured on the sized window and corrected once, since a window
// created without a size may have a clamped client area to measure against.
void SWndDialog::PlaceWindow(int clientWidth, int clientHeight) {
    HWND window = GetHandle();
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window, nullptr, 0, 0, width, height, keep | SWP_NOMOVE);
    RECT inner;
    GetClientRect(window, &inner);
    if (inner.right != clientWidth || inner.bottom != clientHeight) {
        width += clientWidth - inner.right;
        height += clientHeight - inner.bottom;
        SetWindowPos(window, nullptr, 0, 0, width, height, keep | SWP_NOMOVE);
    }
    RECT around = GetWorkArea();
    if (HWND parent = GetParent(window)) GetWindowRect(parent, &around);
    const int x = around.left + (around.right - around.left - width) / 2;
    const int y = around.top + (around.bottom - around.top - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, keep | SWP_NOSIZE);
}

// Tab records are taken in reverse order among themselves; every other record in its place.
bool SWndDialog::CreateControls(const SDialogEditor& editor, void* archive) {
    SArray<int> tabs;
    for (int i = 0; i < editor.GetControlCount(); ++i)
        if (editor.GetControl(i)->type == SDialogEditor::kTypeTab) tabs.Add(i);
    int tabsMet = 0;
    for (int i = 0; i < editor.GetControlCount(); ++i) {
        const SDialogEditor::_SCtrl* record = editor.GetControl(i);
        if (record->type == SDialogEditor::kTypeTab)
            record = editor.GetControl(tabs.GetAt(tabs.GetCount() - 1 - tabsMet++));
        SWnd* own = NewControl(static_cast<uint16_t>(record->type));
        SWnd* control =
            SControlFactory::CreateControlFromRecord(own, GetHandle(), *record, archive, true);
        if (!control) return false;
        AddControl(control, *record);
        if (record->GetPropertyBool("TABENABLED"))
            control->SetTabGroup(record->GetPropertyInt("TABGROUP"));
    }
    return true;
}

// Keys that need an image archive, a tool bar, a status bar or a menu (DIALOG_ICON,
// DIALOG_IMAGE, DIALOG_SHAPE, DIALOG_TOOLBAR, DIALOG_MENU, DIALOG_STATUSBARTEXT), anchoring,
// the minimised and maximised starts and moving with the mouse are not applied: the
// updater's descriptions use none of them and it passes no archive.
bool SWndDialog::Create(SFile* file, HWND parent, void* archive, bool popup, LPARAM param) {
    if (GetHandle() || !file) return false;
    SDialogEditor editor;
    file->Rewind();
    if (!editor.Load(file) || !editor.GetDialogRecord()) return false;
    const SDialogEditor::_SCtrl& dialog = *editor.GetDialogRecord();
    const bool layer = dialog.GetPropertyBool("DIALOG_LAYER");
    DWORD style = (dialog.style & ~static_cast<DWORD>(WS_VISIBLE)) | (popup ? WS_POPUP : WS_CHILD);
    DWORD exStyle = dialog.exStyle;
    if (layer) {
        style &= ~kFrameStyles;
        exStyle &= ~kEdgeStyles;
    }
    if (!SWnd::Create(dialog.caption.GetSafeText(), style, exStyle, nullptr, parent, 0, param,
                      SSystem::GetInstance(), dialog.GetPropertyBool("DIALOG_NOCLOSE")))
        return false;
    PlaceWindow(dialog.width, dialog.height);
    if (dialog.GetPropertyBool("DIALOG_DRAGFILES")) DragAcceptFiles(GetHandle(), TRUE);
    if (!CreateControls(editor, archive)) return false;
    if (dialog.backColor != kNoColor) SetBackColor(ResolveColor(dialog.backColor));
    RECT outer;
    GetWindowRect(GetHandle(), &outer);
    if (dialog.GetPropertyBool("DIALOG_MINSIZE"))
        SetMinSize(outer.right - outer.left, outer.bottom - outer.top);
    if (dialog.GetPropertyBool("DIALOG_MAXSIZE"))
        SetMaxSize(outer.right - outer.left, outer.bottom - outer.top);
    if (SWnd* focus = GetControlById(static_cast<uint32_t>(dialog.GetPropertyInt("DIALOG_FOCUS"))))
        if (dialog.GetProperty("DIALOG_FOCUS").GetLength() > 0) SetFocus(focus->GetHandle());
    if (dialog.style & WS_VISIBLE) ShowWindow(GetHandle(), SW_SHOW);
    WindowProc(GetHandle(), kMsgCreated, 0, param);
    return true;
}

// The list box asks its parent to measure and draw its entries: the request goes on to the
// list object. It measures every line it takes, so its object is found in the dialog's own
// table: asking the system (GetDlgItem) would cost a trip to the window server each time.
void SWndDialog::RouteOwnerDraw(UINT message, LPARAM lParam) {
    if (message == WM_MEASUREITEM) {
        MEASUREITEMSTRUCT* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        SWnd* control = GetControlById(measure->CtlID);
        if (control && control->GetKind() == kKindList)
            static_cast<SListCtrl*>(control)->MeasureItem(measure);
    } else {
        const DRAWITEMSTRUCT* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        SWnd* control = FromHandle(draw->hwndItem);
        if (control && control->GetKind() == kKindList)
            static_cast<SListCtrl*>(control)->DrawItem(draw);
    }
}

LRESULT SWndDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            Clear();
            break;
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
            RouteOwnerDraw(message, lParam);
            return TRUE;
        case kMsgButtonClicked: {
            if (!IsModal()) break;
            const int index = IndexOf(reinterpret_cast<SWnd*>(wParam));
            if (index < 0) break;
            if (*names.GetAt(index) == SString("OK"))
                WindowProc(GetHandle(), kMsgModalEnter, 0, 0);
            else if (*names.GetAt(index) == SString("CANCEL"))
                WindowProc(GetHandle(), kMsgModalCancel, 0, 0);
            break;
        }
        default:
            break;
    }
    return SWnd::OnMessage(message, wParam, lParam);
}

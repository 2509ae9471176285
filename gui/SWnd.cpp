#include "gui/SWnd.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/SStringArray.h"
#include "gui/SSystem.h"
#include "gui/SThreadRecord.h"
#include "gui/SThreadTable.h"

namespace {

constexpr int kNoLimit = -1;

bool HasStyle(HWND handle, DWORD bits) {
    return (static_cast<DWORD>(GetWindowLongPtrA(handle, GWL_STYLE)) & bits) != 0;
}

// Sends a notice to every descendant of a window; lParam carries the window itself.
struct DescendantNotice {
    UINT message;
    WPARAM wParam;
    HWND from;
};

BOOL CALLBACK SendToDescendant(HWND child, LPARAM data) {
    const DescendantNotice* notice = reinterpret_cast<const DescendantNotice*>(data);
    SendMessageA(child, notice->message, notice->wParam, reinterpret_cast<LPARAM>(notice->from));
    return TRUE;
}

// Windows a modal run disables: top-level windows of the thread (all but the modal one and
// the exceptions) or the owner and the windows it owns. Only enabled ones are taken, so that
// the run never re-enables a window that someone else had disabled.
struct ModalCollect {
    HWND self;
    HWND owner;  // null: every window of the thread
    const SArray<HWND>* exceptions;
    SArray<HWND>* found;
};

BOOL CALLBACK CollectForModal(HWND window, LPARAM data) {
    ModalCollect* collect = reinterpret_cast<ModalCollect*>(data);
    if (window == collect->self || !IsWindowVisible(window) || HasStyle(window, WS_CHILD) ||
        !IsWindowEnabled(window))
        return TRUE;
    if (collect->owner) {
        if (window != collect->owner && GetWindow(window, GW_OWNER) != collect->owner) return TRUE;
    } else if (collect->exceptions && collect->exceptions->Find(window) >= 0) {
        return TRUE;
    }
    collect->found->Add(window);
    return TRUE;
}

}  // namespace

SWnd::SWnd(int kind) : kind(kind) {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    ResetState();
}

// A window that cannot be destroyed from here (another thread's) is at least forgotten, so
// that its messages never reach a deleted object.
SWnd::~SWnd() {
    if (handle) Destroy();
    if (handle) Unregister();
}

void SWnd::ResetState() {
    shortcutMask = 0;
    modal = false;
    modalResult = 0;
    tabGroup = -1;
    tabIndex = 0;
    nextTabIndex = 0;
    normalState = false;
    moving = false;
    eraseCount = 0;
    font = nullptr;
    tooltipText = "";
    limits[kMinWindow] = {GetSystemMetrics(SM_CXMIN), GetSystemMetrics(SM_CYMIN)};
    limits[kMinClient] = limits[kMaxWindow] = limits[kMaxClient] = {kNoLimit, kNoLimit};
}

uint32_t SWnd::PrintClient(HDC dc, uint32_t flags) {
    return static_cast<uint32_t>(Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags));
}

bool SWnd::Create(const char* title, DWORD style, DWORD exStyle, const RECT* rect, HWND parent,
                  UINT id, LPARAM param, HINSTANCE instance, bool noCloseClass) {
    return CreateAny(noCloseClass ? "CLASS_SWNDEX" : "CLASS_SWND", title, style, exStyle, rect,
                     parent, id, param, instance, false);
}

bool SWnd::CreateControl(const char* className, const char* title, DWORD style, DWORD exStyle,
                         const RECT* rect, HWND parent, UINT id, LPARAM param, HINSTANCE instance) {
    return CreateAny(className, title, style, exStyle, rect, parent, id, param, instance, true);
}

// Messages that arrive while CreateWindowExA runs find no object yet and get the default
// processing; the created message is the first one the object's handlers see, and the window
// is only shown once it has been answered with 0.
bool SWnd::CreateAny(const char* className, const char* title, DWORD style, DWORD exStyle,
                     const RECT* rect, HWND parent, UINT id, LPARAM param, HINSTANCE instance,
                     bool takeOver) {
    if (handle) return false;
    ResetState();
    if (parent) {
        if (SWnd* owner = FromHandle(parent)) tabIndex = owner->nextTabIndex++;
    }
    const bool visible = (style & WS_VISIBLE) != 0;
    style &= ~WS_VISIBLE;
    if (!parent) style |= WS_POPUP;
    int x = 0, y = 0, width = 0, height = 0;
    if (rect) {
        x = rect->left;
        y = rect->top;
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
    }
    HWND created = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance,
                                   reinterpret_cast<LPVOID>(param));
    if (!created) return false;

    // A thread without a record could never find the object again: such a window would be
    // dead to every handler, so creation fails instead.
    const DWORD thread = GetWindowThreadProcessId(created, nullptr);
    SThreadRecord* record = SThreadTable::Find(thread);
    if (!record) {
        DestroyWindow(created);
        return false;
    }
    handle = created;
    ownerThread = thread;
    record->Insert(created, this);
    if (takeOver)
        previousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(created, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));

    if (WindowProc(created, kMsgCreated, 0, param) != 0) {
        Destroy();
        return false;
    }
    if (visible && handle) ShowWindow(handle, SW_SHOW);
    return handle != nullptr;
}

bool SWnd::Destroy() {
    if (!handle) return false;
    HWND window = handle;
    ShowWindow(window, SW_HIDE);
    const bool destroyed = DestroyWindow(window) != FALSE;
    // WM_DESTROY normally unregistered the object already; a window that vanished without it
    // is forgotten here.
    if (handle && !IsWindow(window)) Unregister();
    return destroyed;
}

// Removes the object from its thread's record and lets a taken-over control's own procedure
// see the window's last messages (WM_NCDESTROY frees what the control holds).
void SWnd::Unregister() {
    if (SThreadRecord* record = SThreadTable::Find(ownerThread)) record->Remove(handle);
    if (previousProc && IsWindow(handle))
        SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
    previousProc = nullptr;
    handle = nullptr;
}

SWnd* SWnd::FromHandle(HWND window) {
    if (!window) return nullptr;
    SThreadRecord* record = SThreadTable::Find(GetWindowThreadProcessId(window, nullptr));
    return record ? record->Find(window) : nullptr;
}

// The one procedure of every framework window and every taken-over control. The object is
// forgotten after WM_DESTROY whatever the stage answered, so that no later message can reach
// an object whose window is gone.
LRESULT CALLBACK SWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SWnd* wnd = FromHandle(window);
    if (!wnd) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    if (wnd->PreProcessMessage(message, wParam, lParam, result))
        result = wnd->OnMessage(message, wParam, lParam);
    if (message == WM_DESTROY) {
        // Looked up again: a handler may have deleted the object.
        if (SWnd* still = FromHandle(window)) still->Unregister();
    }
    return result;
}

LRESULT SWnd::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (previousProc) return CallWindowProcA(previousProc, handle, message, wParam, lParam);
    return DefWindowProcA(handle, message, wParam, lParam);
}

SString SWnd::GetText() const {
    SString text("");
    if (!handle) return text;
    const int length = GetWindowTextLengthA(handle);
    if (length <= 0) return text;
    text.SetLength(length);
    const int got = GetWindowTextA(handle, text.GetBuffer(), length + 1);
    text.SetLength(got > 0 ? got : 0);
    return text;
}

bool SWnd::SetText(const char* text) {
    return handle && SetWindowTextA(handle, text ? text : "") != FALSE;
}

LRESULT SWnd::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return handle ? SendMessageA(handle, message, wParam, lParam) : 0;
}

void SWnd::SetMinSize(int width, int height, bool clientSize) {
    limits[clientSize ? kMinClient : kMinWindow] = {width, height};
}

void SWnd::SetMaxSize(int width, int height, bool clientSize) {
    limits[clientSize ? kMaxClient : kMaxWindow] = {width, height};
}

COLORREF SWnd::ResolveColor(uint32_t color) {
    if (color >= kSystemColor && color < kNoColor) return GetSysColor(color - kSystemColor);
    return color & 0x00FFFFFF;
}

// The shared stage. Answers false when it consumed the message; result then holds the answer.
bool SWnd::PreProcessMessage(UINT message, WPARAM& wParam, LPARAM& lParam, LRESULT& result) {
    switch (message) {
        case kMsgCreated:
            OnCreated();
            return true;
        case WM_COMMAND:
            OnCommand(wParam, lParam);
            return true;
        case WM_NOTIFY: {
            NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
            if (!header || header->code != static_cast<UINT>(TTN_GETDISPINFOA)) return true;
            SendMessageA(header->hwndFrom, TTM_SETMAXTIPWIDTH, 0, 300);
            reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText =
                const_cast<char*>(tooltipText.GetSafeText());
            result = 0;
            return false;
        }
        case WM_DROPFILES:
            OnFilesDropped(wParam);
            return true;
        case WM_KEYDOWN:
            return OnKeyDown(wParam);
        case WM_CHAR:
            if (wParam == VK_TAB && kind == kKindEdit) {
                result = 0;
                return false;
            }
            return true;
        case WM_SETFONT:
            font = reinterpret_cast<HFONT>(wParam);
            return true;
        case WM_GETFONT:
            OnMessage(message, wParam, lParam);
            result = reinterpret_cast<LRESULT>(font);
            return false;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: {
            SWnd* child = FromHandle(reinterpret_cast<HWND>(lParam));
            if (!child) return true;
            HDC dc = reinterpret_cast<HDC>(wParam);
            HBRUSH brush = nullptr;
            switch (message) {
                case WM_CTLCOLORDLG:
                    brush = child->OnCtlColorDlg(dc);
                    break;
                case WM_CTLCOLORBTN:
                    brush = child->OnCtlColorBtn(dc);
                    break;
                case WM_CTLCOLOREDIT:
                    brush = child->OnCtlColorEdit(dc);
                    break;
                case WM_CTLCOLORLISTBOX:
                    brush = child->OnCtlColorListBox(dc);
                    break;
                case WM_CTLCOLORSCROLLBAR:
                    brush = child->OnCtlColorScrollBar(dc);
                    break;
                default:
                    brush = child->OnCtlColorStatic(dc);
                    break;
            }
            if (!brush) return true;
            result = reinterpret_cast<LRESULT>(brush);
            return false;
        }
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            return true;
        case WM_SIZE:
            OnSize(wParam);
            return true;
        case WM_GETMINMAXINFO:
            ApplySizeLimits(reinterpret_cast<MINMAXINFO*>(lParam));
            return true;
        case WM_CLOSE:
            if (!modal) return true;
            CloseModal();
            result = 0;
            return false;
        case WM_DESTROY:
            if (modal) EndModal(-1);
            if (ownsCaret) DestroyCaret();
            ownsCaret = false;
            // A child's "menu" is its identifier; only a top-level window's menu is detached (its
            // owner, not the system, deletes it).
            if (!HasStyle(handle, WS_CHILD) && GetMenu(handle)) SetMenu(handle, nullptr);
            return true;
        default:
            return true;
    }
}

void SWnd::OnCreated() {
    eraseCount = 0;
    if (kind == kKindWindow) SetBackColor(GetSysColor(COLOR_BTNFACE));
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(SSystem::GetDefaultFont()), TRUE);
    normalState = !IsIconic(handle) && !IsZoomed(handle);
}

// A radio button's group is taken as its siblings of the same kind and tab group: the
// description format has no radio-group key of its own.
void SWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    SWnd* child = FromHandle(reinterpret_cast<HWND>(lParam));
    if (!child) return;
    const UINT code = HIWORD(wParam);
    const WPARAM from = reinterpret_cast<WPARAM>(child);
    switch (child->kind) {
        case kKindButton:
            if (code == BN_CLICKED) Send(kMsgButtonClicked, from);
            break;
        case kKindCheck:
            if (code != BN_CLICKED) break;
            child->Send(BM_SETCHECK,
                        child->Send(BM_GETCHECK) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
            Send(kMsgCheckToggled, from);
            break;
        case kKindCombo:
            if (code == CBN_SELCHANGE) Send(kMsgSelectionChanged, from);
            break;
        case kKindEdit:
            // Text set by the program while the user is elsewhere is not an edit.
            if (code == EN_CHANGE && GetFocus() == child->handle) Send(kMsgTextEdited, from);
            break;
        case kKindRadio: {
            if (code != BN_CLICKED) break;
            child->Send(BM_SETCHECK, BST_CHECKED);
            SThreadRecord* record = SThreadTable::Find(child->ownerThread);
            const HWND parent = GetParent(child->handle);
            for (int i = 0; record && i < record->GetCount(); ++i) {
                SWnd* other = record->GetAt(i);
                if (other != child && other->kind == kKindRadio &&
                    other->tabGroup == child->tabGroup && GetParent(other->handle) == parent)
                    other->Send(BM_SETCHECK, BST_UNCHECKED);
            }
            Send(kMsgRadioChosen, from);
            break;
        }
        default:
            break;
    }
}

// A folder gets one final backslash (a root such as "C:\" keeps the one it has). The list
// lives for the call only; the drop handle is released by OnMessage's default handling.
void SWnd::OnFilesDropped(WPARAM wParam) {
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    SStringArray paths;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH + 1] = "";
        const UINT length = DragQueryFileA(drop, i, path, MAX_PATH + 1);
        SString entry(path);
        const DWORD attributes = GetFileAttributesA(path);
        if (length > 0 && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) && path[length - 1] != '\\')
            entry += '\\';
        paths.Add(entry.GetSafeText());
    }
    Send(kMsgFilesDropped, reinterpret_cast<WPARAM>(&paths));
}

// Answers false (consumed) only when TAB moved the focus to another window of the group.
bool SWnd::OnKeyDown(WPARAM key) {
    if (!HasStyle(handle, WS_POPUP)) {
        for (HWND above = GetParent(handle); above; above = GetParent(above)) {
            if (!HasStyle(above, WS_POPUP)) continue;
            WindowProc(above, kMsgKeyInChild, key, reinterpret_cast<LPARAM>(this));
            break;
        }
    }
    if (key == VK_TAB && tabGroup != -1) {
        SWnd* next = NextInTabGroup();
        if (next != this) {
            SetFocus(next->handle);
            return false;
        }
    }
    if (shortcutMask != 0) RunShortcut(key);
    return true;
}

void SWnd::RunShortcut(WPARAM key) {
    enum Modifiers { kNone, kCtrl, kCtrlShift, kOther };
    struct Shortcut {
        WPARAM key;
        Modifiers modifiers;
        uint32_t bit;
        void (SWnd::*operation)();
    };
    static const Shortcut shortcuts[] = {
        {'Z', kCtrl, 0x1, &SWnd::OnUndo},           {'X', kCtrl, 0x2, &SWnd::OnCut},
        {'C', kCtrl, 0x4, &SWnd::OnCopy},           {'V', kCtrl, 0x8, &SWnd::OnPaste},
        {VK_DELETE, kNone, 0x10, &SWnd::OnDelete},  {'A', kCtrl, 0x20, &SWnd::OnSelectAll},
        {'F', kCtrl, 0x40, &SWnd::OnFind},          {'H', kCtrl, 0x80, &SWnd::OnReplace},
        {'G', kCtrl, 0x100, &SWnd::OnGoTo},         {'P', kCtrl, 0x200, &SWnd::OnPrint},
        {VK_ESCAPE, kNone, 0x400, &SWnd::OnEscape}, {'N', kCtrl, 0x800, &SWnd::OnNew},
        {'O', kCtrl, 0x1000, &SWnd::OnOpen},        {'S', kCtrl, 0x2000, &SWnd::OnSave},
        {'S', kCtrlShift, 0x4000, &SWnd::OnSaveAs},
    };
    const bool ctrl = GetAsyncKeyState(VK_CONTROL) < 0;
    const bool shift = GetAsyncKeyState(VK_SHIFT) < 0;
    const Modifiers held = ctrl ? (shift ? kCtrlShift : kCtrl) : (shift ? kOther : kNone);
    for (const Shortcut& shortcut : shortcuts) {
        if (shortcut.key == key && shortcut.modifiers == held && (shortcutMask & shortcut.bit)) {
            (this->*shortcut.operation)();
            return;
        }
    }
}

// The siblings are the other registered windows of this thread under the same parent, in
// ascending order of their handles.
SWnd* SWnd::NextInTabGroup() {
    SThreadRecord* record = SThreadTable::Find(ownerThread);
    if (!record) return this;
    const HWND parent = GetParent(handle);
    SWnd* above = nullptr;
    SWnd* below = nullptr;
    for (int i = 0; i < record->GetCount(); ++i) {
        SWnd* other = record->GetAt(i);
        if (other == this || other->tabGroup != tabGroup || GetParent(other->handle) != parent)
            continue;
        if (other->tabIndex == tabIndex) return other;
        if (!IsWindowEnabled(other->handle) || !IsWindowVisible(other->handle)) continue;
        if (other->tabIndex > tabIndex && (!above || other->tabIndex < above->tabIndex))
            above = other;
        if (other->tabIndex < tabIndex && (!below || other->tabIndex < below->tabIndex))
            below = other;
    }
    return above ? above : (below ? below : this);
}

// A transparent window shows the colour of the nearest framework ancestor that has one of its
// own; a window without colour paints nothing and leaves the erase to the default processing.
void SWnd::EraseBackground(HDC dc) {
    ++eraseCount;
    uint32_t color = GetBackColor();
    for (HWND above = GetParent(handle); color == kTransparent; above = GetParent(above)) {
        SWnd* ancestor = FromHandle(above);
        color = ancestor ? ancestor->GetBackColor() : kNoColor;
    }
    if (color == kNoColor || !dc) return;
    RECT area;
    GetClientRect(handle, &area);
    HBRUSH brush = CreateSolidBrush(ResolveColor(color));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// A restore notice is sent once per return from the minimised or maximised state: restoring
// sets the normal-state flag again.
void SWnd::OnSize(WPARAM type) {
    if (type == SIZE_MAXIMIZED) {
        normalState = false;
        Send(kMsgMaximised);
    } else if (type == SIZE_MINIMIZED) {
        normalState = false;
        Send(kMsgMinimised);
    } else if (type == SIZE_RESTORED && !normalState) {
        normalState = true;
        Send(kMsgRestored);
    }
}

void SWnd::ApplySizeLimits(MINMAXINFO* info) {
    if (!info) return;
    RECT frame = {0, 0, 0, 0};
    const bool hasMenu = !HasStyle(handle, WS_CHILD) && GetMenu(handle);
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(handle, GWL_STYLE)), hasMenu,
                       static_cast<DWORD>(GetWindowLongPtrA(handle, GWL_EXSTYLE)));
    const SIZE extra = {frame.right - frame.left, frame.bottom - frame.top};
    auto apply = [](POINT& target, SIZE limit, SIZE add) {
        if (limit.cx != kNoLimit) target.x = limit.cx + add.cx;
        if (limit.cy != kNoLimit) target.y = limit.cy + add.cy;
    };
    apply(info->ptMinTrackSize, limits[kMinWindow], {0, 0});
    apply(info->ptMinTrackSize, limits[kMinClient], extra);
    apply(info->ptMaxTrackSize, limits[kMaxWindow], {0, 0});
    apply(info->ptMaxTrackSize, limits[kMaxClient], extra);
}

// Closing a window in a modal run cancels the run and hides the window; it is not destroyed.
void SWnd::CloseModal() {
    HWND window = handle;
    WindowProc(window, kMsgModalCancel, 0, 0);
    HWND outermost = nullptr;
    for (HWND owner = GetWindow(window, GW_OWNER); owner; owner = GetWindow(owner, GW_OWNER))
        outermost = owner;
    if (outermost) EnableWindow(outermost, TRUE);
    if (IsWindow(window)) ShowWindow(window, SW_HIDE);
}

LRESULT SWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kMsgCreated:
            return previousProc ? DefaultProc(message, wParam, lParam) : 0;
        case kMsgModalStart:
            return 0;
        case kMsgModalEnter:
            EndModal(0);
            return DefaultProc(message, wParam, lParam);
        case kMsgModalCancel:
            EndModal(-1);
            return DefaultProc(message, wParam, lParam);
        case WM_DROPFILES:
            // The receiver releases a drop; subclasses chain here after reading it.
            DragFinish(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_SIZE:
        case WM_MOVE: {
            const LRESULT result = DefaultProc(message, wParam, lParam);
            DescendantNotice notice = {message == WM_SIZE ? kMsgParentResized : kMsgParentMoved,
                                       wParam, handle};
            EnumChildWindows(handle, SendToDescendant, reinterpret_cast<LPARAM>(&notice));
            return result;
        }
        case WM_ENTERSIZEMOVE:
            moving = true;
            return DefaultProc(message, wParam, lParam);
        case WM_EXITSIZEMOVE:
            moving = false;
            return DefaultProc(message, wParam, lParam);
        default:
            return DefaultProc(message, wParam, lParam);
    }
}

// Disables the owner (or, when asked, every other window of the thread), runs the modal loop
// until EndModal, the window's end or the quit message, then undoes what it changed.
int SWnd::RunModal(WPARAM wParam, LPARAM lParam, bool disableAll, const SArray<HWND>* exceptions,
                   bool hideAfterwards) {
    if (!handle || HasStyle(handle, WS_CHILD)) return 0;
    const HWND window = handle;
    const HWND owner = GetWindow(window, GW_OWNER);
    SArray<HWND> disabled;
    ModalCollect collect = {window, disableAll ? nullptr : owner, exceptions, &disabled};
    if (disableAll)
        EnumThreadWindows(GetCurrentThreadId(), CollectForModal,
                          reinterpret_cast<LPARAM>(&collect));
    else if (owner)
        EnumWindows(CollectForModal, reinterpret_cast<LPARAM>(&collect));
    const HWND remembered = disableAll ? GetForegroundWindow() : owner;

    modalResult = 0;
    modal = true;
    for (int i = 0; i < disabled.GetCount(); ++i) EnableWindow(disabled.GetAt(i), FALSE);
    if (WindowProc(window, kMsgModalStart, wParam, lParam) != 0) {
        modal = false;
    } else {
        if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
        bool blocking = true;
        SSystem::RunModalLoop(this, &blocking, nullptr, 0);
        // Enabling the remembered window first lets the system activate it, not another.
        if (hideAfterwards && IsWindow(window) && IsWindowVisible(window)) {
            if (remembered) EnableWindow(remembered, TRUE);
            ShowWindow(window, SW_HIDE);
        }
    }
    for (int i = 0; i < disabled.GetCount(); ++i) EnableWindow(disabled.GetAt(i), TRUE);
    if (remembered && IsWindow(remembered) && remembered != window) {
        if (GetWindowThreadProcessId(remembered, nullptr) == GetCurrentThreadId())
            SetActiveWindow(remembered);
        else
            SetForegroundWindow(remembered);
    }
    // The object may be gone with its window by now only if a handler deleted it, which a
    // modal run's caller must not do; the flag is cleared for a run that ended on quit.
    modal = false;
    return modalResult;
}

void SWnd::EndModal(int result) {
    if (!modal) return;
    modalResult = result;
    modal = false;
}

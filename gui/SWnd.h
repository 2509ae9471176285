#pragma once
// SWnd: the base of every framework window; one object owns one window. Every message of
// the window passes through WindowProc, which finds the object in its thread's record, lets
// PreProcessMessage (the stage shared by all classes) see it first and then hands it to the
// class's OnMessage. Subclasses override OnMessage and chain to their base for the rest.
#include <cstdint>

#include "core/SArray.h"
#include "core/SString.h"
#include "core/SWindows.h"
#include "gui/SMessages.h"

class SWnd {
public:
    // The framework's own window messages; all are sent, never posted.
    static constexpr UINT kMsgCreated = SMessages::kCreated;
    static constexpr UINT kMsgParentResized = SMessages::kParentResized;
    static constexpr UINT kMsgParentMoved = SMessages::kParentMoved;
    static constexpr UINT kMsgModalStart = SMessages::kModalStart;
    static constexpr UINT kMsgModalEnter = SMessages::kModalEnter;
    static constexpr UINT kMsgModalCancel = SMessages::kModalCancel;
    static constexpr UINT kMsgFilesDropped = SMessages::kFilesDropped;
    static constexpr UINT kMsgMaximised = SMessages::kMaximised;
    static constexpr UINT kMsgMinimised = SMessages::kMinimised;
    static constexpr UINT kMsgRestored = SMessages::kRestored;
    static constexpr UINT kMsgCaptureMove = SMessages::kCaptureMove;
    static constexpr UINT kMsgCaptureEnd = SMessages::kCaptureEnd;
    static constexpr UINT kMsgCaptureLost = SMessages::kCaptureLost;
    static constexpr UINT kMsgKeyInChild = SMessages::kKeyInChild;
    static constexpr UINT kMsgButtonClicked = SMessages::kButtonClicked;
    static constexpr UINT kMsgCheckToggled = SMessages::kCheckToggled;
    static constexpr UINT kMsgSelectionChanged = SMessages::kSelectionChanged;
    static constexpr UINT kMsgTextEdited = SMessages::kTextEdited;
    static constexpr UINT kMsgRadioChosen = SMessages::kRadioChosen;

    // Kinds of window, set by each class's constructor.
    static constexpr int kKindWindow = 0;
    static constexpr int kKindButton = 2;
    static constexpr int kKindCheck = 4;
    static constexpr int kKindCombo = 7;
    static constexpr int kKindEdit = 10;
    static constexpr int kKindLabel = 16;
    static constexpr int kKindList = 19;
    static constexpr int kKindProgress = 26;
    static constexpr int kKindRadio = 29;

    // Colour values beside plain 0x00BBGGRR colours, in windows and dialog records alike.
    static constexpr uint32_t kSystemColor = 0xFE000000;  // plus a GetSysColor index
    static constexpr uint32_t kNoColor = 0xFF000000;      // the window class's own colour
    static constexpr uint32_t kTransparent = 0xFF000001;

    explicit SWnd(int kind = kKindWindow);
    SWnd(const SWnd&) = delete;
    SWnd& operator=(const SWnd&) = delete;

    // Virtual operations, in slot order after the destructor.
    virtual ~SWnd();
    virtual uint32_t PrintClient(HDC dc, uint32_t flags);
    virtual void SetBackColor(uint32_t color) { backColor = color; }
    virtual uint32_t GetBackColor() const { return backColor; }
    virtual void OnUndo() {}
    virtual void OnCut() {}
    virtual void OnCopy() {}
    virtual void OnPaste() {}
    virtual void OnDelete() {}
    virtual void OnSelectAll() {}
    virtual void OnFind() {}
    virtual void OnReplace() {}
    virtual void OnGoTo() {}
    virtual void OnPrint() {}
    virtual void OnEscape() {}
    virtual void OnNew() {}
    virtual void OnOpen() {}
    virtual void OnSave() {}
    virtual void OnSaveAs() {}
    virtual bool PreProcessMessage(UINT message, WPARAM& wParam, LPARAM& lParam, LRESULT& result);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual HBRUSH OnCtlColorDlg(HDC) { return nullptr; }
    virtual HBRUSH OnCtlColorBtn(HDC) { return nullptr; }
    virtual HBRUSH OnCtlColorEdit(HDC) { return nullptr; }
    virtual HBRUSH OnCtlColorListBox(HDC) { return nullptr; }
    virtual HBRUSH OnCtlColorScrollBar(HDC) { return nullptr; }
    virtual HBRUSH OnCtlColorStatic(HDC) { return nullptr; }
    virtual void OnCaptionButtonEnter(void*, int, int, int) {}
    virtual void OnCaptionButtonMove(void*, int, int, int) {}
    virtual void OnCaptionButtonLeave(void*, int, int, int) {}

    // Makes the window of a framework class ("CLASS_SWND", or "CLASS_SWNDEX" without a close
    // box) and registers this object for it; a window without a parent is a popup. It is
    // shown only after kMsgCreated was answered with 0. False when the object has a window
    // already, the system refuses, the thread has no record, or kMsgCreated refused.
    bool Create(const char* title, DWORD style, DWORD exStyle, const RECT* rect, HWND parent,
                UINT id, LPARAM param, HINSTANCE instance, bool noCloseClass);
    // The same for a window of a system class, whose procedure the object then takes over.
    bool CreateControl(const char* className, const char* title, DWORD style, DWORD exStyle,
                       const RECT* rect, HWND parent, UINT id, LPARAM param, HINSTANCE instance);
    bool Destroy();  // hides and destroys the window; false when there was none
    static SWnd* FromHandle(HWND handle);  // the object of a framework window, or null
    static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetHandle() const { return handle; }  // null without a window
    int GetKind() const { return kind; }
    DWORD GetOwnerThread() const { return ownerThread; }
    SString GetText() const;         // the window text; "" without a window
    bool SetText(const char* text);  // null sets ""; false without a window
    // SendMessageA to the window; 0 without one.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Tab order: windows of one group (>= 0, -1 for none) in the order they were created.
    void SetTabGroup(int group) { tabGroup = group < 0 ? -1 : group; }
    int GetTabGroup() const { return tabGroup; }
    int GetTabIndex() const { return tabIndex; }
    void SetShortcutMask(uint32_t mask) { shortcutMask = mask; }
    uint32_t GetShortcutMask() const { return shortcutMask; }
    void SetTextColor(uint32_t color) { textColor = color; }
    uint32_t GetTextColor() const { return textColor; }
    HFONT GetFont() const { return font; }
    void SetTooltipText(const char* text) { tooltipText = text; }
    const RECT& GetWorkArea() const { return workArea; }
    bool IsNormalState() const { return normalState; }  // neither minimised nor maximised
    bool IsMoving() const { return moving; }

    // Tracking limits, -1 for none; a client-size limit has the frame added when applied.
    void SetMinSize(int width, int height, bool clientSize = false);
    void SetMaxSize(int width, int height, bool clientSize = false);

    // Shows a top-level window and runs the modal loop until EndModal (or the window's end,
    // or WM_QUIT), with its owner, or every other window of the thread but the exceptions,
    // disabled meanwhile. Returns EndModal's result; 0 for a child or no window, or when
    // kMsgModalStart refused the run.
    int RunModal(WPARAM wParam, LPARAM lParam, bool disableAll, const SArray<HWND>* exceptions,
                 bool hideAfterwards);
    void EndModal(int result);  // ends the running modal run; nothing without one
    bool IsModal() const { return modal; }

    // A plain colour as it is; kSystemColor + index as that system colour.
    static COLORREF ResolveColor(uint32_t color);

protected:
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    int kind;
    bool ownsCaret = false;  // set by classes that create a caret; destroyed with the window

private:
    bool CreateAny(const char* className, const char* title, DWORD style, DWORD exStyle,
                   const RECT* rect, HWND parent, UINT id, LPARAM param, HINSTANCE instance,
                   bool takeOver);
    void ResetState();
    void OnCreated();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void OnFilesDropped(WPARAM wParam);
    bool OnKeyDown(WPARAM key);
    void RunShortcut(WPARAM key);
    SWnd* NextInTabGroup();
    void EraseBackground(HDC dc);
    void OnSize(WPARAM type);
    void ApplySizeLimits(MINMAXINFO* info);
    void CloseModal();
    void Unregister();

    enum { kMinWindow, kMinClient, kMaxWindow, kMaxClient };

    HWND handle = nullptr;
    DWORD ownerThread = 0;
    WNDPROC previousProc = nullptr;
    RECT workArea = {0, 0, 0, 0};
    uint32_t backColor = kNoColor;
    uint32_t textColor = kNoColor;
    HFONT font = nullptr;
    uint32_t shortcutMask = 0;
    bool modal = false;
    int modalResult = 0;
    int tabGroup = -1;
    int tabIndex = 0;
    int nextTabIndex = 0;
    bool normalState = false;
    bool moving = false;
    int eraseCount = 0;
    SString tooltipText;
    SIZE limits[4];  // by the enum above
};

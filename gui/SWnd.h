#pragma once
// SWnd: the base of every framework window; one object owns one window. Every message of
// the window passes through WindowProc, which finds the object in its thread's record, lets
// PreProcessMessage (the stage shared by all classes) see it first and then hands it to the
// class's OnMessage. Subclasses override OnMessage and chain to their base for the rest.
#include <cstdint>

#include "core/SArray.h"
#include "core/SString.h"
#include "core/SWindows.h"

class SWnd {
public:
    // The framework's own window messages; all are sent, never posted.
    static constexpr UINT kMsgCreated = 33769;        // lParam: creation parameter
    static constexpr UINT kMsgParentResized = 33770;  // wParam: size type, lParam: parent
    static constexpr UINT kMsgParentMoved = 33771;    // wParam: WM_MOVE's, lParam: parent
    static constexpr UINT kMsgModalStart = 33772;     // non-zero answer refuses the run
    static constexpr UINT kMsgModalEnter = 33773;     // ends a modal run with 0
    static constexpr UINT kMsgModalCancel = 33774;    // ends a modal run with -1
    static constexpr UINT kMsgFilesDropped = 33775;   // wParam: SStringArray* of paths
    static constexpr UINT kMsgMaximised = 33776;
    static constexpr UINT kMsgMinimised = 33777;
    static constexpr UINT kMsgRestored = 33778;
    static constexpr UINT kMsgCaptureMove = 33796;  // wParam: capture mode, lParam: position
    static constexpr UINT kMsgCaptureEnd = 33797;
    static constexpr UINT kMsgCaptureLost = 33798;
    static constexpr UINT kMsgKeyInChild = 34269;     // wParam: key, lParam: child SWnd*
    static constexpr UINT kMsgButtonClicked = 35779;  // wParam: the child SWnd*
    static constexpr UINT kMsgCheckToggled = 35789;
    static constexpr UINT kMsgSelectionChanged = 35808;
    static constexpr UINT kMsgTextEdited = 35819;
    static constexpr UINT kMsgRadioChosen = 35969;

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

    // Colour values beside plain 0x00BBGGRR colours.
    static constexpr uint32_t kSystemColor = 0xFE000000;  // plus a GetSysColor index
    static constexpr uint32_t kNoColor = 0xFF000000;
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

    bool Create(const char* title, DWORD style, DWORD exStyle, const RECT* rect, HWND parent,
                UINT id, LPARAM param, HINSTANCE instance, bool noCloseClass);
    bool CreateControl(const char* className, const char* title, DWORD style, DWORD exStyle,
                       const RECT* rect, HWND parent, UINT id, LPARAM param, HINSTANCE instance);
    bool Destroy();
    static SWnd* FromHandle(HWND handle);
    static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetHandle() const { return handle; }
    int GetKind() const { return kind; }
    DWORD GetOwnerThread() const { return ownerThread; }
    SString GetText() const;
    bool SetText(const char* text);
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

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
    bool IsNormalState() const { return normalState; }
    bool IsMoving() const { return moving; }

    // Tracking limits, -1 for none; a client-size limit has the frame added when applied.
    void SetMinSize(int width, int height, bool clientSize = false);
    void SetMaxSize(int width, int height, bool clientSize = false);

    int RunModal(WPARAM wParam, LPARAM lParam, bool disableAll, const SArray<HWND>* exceptions,
                 bool hideAfterwards);
    void EndModal(int result);
    bool IsModal() const { return modal; }

    static COLORREF ResolveColor(uint32_t color);  // a system colour index to its colour

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

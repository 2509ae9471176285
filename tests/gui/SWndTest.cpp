// Real windows under Xvfb: creation, the shared stage's translations and the modal run.
#include <gtest/gtest.h>

#include "core/SWindows.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gui/SSystem.h"
#include "gui/SThreadRecord.h"
#include "gui/SThreadTable.h"
#include "tests/gui/ProbeWnd.h"
#include "tests/support/TestFolder.h"

namespace {

const RECT kArea = {10, 10, 210, 160};

bool MakePopup(SWnd& wnd, DWORD style = 0) {
    return wnd.Create("probe", style, 0, &kArea, nullptr, 0, 0, SSystem::GetInstance(), false);
}

// A parent shown without activation: Wine then leaves it to no window manager, and hiding it
// costs no wait for one. Tests that move the focus use an activated window instead: focus in
// an unmanaged window would leave Wine ignoring injected keys afterwards.
bool MakeShownParent(SWnd& wnd) {
    if (!MakePopup(wnd)) return false;
    ShowWindow(wnd.GetHandle(), SW_SHOWNA);
    return true;
}

bool MakeChild(SWnd& wnd, const SWnd& parent, int y, DWORD style = WS_VISIBLE) {
    const RECT area = {5, y, 105, y + 20};
    return wnd.Create("", WS_CHILD | style, 0, &area, parent.GetHandle(), 0, 0,
                      SSystem::GetInstance(), false);
}

TEST(SWndCreate, AnswerToCreatedDecidesAndWindowIsShownOnlyAfterIt) {
    struct Case {
        LRESULT answer;
        DWORD style;
        bool created;
    };
    const Case cases[] = {
        {0, 0, true}, {0, WS_VISIBLE, true}, {1, WS_VISIBLE, false}, {7, 0, false}};
    for (const Case& c : cases) {
        ProbeWnd wnd;
        wnd.createdAnswer = c.answer;
        EXPECT_EQ(MakePopup(wnd, c.style), c.created) << c.answer;
        ASSERT_NE(wnd.createdHandle, nullptr) << "33769 must be seen with a window";
        EXPECT_FALSE(wnd.visibleWhenCreated);
        EXPECT_EQ(IsWindow(wnd.createdHandle) != FALSE, c.created);
        EXPECT_EQ(wnd.GetHandle() != nullptr, c.created);
        EXPECT_EQ(SWnd::FromHandle(wnd.createdHandle), c.created ? &wnd : nullptr);
        if (!c.created) continue;
        EXPECT_EQ(IsWindowVisible(wnd.GetHandle()) != FALSE, c.style == WS_VISIBLE);
        EXPECT_EQ(wnd.Send(WM_GETFONT), reinterpret_cast<LRESULT>(SSystem::GetDefaultFont()));
        EXPECT_FALSE(MakePopup(wnd)) << "a second window for one object";
    }
}

// Builds the drop handle the shell would: a DROPFILES header and a double-zero-ended list.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t chars = 1;
    for (const std::string& path : paths) chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars);
    DROPFILES* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    char* list = reinterpret_cast<char*>(header + 1);
    for (const std::string& path : paths) {
        memcpy(list, path.c_str(), path.size() + 1);
        list += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST(SWndDrop, FoldersGetABackslashAndOrderIsKept) {
    TestFolder folder;
    std::string sub = folder.MakeFolder("Sub Folder");
    sub.pop_back();
    const std::string file = folder.WriteFile("a file.txt", "x");
    const std::vector<std::vector<std::string>> drops = {{sub, file}, {file, sub}};
    for (const std::vector<std::string>& drop : drops) {
        ProbeWnd wnd;
        ASSERT_TRUE(MakePopup(wnd));
        DragAcceptFiles(wnd.GetHandle(), TRUE);
        wnd.Send(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(drop)));
        ASSERT_EQ(wnd.drops.size(), 1u);
        ASSERT_EQ(wnd.drops[0].size(), 2u);
        for (size_t i = 0; i < 2; ++i)
            EXPECT_EQ(wnd.drops[0][i], drop[i] == sub ? sub + "\\" : file);
    }
}

TEST(SWndKeys, TabWrapsAndSkipsDisabledOrHiddenSiblings) {
    struct Case {
        int from;
        int disabled;  // -1: none
        int hidden;
        int group;
        int expected;
    };
    const Case cases[] = {
        {0, -1, -1, 0, 1}, {2, -1, -1, 0, 0}, {0, 1, -1, 0, 2},   {0, -1, 1, 0, 2},
        {1, 2, -1, 0, 0},  {2, 0, 1, 0, 2},   {0, -1, -1, -1, 0},
    };
    ProbeWnd parent;
    ASSERT_TRUE(MakePopup(parent, WS_VISIBLE));
    for (const Case& c : cases) {
        ProbeWnd children[3];
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(
                MakeChild(children[i], parent, 10 + 30 * i, i == c.hidden ? 0 : WS_VISIBLE));
            EXPECT_EQ(children[i].GetTabIndex(), children[0].GetTabIndex() + i);
            children[i].SetTabGroup(c.group);
        }
        if (c.disabled >= 0) EnableWindow(children[c.disabled].GetHandle(), FALSE);
        SetFocus(children[c.from].GetHandle());
        parent.notices.clear();
        children[c.from].Send(WM_KEYDOWN, VK_TAB, 0);
        EXPECT_EQ(GetFocus(), children[c.expected].GetHandle())
            << "from " << c.from << " disabled " << c.disabled << " hidden " << c.hidden;
        // A TAB that moved the focus is consumed; every key in a child is reported above.
        EXPECT_EQ(children[c.from].keys.size(), c.expected == c.from ? 1u : 0u);
        EXPECT_EQ(parent.Count(SWnd::kMsgKeyInChild), 1);
    }
}

void PressModifiers(bool ctrl, bool shift, bool down) {
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) input.type = INPUT_KEYBOARD;
    inputs[0].ki = {VK_CONTROL, 0, down ? 0u : KEYEVENTF_KEYUP, 0, 0};
    inputs[1].ki = {VK_SHIFT, 0, down ? 0u : KEYEVENTF_KEYUP, 0, 0};
    if (ctrl || shift) SendInput((ctrl && shift) ? 2 : 1, inputs + (ctrl ? 0 : 1), sizeof(INPUT));
    // Wine answers key-state questions from a cache for a few milliseconds: wait for the
    // injected state to show.
    for (int i = 0; i < 100 && (GetAsyncKeyState(VK_CONTROL) < 0) != (ctrl && down); ++i) Sleep(5);
}

TEST(SWndKeys, SaveShortcutsNeedTheirMaskBitAndModifiers) {
    struct Case {
        uint32_t mask;
        bool ctrl;
        bool shift;
        int saves;
        int savesAs;
    };
    const Case cases[] = {
        {0x2000, true, false, 1, 0}, {0x0, true, false, 0, 0},
        {0x4000, true, false, 0, 0}, {0x4000, true, true, 0, 1},
        {0x2000, true, true, 0, 0},  {0x6000, false, false, 0, 0},
        {0x6000, false, true, 0, 0}, {0xFFFF & ~0x2000u, true, false, 0, 0},
    };
    // Injected keys change the key state only while a window of ours is active.
    ProbeWnd wnd;
    ASSERT_TRUE(MakePopup(wnd, WS_VISIBLE));
    SetForegroundWindow(wnd.GetHandle());
    for (const Case& c : cases) {
        wnd.saves = wnd.savesAs = 0;
        wnd.keys.clear();
        wnd.SetShortcutMask(c.mask);
        PressModifiers(c.ctrl, c.shift, true);
        ASSERT_EQ(GetAsyncKeyState(VK_CONTROL) < 0, c.ctrl) << std::hex << c.mask << c.shift;
        wnd.Send(WM_KEYDOWN, 'S', 0);
        PressModifiers(c.ctrl, c.shift, false);
        DrainMessages();
        EXPECT_EQ(wnd.saves, c.saves) << std::hex << c.mask << " " << c.ctrl << c.shift;
        EXPECT_EQ(wnd.savesAs, c.savesAs) << std::hex << c.mask << " " << c.ctrl << c.shift;
        // A shortcut does not consume the key.
        EXPECT_EQ(std::count(wnd.keys.begin(), wnd.keys.end(), 'S'), 1);
    }
}

TEST(SWndCommands, ChildNotificationsBecomeFrameworkMessages) {
    struct Case {
        const char* className;
        DWORD style;
        int kind;
        UINT expected;
        LRESULT checkAfter;
        LRESULT siblingAfter;  // a radio of the same group loses its check
    };
    const Case cases[] = {
        {"BUTTON", BS_PUSHBUTTON, SWnd::kKindButton, SWnd::kMsgButtonClicked, BST_UNCHECKED,
         BST_UNCHECKED},
        {"BUTTON", BS_CHECKBOX, SWnd::kKindCheck, SWnd::kMsgCheckToggled, BST_CHECKED, BST_CHECKED},
        {"BUTTON", BS_RADIOBUTTON, SWnd::kKindRadio, SWnd::kMsgRadioChosen, BST_CHECKED,
         BST_UNCHECKED},
    };
    ProbeWnd parent;
    ASSERT_TRUE(MakeShownParent(parent));
    for (const Case& c : cases) {
        parent.notices.clear();
        SWnd sibling(c.kind);
        SWnd child(c.kind);
        const RECT area = {0, 0, 80, 20};
        ASSERT_TRUE(sibling.CreateControl(c.className, "s", WS_CHILD | WS_VISIBLE | c.style, 0,
                                          &area, parent.GetHandle(), 1, 0, nullptr));
        ASSERT_TRUE(child.CreateControl(c.className, "c", WS_CHILD | WS_VISIBLE | c.style, 0, &area,
                                        parent.GetHandle(), 2, 0, nullptr));
        sibling.Send(BM_SETCHECK, BST_CHECKED);
        child.Send(BM_CLICK);
        ASSERT_EQ(parent.Count(c.expected), 1) << c.kind;
        EXPECT_EQ(parent.notices.back().second, reinterpret_cast<WPARAM>(&child));
        EXPECT_EQ(child.Send(BM_GETCHECK), c.checkAfter) << c.kind;
        EXPECT_EQ(sibling.Send(BM_GETCHECK), c.siblingAfter) << c.kind;
    }
}

TEST(SWndCommands, TextSetWithoutFocusIsNoEdit) {
    ProbeWnd parent;
    ASSERT_TRUE(MakePopup(parent, WS_VISIBLE));
    for (bool focused : {false, true}) {
        parent.notices.clear();
        SWnd edit(SWnd::kKindEdit);
        ASSERT_TRUE(edit.CreateControl("EDIT", "", WS_CHILD | WS_VISIBLE, 0, &kArea,
                                       parent.GetHandle(), 1, 0, nullptr));
        SetFocus(focused ? edit.GetHandle() : parent.GetHandle());
        ASSERT_TRUE(edit.SetText("1.2.3.4"));
        EXPECT_EQ(parent.Count(SWnd::kMsgTextEdited), focused ? 1 : 0);
    }
}

// A run that never ends would hang the suite: a timer ends it with 42 after five seconds.
void CALLBACK EndStuckRun(HWND window, UINT, UINT_PTR, DWORD) {
    if (SWnd* wnd = SWnd::FromHandle(window)) wnd->EndModal(42);
}

TEST(SWndModal, EnterEscapeAndCloseEndTheRun) {
    struct Case {
        UINT message;
        WPARAM wParam;
        int result;
    };
    const Case cases[] = {
        {WM_KEYDOWN, VK_RETURN, 0}, {WM_KEYDOWN, VK_ESCAPE, -1}, {WM_CLOSE, 0, -1}};
    ProbeWnd wnd;  // one window for every case: each hide of a shown window costs Wine a wait
    ASSERT_TRUE(MakePopup(wnd));
    for (const Case& c : cases) {
        SetTimer(wnd.GetHandle(), 1, 5000, EndStuckRun);
        PostMessageA(wnd.GetHandle(), c.message, c.wParam, 0);
        EXPECT_EQ(wnd.RunModal(0, 0, false, nullptr, false), c.result) << c.message;
        KillTimer(wnd.GetHandle(), 1);
        EXPECT_FALSE(wnd.IsModal());
        ASSERT_TRUE(IsWindow(wnd.GetHandle())) << "the run never destroys the window";
        EXPECT_EQ(IsWindowVisible(wnd.GetHandle()) != FALSE, c.message != WM_CLOSE);
    }
}

TEST(SWndModal, QuitEndsTheRunAndIsPostedAgainWithItsCode) {
    ProbeWnd wnd;
    ASSERT_TRUE(MakePopup(wnd));
    SetTimer(wnd.GetHandle(), 1, 5000, EndStuckRun);
    PostQuitMessage(3);
    EXPECT_EQ(wnd.RunModal(0, 0, false, nullptr, false), 0);
    KillTimer(wnd.GetHandle(), 1);
    MSG message = {};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_FALSE(wnd.IsModal());
}

struct WorkerWindow {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ProbeWnd* wnd = nullptr;
    DWORD threadId = 0;
    bool madeWithoutRecord = true;
};

DWORD WINAPI MakeWindowOnWorker(LPVOID data) {
    WorkerWindow* worker = static_cast<WorkerWindow*>(data);
    worker->threadId = GetCurrentThreadId();
    ProbeWnd wnd;  // a message-only window, as worker threads make them
    auto make = [&wnd] {
        return wnd.Create("", 0, 0, nullptr, HWND_MESSAGE, 0, 0, SSystem::GetInstance(), false);
    };
    worker->madeWithoutRecord = make();
    if (SThreadTable::Register() && make()) worker->wnd = &wnd;
    SetEvent(worker->ready);
    WaitForSingleObject(worker->done, INFINITE);
    wnd.Destroy();
    SThreadTable::Unregister(0);
    return 0;
}

TEST(SWndThreads, WindowIsFoundOnlyThroughItsThreadsRecord) {
    WorkerWindow worker;
    HANDLE thread = CreateThread(nullptr, 0, MakeWindowOnWorker, &worker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(worker.ready, INFINITE);
    EXPECT_FALSE(worker.madeWithoutRecord) << "a thread without a record makes no window";
    ASSERT_NE(worker.wnd, nullptr);
    HWND handle = worker.wnd->GetHandle();
    EXPECT_EQ(SWnd::FromHandle(handle), worker.wnd);
    EXPECT_EQ(SThreadTable::Find(worker.threadId)->Find(handle), worker.wnd);
    EXPECT_EQ(SThreadTable::Find(GetCurrentThreadId())->Find(handle), nullptr);
    SetEvent(worker.done);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_EQ(SThreadTable::Find(worker.threadId), nullptr);
    EXPECT_EQ(SWnd::FromHandle(handle), nullptr);
    CloseHandle(thread);
    CloseHandle(worker.ready);
    CloseHandle(worker.done);
}

}  // namespace

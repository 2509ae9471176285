// Real windows under Xvfb: creation, the shared stage's translations (drops, TAB, shortcuts,
// child notifications) and the modal run's endings.
#include <gtest/gtest.h>

#include "core/SWindows.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gui/SSystem.h"
#include "tests/gui/ProbeWnd.h"
#include "tests/support/TestFolder.h"

namespace {

const RECT kArea = {10, 10, 210, 160};

bool MakePopup(SWnd& wnd, DWORD style = 0) {
    return wnd.Create("probe", style, 0, &kArea, nullptr, 0, 0, SSystem::GetInstance(), false);
}

TEST(SWndCreate, AnswerToCreatedDecidesAndWindowIsShownOnlyAfterIt) {
    const struct {
        LRESULT answer;
        bool created;
    } cases[] = {{0, true}, {7, false}};
    for (const auto& c : cases) {
        ProbeWnd wnd;
        wnd.createdAnswer = c.answer;
        EXPECT_EQ(MakePopup(wnd, WS_VISIBLE), c.created) << c.answer;
        ASSERT_NE(wnd.createdHandle, nullptr) << "the created message comes with a window";
        EXPECT_FALSE(wnd.visibleWhenCreated);
        EXPECT_EQ(IsWindow(wnd.createdHandle) != FALSE, c.created);
        EXPECT_EQ(SWnd::FromHandle(wnd.createdHandle), c.created ? &wnd : nullptr);
        EXPECT_EQ(IsWindowVisible(wnd.createdHandle) != FALSE, c.created);
        if (!c.created) continue;
        EXPECT_EQ(wnd.Send(WM_GETFONT), reinterpret_cast<LRESULT>(SSystem::GetDefaultFont()));
        EXPECT_FALSE(MakePopup(wnd)) << "a second window for one object";
    }
}

// The drop handle the shell would make: a DROPFILES header and a double-zero-ended list.
TEST(SWndDrop, FoldersGetABackslashAndOrderIsKept) {
    TestFolder folder;
    std::string sub = folder.MakeFolder("Sub Folder");
    const std::string file = folder.WriteFile("a file.txt", "x");
    const std::string list = file + '\0' + sub.substr(0, sub.size() - 1) + '\0' + sub + '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() + 1);
    DROPFILES* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    memcpy(header + 1, list.data(), list.size());
    GlobalUnlock(memory);
    ProbeWnd wnd;
    ASSERT_TRUE(MakePopup(wnd));
    wnd.Send(WM_DROPFILES, reinterpret_cast<WPARAM>(memory));
    EXPECT_EQ(wnd.drops, (std::vector<std::string>{file, sub, sub}));
}

TEST(SWndKeys, TabWrapsAndSkipsDisabledOrHiddenSiblings) {
    const struct {
        int from, disabled, hidden;  // -1: none
        int group, expected;
    } cases[] = {
        {0, -1, -1, 0, 1}, {2, -1, -1, 0, 0}, {0, 1, -1, 0, 2},   {0, -1, 1, 0, 2},
        {1, 2, -1, 0, 0},  {2, 0, 1, 0, 2},   {0, -1, -1, -1, 0},
    };
    ProbeWnd parent;
    ASSERT_TRUE(MakePopup(parent, WS_VISIBLE));
    for (const auto& c : cases) {
        ProbeWnd children[3];
        for (int i = 0; i < 3; ++i) {
            const RECT area = {5, 10 + 30 * i, 105, 30 + 30 * i};
            ASSERT_TRUE(children[i].Create("", WS_CHILD | (i == c.hidden ? 0 : WS_VISIBLE), 0,
                                           &area, parent.GetHandle(), 0, 0, nullptr, false));
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

// Injected keys change the key state only while a window of ours is active; Wine answers
// key-state questions from a cache for a few milliseconds, so the state is waited for.
void PressModifiers(bool ctrl, bool shift, DWORD up) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki = {VK_CONTROL, 0, up, 0, 0};
    inputs[1].ki = {VK_SHIFT, 0, up, 0, 0};
    if (ctrl || shift) SendInput(ctrl && shift ? 2 : 1, inputs + (ctrl ? 0 : 1), sizeof(INPUT));
    for (int i = 0; i < 100 && (GetAsyncKeyState(VK_CONTROL) < 0) != (ctrl && !up); ++i) Sleep(5);
}

TEST(SWndKeys, SaveShortcutsNeedTheirMaskBitAndModifiers) {
    const struct {
        uint32_t mask;
        bool ctrl, shift;
        int saves, savesAs;
    } cases[] = {
        {0x2000, true, false, 1, 0}, {0x0, true, false, 0, 0},    {0x4000, true, true, 0, 1},
        {0x2000, true, true, 0, 0},  {0x6000, false, true, 0, 0},
    };
    ProbeWnd wnd;
    ASSERT_TRUE(MakePopup(wnd, WS_VISIBLE));
    SetForegroundWindow(wnd.GetHandle());
    for (const auto& c : cases) {
        wnd.saves = wnd.savesAs = 0;
        wnd.keys.clear();
        wnd.SetShortcutMask(c.mask);
        PressModifiers(c.ctrl, c.shift, 0);
        ASSERT_EQ(GetAsyncKeyState(VK_CONTROL) < 0, c.ctrl) << std::hex << c.mask << c.shift;
        wnd.Send(WM_KEYDOWN, 'S', 0);
        PressModifiers(c.ctrl, c.shift, KEYEVENTF_KEYUP);
        DrainMessages();
        EXPECT_EQ(wnd.saves, c.saves) << std::hex << c.mask << " " << c.ctrl << c.shift;
        EXPECT_EQ(wnd.savesAs, c.savesAs) << std::hex << c.mask << " " << c.ctrl << c.shift;
        EXPECT_EQ(std::count(wnd.keys.begin(), wnd.keys.end(), 'S'), 1) << "not consumed";
    }
}

TEST(SWndCommands, ChildNotificationsBecomeFrameworkMessages) {
    const struct {
        DWORD style;
        int kind;
        UINT expected;
        LRESULT checkAfter, siblingAfter;  // a radio of the same group loses its check
    } cases[] = {
        {BS_PUSHBUTTON, SWnd::kKindButton, SWnd::kMsgButtonClicked, BST_UNCHECKED, BST_UNCHECKED},
        {BS_CHECKBOX, SWnd::kKindCheck, SWnd::kMsgCheckToggled, BST_CHECKED, BST_CHECKED},
        {BS_RADIOBUTTON, SWnd::kKindRadio, SWnd::kMsgRadioChosen, BST_CHECKED, BST_UNCHECKED},
    };
    // Shown without activation: Wine leaves the window to no window manager, and hiding it
    // costs no wait for one.
    ProbeWnd parent;
    ASSERT_TRUE(MakePopup(parent));
    ShowWindow(parent.GetHandle(), SW_SHOWNA);
    for (const auto& c : cases) {
        parent.notices.clear();
        SWnd sibling(c.kind), child(c.kind);
        for (SWnd* button : {&sibling, &child})
            ASSERT_TRUE(button->CreateControl("BUTTON", "", WS_CHILD | WS_VISIBLE | c.style, 0,
                                              &kArea, parent.GetHandle(), 1, 0, nullptr));
        sibling.Send(BM_SETCHECK, BST_CHECKED);
        child.Send(BM_CLICK);
        ASSERT_EQ(parent.Count(c.expected), 1) << c.kind;
        EXPECT_EQ(parent.notices.back().second, reinterpret_cast<WPARAM>(&child));
        EXPECT_EQ(child.Send(BM_GETCHECK), c.checkAfter) << c.kind;
        EXPECT_EQ(sibling.Send(BM_GETCHECK), c.siblingAfter) << c.kind;
    }
}

// A run that never ends would hang the suite: a timer ends it with 42 after five seconds.
void CALLBACK EndStuckRun(HWND window, UINT, UINT_PTR, DWORD) {
    if (SWnd* wnd = SWnd::FromHandle(window)) wnd->EndModal(42);
}

TEST(SWndModal, EnterEscapeAndCloseEndTheRun) {
    const struct {
        UINT message;
        WPARAM wParam;
        int result;
    } cases[] = {{WM_KEYDOWN, VK_RETURN, 0}, {WM_KEYDOWN, VK_ESCAPE, -1}, {WM_CLOSE, 0, -1}};
    ProbeWnd wnd;  // one window for every case: each hide of a shown window costs Wine a wait
    ASSERT_TRUE(MakePopup(wnd));
    for (const auto& c : cases) {
        SetTimer(wnd.GetHandle(), 1, 5000, EndStuckRun);
        PostMessageA(wnd.GetHandle(), c.message, c.wParam, 0);
        EXPECT_EQ(wnd.RunModal(0, 0, false, nullptr, false), c.result) << c.message;
        KillTimer(wnd.GetHandle(), 1);
        EXPECT_FALSE(wnd.IsModal());
        ASSERT_TRUE(IsWindow(wnd.GetHandle())) << "the run never destroys the window";
        EXPECT_EQ(IsWindowVisible(wnd.GetHandle()) != FALSE, c.message != WM_CLOSE);
    }
}

}  // namespace

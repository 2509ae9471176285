// Real windows under Xvfb: creation, the shared stage's translations (drops, TAB, the save
// shortcut) and a modal run closed.
#include <gtest/gtest.h>

#include "core/SWindows.h"

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
    for (const LRESULT answer : {0, 7}) {
        const bool created = answer == 0;
        ProbeWnd wnd;
        wnd.createdAnswer = answer;
        EXPECT_EQ(MakePopup(wnd, WS_VISIBLE), created) << answer;
        ASSERT_NE(wnd.createdHandle, nullptr) << "the created message comes with a window";
        EXPECT_FALSE(wnd.visibleWhenCreated);
        EXPECT_EQ(IsWindow(wnd.createdHandle) != FALSE, created);
        EXPECT_EQ(SWnd::FromHandle(wnd.createdHandle), created ? &wnd : nullptr);
        EXPECT_EQ(IsWindowVisible(wnd.createdHandle) != FALSE, created);
        if (!created) continue;
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
        {0, -1, -1, 0, 1}, {2, -1, -1, 0, 0}, {0, 1, -1, 0, 2},
        {0, -1, 1, 0, 2},  {2, 0, 1, 0, 2},   {0, -1, -1, -1, 0},
    };
    ProbeWnd parent;
    ASSERT_TRUE(MakePopup(parent, WS_VISIBLE));
    for (const auto& c : cases) {
        ProbeWnd children[3];
        for (int i = 0; i < 3; ++i) {
            const RECT area = {5, 10 + 30 * i, 105, 30 + 30 * i};
            ASSERT_TRUE(children[i].Create("", WS_CHILD | (i == c.hidden ? 0 : WS_VISIBLE), 0,
                                           &area, parent.GetHandle(), 0, 0, nullptr, false));
            children[i].SetTabGroup(c.group);
        }
        if (c.disabled >= 0) EnableWindow(children[c.disabled].GetHandle(), FALSE);
        SetFocus(children[c.from].GetHandle());
        children[c.from].Send(WM_KEYDOWN, VK_TAB, 0);
        EXPECT_EQ(GetFocus(), children[c.expected].GetHandle())
            << "from " << c.from << " disabled " << c.disabled << " hidden " << c.hidden;
        // A TAB that moved the focus is consumed.
        EXPECT_EQ(children[c.from].keys.size(), c.expected == c.from ? 1u : 0u);
    }
}

// Injected keys change the key state only while a window of ours is active; Wine answers
// key-state questions from a cache for a few milliseconds, so the state is waited for.
void PressControl(DWORD up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki = {VK_CONTROL, 0, up, 0, 0};
    SendInput(1, &input, sizeof(INPUT));
    for (int i = 0; i < 100 && (GetAsyncKeyState(VK_CONTROL) < 0) != !up; ++i) Sleep(5);
}

TEST(SWndKeys, SaveShortcutRunsWithItsModifier) {
    ProbeWnd wnd;
    ASSERT_TRUE(MakePopup(wnd, WS_VISIBLE));
    SetForegroundWindow(wnd.GetHandle());
    wnd.SetShortcutMask(0x2000);
    PressControl(0);
    ASSERT_LT(GetAsyncKeyState(VK_CONTROL), 0);
    wnd.Send(WM_KEYDOWN, 'S', 0);
    PressControl(KEYEVENTF_KEYUP);
    DrainMessages();
    EXPECT_EQ(wnd.saves, 1);
    EXPECT_EQ(std::count(wnd.keys.begin(), wnd.keys.end(), 'S'), 1) << "not consumed";
}

// A run that never ends would hang the suite: a timer ends it with 42 after five seconds.
void CALLBACK EndStuckRun(HWND window, UINT, UINT_PTR, DWORD) {
    if (SWnd* wnd = SWnd::FromHandle(window)) wnd->EndModal(42);
}

TEST(SWndModal, CloseEndsTheRunAndOnlyHidesTheWindow) {
    ProbeWnd wnd;
    ASSERT_TRUE(MakePopup(wnd));
    SetTimer(wnd.GetHandle(), 1, 5000, EndStuckRun);
    PostMessageA(wnd.GetHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(wnd.RunModal(0, 0, false, nullptr, false), -1);
    KillTimer(wnd.GetHandle(), 1);
    ASSERT_TRUE(IsWindow(wnd.GetHandle())) << "the run never destroys the window";
    EXPECT_FALSE(IsWindowVisible(wnd.GetHandle()));
}

}  // namespace

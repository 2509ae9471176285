// The framework's process-wide services as the program sees them after start-up. The loops
// are exercised through the modal runs of the window tests.
#include <gtest/gtest.h>

#include "gui/SSystem.h"
#include "gui/SThreadRecord.h"
#include "gui/SThreadTable.h"
#include "gui/SWndApp.h"
#include "tests/gui/ProbeWnd.h"

namespace {

TEST(SSystemStart, VersionCodes) {
    struct Case {
        DWORD platform, major, minor;
        int code;
    };
    const Case cases[] = {{1, 4, 0, 1}, {1, 4, 10, 3}, {1, 4, 90, 4}, {2, 4, 0, 2}, {2, 5, 0, 5},
                          {2, 5, 1, 6}, {2, 5, 2, 6},  {2, 6, 0, 7},  {2, 6, 1, 8}, {2, 10, 0, 8},
                          {1, 4, 1, 8}, {2, 4, 10, 8}, {0, 4, 0, 8},  {1, 5, 0, 8}};
    for (const Case& c : cases)
        EXPECT_EQ(SSystem::OsVersionCode(c.platform, c.major, c.minor), c.code)
            << c.platform << " " << c.major << "." << c.minor;
    EXPECT_EQ(SSystem::GetOsVersion(), 8) << "Wine reports a Windows newer than Vista";
}

TEST(SSystemFonts, HeightsRoundHalvesUpward) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96) << "the table below is for 96 dots per inch";
    struct Case {
        double points;
        int style;
        int height;
    };
    // 7.875 points is exactly -10.5 pixels; 8 is -10.67; 9 is exactly -12.
    const Case cases[] = {{8.0, 0, -11}, {7.875, 1, -10}, {9.0, 2, -12},
                          {7.9, 4, -11}, {12.0, 8, -16},  {0.0, 0, 0}};
    for (const Case& c : cases) {
        int height = 1;
        HFONT font = SSystem::CreateFont(nullptr, "Tahoma", c.points, c.style, &height);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(height, c.height) << c.points;
        LOGFONTA logical;
        GetObjectA(font, sizeof logical, &logical);
        EXPECT_EQ(logical.lfWeight + logical.lfItalic * 2 + logical.lfStrikeOut * 8,
                  (c.style & 1 ? 700 : 0) + (c.style & 10));
        DeleteObject(font);
    }
}

// Fills the table from a thread of its own, so that the first thread's record stays.
DWORD WINAPI FillThreadTable(LPVOID result) {
    int taken = 0;
    while (SThreadTable::Register()) ++taken;
    const bool full = SThreadTable::Register() == nullptr;
    int released = 0;
    while (SThreadTable::Unregister(0)) ++released;
    *static_cast<int*>(result) = full && released == taken ? taken : -1;
    return 0;
}

TEST(SSystemThreads, TableHolds256RecordsAndFirstThreadKeepsSlotZero) {
    int taken = 0;
    HANDLE thread = CreateThread(nullptr, 0, FillThreadTable, &taken, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(taken, SThreadTable::kSlots - 1);
    ASSERT_NE(SThreadTable::Find(GetCurrentThreadId()), nullptr);
    EXPECT_FALSE(SThreadTable::Unregister(12345678));
}

TEST(SSystemCapture, RelayReachesTheTargetUntilReleaseOrLoss) {
    EXPECT_FALSE(SSystem::BeginMouseCapture(nullptr, true, true));
    ProbeWnd target;
    ASSERT_TRUE(target.Create("", 0, 0, nullptr, nullptr, 0, 0, nullptr, false));
    EXPECT_FALSE(SSystem::BeginMouseCapture(target.GetHandle(), true, true)) << "no button down";
    EXPECT_EQ(GetCapture(), nullptr);
    SWndApp* app = SSystem::GetAppWindow();
    struct Case {
        int mode;
        UINT ending;
        UINT notice;  // what the target hears last
    };
    const Case cases[] = {
        {SWndApp::kCaptureLeft, WM_LBUTTONUP, SWnd::kMsgCaptureEnd},
        {SWndApp::kCaptureRight, WM_RBUTTONUP, SWnd::kMsgCaptureEnd},
        {SWndApp::kCaptureLeft, WM_RBUTTONUP, SWnd::kMsgCaptureLost},  // not its button
    };
    for (const Case& c : cases) {
        target.notices.clear();
        app->StartCapture(target.GetHandle(), c.mode);
        app->Send(WM_MOUSEMOVE, 0, MAKELPARAM(30, 40));
        app->Send(c.ending, 0, MAKELPARAM(31, 41));
        if (GetCapture() == app->GetHandle()) ReleaseCapture();
        ASSERT_GE(target.notices.size(), 2u);
        EXPECT_EQ(target.notices[0], std::make_pair(SWnd::kMsgCaptureMove, (WPARAM)c.mode));
        EXPECT_EQ(target.notices.back().first, c.notice);
        EXPECT_EQ(target.notices.size(), 2u) << "one ending notice only";
        EXPECT_EQ(app->GetCaptureTarget(), nullptr);
    }
}

}  // namespace

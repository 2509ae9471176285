// The framework's process-wide services: the running-program count, fonts, the thread table,
// the command line's bounds and the mouse capture's refusals. (The command line's split is
// core's, and the updater's end-to-end tests start it with every kind of argument.)
#include <gtest/gtest.h>

#include <string>

#include "gui/SSystem.h"
#include "gui/SThreadRecord.h"
#include "gui/SThreadTable.h"
#include "tests/gui/ProbeWnd.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"

namespace {

// Waits until the count of the path reaches want, for at most ten seconds.
int CountWhenSettled(const std::string& path, int want) {
    int count = -1;
    for (int i = 0; i < 200 && count != want; ++i) {
        count = SSystem::GetProcessCount(path.c_str());
        if (count != want) Sleep(50);
    }
    return count;
}

TEST(SSystemProcessCount, SeesARunningProgramIgnoringCaseAndNotAfterItEnds) {
    EXPECT_GE(SSystem::GetProcessCount(nullptr), 1);  // this program
    TestFolder folder;
    const std::string host = folder / "Host Program.exe";
    ASSERT_TRUE(CopyFileA(HelperPath("sleeper.exe").c_str(), host.c_str(), FALSE));
    EXPECT_EQ(SSystem::GetProcessCount(host.c_str()), 0);
    RunningProcess running("\"" + host + "\" 60000");
    ASSERT_TRUE(running.IsStarted());
    EXPECT_EQ(CountWhenSettled(host, 1), 1);
    // Any spelling of the full path matches (other case, forward slashes, the short form);
    // a bare name never does.
    std::string upper = host, slashed = host;
    for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    for (char& ch : slashed) ch = ch == '\\' ? '/' : ch;
    char shortForm[MAX_PATH] = "";
    GetShortPathNameA(host.c_str(), shortForm, MAX_PATH);
    ASSERT_NE(std::string(shortForm).find('~'), std::string::npos) << shortForm;
    for (const std::string& spelling : {upper, slashed, std::string(shortForm)})
        EXPECT_EQ(SSystem::GetProcessCount(spelling.c_str()), 1) << spelling;
    EXPECT_EQ(SSystem::GetProcessCount("Host Program.exe"), 0);
    running.Stop();
    EXPECT_EQ(CountWhenSettled(host, 0), 0);
}

TEST(SSystemFonts, HeightsRoundHalvesUpward) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96) << "the table is for 96 dots per inch";
    ReleaseDC(nullptr, screen);
    // 7.875 points is exactly -10.5 pixels; 8 is -10.67; 9 is exactly -12.
    const struct {
        double points;
        int style, height;
    } cases[] = {{8.0, 0, -11}, {7.875, 1, -10}, {9.0, 2, -12}, {7.9, 4, -11}, {12.0, 8, -16}};
    for (const auto& c : cases) {
        int height = 1;
        HFONT font = SSystem::CreateFont(nullptr, "Tahoma", c.points, c.style, &height);
        EXPECT_EQ(height, c.height) << c.points;
        LOGFONTA logical = {};
        GetObjectA(font, sizeof logical, &logical);
        EXPECT_EQ(logical.lfWeight, c.style & 1 ? 700 : 0) << c.style;
        EXPECT_EQ(logical.lfItalic, c.style & 2 ? 1 : 0) << c.style;
        EXPECT_EQ(logical.lfUnderline, c.style & 4 ? 1 : 0) << c.style;
        EXPECT_EQ(logical.lfStrikeOut, c.style & 8 ? 1 : 0) << c.style;
        DeleteObject(font);
    }
}

// A worker thread makes a window only once it has a record, and the window is found through
// that record alone; the table then takes records up to its size, and gives every one back.
struct Worker {
    bool madeWithoutRecord = true;
    bool foundThroughRecord = false;
    HWND handle = nullptr;
    int taken = 0;
    int released = 0;
};

DWORD WINAPI RunWorker(LPVOID data) {
    Worker* worker = static_cast<Worker*>(data);
    ProbeWnd wnd;  // a message-only window, as worker threads make them
    auto make = [&wnd] {
        return wnd.Create("", 0, 0, nullptr, HWND_MESSAGE, 0, 0, nullptr, false);
    };
    worker->madeWithoutRecord = make();
    if (!SThreadTable::Register() || !make()) return 0;
    worker->handle = wnd.GetHandle();
    worker->foundThroughRecord = SWnd::FromHandle(wnd.GetHandle()) == &wnd;
    while (SThreadTable::Register()) ++worker->taken;
    while (worker->released <= SThreadTable::kSlots && SThreadTable::Unregister(0))
        ++worker->released;
    return 0;
}

TEST(SSystemThreads, TableHolds256RecordsAndWindowsAreFoundThroughTheirThreadsRecord) {
    Worker worker;
    HANDLE thread = CreateThread(nullptr, 0, RunWorker, &worker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_FALSE(worker.madeWithoutRecord) << "a thread without a record makes no window";
    EXPECT_TRUE(worker.foundThroughRecord);
    EXPECT_EQ(worker.taken, SThreadTable::kSlots - 2);  // this thread's and its own are taken
    EXPECT_EQ(worker.released, worker.taken + 1);
    EXPECT_EQ(SThreadTable::Find(GetCurrentThreadId())->Find(worker.handle), nullptr);
    EXPECT_FALSE(SThreadTable::Unregister(12345678));
}

TEST(SSystemCommandLine, OwnProcessHasItsPathAndNoArgumentsPastTheEnd) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    EXPECT_EQ(SSystem::GetAppPath().CompareNoCase(self), 0) << SSystem::GetAppPath().GetSafeText();
    EXPECT_EQ(SSystem::GetArg(SSystem::GetArgCount()), "");
    EXPECT_EQ(SSystem::GetArg(-1), "");
}

TEST(SSystemCapture, NeedsATargetAndAButtonDown) {
    ProbeWnd target;
    ASSERT_TRUE(target.Create("", 0, 0, nullptr, nullptr, 0, 0, nullptr, false));
    EXPECT_FALSE(SSystem::BeginMouseCapture(nullptr, true, true));
    EXPECT_FALSE(SSystem::BeginMouseCapture(target.GetHandle(), true, true)) << "no button down";
    EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace

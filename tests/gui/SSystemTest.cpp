// The framework's process-wide services: the running-program count, fonts, the thread table
// and the mouse capture's refusal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/SSystem.h"
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
    ASSERT_TRUE(CopyFileA(HelperPath("hostprog.exe").c_str(), host.c_str(), FALSE));
    EXPECT_EQ(SSystem::GetProcessCount(host.c_str()), 0);
    RunningProcess running("\"" + host + "\" --stay 60000");
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

// Every window's font: 8 points at 96 dots per inch is -10.67 pixels, which rounds to -11.
TEST(SSystemFonts, DefaultFontIsEightPoints) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96) << "the height is for 96 dots per inch";
    ReleaseDC(nullptr, screen);
    LOGFONTA logical = {};
    ASSERT_NE(GetObjectA(SSystem::GetDefaultFont(), sizeof logical, &logical), 0);
    EXPECT_EQ(logical.lfHeight, -11);
    EXPECT_EQ(logical.lfWeight, 0);
}

// A worker thread makes a window only once it has a record, and its record goes once: the
// answers to the window's creation, Register, and Unregister twice.
DWORD WINAPI RunWorker(LPVOID data) {
    std::vector<bool>* answers = static_cast<std::vector<bool>*>(data);
    ProbeWnd wnd;  // a message-only window, as worker threads make them
    answers->push_back(wnd.Create("", 0, 0, nullptr, HWND_MESSAGE, 0, 0, nullptr, false));
    answers->push_back(SThreadTable::Register() != nullptr);
    answers->push_back(SThreadTable::Unregister(0));
    answers->push_back(SThreadTable::Unregister(0));
    return 0;
}

TEST(SSystemThreads, WindowsNeedTheirThreadsRecord) {
    std::vector<bool> answers;
    HANDLE thread = CreateThread(nullptr, 0, RunWorker, &answers, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(answers, (std::vector<bool>{false, true, true, false}));
}

TEST(SSystemCapture, NeedsAButtonDown) {
    ProbeWnd target;
    ASSERT_TRUE(target.Create("", 0, 0, nullptr, nullptr, 0, 0, nullptr, false));
    EXPECT_FALSE(SSystem::BeginMouseCapture(target.GetHandle(), true, true));
}

}  // namespace

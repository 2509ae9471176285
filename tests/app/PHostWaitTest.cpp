// The install-mode wait, run by a helper program on its own four-argument command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "gui/SSystem.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"

namespace {

struct WaitOutcome {
    int proceed = -1;
    unsigned long elapsedMs = 0;
    unsigned long scanMs = 0;  // one scan of the running programs, timed before the wait
};

// Runs the wait with host as argument 3, and an optional budget as argument 4.
WaitOutcome RunWait(const std::string& host, const char* budget = nullptr) {
    std::string line = "\"" + HelperPath("waitprobe.exe") + "\" 12345 http://127.0.0.1/a.bin " +
                       "\"C:\\Dest\\\" \"" + host + "\"";
    if (budget) line += std::string(" ") + budget;
    ProcessResult run = RunProcess(line);
    WaitOutcome outcome;
    if (run.started)
        sscanf(run.output.c_str(), "proceed=%d elapsed=%lu scan=%lu", &outcome.proceed,
               &outcome.elapsedMs, &outcome.scanMs);
    return outcome;
}

// A copy of the sleeper under a name of this test, started for sleepMs; returns once the
// copy shows up among the running programs.
class Host {
public:
    Host(const TestFolder& folder, const char* sleepMs)
        : path(folder / "App Host.exe"),
          copied(CopyFileA(HelperPath("sleeper.exe").c_str(), path.c_str(), FALSE) != FALSE),
          process("\"" + path + "\" " + sleepMs) {
        for (int i = 0; i < 200 && SSystem::GetProcessCount(path.c_str()) == 0; ++i) Sleep(50);
    }
    bool IsRunning() const { return copied && SSystem::GetProcessCount(path.c_str()) > 0; }

    const std::string path;

private:
    const bool copied;
    RunningProcess process;
};

TEST(PHostWait, ProceedsAtOnceWhenTheHostIsNotRunning) {
    TestFolder folder;
    WaitOutcome outcome = RunWait(folder / "absent.exe");
    EXPECT_EQ(outcome.proceed, 1);
    // A scan reads every module of every process, which takes Wine a while; a pause before
    // the first poll would add 500 ms to it.
    EXPECT_LT(outcome.elapsedMs, outcome.scanMs + 450u) << "the first poll is made at once";
}

TEST(PHostWait, ProceedsSoonAfterTheHostExits) {
    TestFolder folder;
    Host host(folder, "2500");
    ASSERT_TRUE(host.IsRunning());
    WaitOutcome outcome = RunWait(host.path);
    EXPECT_EQ(outcome.proceed, 1);
    // The host had at most 2.5 s left; the next poll follows its exit within about 0.5 s.
    EXPECT_GE(outcome.elapsedMs, 400u);
    EXPECT_LT(outcome.elapsedMs, 2500u + 1500u + 2 * outcome.scanMs);
}

TEST(PHostWait, GivesUpAfterTheBudgetWhileTheHostRuns) {
    TestFolder folder;
    Host host(folder, "60000");
    ASSERT_TRUE(host.IsRunning());
    WaitOutcome outcome = RunWait(host.path);  // the real 10-second budget
    EXPECT_EQ(outcome.proceed, 0);
    EXPECT_GE(outcome.elapsedMs, 10000u);
    EXPECT_LT(outcome.elapsedMs, 12500u);
    EXPECT_TRUE(host.IsRunning()) << "the wait never touches the host";
}

TEST(PHostWait, EmptyHostMeansTheUpdaterItselfAndSoWaitsTheWholeBudget) {
    WaitOutcome outcome = RunWait("", "1500");
    EXPECT_EQ(outcome.proceed, 0);
    EXPECT_GE(outcome.elapsedMs, 1500u);
}

}  // namespace

// The install-mode wait, run by a helper program on its own four-argument command line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>

#include "gui/SSystem.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFolder.h"

namespace {

struct WaitOutcome {
    int proceed = -1;
    unsigned long elapsedMs = 0;
};

// Runs the wait with host as argument 3, then the budget and the pause between polls.
// Times are given rather than the real ones, so that no test waits 10 s, and only lower
// bounds are asserted: a loaded machine may make anything slower, never faster.
WaitOutcome RunWait(const std::string& host, const char* budget, const char* pause = "500") {
    const std::string line = "\"" + HelperPath("waitprobe.exe") +
                             "\" 12345 http://127.0.0.1/a.bin \"C:\\Dest\\\" \"" + host + "\" " +
                             budget + " " + pause;
    ProcessResult run = RunProcess(line);
    WaitOutcome outcome;
    if (!run.started || sscanf(run.output.c_str(), "proceed=%d elapsed=%lu", &outcome.proceed,
                               &outcome.elapsedMs) != 2)
        ADD_FAILURE() << "the probe " << (run.started ? "started" : "did not start")
                      << ", exit code " << run.exitCode << ", printed \"" << run.output << "\"";
    return outcome;
}

// Before the host starts, a pause longer than the test's time limit lets only a poll made at
// once proceed. Then the wait runs on a thread of its own; it must still be waiting a while
// into the host's life, and it proceeds once the host is stopped. Slowness can only make it
// return later, so no check depends on how fast the machine is.
TEST(PHostWait, ProceedsOnlyWhileTheHostIsNotRunning) {
    TestFolder folder;
    const std::string host = folder / "App Host.exe";  // a copy of the stand-in host
    ASSERT_TRUE(CopyFileA(HelperPath("hostprog.exe").c_str(), host.c_str(), FALSE));
    EXPECT_EQ(RunWait(host, "900000", "900000").proceed, 1);
    RunningProcess running("\"" + host + "\" --stay 900000");
    for (int i = 0; i < 200 && SSystem::GetProcessCount(host.c_str()) == 0; ++i) Sleep(50);
    ASSERT_GT(SSystem::GetProcessCount(host.c_str()), 0);
    auto wait = std::async(std::launch::async, [&] { return RunWait(host, "900000", "100"); });
    EXPECT_EQ(wait.wait_for(std::chrono::milliseconds(1500)), std::future_status::timeout)
        << "proceeded while the host ran";
    running.Stop();
    EXPECT_EQ(wait.get().proceed, 1);
}

TEST(PHostWait, EmptyHostMeansTheUpdaterItselfAndSoWaitsTheWholeBudget) {
    WaitOutcome outcome = RunWait("", "1500");
    EXPECT_EQ(outcome.proceed, 0);
    EXPECT_GE(outcome.elapsedMs, 1500u);
}

}  // namespace

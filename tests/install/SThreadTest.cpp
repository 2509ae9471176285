// The worker-thread base: starting, the hooks, notifications through the reply window, the
// end message, and what Stop and destruction do to a worker that still runs.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <utility>
#include <vector>

#include "core/SWindows.h"
#include "gui/SSystem.h"
#include "gui/SThreadTable.h"
#include "install/SThread.h"
#include "install/SValue.h"

namespace {

// The framework is started once for the whole program, as the entry point does.
class Framework : public ::testing::Environment {
    void SetUp() override { SSystem::Init(GetModuleHandleA(nullptr), false, false, true); }
    void TearDown() override { SSystem::Exit(); }
};
::testing::Environment* const framework = ::testing::AddGlobalTestEnvironment(new Framework);

// Dispatches this thread's messages until done() holds (true) or five seconds pass (false).
bool PumpUntil(const std::function<bool()>& done) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return false;
}

using Notes = std::vector<std::pair<uint32_t, int64_t>>;
using Counts = std::array<int, 3>;  // calls of OnThreadBegin, OnRunEnd and OnThreadEnd

// What a worker did, kept outside the object so that it can be read after destruction.
struct Trace {
    std::atomic<int> begins{0}, runEnds{0}, ends{0};
    std::atomic<DWORD> workerId{0};
    std::atomic<bool> inBody{false}, stallAtEnd{false};
    Notes notes;  // constructing thread only

    Counts Hooks() const { return {begins, runEnds, ends}; }
};

// Holds a worker inside the destruction of its window, past its last hook, for a moment,
// and records whether that destruction ran to its end.
std::atomic<bool> stalled{false}, tidied{false};
LRESULT CALLBACK StallAtDestroy(int code, WPARAM wParam, LPARAM lParam) {
    const UINT message = reinterpret_cast<const CWPSTRUCT*>(lParam)->message;
    if (code == HC_ACTION && message == WM_DESTROY) {
        stalled = true;
        Sleep(300);
    }
    if (code == HC_ACTION && message == WM_NCDESTROY) tidied = true;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Notifications from the hooks around the body are dropped; the body is given by the test.
class Probe : public SThread {
public:
    Probe(Trace& trace, std::function<bool(Probe&)> body) : trace(trace), body(std::move(body)) {}
    void OnThreadBegin() override {
        trace.workerId = GetCurrentThreadId();
        Notify(90, 1);
        ++trace.begins;
    }
    bool Run() override {
        trace.inBody = true;
        return body ? body(*this) : SThread::Run();
    }
    void OnRunEnd() override { ++trace.runEnds; }
    void OnThreadEnd() override {
        Notify(91, 1);
        ++trace.ends;
        if (trace.stallAtEnd)
            SetWindowsHookExA(WH_CALLWNDPROC, StallAtDestroy, nullptr, GetCurrentThreadId());
    }
    void OnNotify(uint32_t code, SValue* value) override {
        EXPECT_EQ(value->GetKind(), SValue::Kind::kInteger);
        trace.notes.push_back({code, value->GetInteger()});
    }
    Trace& trace;
    std::function<bool(Probe&)> body;
};

TEST(SThread, StartIsRefusedUntilTheEndMessageIsHandled) {
    Trace trace;
    Probe probe(trace, [](Probe& self) {
        self.Notify(5, 2147483647);
        return false;
    });
    probe.Notify(1, 1);  // before any start: nothing
    ASSERT_TRUE(probe.Start(false));
    EXPECT_FALSE(probe.Start(false));
    // Ended, but nothing dispatched here yet: the handle is held and Start still refused.
    for (const DWORD start = GetTickCount(); probe.IsRunning() && GetTickCount() - start < 5000;)
        Sleep(1);
    EXPECT_TRUE(probe.HoldsThread());
    EXPECT_FALSE(probe.Start(false));
    ASSERT_TRUE(PumpUntil([&] { return !probe.HoldsThread(); }));
    probe.Notify(2, 2);  // after the end: nothing
    EXPECT_TRUE(probe.Start(false));
    ASSERT_TRUE(PumpUntil([&] { return !probe.HoldsThread(); }));
    EXPECT_EQ(trace.notes, Notes({{5, 2147483647}, {5, 2147483647}}));
    EXPECT_EQ(trace.Hooks(), (Counts{2, 2, 2}));
}

TEST(SThread, WaitingStartReturnsAfterTheLastHookAndNotificationsFollow) {
    Trace trace;
    int run = 0;
    Probe probe(trace, [&run](Probe& self) {
        for (int i = 0; i < 3; ++i) self.Notify(7, run * 10 + i);
        return false;
    });
    ASSERT_TRUE(probe.Start(true));
    EXPECT_EQ(trace.Hooks(), (Counts{1, 1, 1}));
    EXPECT_FALSE(probe.HoldsThread());
    EXPECT_FALSE(probe.IsRunning());
    EXPECT_TRUE(trace.notes.empty());  // queued until the caller's loop runs again
    // Started again before those were handled: none is lost or handed over released.
    run = 1;
    ASSERT_TRUE(probe.Start(true));
    EXPECT_TRUE(PumpUntil([&] { return trace.notes.size() == 6; }));
    EXPECT_EQ(trace.notes, Notes({{7, 0}, {7, 1}, {7, 2}, {7, 10}, {7, 11}, {7, 12}}));
}

TEST(SThread, ThirtyTwoNotificationsInFlightAndTheNextIsLost) {
    Trace trace;
    Probe probe(trace, [](Probe& self) {
        for (int i = 0; i < 33; ++i) self.Notify(static_cast<uint32_t>(i), -i);
        return false;
    });
    Notes expected;
    for (int i = 0; i < 32; ++i) expected.push_back({static_cast<uint32_t>(i), -i});
    for (int round = 0; round < 2; ++round) {  // the slots are free again once handled
        trace.notes.clear();
        ASSERT_TRUE(probe.Start(true));  // nothing is handled while Start waits
        EXPECT_TRUE(PumpUntil([&] { return trace.notes.size() >= 32; }));
        EXPECT_EQ(trace.notes, expected);  // in order, values widened with their sign
    }
}

TEST(SThread, WorkerWhoseRunAsksForItKeepsItsLoopUntilQuit) {
    Trace trace;
    Probe probe(trace, nullptr);  // the base Run: true
    ASSERT_TRUE(probe.Start(false));
    ASSERT_TRUE(PumpUntil([&] { return trace.inBody.load(); }));
    HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, trace.workerId);
    EXPECT_EQ(WaitForSingleObject(worker, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(trace.Hooks(), (Counts{1, 0, 0}));
    EXPECT_TRUE(PostThreadMessageA(trace.workerId, WM_QUIT, 0, 0));
    EXPECT_EQ(WaitForSingleObject(worker, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(worker);
    ASSERT_TRUE(PumpUntil([&] { return !probe.HoldsThread(); }));
    EXPECT_EQ(trace.Hooks(), (Counts{1, 1, 1}));
}

TEST(SThread, DestroyingTheObjectDuringRunEndsTheThreadAtOnce) {
    Trace trace;
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* probe = new Probe(trace, [never](Probe&) {
        WaitForSingleObject(never, INFINITE);
        return false;
    });
    ASSERT_TRUE(probe->Start(false));
    ASSERT_TRUE(PumpUntil([&] { return trace.inBody.load(); }));
    HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, trace.workerId);
    delete probe;
    EXPECT_EQ(WaitForSingleObject(worker, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(trace.Hooks(), (Counts{1, 0, 0}));
    EXPECT_EQ(SThreadTable::Find(trace.workerId), nullptr);
    CloseHandle(worker);
    CloseHandle(never);
}

// A worker past its last hook only tidies up after itself: Stop lets it finish rather than
// cut it off inside the system's window code.
TEST(SThread, StopLetsAWorkerPastItsLastHookFinish) {
    Trace trace;
    trace.stallAtEnd = true;
    Probe probe(trace, [](Probe&) { return false; });
    ASSERT_TRUE(probe.Start(false));
    for (const DWORD start = GetTickCount(); !stalled && GetTickCount() - start < 5000;) Sleep(1);
    ASSERT_TRUE(stalled);
    EXPECT_FALSE(probe.IsRunning());
    probe.Stop();
    EXPECT_TRUE(tidied);
    EXPECT_FALSE(probe.HoldsThread());
}

}  // namespace

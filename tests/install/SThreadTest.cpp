// The worker-thread base: its hooks, Stop and destruction.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <utility>

#include "core/SWindows.h"
#include "gui/SSystem.h"
#include "gui/SThreadTable.h"
#include "install/SThread.h"

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

using Counts = std::array<int, 3>;  // calls of OnThreadBegin, OnRunEnd and OnThreadEnd

// Holds a worker in its window's destruction, past its last hook, and records that it ended.
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

// Records what the worker did.
class Probe : public SThread {
public:
    explicit Probe(std::function<bool(Probe&)> body) : body(std::move(body)) {}
    void OnThreadBegin() override {
        workerId = GetCurrentThreadId();
        ++counts[0];
    }
    bool Run() override {
        inBody = true;
        return body(*this);
    }
    void OnRunEnd() override { ++counts[1]; }
    void OnThreadEnd() override {
        ++counts[2];
        if (stallAtEnd) SetWindowsHookExA(WH_CALLWNDPROC, StallAtDestroy, nullptr, workerId);
    }
    Counts Hooks() const { return {counts[0], counts[1], counts[2]}; }

    std::function<bool(Probe&)> body;
    std::atomic<int> counts[3] = {};
    std::atomic<DWORD> workerId{0};
    std::atomic<bool> inBody{false}, stallAtEnd{false};
};

TEST(SThread, DestroyingTheObjectDuringRunEndsTheThreadAtOnce) {
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* probe = new Probe([never](Probe&) { return WaitForSingleObject(never, INFINITE) == 0; });
    ASSERT_TRUE(probe->Start(false));
    ASSERT_TRUE(PumpUntil([&] { return probe->inBody.load(); }));
    const DWORD workerId = probe->workerId;
    HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, workerId);
    EXPECT_EQ(probe->Hooks(), (Counts{1, 0, 0}));
    delete probe;
    EXPECT_EQ(WaitForSingleObject(worker, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(SThreadTable::Find(workerId), nullptr);
    CloseHandle(worker);
    CloseHandle(never);
}

// A worker past its last hook only tidies up after itself: Stop lets it finish rather than
// cut it off inside the system's window code.
TEST(SThread, StopLetsAWorkerPastItsLastHookFinish) {
    Probe probe([](Probe&) { return false; });
    probe.stallAtEnd = true;
    ASSERT_TRUE(probe.Start(false));
    for (const DWORD start = GetTickCount(); !stalled && GetTickCount() - start < 5000;) Sleep(1);
    ASSERT_TRUE(stalled);
    EXPECT_FALSE(probe.IsRunning());
    probe.Stop();
    EXPECT_TRUE(tidied);
    EXPECT_FALSE(probe.HoldsThread());
}

}  // namespace

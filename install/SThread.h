#pragma once
// SThread: the worker-thread base. A subclass puts its work in Run; Start runs it on a new
// thread between OnThreadBegin and OnThreadEnd, and Notify carries integer notifications back
// to the constructing thread, where its message loop turns them into OnNotify calls through a
// hidden message-only window. Construct it on a thread that runs a message loop.
#include <atomic>
#include <cstdint>

#include "core/SWindows.h"
#include "gui/SMessages.h"
#include "gui/SWnd.h"

class SValue;

class SThread {
public:
    static constexpr UINT kMsgNotify = SMessages::kThreadNotify;
    static constexpr UINT kMsgRequest = SMessages::kThreadRequest;
    static constexpr UINT kMsgEnded = SMessages::kThreadEnded;
    static constexpr int kPendingSlots = 32;

    // The hidden window of either side: the reply window on the constructing thread, the
    // worker window on the worker thread.
    class _SWnd : public SWnd {
    public:
        LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
        bool CreateFor(SThread* thread);

    private:
        SThread* owner = nullptr;
    };

    SThread();
    virtual ~SThread();
    virtual void OnThreadBegin() {}
    virtual void OnThreadEnd() {}
    virtual bool Run() { return true; }
    virtual void OnNotify(uint32_t, SValue*) {}
    virtual void OnRequest(uint32_t, SValue*) {}
    virtual void OnRunEnd() {}

    bool Start(bool wait);
    // Ends a worker that still runs and waits until it has: after graceMs at the most, in
    // which a worker asked by its owner to stop may end by itself (the messages it sends
    // meanwhile are answered), and otherwise at once (as the destructor does).
    void Stop(uint32_t graceMs = 0);
    void Notify(uint32_t code, int32_t value);

    bool IsRunning() const { return running; }
    bool HoldsThread() const { return threadHandle != nullptr; }
    HWND GetReplyWindow() const { return replyWindow.GetHandle(); }

private:
    static DWORD WINAPI ThreadMain(void* argument);
    void Deliver(uint32_t code, SValue* value, bool request);
    void ReleaseAllPending();
    void AwaitEnd(uint32_t graceMs);
    void CloseThread();

    DWORD creatorThreadId = 0;
    _SWnd replyWindow;
    HANDLE threadHandle = nullptr;
    DWORD threadId = 0;
    bool waitOnStart = false;
    // Written by one thread, read by the other: atomic, with no lock around them.
    std::atomic<bool> running{false};
    std::atomic<_SWnd*> workerWindow{nullptr};
    std::atomic<bool> inRun{false};
    std::atomic<bool> inLoop{false};  // the worker's own message loop is running
    std::atomic<SValue*> pending[kPendingSlots] = {};
};

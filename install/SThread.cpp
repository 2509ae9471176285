#include "install/SThread.h"

#include <new>

#include "gui/SSystem.h"
#include "gui/SThreadTable.h"
#include "install/SValue.h"

// Both hidden windows are message-only windows of the framework class, handed their SThread
// with the created message.
bool SThread::_SWnd::CreateFor(SThread* thread) {
    return Create("", 0, 0, nullptr, HWND_MESSAGE, 0, reinterpret_cast<LPARAM>(thread),
                  SSystem::GetInstance(), false);
}

LRESULT SThread::_SWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const uint32_t code = static_cast<uint32_t>(wParam);
    SValue* value = reinterpret_cast<SValue*>(lParam);
    switch (message) {
        case kMsgCreated:
            owner = reinterpret_cast<SThread*>(lParam);
            break;
        case kMsgNotify:
            if (owner) owner->Deliver(code, value, false);
            break;
        case kMsgRequest:
            if (owner) owner->Deliver(code, value, true);
            break;
        case kMsgEnded:
            if (owner) owner->CloseThread();
            break;
        default:
            break;
    }
    return SWnd::OnMessage(message, wParam, lParam);
}

SThread::SThread() {
    for (auto& slot : pending) slot = nullptr;
    replyWindow.CreateFor(this);
}

SThread::~SThread() {
    Stop();
    ReleaseAllPending();
    replyWindow.Destroy();
}

// A worker still running once the grace is spent is stopped where it stands, and waited for,
// before anything it may use goes away; nothing of its work is completed or undone. A worker already past its last
// hook only tidies up after itself, so it is let finish rather than cut off inside the
// system's window code. A terminated worker never removed its thread record: done here.
// Notifications already posted are still delivered.
void SThread::Stop(uint32_t graceMs) {
    if (graceMs > 0 && threadHandle && running) AwaitEnd(graceMs);
    const bool finishing = !running;
    workerWindow = nullptr;
    running = false;
    if (!threadHandle) return;
    if (!finishing || WaitForSingleObject(threadHandle, 2000) != WAIT_OBJECT_0) {
        TerminateThread(threadHandle, 0);
        WaitForSingleObject(threadHandle, 5000);
        if (threadId != 0) SThreadTable::Unregister(threadId);
    }
    CloseHandle(threadHandle);
    threadHandle = nullptr;
    threadId = 0;
}

// The worker may be inside a blocking send to one of this thread's windows: sent messages
// are answered while waiting, or it could never end.
void SThread::AwaitEnd(uint32_t graceMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= graceMs) return;
        const DWORD woke = MsgWaitForMultipleObjects(1, &threadHandle, FALSE, graceMs - spent,
                                                     QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1) return;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Refused while a worker runs or its handle is held (until the end message has been handled).
// Notifications of an earlier run that are still queued keep their values: each value is
// released when its message is handled (or by the destructor), never before, so a late
// notification reaches OnNotify with its own value rather than a released one.
bool SThread::Start(bool wait) {
    if (threadHandle || running) return false;
    threadId = 0;
    inRun = false;
    waitOnStart = wait;
    creatorThreadId = GetCurrentThreadId();
    running = true;
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, ThreadMain, this, 0, &id);
    if (!handle) {
        creatorThreadId = 0;
        running = false;
        return false;
    }
    threadHandle = handle;
    threadId = id;
    if (!wait) return true;

    // Messages are not dispatched meanwhile: the wait ends once the thread has ended and its
    // final WM_NULL (or any posted message) has arrived.
    while (running) {
        if (MsgWaitForMultipleObjects(1, &handle, TRUE, INFINITE, QS_ALLPOSTMESSAGE) ==
            WAIT_FAILED) {
            break;
        }
    }
    WaitForSingleObject(handle, INFINITE);
    CloseThread();
    return true;
}

// The worker thread. With the thread table full it gives up before any hook, but still
// leaves the running state and sends its end message, so that a waiting Start returns and
// the handle is released instead of waiting for ever.
DWORD WINAPI SThread::ThreadMain(void* argument) {
    SThread* self = static_cast<SThread*>(argument);
    const bool registered = SThreadTable::Register() != nullptr;
    _SWnd* window = nullptr;
    if (registered) {
        self->OnThreadBegin();
        window = new _SWnd;
        window->CreateFor(self);
        self->workerWindow = window;
        self->inRun = true;
        if (self->Run()) {
            const bool blocking = true;
            self->inLoop = true;
            SSystem::RunLoop(&blocking, nullptr, 0);
            self->inLoop = false;
        }
        self->OnRunEnd();
        self->inRun = false;
        self->workerWindow = nullptr;
        self->OnThreadEnd();
    }
    // The object may be gone as soon as the end is signalled: what follows uses locals only.
    const bool wait = self->waitOnStart;
    const DWORD creator = self->creatorThreadId;
    const HWND reply = self->replyWindow.GetHandle();
    self->running = false;
    if (wait) {
        PostThreadMessageA(creator, WM_NULL, 0, 0);
    } else {
        PostMessageA(reply, kMsgEnded, 0, 0);
    }
    if (registered) {
        SThreadTable::Unregister(0);
        window->Destroy();
        delete window;
    }
    return 0;
}

// Accepted only while the worker's body runs; the value travels in the first free of the 32
// pending slots and is lost when none is free.
void SThread::Notify(uint32_t code, int32_t value) {
    const SValue temporary(static_cast<int64_t>(value));
    if (!workerWindow || !inRun) return;
    for (auto& slot : pending) {
        if (slot) continue;
        SValue* copy = new (std::nothrow) SValue(temporary);
        if (!copy) return;
        slot = copy;
        if (!PostMessageA(replyWindow.GetHandle(), kMsgNotify, code,
                          reinterpret_cast<LPARAM>(copy))) {
            slot = nullptr;  // never queued: nobody else will release it
            delete copy;
        }
        return;
    }
}

// Hands a pending value to OnNotify (or to OnRequest while the worker's loop runs) and then
// releases it. An address in no slot is not ours to read and is passed to neither.
void SThread::Deliver(uint32_t code, SValue* value, bool request) {
    if (!value) return;
    for (auto& slot : pending) {
        if (slot != value) continue;
        if (!request) {
            OnNotify(code, value);
        } else if (inLoop) {
            OnRequest(code, value);
        }
        slot = nullptr;
        delete value;
        return;
    }
}

void SThread::ReleaseAllPending() {
    for (auto& slot : pending) delete slot.exchange(nullptr);
}

void SThread::CloseThread() {
    if (!threadHandle) return;
    CloseHandle(threadHandle);
    threadHandle = nullptr;
    threadId = 0;
}

#pragma once
// A window that records what reaches its handler: the framework's own messages, dropped
// paths and shortcut calls. The created message can be answered with a chosen value.
#include <string>
#include <utility>
#include <vector>

#include "core/SStringArray.h"
#include "gui/SWnd.h"

class ProbeWnd : public SWnd {
public:
    explicit ProbeWnd(int kind = kKindWindow) : SWnd(kind) {}

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kMsgCreated) {
            createdHandle = GetHandle();
            visibleWhenCreated = IsWindowVisible(GetHandle()) != FALSE;
            if (createdAnswer) return createdAnswer;
        }
        if (message == kMsgFilesDropped) {
            const SStringArray* list = reinterpret_cast<const SStringArray*>(wParam);
            std::vector<std::string> paths;
            for (int i = 0; i < list->GetCount(); ++i)
                paths.push_back(list->GetText(i).GetSafeText());
            drops.push_back(paths);
        }
        if (message >= kMsgCreated && message <= kMsgRadioChosen)
            notices.push_back({message, wParam});
        if (message == WM_KEYDOWN) keys.push_back(wParam);
        if (message == quitOn) PostQuitMessage(0);
        return SWnd::OnMessage(message, wParam, lParam);
    }
    void OnSave() override { ++saves; }
    void OnSaveAs() override { ++savesAs; }

    int Count(UINT message) const {
        int n = 0;
        for (const auto& notice : notices) n += notice.first == message;
        return n;
    }

    LRESULT createdAnswer = 0;
    UINT quitOn = 0xFFFFFFFF;  // posts the quit message from inside this message's handler
    HWND createdHandle = nullptr;
    bool visibleWhenCreated = true;
    std::vector<std::pair<UINT, WPARAM>> notices;
    std::vector<std::vector<std::string>> drops;
    std::vector<WPARAM> keys;  // WM_KEYDOWN that reached the handler
    int saves = 0;
    int savesAs = 0;
};

// Dispatches whatever is queued for this thread, so tests start from a quiet queue.
inline void DrainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

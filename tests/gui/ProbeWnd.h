#pragma once
// A window that records what reaches its handler: dropped paths, keys and the save shortcut.
// The created message can be answered with a chosen value.
#include <string>
#include <vector>

#include "core/SStringArray.h"
#include "gui/SWnd.h"

class ProbeWnd : public SWnd {
public:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kMsgCreated) {
            createdHandle = GetHandle();
            visibleWhenCreated = IsWindowVisible(GetHandle()) != FALSE;
            if (createdAnswer) return createdAnswer;
        }
        if (message == kMsgFilesDropped) {
            const SStringArray* list = reinterpret_cast<const SStringArray*>(wParam);
            for (int i = 0; i < list->GetCount(); ++i)
                drops.push_back(list->GetText(i).GetSafeText());
        }
        if (message == WM_KEYDOWN) keys.push_back(wParam);
        return SWnd::OnMessage(message, wParam, lParam);
    }
    void OnSave() override { ++saves; }

    LRESULT createdAnswer = 0;
    HWND createdHandle = nullptr;
    bool visibleWhenCreated = true;
    std::vector<std::string> drops;  // every dropped path, in order
    std::vector<WPARAM> keys;        // WM_KEYDOWN that reached the handler
    int saves = 0;
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

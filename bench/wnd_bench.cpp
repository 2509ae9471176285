// Cost of the framework window procedure: messages sent to a window of a plain class whose
// procedure is DefWindowProcA are the baseline; the same messages sent to a framework window
// go through the object lookup, the shared stage and OnMessage. The lookup is then repeated
// with 2000 more framework windows registered on the thread.
#include <cstdio>
#include <memory>
#include <vector>

#include "core/SWindows.h"
#include "gui/SSystem.h"
#include "gui/SWnd.h"

namespace {

constexpr int kMessages = 200000;
constexpr int kExtraWindows = 2000;
constexpr int kRuns = 5;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

// Best of a few rounds, in nanoseconds per message.
double TimeSends(HWND window) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < kMessages; ++i) SendMessageA(window, WM_USER + 7, i, 0);
        QueryPerformanceCounter(&end);
        const double seconds = Seconds(start, end);
        if (seconds < best) best = seconds;
    }
    return best * 1e9 / kMessages;
}

}  // namespace

int main() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    SSystem::Init(instance, false, false, true);
    WNDCLASSA plainClass = {};
    plainClass.lpfnWndProc = DefWindowProcA;
    plainClass.hInstance = instance;
    plainClass.lpszClassName = "BenchPlain";
    RegisterClassA(&plainClass);
    HWND plain = CreateWindowExA(0, "BenchPlain", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr);
    SWnd framework;
    if (!plain || !framework.Create("", 0, 0, nullptr, nullptr, 0, 0, instance, false)) {
        printf("window creation failed\n");
        return 1;
    }

    const double baseline = TimeSends(plain);
    const double alone = TimeSends(framework.GetHandle());
    std::vector<std::unique_ptr<SWnd>> others;
    for (int i = 0; i < kExtraWindows; ++i) {
        others.emplace_back(new SWnd());
        others.back()->Create("", 0, 0, nullptr, nullptr, 0, 0, instance, false);
    }
    const double crowded = TimeSends(framework.GetHandle());
    printf("plain DefWindowProcA window:        %7.0f ns per message\n", baseline);
    printf("framework window:                   %7.0f ns per message (%.2fx)\n", alone,
           alone / baseline);
    printf("framework window, %d more on the thread: %5.0f ns per message (%.2fx)\n", kExtraWindows,
           crowded, crowded / baseline);
    others.clear();
    DestroyWindow(plain);
    framework.Destroy();
    SSystem::Exit();
    return 0;
}

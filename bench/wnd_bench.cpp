// Cost of the framework window procedure: messages sent to a window of a plain class whose
// procedure is DefWindowProcA are the baseline; the same messages sent to a framework window
// go through the object lookup, the shared stage and OnMessage. The lookup is then repeated
// with 2000 more framework windows registered on the thread. Then the time of one look for a
// program that has exited, as the installer's wait for its host program takes, against a
// look at every process and module. Last,
// the install dialog's error list takes 100000 lines (or as many as the first argument says)
// from a worker thread, as after a failed extraction, against a plain list box given the same
// lines on its own thread.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/SFileMem.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "gui/SListCtrl.h"
#include "gui/SSystem.h"
#include "gui/SWnd.h"
#include "gui/SWndDialog.h"

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

double Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

// The install dialog's error list, as its description makes it.
const char kListDialog[] =
    "VELMOR DIALOG 1.0.0.0\r\n\r\n"
    "[DIALOG]\r\nID=0\r\nNAME=D\r\nCAPTION=Update\r\nPOSITION=0 0 300 220\r\n"
    "STYLE=WS_VISIBLE WS_BORDER WS_CAPTION \r\n\r\n"
    "[LIST]\r\nID=3\r\nNAME=LIST\r\nCAPTION=List\r\nPOSITION=10 90 280 120\r\n"
    "STYLE=WS_VISIBLE WS_VSCROLL LBS_NOINTEGRALHEIGHT \r\nEXSTYLE=WS_EX_CLIENTEDGE \r\n";

struct Fill {
    SListCtrl* list;
    const SStringArray* lines;
};

DWORD WINAPI FillFromWorker(LPVOID data) {
    const Fill* fill = static_cast<const Fill*>(data);
    fill->list->AddStrings(fill->lines, -1, -1, -1, 0);
    return 0;
}

// Runs the dialog's thread's messages until the worker has ended.
void PumpUntil(HANDLE worker) {
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

// Seconds to give the install dialog's list every line from a worker thread, and to give a
// plain list box (texts kept by the box, no drawing of our own) the same lines on its own
// thread; false when the dialog cannot be built or a list misses lines.
bool TimeErrorList(int count, double& listSeconds, double& plainSeconds) {
    SStringArray lines;
    for (int i = 0; i < count; ++i)
        lines.Add(("C:\\Program Files\\App\\data\\set" + std::to_string(i % 40) + "\\item" +
                   std::to_string(i) + ".cfg")
                      .c_str());
    SWndDialog dialog;
    SFileMem description;
    description.Write(kListDialog, sizeof kListDialog - 1);
    if (!dialog.Create(&description, nullptr, nullptr, true, 0)) return false;
    SWnd* found = dialog.FindControl("LIST");
    if (!found || found->GetKind() != SWnd::kKindList) return false;
    Fill fill = {static_cast<SListCtrl*>(found), &lines};
    double start = Now();
    HANDLE worker = CreateThread(nullptr, 0, FillFromWorker, &fill, 0, nullptr);
    if (!worker) return false;
    PumpUntil(worker);
    CloseHandle(worker);
    listSeconds = Now() - start;
    const bool listed = fill.list->GetCount() == count;

    HWND plain = CreateWindowExA(
        0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_HASSTRINGS, 10, 10, 280, 120,
        dialog.GetHandle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    start = Now();
    SendMessageA(plain, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; ++i)
        SendMessageA(plain, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines.GetAt(i)->GetText()));
    SendMessageA(plain, WM_SETREDRAW, TRUE, 0);
    plainSeconds = Now() - start;
    const bool plainListed = SendMessageA(plain, LB_GETCOUNT, 0, 0) == count;
    DestroyWindow(plain);
    dialog.Destroy();
    return listed && plainListed;
}

}  // namespace

int main(int argc, char** argv) {
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

    // The installer's first look for its host program, which has just exited (a copy of
    // this program, not running), against the look at every process and module that a path
    // naming no file still takes.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string idle = std::string(self) + ".idle.exe";
    CopyFileA(self, idle.c_str(), FALSE);
    double lookStart = Now();
    int found = SSystem::GetProcessCount(idle.c_str());
    const double idleLook = Now() - lookStart;
    lookStart = Now();
    found += SSystem::GetProcessCount("C:\\no such folder\\no such program.exe");
    const double everyModule = Now() - lookStart;
    DeleteFileA(idle.c_str());
    printf("looking for a program that has exited: %.2f ms (every process and module: %.1f ms, "
           "%.0fx; %d found)\n",
           idleLook * 1000.0, everyModule * 1000.0, everyModule / idleLook, found);

    const int lines = argc > 1 ? atoi(argv[1]) : 100000;
    double listSeconds = 0;
    double plainSeconds = 0;
    const bool filled = TimeErrorList(lines, listSeconds, plainSeconds);
    printf(
        "error list, %d lines from a worker thread: %.2f s (plain list box on its own thread: "
        "%.2f s, %.2fx)%s\n",
        lines, listSeconds, plainSeconds, listSeconds / plainSeconds, filled ? "" : " FAILED");
    SSystem::Exit();
    return filled ? 0 : 1;
}

// Finds a top-level window by its exact title and reads or drives it from outside, as a
// person would with the mouse: end-to-end tests use it on the real Update.exe.
//
//   winprobe wait <title> <ms>          exit 0 once a visible window has that title
//   winprobe gone <title> <ms>          exit 0 once no window has that title
//   winprobe read <title>               one line per child: class, id, text; a progress
//                                       bar adds its position, a list box its entries
//   winprobe settext <title> <id> <text>
//   winprobe click <title> <id>         posts BM_CLICK to the child with that id
//   winprobe close <title>              posts WM_CLOSE
//   winprobe saveas <path> <ms>         answers the system's save dialog with path
//
// Exit status: 0 done, 1 not found in time, 2 wrong usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/SWindows.h"

#include <commctrl.h>

namespace {

// True once a visible window has the title (present) or no window has it (!present), false
// when waitMs pass first.
bool WaitFor(const char* title, DWORD waitMs, bool present) {
    for (const DWORD start = GetTickCount();; Sleep(50)) {
        HWND window = FindWindowA(nullptr, title);
        if (present ? window && IsWindowVisible(window) : !window) return true;
        if (GetTickCount() - start >= waitMs) return false;
    }
}

// Line breaks and tabs become spaces: a child is one line of fields.
std::string WindowText(HWND window) {
    char text[4096] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return text;
}

// The list boxes of the framework are owner-drawn without stored strings: each entry's
// data points to an item object in the owning process whose first member is its text, a
// string object that begins with its virtual table and then a pointer to the characters.
std::string RemoteItemText(HANDLE process, LRESULT itemData) {
    const void* item = reinterpret_cast<const void*>(itemData);
    const char* layout[2] = {};
    SIZE_T got = 0;
    if (!item || !ReadProcessMemory(process, item, layout, sizeof(layout), &got) || !layout[1])
        return "";
    const char* chars = layout[1];
    std::string text;
    char block[256];
    for (;;) {
        if (!ReadProcessMemory(process, chars + text.size(), block, sizeof(block), &got))
            return text;
        const size_t end = strnlen(block, got);
        text.append(block, end);
        if (end < got || text.size() > 65536) return text;
    }
}

void PrintChild(HWND child, HANDLE process) {
    char className[64] = {};
    GetClassNameA(child, className, sizeof(className));
    printf("%s\t%d\t%s", className, GetDlgCtrlID(child), WindowText(child).c_str());
    if (_stricmp(className, PROGRESS_CLASSA) == 0)
        printf("\tpos=%d", static_cast<int>(SendMessageA(child, PBM_GETPOS, 0, 0)));
    if (_stricmp(className, "ListBox") == 0) {
        const int count = static_cast<int>(SendMessageA(child, LB_GETCOUNT, 0, 0));
        printf("\tcount=%d", count);
        for (int i = 0; i < count; ++i)
            printf("\titem=%s",
                   RemoteItemText(process, SendMessageA(child, LB_GETITEMDATA, i, 0)).c_str());
    }
    printf("\n");
}

int Read(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, processId);
    printf("window\t0\t%s\n", WindowText(window).c_str());
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        PrintChild(child, process);
    if (process) CloseHandle(process);
    return 0;
}

int SaveAs(const char* path, DWORD waitMs) {
    if (!WaitFor("Save As", waitMs, true)) return 1;
    HWND dialog = FindWindowA(nullptr, "Save As");
    // The file name field: an Edit inside a ComboBox inside the ComboBoxEx32 with id 1148.
    HWND nameBox = GetDlgItem(dialog, 1148);
    HWND combo = nameBox ? FindWindowExA(nameBox, nullptr, "ComboBox", nullptr) : nullptr;
    HWND edit = combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
    if (!edit) return 1;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string command = argv[1];
    const char* title = argv[2];
    const DWORD waitMs = argc > 3 ? strtoul(argv[3], nullptr, 10) : 0;
    if (command == "saveas") return argc > 3 ? SaveAs(argv[2], waitMs) : 2;  // argv[2]: a path
    if (command == "wait" || command == "gone")
        return WaitFor(title, waitMs, command == "wait") ? 0 : 1;
    HWND window = FindWindowA(nullptr, title);
    if (!window) return 1;
    if (command == "read") return Read(window);
    if (command == "close") return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    HWND child = argc > 3 ? GetDlgItem(window, atoi(argv[3])) : nullptr;
    if (command == "click" && argc > 3) return child && PostMessageA(child, BM_CLICK, 0, 0) ? 0 : 1;
    const LPARAM text = argc > 4 ? reinterpret_cast<LPARAM>(argv[4]) : 0;
    if (command == "settext" && text)
        return child && SendMessageA(child, WM_SETTEXT, 0, text) ? 0 : 1;
    return 2;
}

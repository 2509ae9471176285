// SSystem's count of running programs: the host-program wait asks it whether the program it
// is about to replace still runs.
#include "gui/SSystem.h"

#include <psapi.h>

#include "core/SHandle.h"

namespace {

constexpr DWORD kMaxProcesses = 1024;
constexpr DWORD kMaxModules = 1024;

// The file as the system lists its modules: "\" as the separator and each short (8.3)
// component in its long form, so that a host passing "C:/App/App.exe" or "C:\PROGRA~1\..."
// is still recognised. Short names the system makes always hold a "~"; other names are
// left alone without asking the file system, which keeps each scan quick.
SString LongForm(const char* path) {
    SString text(path);
    text.Replace('/', '\\');
    if (text.Find('~') < 0) return text;
    char buffer[MAX_PATH];
    const DWORD length = GetLongPathNameA(text.GetSafeText(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return text;
    return SString(buffer);
}

bool SameFile(const SString& target, const char* name) {
    return target.CompareNoCase(name) == 0 ||
           target.CompareNoCase(LongForm(name).GetSafeText()) == 0;
}

// Each loaded module whose file name is the target adds one; -1 when the modules cannot
// be listed.
int CountModules(HANDLE process, const SString& target) {
    HMODULE modules[kMaxModules];
    DWORD moduleBytes = 0;
    if (!EnumProcessModules(process, modules, sizeof modules, &moduleBytes)) return -1;
    DWORD moduleCount = moduleBytes / sizeof(HMODULE);
    if (moduleCount > kMaxModules) moduleCount = kMaxModules;
    int matches = 0;
    for (DWORD m = 0; m < moduleCount; ++m) {
        char fileName[MAX_PATH];
        if (GetModuleFileNameExA(process, modules[m], fileName, MAX_PATH) &&
            SameFile(target, fileName))
            ++matches;
    }
    return matches;
}

// A 32-bit program cannot list the modules of a 64-bit one, and most host programs are
// 64-bit: their image path, which the system gives across bitness, still tells whether one
// is the host, so that the updater never overwrites the files of a program that runs.
int CountImage(HANDLE process, const SString& target) {
    char image[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameA(process, 0, image, &length)) return 0;
    return SameFile(target, image) ? 1 : 0;
}

// The system refuses to open a file for writing while any process has it loaded (its image
// is mapped): a file that opens so is loaded by none, which a single call tells where the
// look at every module of every process takes a quarter of a second. Any refusal (the file
// is loaded, held, read-only, or no file at all) leaves the question to that look.
bool IsLoadedByNone(const SString& path) {
    HANDLE file = CreateFileA(path.GetSafeText(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

int SSystem::GetProcessCount(const char* name) {
    const SString target = LongForm((name && name[0]) ? name : GetAppPath().GetSafeText());
    if (IsLoadedByNone(target)) return 0;
    DWORD ids[kMaxProcesses];
    DWORD idBytes = 0;
    if (!EnumProcesses(ids, sizeof ids, &idBytes)) return 0;

    int matches = 0;
    for (DWORD i = 0; i < idBytes / sizeof(DWORD); ++i) {
        SHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
        if (!process.IsValid()) continue;
        const int modules = CountModules(process.Get(), target);
        matches += modules >= 0 ? modules : CountImage(process.Get(), target);
    }
    return matches;
}

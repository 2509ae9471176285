#include "gui/SSystem.h"

#include <climits>

#include <psapi.h>

#include "core/SCommandLine.h"
#include "core/SHandle.h"

namespace {

HINSTANCE appInstance = nullptr;
SString appPath;
int startArgCount = 0;  // elements of the start-up split, program path included

// Splits the process's current command line; see SCommandLine.
int SplitCommandLine(int element, SString* out) {
    return SCommandLine::Split(GetCommandLineA(), element, out);
}

}  // namespace

void SSystem::Init(HINSTANCE instance, bool startSockets, bool startSound, bool skipCom) {
    (void)startSockets;
    (void)startSound;
    (void)skipCom;
    appInstance = instance;
    appPath.Empty();
    startArgCount = SplitCommandLine(0, &appPath);
}

void SSystem::Exit() {}

HINSTANCE SSystem::GetInstance() { return appInstance; }

const SString& SSystem::GetAppPath() { return appPath; }

int SSystem::GetArgCount() { return startArgCount > 0 ? startArgCount - 1 : 0; }

SString SSystem::GetArg(int index, bool unquote) {
    SString argument("");
    if (index < 0 || index == INT_MAX) return argument;
    SplitCommandLine(index + 1, &argument);
    if (unquote) argument.Unquote('"');
    return argument;
}

int SSystem::GetProcessCount(const char* name) {
    SString target = (name && name[0]) ? SString(name) : appPath;
    DWORD ids[1024];
    DWORD idBytes = 0;
    if (!EnumProcesses(ids, sizeof ids, &idBytes)) return 0;

    int matches = 0;
    for (DWORD i = 0; i < idBytes / sizeof(DWORD); ++i) {
        SHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
        if (!process.IsValid()) continue;
        HMODULE modules[1024];
        DWORD moduleBytes = 0;
        if (!EnumProcessModules(process.Get(), modules, sizeof modules, &moduleBytes)) continue;
        DWORD moduleCount = moduleBytes / sizeof(HMODULE);
        if (moduleCount > 1024) moduleCount = 1024;
        for (DWORD m = 0; m < moduleCount; ++m) {
            char fileName[MAX_PATH];
            if (GetModuleFileNameExA(process.Get(), modules[m], fileName, MAX_PATH) &&
                target.CompareNoCase(fileName) == 0)
                ++matches;
        }
    }
    return matches;
}

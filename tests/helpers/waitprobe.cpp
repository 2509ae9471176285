// Runs the host-program wait on this process's own command line (the host is argument 3)
// and prints its outcome and how long it took. An optional fifth argument replaces the
// wait budget in milliseconds. One scan for the host is timed first, so that tests can tell
// the wait's own pauses from the time the scans take on this machine.
#include <cstdio>
#include <cstdlib>

#include "app/PHostWait.h"
#include "core/SWindows.h"
#include "gui/SSystem.h"

#include <mmsystem.h>

int main() {
    SSystem::Init(GetModuleHandleA(nullptr), false, false, true);
    uint32_t budget = PHostWait::kBudgetMs;
    if (SSystem::GetArgCount() >= 5)
        budget = strtoul(SSystem::GetArg(4).GetSafeText(), nullptr, 10);
    const DWORD scanStart = timeGetTime();
    SSystem::GetProcessCount(SSystem::GetArg(3).GetSafeText());
    const DWORD scan = timeGetTime() - scanStart;
    const DWORD start = timeGetTime();
    const bool proceed = PHostWait::Run(budget, PHostWait::kPollPauseMs);
    printf("proceed=%d elapsed=%lu scan=%lu\n", proceed ? 1 : 0, timeGetTime() - start, scan);
    SSystem::Exit();
    return 0;
}

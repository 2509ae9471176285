// Runs the host-program wait on this process's own command line (the host is argument 3)
// and prints its outcome and how long it took. An optional fifth argument replaces the
// wait budget in milliseconds, and a sixth the pause between polls.
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
    uint32_t pause = PHostWait::kPollPauseMs;
    if (SSystem::GetArgCount() >= 6) pause = strtoul(SSystem::GetArg(5).GetSafeText(), nullptr, 10);
    const DWORD start = timeGetTime();
    const bool proceed = PHostWait::Run(budget, pause);
    printf("proceed=%d elapsed=%lu\n", proceed ? 1 : 0, timeGetTime() - start);
    SSystem::Exit();
    return 0;
}

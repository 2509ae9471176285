#include "app/PHostWait.h"

#include "core/SWindows.h"

#include <mmsystem.h>

#include "gui/SSystem.h"

// No window exists yet, so there are no messages to pump while waiting. The pause re-reads
// the clock rather than sleeping; yielding the rest of each time slice lets the host
// program, which is busy exiting, have the processor meanwhile.
bool PHostWait::Run(uint32_t budgetMs, uint32_t pauseMs) {
    const DWORD start = timeGetTime();
    for (;;) {
        if (timeGetTime() - start >= budgetMs) return false;
        SString host = SSystem::GetArg(3, true);
        if (SSystem::GetProcessCount(host.GetSafeText()) == 0) return true;
        const DWORD pauseStart = timeGetTime();
        while (timeGetTime() - pauseStart < pauseMs) SwitchToThread();
    }
}

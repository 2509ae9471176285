// Prints how the framework reads this process's command line: the argument count from the
// start-up split, then one line per index from -1 to the count, each holding the index, the
// unquoted argument and the raw one, separated by tabs.
#include <cstdio>

#include "gui/SSystem.h"

int main() {
    SSystem::Init(GetModuleHandleA(nullptr), false, false, true);
    const int count = SSystem::GetArgCount();
    printf("count=%d\n", count);
    for (int i = -1; i <= count; ++i)
        printf("%d\t%s\t%s\n", i, SSystem::GetArg(i, true).GetSafeText(),
               SSystem::GetArg(i, false).GetSafeText());
    SSystem::Exit();
    return 0;
}

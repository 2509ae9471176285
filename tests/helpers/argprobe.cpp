// Prints how the framework reads this process's command line: the argument count from the
// start-up split, then one line per index from -1 to the count, each holding the index, the
// unquoted argument and the raw one, separated by tabs. With ARGPROBE_OUTPUT set it prints
// into that file instead, for tests that start it through another program.
#include <cstdio>
#include <cstdlib>

#include "gui/SSystem.h"

int main() {
    const char* output = getenv("ARGPROBE_OUTPUT");
    if (output && !freopen(output, "wb", stdout)) return 1;
    SSystem::Init(GetModuleHandleA(nullptr), false, false, true);
    const int count = SSystem::GetArgCount();
    printf("count=%d\n", count);
    for (int i = -1; i <= count; ++i)
        printf("%d\t%s\t%s\n", i, SSystem::GetArg(i, true).GetSafeText(),
               SSystem::GetArg(i, false).GetSafeText());
    SSystem::Exit();
    return 0;
}

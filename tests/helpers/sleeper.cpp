// Stays alive for the number of milliseconds given as its first argument (default one
// minute), then exits with 0. Tests copy it under names of their own and watch for it.
#include <cstdlib>

#include "core/SWindows.h"

int main(int argc, char** argv) {
    Sleep(argc > 1 ? strtoul(argv[1], nullptr, 10) : 60000);
    return 0;
}

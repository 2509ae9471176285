// Update.exe's entry point. The mode selection and the two dialogs come with the window
// framework; until then the program starts and ends with 0, as it does on every path.
#include "core/SWindows.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    return 0;
}

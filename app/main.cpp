// Update.exe's entry point: exactly four arguments install an update, any other count opens
// the make dialog. The exit code is 0 on every path; outcomes are shown in the dialogs.
#include "app/PHostWait.h"
#include "app/PWndExtract.h"
#include "app/PWndMake.h"
#include "core/SFileMem.h"
#include "core/SWindows.h"
#include "gui/SSystem.h"
#include "install/PInstallLog.h"

namespace {

constexpr int kInstallDescription = 150;
constexpr int kMakeDescription = 151;
constexpr int kLargeIcon = 107;
constexpr int kSmallIcon = 108;

// Builds the dialog from its description resource and runs the loop until it ends.
void RunDialog(SWndDialog& dialog, int description) {
    {
        SFileMem file("BINARY", description);
        // Only a dialog's window posts the quit message: without one the loop would never
        // end, so a build that fails (the descriptions are this program's own) ends here.
        if (!dialog.Create(file.IsOpen() ? &file : nullptr, nullptr, nullptr, true, 0)) return;
    }
    const bool blocking = true;
    SSystem::RunLoop(&blocking, nullptr, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SSystem::Init(instance, true, false, false);
    SSystem::SetAppIcons(kLargeIcon, kSmallIcon);
    if (SSystem::GetArgCount() != 4) {
        PWndMake dialog;
        RunDialog(dialog, kMakeDescription);
    } else if (PHostWait::Run(PHostWait::kBudgetMs, PHostWait::kPollPauseMs)) {
        PWndExtract dialog;
        RunDialog(dialog, kInstallDescription);
    } else {
        PInstallLog().AddHostStillRunning(SSystem::GetArg(1).GetSafeText(),
                                          SSystem::GetArg(2).GetSafeText(),
                                          PHostWait::kBudgetMs / 1000.0);
    }
    SSystem::Exit();
    return 0;
}

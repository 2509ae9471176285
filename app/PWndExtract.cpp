#include "app/PWndExtract.h"

#include <climits>
#include <cmath>

#include <commctrl.h>

#include "core/SFileMem.h"
#include "core/SStringArray.h"
#include "gui/SListCtrl.h"
#include "gui/SSystem.h"
#include "install/PInstallLog.h"
#include "package/SPublicKey.h"

// The worker starts only once all three controls exist (the second created message) and is
// stopped before they are destroyed (WM_DESTROY, ahead of the dialog's own clean-up): so it
// never meets a control pointer that is null or dangling, whatever the timing.
PWndExtract::PWndExtract() {
    worker.owner = this;
    worker.network.dialog = this;
}

PWndExtract::~PWndExtract() = default;

LRESULT PWndExtract::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            // A worker asked to stop ends at its next chunk; one that does not in time is
            // cut off, and the download it leaves is deleted all the same.
            worker.installer.Cancel();
            worker.Stop(kStopGraceMs);
            worker.installer.DiscardDownload();
            label = progress = nullptr;
            list = nullptr;
            PostQuitMessage(0);
            break;
        case kMsgCreated: {
            label = FindControl("LABEL");
            progress = FindControl("PROGRESS");
            SWnd* found = FindControl("LIST");
            list =
                found && found->GetKind() == kKindList ? static_cast<SListCtrl*>(found) : nullptr;
            if (label && progress && list) (void)worker.Start(false);
            break;
        }
    }
    return SWndDialog::OnMessage(message, wParam, lParam);
}

// Per-mille of the announced length up to this chunk's start; a position that is no number
// or out of range (no length, or a length of 0) gives INT_MIN, which the bar shows as empty.
int PWndExtract::_PNetwork::ProgressPosition(int offset, int total) {
    const double position = offset * 1.0 / total * 1000.0;
    if (std::isnan(position) || position >= 2147483648.0 || position <= -2147483649.0)
        return INT_MIN;
    return static_cast<int>(position);
}

// Each send blocks until the dialog's thread has taken it, so a position goes only when what
// the bar shows (0 to 1000) changes: at most 1001 sends, whatever the size. A download starts
// at offset 0, whose position always goes.
int PWndExtract::_PNetwork::OnData(int total, int offset, int, const uint8_t*, SFile*, uint32_t) {
    const int position = ProgressPosition(offset, total);
    const int shown = position < 0 ? 0 : (position > 1000 ? 1000 : position);
    if (offset == 0 || shown != lastShown)
        dialog->progress->Send(PBM_SETPOS, static_cast<WPARAM>(position), 0);
    lastShown = shown;
    return 0;
}

namespace {

// The publisher's public key, when this copy of the program carries one: then only a
// package signed with it is installed.
SString EmbeddedKey() {
    SFileMem resource("BINARY", SPublicKey::kResourceId);
    SString key("");
    if (resource.IsOpen()) key.Set(reinterpret_cast<const char*>(resource.GetBuffer()),
                                   resource.GetSize());
    return key;
}

}  // namespace

// The log line is written before the outcome is reported: a success ends the program.
bool PWndExtract::_PThread::Run() {
    const ULONGLONG start = GetTickCount64();
    PInstaller::Request request;
    request.checksum = SSystem::GetArg(0);
    request.location = SSystem::GetArg(1);
    request.destination = SSystem::GetArg(2);
    request.host = SSystem::GetArg(3);
    request.publicKey = EmbeddedKey();
    PInstaller::Result result;
    const PInstaller::Outcome outcome = installer.Run(request, result);
    if (outcome == PInstaller::kFilesNotWritten)
        owner->list->AddStrings(&result.failures, -1, -1, -1, 0);
    PInstallLog().AddRun(request, result, (GetTickCount64() - start) / 1000.0);
    Notify(outcome == PInstaller::kInstalled ? 0 : 1, 0);
    return false;
}

void PWndExtract::_PThread::OnNotify(uint32_t code, SValue*) {
    if (code != 0) {
        if (owner->label) owner->label->SetText("Failed.");
    } else if (owner->GetHandle()) {
        owner->Send(WM_CLOSE);
    }
}

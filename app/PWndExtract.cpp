#include "app/PWndExtract.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include <commctrl.h>

#include "core/SDisk.h"
#include "core/SFilePath.h"
#include "core/SStringArray.h"
#include "gui/SListCtrl.h"
#include "gui/SSystem.h"
#include "package/SResource.h"

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
            worker.Stop();
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

bool PWndExtract::_PThread::Run() {
    Notify(Install() ? 0 : 1, 0);
    return false;
}

// The expected checksum as the host passes it: signed decimal, as strtol reads it, with
// values beyond 32 bits held at the nearest limit.
int32_t PWndExtract::_PThread::ParseChecksum(const char* text) {
    const long long value = strtoll(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Download, check, extract, clean up and restart the host. The temporary file is deleted
// on every path once it holds anything, always before the outcome is reported.
bool PWndExtract::_PThread::Install() {
    SDisk disk;
    const SString tempPath = disk.GetTempFileName();
    SFilePath tempFile;
    if (tempPath.GetLength() == 0 ||
        !tempFile.OpenCreated(tempPath.GetSafeText()))
        return false;
    // Each read is a WinInet call, as costly for 1 KiB as for 64 KiB: big reads run 10x faster.
    constexpr int kChunkSize = 65536;
    const bool downloaded =
        network.Download(&tempFile, SSystem::GetArg(1).GetSafeText(), kChunkSize, 0);
    if (!tempFile.CloseChecked() || !downloaded) {
        disk.DeleteFile(tempPath.GetSafeText());
        return false;
    }
    const uint32_t expected =
        static_cast<uint32_t>(ParseChecksum(SSystem::GetArg(0).GetSafeText()));
    uint32_t crc = 0;
    SResource archive;
    if (!disk.GetFileCrc(tempPath.GetSafeText(), crc) || crc != expected ||
        !archive.Open(tempPath.GetSafeText(), 0)) {
        disk.DeleteFile(tempPath.GetSafeText());
        return false;
    }
    SStringArray failures;
    if (!archive.ExtractAll(SSystem::GetArg(2).GetSafeText(), &failures)) {
        owner->list->AddStrings(&failures, -1, -1, -1, 0);
        disk.DeleteFile(tempPath.GetSafeText());
        return false;
    }
    disk.DeleteFile(tempPath.GetSafeText());
    disk.Execute(SSystem::GetArg(3).GetSafeText(), "", false, SW_SHOWNORMAL);
    return true;
}

void PWndExtract::_PThread::OnNotify(uint32_t code, SValue*) {
    if (code != 0) {
        if (owner->label) owner->label->SetText("Failed.");
    } else if (owner->GetHandle()) {
        owner->Send(WM_CLOSE);
    }
}

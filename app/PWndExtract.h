#pragma once
// PWndExtract: the install dialog. It owns the install worker, starts it once its label,
// progress bar and error list exist, and ends the application when it is destroyed. The
// worker downloads the archive named on the command line, checks its CRC-32, extracts it
// into the destination folder and restarts the host program, or reports "Failed.".
#include <cstdint>

#include "gui/SWndDialog.h"
#include "install/SNetwork.h"
#include "install/SThread.h"

class SListCtrl;

class PWndExtract : public SWndDialog {
public:
    // The downloader, moving the dialog's progress bar as chunks arrive.
    class _PNetwork : public SNetwork {
    public:
        int OnData(int total, int offset, int count, const uint8_t* buffer, SFile* target,
                   uint32_t parameter) override;
        static int ProgressPosition(int offset, int total);
        PWndExtract* dialog = nullptr;
        int lastShown = 0;  // the bar's position as the last send left it, 0 to 1000
    };

    // The install procedure, on the worker thread.
    class _PThread : public SThread {
    public:
        bool Run() override;
        void OnNotify(uint32_t code, SValue* value) override;
        // The host's checksum argument: signed decimal, held at the 32-bit limits.
        static int32_t ParseChecksum(const char* text);
        PWndExtract* owner = nullptr;
        _PNetwork network;

    private:
        bool Install();
    };

    PWndExtract();
    ~PWndExtract() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    _PThread worker;
    SWnd* progress = nullptr;
    SListCtrl* list = nullptr;
    SWnd* label = nullptr;
};

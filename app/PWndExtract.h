#pragma once
// PWndExtract: the install dialog. It owns the install worker, starts it once its label,
// progress bar and error list exist, and ends the application when it is destroyed. The
// worker runs the install procedure on the archive named on the command line: the bar
// follows the download, the list takes the files that could not be written, and the label
// reads "Failed." after any failure; a success closes the dialog.
#include <cstdint>

#include "gui/SWndDialog.h"
#include "install/PInstaller.h"
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
        PWndExtract* owner = nullptr;
        _PNetwork network;
        PInstaller installer{network};
    };

    // How long a close waits for the worker to stop by itself before it is cut off.
    static constexpr uint32_t kStopGraceMs = 3000;

    PWndExtract();
    ~PWndExtract() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    _PThread worker;
    SWnd* progress = nullptr;
    SListCtrl* list = nullptr;
    SWnd* label = nullptr;
};

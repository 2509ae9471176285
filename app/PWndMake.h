#pragma once
// PWndMake: the make dialog. The publisher types a version and a release folder (or browses
// for it, or drops it on the dialog) and presses "Make": the package builder lists the
// folder, a save dialog asks for the descriptor's name, and the archive and descriptor are
// written side by side. The dialog stays open for the next package.
#include "core/SDisk.h"
#include "gui/SWndDialog.h"

class SStringArray;

class PWndMake : public SWndDialog {
public:
    // Window identifiers of the description's two buttons.
    static constexpr int kMakeButton = 1;
    static constexpr int kBrowseButton = 4;

    PWndMake();
    ~PWndMake() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void Make();

private:
    void OnFilesDropped(const SStringArray* paths);
    void BrowseFolder();
    void ShowError(const char* text);

    SDisk disk;
    SWnd* versionEdit = nullptr;
    SWnd* folderEdit = nullptr;
};

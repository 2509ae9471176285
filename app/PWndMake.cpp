#include "app/PWndMake.h"

#include "core/SPath.h"
#include "core/SStringArray.h"
#include "gui/SSelector.h"
#include "package/PPackageBuilder.h"

PWndMake::PWndMake() = default;

PWndMake::~PWndMake() = default;

LRESULT PWndMake::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kMsgCreated:
            // The first arrival precedes the controls: both lookups are null until the second.
            versionEdit = FindControl("EDIT_VERSION");
            folderEdit = FindControl("EDIT_FOLDER");
            break;
        case kMsgFilesDropped:
            OnFilesDropped(reinterpret_cast<const SStringArray*>(wParam));
            break;
        case kMsgButtonClicked: {
            const SWnd* child = reinterpret_cast<const SWnd*>(wParam);
            const LONG id = child ? GetWindowLongA(child->GetHandle(), GWL_ID) : 0;
            if (id == kMakeButton)
                Make();
            else if (id == kBrowseButton)
                BrowseFolder();
            break;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            break;
    }
    return SWndDialog::OnMessage(message, wParam, lParam);
}

// Only the first dropped path counts, and only when it is a folder.
void PWndMake::OnFilesDropped(const SStringArray* paths) {
    if (!paths || paths->GetCount() == 0 || !folderEdit) return;
    SPath folder;
    folder.SetFolder(paths->GetText(0).GetSafeText());
    const SString text = folder.GetPath();
    if (disk.FolderExists(text.GetSafeText())) folderEdit->SetText(text.GetSafeText());
}

void PWndMake::BrowseFolder() {
    SSelector selector(GetHandle());
    const SString folder = selector.BrowseFolder("Source files", nullptr, false);
    if (folder.GetLength() > 0 && folderEdit) folderEdit->SetText(folder.GetSafeText());
}

void PWndMake::ShowError(const char* text) {
    MessageBoxA(GetHandle(), text, "Error", MB_ICONINFORMATION);
}

// Lists the folder, asks for the descriptor's name and writes both files. Files that
// cannot be read are left out of the archive and named afterwards; a pair that cannot be
// written is reported, and the descriptor is never written beside a broken archive.
void PWndMake::Make() {
    if (!folderEdit || !versionEdit) return;
    PPackageBuilder builder;
    switch (builder.Collect(folderEdit->GetText().GetSafeText())) {
        case PPackageBuilder::kDone:
            break;
        case PPackageBuilder::kNoFiles:
            return ShowError("No files");
        default:
            return ShowError("Invalid folder");
    }
    SSelector selector(GetHandle());
    SStringArray filters;
    filters.Add("Update files|*.upd");
    if (!selector.SaveFile(&filters, 0, nullptr, nullptr, 0, "")) return;
    const PPackageBuilder::Result result =
        builder.Write(selector.fileResult.GetSafeText(), versionEdit->GetText().GetSafeText());
    if (result != PPackageBuilder::kDone) {
        SString text;
        text.Format(result == PPackageBuilder::kTooLarge
                        ? "Too large for an update (2 GiB at most):\r\n%s"
                        : "The update could not be written:\r\n%s",
                    builder.GetFailedPath().GetSafeText());
        return ShowError(text.GetSafeText());
    }
    if (builder.GetSkipped().GetCount() > 0) {
        SString text("Files left out (they cannot be read):\r\n");
        text += builder.GetSkipped().Join("\r\n");
        ShowError(text.GetSafeText());
    }
}

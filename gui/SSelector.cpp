#include "gui/SSelector.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

#include "core/SHeapBlock.h"
#include "core/SPath.h"
#include "core/SStringArray.h"

static_assert(SSelector::kSaveFlags == (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                                        OFN_EXPLORER | OFN_ENABLESIZING),
              "the save dialog's options");

namespace {

// The shell's allocator, released when the browse ends, whatever the path out.
class ShellMalloc {
public:
    ShellMalloc() {
        if (FAILED(SHGetMalloc(&malloc))) malloc = nullptr;
    }
    ~ShellMalloc() {
        if (malloc) malloc->Release();
    }
    ShellMalloc(const ShellMalloc&) = delete;
    ShellMalloc& operator=(const ShellMalloc&) = delete;

    IMalloc* malloc = nullptr;
};

// Opens the browser with the start folder (the parameter) expanded. The shell takes the
// folder as UTF-16 text, whatever the A or W form of the browse call.
int CALLBACK BrowseCallback(HWND window, UINT notification, LPARAM, LPARAM data) {
    SString* start = reinterpret_cast<SString*>(data);
    if (notification == BFFM_INITIALIZED && start && start->GetLength() > 0)
        SendMessageW(window, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(start->GetWide()));
    return 0;
}

}  // namespace

SSelector::SSelector(HWND owner) : owner(owner), folderResult(""), fileResult("") {}

SSelector::~SSelector() = default;

SString SSelector::BuildFilterBlock(const SStringArray* filters) {
    SString block("");
    const int count = filters ? filters->GetCount() : 0;
    if (count == 0) return block;
    int size = 1;
    for (int i = 0; i < count; ++i) size += filters->GetAt(i)->GetLength() + 1;
    block.SetLength(size);
    char* out = block.GetBuffer();
    for (int i = 0; i < count; ++i) {
        const SString& item = *filters->GetAt(i);
        const int length = item.GetLength();
        memcpy(out, item.GetSafeText(), length);
        const void* bar = memchr(out, '|', length);
        if (bar) *static_cast<char*>(const_cast<void*>(bar)) = 0;  // only the first one
        out[length] = 0;
        out += length + 1;
    }
    *out = 0;
    return block;
}

DWORD SSelector::FilterIndexFor(int index, int itemCount) {
    return index >= 0 && index < itemCount ? static_cast<DWORD>(index) + 1 : 1;
}

// The path buffer is large (40000 bytes) so that a deep path is never cut; the file title
// is not asked for. The record's size is that of the form with the extended fields.
bool SSelector::SaveFile(const SStringArray* filters, DWORD extraFlags, const char* initialFolder,
                         const char* title, int filterIndex, const char* defaultExtension) {
    fileResult = "";
    SHeapBlock path(kPathBufferSize);
    if (!path.data) return false;
    memset(path.data, 0, kPathBufferSize);
    const SString filterBlock = BuildFilterBlock(filters);

    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof(OPENFILENAMEA);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterBlock.GetLength() > 0 ? filterBlock.GetText() : nullptr;
    dialog.nFilterIndex = FilterIndexFor(filterIndex, filters ? filters->GetCount() : 0);
    dialog.lpstrFile = reinterpret_cast<char*>(path.data);
    dialog.nMaxFile = kPathBufferSize;
    dialog.lpstrInitialDir = initialFolder;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = extraFlags | kSaveFlags;
    if (!GetSaveFileNameA(&dialog)) return false;
    if (path.data[0] != 0) fileResult = reinterpret_cast<const char*>(path.data);
    return fileResult.GetLength() > 0;
}

// The whole shell namespace is offered; only file-system folders come back as text, and a
// folder ends with exactly one backslash when appendSeparator is set (roots already do).
SString SSelector::BrowseFolder(const char* title, const char* initialFolder, bool includeFiles) {
    SString start("");
    if (initialFolder && *initialFolder) {
        SPath folder;
        folder.SetFolder(initialFolder);
        start = folder.GetPath();  // the full folder text, ending with a separator
    }
    folderResult = "";
    ShellMalloc shell;
    if (!shell.malloc) return folderResult;

    char displayName[MAX_PATH] = "";
    BROWSEINFOA browse;
    memset(&browse, 0, sizeof browse);
    browse.hwndOwner = owner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNFSANCESTORS;
    if (includeFiles) browse.ulFlags |= BIF_BROWSEINCLUDEFILES;
    browse.lpfn = BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(&start);

    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (item) {
        char path[MAX_PATH];
        if (SHGetPathFromIDListA(item, path)) {
            folderResult = path;
            const int length = folderResult.GetLength();
            if (appendSeparator && length > 0 && folderResult.GetAt(length - 1) != '\\')
                folderResult += '\\';
        }
        shell.malloc->Free(item);
    }
    return folderResult;
}

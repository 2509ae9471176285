#pragma once
// SSelector: the system's save-file dialog and folder browser for one owner window. A
// short-lived value: construct it, call one operation, read the result. Results are empty
// when the user cancels or the system dialog fails.
#include <cstdint>

#include "core/SString.h"
#include "core/SWindows.h"

class SStringArray;

class SSelector {
public:
    explicit SSelector(HWND owner);
    virtual ~SSelector();

    // Shows the save dialog; true when the user confirmed a path, then in fileResult. filters
    // holds "Description|pattern" items; a null list, folder, title or extension is left out.
    [[nodiscard]] bool SaveFile(const SStringArray* filters, DWORD extraFlags,
                                const char* initialFolder, const char* title, int filterIndex,
                                const char* defaultExtension);
    // Shows the folder browser, opened on initialFolder when it is not empty; the chosen
    // file-system folder (also in folderResult) or the empty text.
    SString BrowseFolder(const char* title, const char* initialFolder, bool includeFiles);

    // The system's filter block: each item with its first "|" turned into a zero byte and a
    // zero byte after it, then one more zero byte; empty for no items.
    static SString BuildFilterBlock(const SStringArray* filters);
    // The system's 1-based filter index: index + 1 for an index of an item, otherwise 1.
    static DWORD FilterIndexFor(int index, int itemCount);

    static constexpr int kPathBufferSize = 40000;
    // Always asked of the save dialog: overwrite prompt, no read-only box, an existing
    // folder, explorer style, resizable.
    static constexpr DWORD kSaveFlags = 0x880806;

    HWND owner;
    bool appendSeparator = true;
    SString folderResult;
    SString fileResult;
};

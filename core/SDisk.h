#pragma once
// SDisk: file-system services that work by path: the temporary folder and temporary files,
// sizes and CRC-32s of files, existence tests, pattern listing with optional descent,
// folder creation with parents, deletion, and starting programs through the shell. A small
// value object: each thread uses its own, since the operations share one scratch buffer.
#include <cstdint>

#include "core/SString.h"

class SStringArray;

class SDisk {
public:
    // Mode bits of List.
    static constexpr int kDescend = 1;
    static constexpr int kFolders = 2;
    static constexpr int kFiles = 4;
    static constexpr int kSkipHidden = 8;
    static constexpr int kNoFileInside = 16;
    static constexpr int kFileInside = 32;
    static constexpr int kNoFolderInside = 64;
    static constexpr int kFolderInside = 128;

    SDisk();  // folders come back with a trailing separator
    virtual ~SDisk();

    // Whether folders come back with a final separator; returns the previous setting.
    bool SetTrailingSeparator(bool on);
    bool GetTrailingSeparator() const { return trailingSeparator; }
    // The full path the last PathExists found, or what the last temporary-name call made.
    const char* GetScratch() const { return scratch; }

    SString GetTempFolder();    // the long form of the user's temporary folder; "" on failure
    SString GetTempFileName();  // a new empty file there ("tmp*.tmp"); "" on failure
    int GetFileSize(const char* path);        // bytes; -1 when it cannot be opened
    int64_t GetFileSize64(const char* path);  // from the directory entry; -1 for no file
    uint32_t GetFileCrc(const char* path);    // CRC-32 of the content; 0 also on failure
    // CRC-32 of the content; false when the file cannot be opened or read to its end.
    [[nodiscard]] bool GetFileCrc(const char* path, uint32_t& crc);
    bool PathExists(const char* path);    // a file or folder is there; its full path in scratch
    bool FileExists(const char* path);    // a file, not a folder; a final separator says no
    bool FolderExists(const char* path);  // a folder, drive roots and shares included
    // Adds what pattern matches to list (when given), filtered by the mode bits, and returns
    // how many entries were added; a pattern with "*" in its name gives full paths and may
    // descend, any other the bare names found. fileCount and folderCount receive the split.
    int List(SStringArray* list, const char* pattern, int mode, int* fileCount = nullptr,
             int* folderCount = nullptr);
    int List(SStringArray* list, const char* pattern, bool descend, bool folders, bool files,
             bool emptyFoldersOnly, bool includeHidden);
    // Every file below folder (a full path ending with a separator), hidden ones included,
    // read through the system's wide names: files whose names the code page cannot carry
    // exactly and folders that cannot be read (too long a path, say) go to unlisted instead
    // of being left out unseen. Returns the number of files listed.
    int ListAllFiles(const char* folder, SStringArray& files, SStringArray& unlisted);
    // True when the folder exists afterwards; with createParents the missing ones above are
    // made first (and stay when a later step fails). A root cannot be made.
    bool CreateFolder(const char* path, bool createParents);
    bool DeleteFile(const char* path);  // false when there was nothing to delete or it failed
    // Creates an empty file with a unique name in the folder that holds path, so that a
    // file can be written there and then moved over path in one step; empty when none can.
    static SString GetTempFileBeside(const char* path);
    // Starts a program or opens a document through the shell; useOwnFolder starts it in the
    // folder that holds it. False when the shell refuses.
    bool Execute(const char* path, const char* parameters, bool useOwnFolder, int showCommand);
    // A path in folder that names nothing yet: prefix.extension, else with a random number
    // between them; "" when the folder is missing or no free name turns up.
    SString GetUniqueFileName(const char* folder, const char* prefix, const char* extension);

private:
    char scratch[1025];
    bool trailingSeparator;
};

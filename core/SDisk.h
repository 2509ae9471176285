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

    SDisk();
    virtual ~SDisk();

    bool SetTrailingSeparator(bool on);  // returns the previous setting
    bool GetTrailingSeparator() const { return trailingSeparator; }
    const char* GetScratch() const { return scratch; }

    SString GetTempFolder();
    SString GetTempFileName();
    int GetFileSize(const char* path);
    int64_t GetFileSize64(const char* path);  // -1 when it names no file
    uint32_t GetFileCrc(const char* path);
    [[nodiscard]] bool GetFileCrc(const char* path, uint32_t& crc);
    bool PathExists(const char* path);
    bool FileExists(const char* path);
    bool FolderExists(const char* path);
    int List(SStringArray* list, const char* pattern, int mode, int* fileCount = nullptr,
             int* folderCount = nullptr);
    int List(SStringArray* list, const char* pattern, bool descend, bool folders, bool files,
             bool emptyFoldersOnly, bool includeHidden);
    // Every file below folder (a full path ending with a separator), hidden ones included,
    // read through the system's wide names: files whose names the code page cannot carry
    // exactly and folders that cannot be read (too long a path, say) go to unlisted instead
    // of being left out unseen. Returns the number of files listed.
    int ListAllFiles(const char* folder, SStringArray& files, SStringArray& unlisted);
    bool CreateFolder(const char* path, bool createParents);
    bool DeleteFile(const char* path);
    // Whether the path names an existing file (not a folder) marked read-only.
    static bool IsReadOnlyFile(const char* path);
    // Creates an empty file with a unique name in the folder that holds path, so that a
    // file can be written there and then moved over path in one step; empty when none can.
    static SString GetTempFileBeside(const char* path);
    bool Execute(const char* path, const char* parameters, bool useOwnFolder, int showCommand);
    SString GetUniqueFileName(const char* folder, const char* prefix, const char* extension);

private:
    char scratch[1025];
    bool trailingSeparator;
};

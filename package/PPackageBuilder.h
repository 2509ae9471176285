#pragma once
// PPackageBuilder: turns a release folder and a version text into the two files of an
// update, side by side under one title: a ".bin" archive of every file below the folder
// (compressed, entries named by their paths relative to it; the updater's own "Update.exe"
// at the top of the folder left out) and a ".upd" descriptor of two CR LF lines, the version
// as given and the archive's CRC-32 as "%u". Collect checks and lists the folder; Write,
// given the chosen descriptor path, writes both files or, failing, leaves what was there.
#include <cstdint>

#include "core/SDisk.h"
#include "core/SString.h"
#include "core/SStringArray.h"

class PPackageBuilder {
public:
    enum Result {
        kDone,
        kInvalidFolder,     // empty, not a path, not an existing folder, or a drive root
        kNoFiles,           // nothing below the folder but its own "Update.exe"
        kInvalidTarget,     // the chosen path names a folder or the archive itself
        kSourceFailed,      // a file of the folder could not be read: GetFailedPath
        kArchiveFailed,     // the archive could not be written: GetFailedPath
        kDescriptorFailed,  // the descriptor could not be written: GetFailedPath
        kArchiveCorrupt,    // the archive written does not read back whole: GetFailedPath
        kTooLarge,          // a file, or the archive, passes kLargestArchive: GetFailedPath
    };

    // Installers address an archive with signed 32-bit positions, and entries carry 32-bit
    // lengths: no file and no archive may pass 2 GiB - 1 bytes.
    static constexpr int64_t kLargestArchive = 0x7FFFFFFF;

    PPackageBuilder();  // as many threads as processors, files compared without case
    // The archive's path for a descriptor path: beside it, its title with ".bin".
    static SString ArchivePathFor(const char* descriptorPath);

    void SetThreads(int count) { threads = count < 1 ? 1 : count; }
    // Files that cannot be opened when the archive is written are left out of it (and
    // listed by GetSkipped); with this set, such a file fails the whole Write instead, and
    // Collect fails on any file it cannot list under a name that reaches it exactly
    // (GetUnlisted: folders it cannot read, names outside the code page, names that differ
    // only in case). Set it before Collect.
    void SetAllFilesRequired(bool required) { allRequired = required; }
    // Lists every file below folderText (hidden ones included) into GetFiles; kInvalidFolder,
    // kNoFiles or kSourceFailed when there is nothing to pack.
    [[nodiscard]] Result Collect(const char* folderText);
    // Writes the archive and the descriptor for chosenPath (a local or network file path)
    // from the collected files. kDone, or the failure with GetFailedPath; on failure the
    // previous pair stays as it was and no temporary file is left.
    [[nodiscard]] Result Write(const char* chosenPath, const char* version);

    // What the last Collect and Write found and made; the paths are full forms.
    const SString& GetFolder() const { return folder; }
    const SStringArray& GetFiles() const { return files; }
    const SString& GetArchivePath() const { return archivePath; }
    const SString& GetDescriptorPath() const { return descriptorPath; }
    uint32_t GetCrc() const { return crc; }             // the archive's, as the descriptor says
    int64_t GetBytesRead() const { return bytesRead; }  // of the release's files
    int GetArchiveSize() const { return archiveSize; }
    const SString& GetFailedPath() const { return failedPath; }  // "" unless it failed
    const SStringArray& GetSkipped() const { return skipped; }
    const SStringArray& GetUnlisted() const { return unlisted; }

private:
    Result WriteArchive(const SString& temporary);
    bool ReadBack(const SString& path, int entries);
    Result WriteDescriptor(const SString& temporary, const char* version);

    SDisk disk;
    int threads;  // all processors unless set
    bool allRequired = false;
    SString folder;
    SStringArray files;
    SString archivePath;
    SString descriptorPath;
    uint32_t crc = 0;
    int64_t bytesRead = 0;
    int archiveSize = 0;
    SString failedPath;
    SStringArray skipped;
    SStringArray unlisted;
};

#pragma once
// SEntryWriter: puts the entries of one extraction in place, one after the other. A target
// gets its whole new content in its partial file beside it, which takes the target's place
// in one step once complete; a failure part-way leaves the target as it was and removes the
// partial file. A read-only target or a folder is not replaced; a hidden or system target
// keeps those attributes. The folder of the last entry is remembered, so that entries of
// one folder cost no folder checks.
#include <cstdint>

#include "core/SDisk.h"
#include "core/SString.h"
#include "core/SWindows.h"

class SFilePath;

class SEntryWriter {
public:
    static constexpr char kPartialSuffix[] = ".update-partial";

    // Makes sure the folder that holds target (a full path) exists, creating it with its
    // parents; false when it cannot be made.
    [[nodiscard]] bool PrepareFolder(const SString& target);
    // Gives target the count bytes at data as its whole content; false leaves it as it was.
    [[nodiscard]] bool WriteWhole(const SString& target, const void* data, int count);
    // For content too big to hold in memory: Begin opens target's partial file into file,
    // Commit closes it and puts it in place when complete is true, or removes it.
    [[nodiscard]] bool Begin(const SString& target, SFilePath& file);
    [[nodiscard]] bool Commit(const SString& target, SFilePath& file, bool complete);
    // After an entry failed: the folders made for it are removed again and the remembered
    // folder is forgotten, to be checked anew.
    void Abandon();

    // The partial file of a target; empty when no name for it fits the path limits.
    static SString PartialPath(const SString& target);
    // Whether an entry name ends as partial files do; such an entry is never written, as
    // it could stand in the place of another entry's partial file.
    static bool IsPartialName(const char* name);

private:
    bool CheckTarget(const SString& target);
    bool Place(const SString& partial, const SString& target, bool complete);
    SString FirstMissingFolder(const SString& path);
    void RemoveEmptyFolders(const SString& path, const SString& outermost);

    SDisk disk;
    SString folder;            // the folder of the current entry, ending with a separator
    bool folderKnown = false;  // folder exists, as far as this writer can tell
    bool folderIsNew = false;  // made by this writer: every file in it is its own
    SString made;              // the outermost folder made for the current entry, or empty
    DWORD kept = 0;            // attributes of the target to give its replacement
};

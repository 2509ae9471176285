#include "package/SEntryWriter.h"

#include <cstring>
#include <string>

#include "core/SFile.h"
#include "core/SFilePath.h"
#include "core/SHandle.h"
#include "core/SHeapBlock.h"
#include "core/SPath.h"

namespace {

constexpr int kSuffixLength = sizeof SEntryWriter::kPartialSuffix - 1;
// The longest name a folder entry may have, and the longest path the ANSI calls take.
constexpr int kLongestComponent = 255;
constexpr int kLongestPath = MAX_PATH - 1;

// The partial file, created new for writing (and renaming) only. One left behind by an
// interrupted run is removed first, read-only or not: creating anew, rather than truncating
// what is there, never writes through an old file into another one linked to it.
HANDLE CreatePartial(const SString& partial) {
    const DWORD access = GENERIC_WRITE | DELETE;
    HANDLE file = CreateFileA(partial.GetText(), access, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    SetFileAttributesA(partial.GetText(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(partial.GetText())) return INVALID_HANDLE_VALUE;
    return CreateFileA(partial.GetText(), access, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The open partial file takes the target's name in one step, replacing what is there: a
// rename on the handle is one call, where MoveFileEx opens the file again by its name.
bool RenameOver(HANDLE file, const SString& target) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, target.GetText(), target.GetLength(), nullptr, 0);
    if (length <= 0) return false;
    const DWORD bytes = static_cast<DWORD>(length) * sizeof(WCHAR);
    SHeapBlock block(sizeof(FILE_RENAME_INFO) + bytes);  // FileName's own room holds the zero
    if (!block.data) return false;
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(block.data);
    memset(info, 0, sizeof(FILE_RENAME_INFO));
    info->ReplaceIfExists = TRUE;
    info->FileNameLength = bytes;
    MultiByteToWideChar(CP_ACP, 0, target.GetText(), target.GetLength(), info->FileName, length);
    info->FileName[length] = 0;
    return SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + bytes));
}

}  // namespace

// The partial file is named after its target and after this program, so that whoever finds
// one left by an interrupted run (a killed updater, a power cut) can tell what it is, and the
// next run that writes the same target replaces it. When that name would pass the path
// limits, a short one takes its place: the CRC-32 of the target's name in ASCII lower case,
// as names compare, in hexadecimal; still the same for the same target. A target that no
// name fits beside gets none, and is never written somewhere else instead.
SString SEntryWriter::PartialPath(const SString& target) {
    const int nameStart = target.ReverseFind('\\') + 1;
    const int nameLength = target.GetLength() - nameStart;
    if (nameLength == 0 || target.GetLength() > kLongestPath) return SString("");
    if (target.GetLength() + kSuffixLength <= kLongestPath &&
        nameLength + kSuffixLength <= kLongestComponent)
        return target + kPartialSuffix;
    std::string name(target.GetText() + nameStart, static_cast<size_t>(nameLength));
    for (char& ch : name)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    SString shortName;
    shortName.Format("%08x%s", SCrc32(0, name.data(), nameLength), kPartialSuffix);
    const SString path = target.Left(nameStart) + shortName;
    return path.GetLength() <= kLongestPath ? path : SString("");
}

bool SEntryWriter::IsPartialName(const char* name) {
    const size_t length = name ? strlen(name) : 0;
    return length >= static_cast<size_t>(kSuffixLength) &&
           _stricmp(name + length - kSuffixLength, kPartialSuffix) == 0;
}

// Entries of one folder follow each other in an archive: the folder is checked, and made
// when missing, only when an entry's folder differs from the one before.
bool SEntryWriter::PrepareFolder(const SString& target) {
    made.Empty();
    const SString parent = target.Left(target.ReverseFind('\\') + 1);
    if (folderKnown && parent == folder) return true;
    folder = parent;
    folderKnown = false;
    made = FirstMissingFolder(parent);
    if (made.GetLength() > 0 && !disk.CreateFolder(parent.GetText(), true)) return false;
    folderKnown = true;
    folderIsNew = made.GetLength() > 0;
    return true;
}

void SEntryWriter::Abandon() {
    // Folders made for an entry that failed go again: a refused entry leaves no trace.
    if (made.GetLength() > 0) RemoveEmptyFolders(folder, made);
    made.Empty();
    folderKnown = false;
}

bool SEntryWriter::WriteWhole(const SString& target, const void* data, int count) {
    if (!CheckTarget(target)) return false;
    const SString partial = PartialPath(target);
    if (partial.GetLength() == 0) return false;
    SHandle file(CreatePartial(partial));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    const bool complete =
        count == 0 || (WriteFile(file.Get(), data, static_cast<DWORD>(count), &written, nullptr) &&
                       written == static_cast<DWORD>(count));
    // Renamed before it is closed: a close cannot tell of a write that fails late (the system
    // reports that on its own), so nothing is given up.
    const bool placed = complete && RenameOver(file.Get(), target);
    file.Reset();
    if (!placed) {
        DeleteFileA(partial.GetText());
        return false;
    }
    if (kept) SetFileAttributesA(target.GetText(), kept);
    return true;
}

bool SEntryWriter::Begin(const SString& target, SFilePath& file) {
    if (!CheckTarget(target)) return false;
    const SString partial = PartialPath(target);
    if (partial.GetLength() == 0) return false;
    SHandle created(CreatePartial(partial));
    if (!created.IsValid()) return false;
    created.Reset();
    if (file.OpenWriteOnly(partial.GetText())) return true;
    DeleteFileA(partial.GetText());
    return false;
}

bool SEntryWriter::Commit(const SString& target, SFilePath& file, bool complete) {
    const SString partial = file.GetPath();
    // The last buffered bytes reach the disk only on closing.
    complete = file.CloseChecked() && complete;
    return partial.GetLength() > 0 && Place(partial, target, complete);
}

// A read-only target or a folder is refused, as opening it for writing would be; hidden and
// system are noted, to be given to the replacement. A folder made by this writer holds only
// files that it wrote itself, none of them marked: their attributes need no reading.
bool SEntryWriter::CheckTarget(const SString& target) {
    kept = 0;
    if (folderIsNew) return true;
    const DWORD attributes = GetFileAttributesA(target.GetText());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
    kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    return true;
}

// The complete partial file takes the target's place in one step; an incomplete one, or
// one that cannot move, is removed.
bool SEntryWriter::Place(const SString& partial, const SString& target, bool complete) {
    if (!complete || !MoveFileExA(partial.GetText(), target.GetText(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partial.GetText());
        return false;
    }
    if (kept) SetFileAttributesA(target.GetText(), kept);
    return true;
}

// The outermost folder of path (ending with a separator) that does not exist yet; empty
// when path exists.
SString SEntryWriter::FirstMissingFolder(const SString& path) {
    SPath folder(path.GetText());
    SString missing("");
    while (folder.IsSubFolder() && !disk.PathExists(folder.GetPath().GetText())) {
        missing = folder.GetPath();
        folder.SetPath(folder.GetParent().GetText());
    }
    return missing;
}

// Removes path and the folders above it up to and including outermost, as long as they are
// empty (the system refuses to remove a folder that is not).
void SEntryWriter::RemoveEmptyFolders(const SString& path, const SString& outermost) {
    SPath folder(path.GetText());
    while (folder.IsSubFolder() && RemoveDirectoryA(folder.GetPath().GetText()) &&
           folder.GetPath().CompareNoCase(outermost.GetText()) != 0)
        folder.SetPath(folder.GetParent().GetText());
}

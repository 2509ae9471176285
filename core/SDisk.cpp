#include "core/SDisk.h"

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "core/SFilePath.h"
#include "core/SFindHandle.h"
#include "core/SPath.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"

#include <shellapi.h>

namespace {

constexpr int kFolderFilters =
    SDisk::kNoFileInside | SDisk::kFileInside | SDisk::kNoFolderInside | SDisk::kFolderInside;

bool IsFolderEntry(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "." and "..", and hidden entries when the caller leaves those out.
bool IsSkipped(const WIN32_FIND_DATAA& entry, bool skipHidden) {
    const char* name = entry.cFileName;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return true;
    return skipHidden && (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool EndsWithSeparator(const char* path) {
    const size_t length = strlen(path);
    return length > 0 && (path[length - 1] == '\\' || path[length - 1] == '/');
}

// The errors through which the system says that a part of the path is missing (those the
// runtime reports as ENOENT). Creating the parents first may cure them.
bool IsMissingPart(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_NO_MORE_FILES:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return true;
        default:
            return false;
    }
}

// Tests a folder against the filters in mode by counting its direct files and folders
// (without the hidden ones when mode skips them).
bool PassesFolderFilters(SDisk& disk, const SString& folderPart, const char* name, int mode) {
    if ((mode & kFolderFilters) == 0) return true;
    int files = 0;
    int folders = 0;
    const SString inside = folderPart + name + "\\*.*";
    disk.List(nullptr, inside.GetText(),
              SDisk::kFolders | SDisk::kFiles | (mode & SDisk::kSkipHidden), &files, &folders);
    if ((mode & SDisk::kNoFileInside) && files != 0) return false;
    if ((mode & SDisk::kFileInside) && files == 0) return false;
    if ((mode & SDisk::kNoFolderInside) && folders != 0) return false;
    if ((mode & SDisk::kFolderInside) && folders == 0) return false;
    return true;
}

std::wstring Widen(const SString& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.GetText(), text.GetLength(), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.GetText(), text.GetLength(), &wide[0], length);
    return wide;
}

// The name in the code page; false when the code page cannot carry it exactly (a character
// it lacks, or one it would replace by a look-alike: "\u0141" by "L").
bool Narrow(const wchar_t* name, SString& narrow) {
    BOOL lossy = FALSE;
    char buffer[4 * MAX_PATH];
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, buffer,
                                           sizeof buffer, nullptr, &lossy);
    narrow = length > 0 ? buffer : "?";
    return length > 0 && !lossy && Widen(narrow) == name;
}

// The form of a full path that the wide functions take at any length.
std::wstring LongForm(const SString& path) {
    if (path.GetLength() > 2 && path.GetAt(0) == '\\' && path.GetAt(1) == '\\')
        return L"\\\\?\\UNC\\" + Widen(path.Mid(2));
    return L"\\\\?\\" + Widen(path);
}

int ListBelow(const SString& folder, SStringArray& files, SStringArray& unlisted) {
    WIN32_FIND_DATAW entry;
    SFindHandle search((LongForm(folder) + L"*").c_str(), entry);
    if (!search.IsValid()) {
        unlisted.Add(folder.GetText());
        return 0;
    }
    int count = 0;
    do {
        const wchar_t* name = entry.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        SString narrow;
        const bool exact = Narrow(name, narrow);
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const SString path = folder + narrow + (isFolder ? "\\" : "");
        if (!exact) {
            unlisted.Add(path.GetText());
        } else if (isFolder) {
            count += ListBelow(path, files, unlisted);
        } else {
            files.Add(path.GetText());
            ++count;
        }
    } while (search.Next(entry));
    return count;
}

void AddEntry(SStringArray* list, const SString& text, int& added, int* counter) {
    if (list) list->Add(text.GetText());
    ++added;
    if (counter) ++*counter;
}

}  // namespace

SDisk::SDisk() : trailingSeparator(true) { scratch[0] = 0; }

SDisk::~SDisk() {}

bool SDisk::SetTrailingSeparator(bool on) {
    const bool previous = trailingSeparator;
    trailingSeparator = on;
    return previous;
}

// The system hands out the temporary folder in whatever form TMP holds, often with short
// (8.3) components; the long form is what users and our file lists compare against.
SString SDisk::GetTempFolder() {
    scratch[0] = 0;
    const DWORD length = GetTempPathA(MAX_PATH, scratch);
    if (length == 0 || length >= MAX_PATH) {
        scratch[0] = 0;
        return SString("");
    }
    char longForm[1024];
    const DWORD longLength = GetLongPathNameA(scratch, longForm, sizeof longForm);
    if (longLength > 0 && longLength < sizeof longForm) memcpy(scratch, longForm, longLength + 1);
    if (!trailingSeparator) {
        const size_t end = strlen(scratch);
        if (end > 0 && (scratch[end - 1] == '\\' || scratch[end - 1] == '/')) scratch[end - 1] = 0;
    }
    return SString(scratch);
}

// With the unique number 0 the system picks a free name and creates the file, empty, so
// that no other caller can take the same name meanwhile.
SString SDisk::GetTempFileName() {
    const bool previous = SetTrailingSeparator(false);
    const SString folder = GetTempFolder();
    trailingSeparator = previous;
    if (folder.GetLength() == 0 || GetTempFileNameA(folder.GetText(), "tmp", 0, scratch) == 0)
        scratch[0] = 0;
    return SString(scratch);
}

int SDisk::GetFileSize(const char* path) {
    if (!path || !*path) return -1;
    FILE* file = fopen(path, "rb");
    if (!file) return -1;
    int size = -1;
    if (fseek(file, 0, SEEK_END) == 0) size = static_cast<int>(ftell(file));
    fclose(file);
    return size;
}

SString SDisk::GetTempFileBeside(const char* path) {
    SPath where(path);
    char temporary[MAX_PATH];
    if (!where.IsValid() || !GetTempFileNameA(where.GetParent().GetText(), "upd", 0, temporary))
        return SString("");
    return SString(temporary);
}

// The whole file's length in 64 bits, from its directory entry: no open, and no 2 GiB limit.
int64_t SDisk::GetFileSize64(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !*path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// An empty file and a file that cannot be read both give 0 here: callers that must tell
// them apart use the form that reports.
uint32_t SDisk::GetFileCrc(const char* path) {
    uint32_t crc = 0;
    return GetFileCrc(path, crc) ? crc : 0;
}

// Read only, other programs kept from writing meanwhile; false when the file cannot be
// opened or read to its end.
bool SDisk::GetFileCrc(const char* path, uint32_t& crc) {
    SFilePath file;
    return file.OpenReading(path) && file.GetCrc(crc);
}

// Leaves the full path of what was found in scratch, and scratch empty otherwise. A full
// path that does not fit scratch counts as not found.
bool SDisk::PathExists(const char* path) {
    scratch[0] = 0;
    if (!path || !*path) return false;
    if (_access(path, 0) == 0 && !_fullpath(scratch, path, sizeof scratch)) scratch[0] = 0;
    return scratch[0] != 0;
}

// A path that ends with a separator names a folder, never a file.
bool SDisk::FileExists(const char* path) {
    if (!path || !*path || EndsWithSeparator(path)) return false;
    if (!PathExists(path)) return false;
    return List(nullptr, path, kFiles) == 1;
}

// Asks the system for the path's own entry, through the full form that PathExists left in
// scratch, so that "." and ".." are answered as the folders they stand for. A drive root or
// a share has no entry of its own that a search could find; when it exists it is a folder.
bool SDisk::FolderExists(const char* path) {
    if (!PathExists(path)) return false;
    SPath form;
    form.SetFolder(scratch);
    if (form.IsFolder() && !form.IsSubFolder()) return true;
    if (form.IsNetwork() && form.GetPartCount() == 3) return true;
    SString folder(scratch);
    if (EndsWithSeparator(scratch)) folder.TrimRight(1);
    return List(nullptr, folder.GetText(), kFolders) == 1;
}

// Lists what pattern matches into list (when given) and returns how many entries it added,
// at this level and below. A pattern whose name part holds "*" lists full paths and may
// descend; any other pattern lists the bare names of what the system finds for it.
//
// In wildcard form the system's own matching of the pattern (which also matches short 8.3
// names) picks the names, and a second pass over the whole folder adds them in the folder's
// order, with each subfolder's content right behind it. The names picked by the first pass
// sit in a hash set, so that big folders do not cost a search of the list per entry; for
// "*" and "*.*", which match everything, the first pass is left out.
int SDisk::List(SStringArray* list, const char* pattern, int mode, int* fileCount,
                int* folderCount) {
    if (!pattern || !*pattern) return 0;
    if ((mode & kFolders) && (((mode & kNoFileInside) && (mode & kFileInside)) ||
                              ((mode & kNoFolderInside) && (mode & kFolderInside))))
        mode &= ~kFolders;
    if (!(mode & kFolders)) mode &= ~kFolderFilters;
    const bool wantFolders = (mode & kFolders) != 0;
    const bool wantFiles = (mode & kFiles) != 0;
    if (!wantFolders && !wantFiles) return 0;
    const bool skipHidden = (mode & kSkipHidden) != 0;

    const SString text(pattern);
    int cut = -1;
    for (int i = 0; i < text.GetLength(); ++i)
        if (text.GetAt(i) == '\\' || text.GetAt(i) == '/') cut = i;
    const SString folderPart = cut >= 0 ? text.Left(cut + 1) : SString("");
    const SString namePart = text.Mid(cut + 1);
    int added = 0;
    WIN32_FIND_DATAA entry;

    if (namePart.Find('*') < 0) {
        SFindHandle search(pattern, entry);
        if (!search.IsValid()) return 0;
        do {
            if (IsSkipped(entry, skipHidden)) continue;
            if (IsFolderEntry(entry)) {
                if (wantFolders && PassesFolderFilters(*this, folderPart, entry.cFileName, mode))
                    AddEntry(list, SString(entry.cFileName) + "\\", added, folderCount);
            } else if (wantFiles) {
                AddEntry(list, SString(entry.cFileName), added, fileCount);
            }
        } while (search.Next(entry));
        return added;
    }

    const bool matchesAll = namePart == "*" || namePart == "*.*";
    std::unordered_set<std::string> names;
    if (!matchesAll) {
        SFindHandle search(pattern, entry);
        if (search.IsValid()) {
            do {
                if (IsSkipped(entry, skipHidden)) continue;
                if (IsFolderEntry(entry) ? wantFolders : wantFiles) names.insert(entry.cFileName);
            } while (search.Next(entry));
        }
        if (names.empty() && !(mode & kDescend)) return 0;
    }
    // Each name is taken once, as the folder's second pass meets it.
    auto take = [&](const char* name) { return matchesAll || names.erase(name) > 0; };

    SFindHandle search((folderPart + "*.*").GetText(), entry);
    if (!search.IsValid()) return 0;
    do {
        if (IsSkipped(entry, skipHidden)) continue;
        const char* name = entry.cFileName;
        if (IsFolderEntry(entry)) {
            if (wantFolders && take(name) && PassesFolderFilters(*this, folderPart, name, mode))
                AddEntry(list, folderPart + name + "\\", added, folderCount);
            // Every subfolder is searched, whether its own name matches or not.
            if (mode & kDescend) {
                const SString inner = folderPart + name + "\\" + namePart;
                added += List(list, inner.GetText(), mode, nullptr, nullptr);
            }
        } else if (wantFiles && take(name)) {
            AddEntry(list, folderPart + name, added, fileCount);
        }
    } while (search.Next(entry));
    return added;
}

int SDisk::List(SStringArray* list, const char* pattern, bool descend, bool folders, bool files,
                bool emptyFoldersOnly, bool includeHidden) {
    int mode = 0;
    if (descend) mode |= kDescend;
    if (folders) mode |= kFolders;
    if (files) mode |= kFiles;
    if (emptyFoldersOnly) mode |= kNoFileInside | kNoFolderInside;
    if (!includeHidden) mode |= kSkipHidden;
    return List(list, pattern, mode, nullptr, nullptr);
}

int SDisk::ListAllFiles(const char* folder, SStringArray& files, SStringArray& unlisted) {
    if (!folder || !*folder) return 0;
    return ListBelow(SString(folder), files, unlisted);
}

// Creates the folder, and with createParents first whatever is missing above it. Parents
// created before a later step fails stay in place.
bool SDisk::CreateFolder(const char* path, bool createParents) {
    if (!path || !*path) return false;
    SPath folder;
    folder.SetFolder(path);
    if (!folder.IsSubFolder()) return false;
    const SString text = folder.GetPath();
    if (FolderExists(text.GetText())) return true;
    if (CreateDirectoryA(text.GetText(), nullptr)) return true;
    if (!createParents || !IsMissingPart(GetLastError())) return false;
    const SString parent = folder.GetParent();
    if (parent.GetLength() == 0) return false;
    if (!CreateFolder(parent.GetText(), true)) return false;
    return CreateDirectoryA(text.GetText(), nullptr) != FALSE;
}

bool SDisk::DeleteFile(const char* path) {
    if (!path || !*path) return false;
    return DeleteFileA(path) != FALSE;
}

// The shell starts programs and opens documents with their associated program. With
// useOwnFolder the program starts in the folder that holds it, as if started from there.
bool SDisk::Execute(const char* path, const char* parameters, bool useOwnFolder, int showCommand) {
    if (!path || !*path) return false;
    SString folder("");
    if (useOwnFolder) {
        const SPath target(path);
        if (target.IsValid() && !target.IsUrl()) folder = target.GetRoot() + target.GetFolder();
    }
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", path, parameters,
                      folder.GetLength() > 0 ? folder.GetText() : nullptr, showCommand);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// A name that does not exist yet: prefix and extension alone first, then with random
// numbers below 1000000 in between.
SString SDisk::GetUniqueFileName(const char* folder, const char* prefix, const char* extension) {
    if (!FolderExists(folder)) return SString("");
    SString base(folder);
    if (!trailingSeparator) base += '\\';
    if (prefix) base += prefix;
    SString suffix("");
    if (extension && *extension) {
        suffix = ".";
        suffix += extension;
    }
    SString candidate = base + suffix;
    if (!PathExists(candidate.GetText())) return candidate;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        SString number;
        number = static_cast<int>(rand() / 32768.0 * 1000000);
        candidate = base + number + suffix;
        if (!PathExists(candidate.GetText())) return candidate;
    }
    return SString("");
}

#include "package/PPackageBuilder.h"

#include <string>
#include <unordered_set>

#include "core/SBlockPipeline.h"
#include "core/SFilePath.h"
#include "core/SHandle.h"
#include "core/SHeapBlock.h"
#include "core/SPath.h"
#include "core/SWindows.h"
#include "package/SArchiveScan.h"
#include "package/SResource.h"

namespace {

// Bytes read per step when the finished archive is read back.
constexpr int kReadStep = 1024 * 1024;

// Whether a file may be put at path: nothing is there, or a file that is not read-only
// and that no other program holds open.
bool CanReplace(const SString& path) {
    const DWORD attributes = GetFileAttributesA(path.GetText());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || SFilePath::IsReadOnlyFile(path.GetText()))
        return false;
    SHandle probe(CreateFileA(path.GetText(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe.IsValid();
}

// Entry names compare without case, and so do the folders they are extracted into: of names
// that differ only in case (a case-sensitive folder can hold them) only one could arrive.
void AddNamesEqualButForCase(const SStringArray& files, SStringArray& found) {
    std::unordered_set<std::wstring> seen;
    for (int i = 0; i < files.GetCount(); ++i) {
        SString name(*files.GetAt(i));
        std::wstring key(name.GetWide());
        CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
        if (!seen.insert(key).second) found.Add(name.GetText());
    }
}

}  // namespace

// Beside the descriptor, under its title (its name up to the last ".") and ".bin".
SString PPackageBuilder::ArchivePathFor(const char* descriptorPath) {
    SPath descriptor(descriptorPath);
    return descriptor.GetParent() + descriptor.GetTitle() + ".bin";
}

PPackageBuilder::PPackageBuilder() : threads(SBlockPipeline::GetProcessorCount()) {
    files.AddFlags(SStringArray::kIgnoreCase);
}

PPackageBuilder::Result PPackageBuilder::Collect(const char* folderText) {
    SPath source;
    source.SetFolder(folderText);
    folder = source.GetPath();
    files.DeleteAll();
    // A drive root passes as a folder, but an archive of a whole drive is refused.
    if (!source.IsSubFolder() || !disk.FolderExists(folder.GetText())) return kInvalidFolder;

    if (allRequired) {
        unlisted.DeleteAll();
        disk.ListAllFiles(folder.GetText(), files, unlisted);
        AddNamesEqualButForCase(files, unlisted);
    } else {
        disk.List(&files, (folder + "*.*").GetText(), SDisk::kDescend | SDisk::kFiles);
    }
    // Only the updater's own file at the top is left out; one in a subfolder stays.
    files.RemoveMatching((folder + "Update.exe").GetText());
    if (unlisted.GetCount() > 0) {
        failedPath = unlisted.GetText(0);
        return kSourceFailed;
    }
    return files.GetCount() == 0 ? kNoFiles : kDone;
}

PPackageBuilder::Result PPackageBuilder::Write(const char* chosenPath, const char* version) {
    crc = 0;
    bytesRead = 0;
    archiveSize = 0;
    failedPath.Empty();
    skipped.DeleteAll();

    SPath target;
    target.SetPath(chosenPath);
    // A network share is a place the save dialog may return, and as good as a local one.
    const int kind = target.GetKind();
    if ((kind != SPath::kLocal && kind != SPath::kNetwork) || target.IsFolder())
        return kInvalidTarget;
    descriptorPath = target.GetPath();
    archivePath = ArchivePathFor(descriptorPath.GetText());
    if (descriptorPath.CompareNoCase(archivePath.GetText()) == 0) return kInvalidTarget;
    // A target inside the source folder: the pair being replaced is no file of the release.
    files.RemoveMatching(archivePath.GetText());
    files.RemoveMatching(descriptorPath.GetText());

    // Both places are checked before the work, and both files are written under temporary
    // names that take their places only once both are complete: a failure leaves the
    // previous pair as it was, never a descriptor beside a broken archive.
    if (!CanReplace(archivePath)) {
        failedPath = archivePath;
        return kArchiveFailed;
    }
    if (!CanReplace(descriptorPath)) {
        failedPath = descriptorPath;
        return kDescriptorFailed;
    }
    const SString archiveTemporary = SDisk::GetTempFileBeside(archivePath.GetText());
    if (archiveTemporary.GetLength() == 0) {
        failedPath = archivePath;
        return kArchiveFailed;
    }
    Result result = WriteArchive(archiveTemporary);
    const SString descriptorTemporary =
        result == kDone ? SDisk::GetTempFileBeside(descriptorPath.GetText()) : SString("");
    if (result == kDone) result = WriteDescriptor(descriptorTemporary, version);
    if (result == kDone && !MoveFileExA(archiveTemporary.GetText(), archivePath.GetText(),
                                        MOVEFILE_REPLACE_EXISTING)) {
        failedPath = archivePath;
        result = kArchiveFailed;
    }
    if (result == kDone && !MoveFileExA(descriptorTemporary.GetText(), descriptorPath.GetText(),
                                        MOVEFILE_REPLACE_EXISTING)) {
        failedPath = descriptorPath;
        result = kDescriptorFailed;
    }
    if (result != kDone) {
        DeleteFileA(archiveTemporary.GetText());
        if (descriptorTemporary.GetLength() > 0) DeleteFileA(descriptorTemporary.GetText());
    }
    return result;
}

PPackageBuilder::Result PPackageBuilder::WriteArchive(const SString& temporary) {
    SResource archive;
    archive.SetThreads(threads);
    archive.SetFolder(folder.GetText());
    SPath root(folder.GetText());
    const int firstPart = root.GetPartCount() - 1;
    // A listed name that a path cannot hold (characters outside the code page come back
    // from the system as "?") names no file that could be read: it is left out as well.
    SStringArray unnamed;
    for (int i = 0; i < files.GetCount(); ++i) {
        SPath file(files.GetAt(i)->GetText());
        if (!file.IsValid())
            unnamed.Add(files.GetAt(i)->GetText());
        else
            (void)archive.AddFile(file.GetParts(firstPart, -1, false, '\\').GetText());
        if (disk.GetFileSize64(files.GetAt(i)->GetText()) > kLargestArchive) {
            failedPath = files.GetText(i);
            return kTooLarge;
        }
    }

    SFilePath out;
    if (!out.OpenWriteOnly(temporary.GetText())) {
        failedPath = archivePath;
        return kArchiveFailed;
    }
    const bool written = archive.WriteTo(&out, true);
    const int64_t size = out.GetSize64();
    const bool closed = out.CloseChecked();
    if (size > kLargestArchive) {
        failedPath = archivePath;
        return kTooLarge;
    }
    archiveSize = static_cast<int>(size);
    bytesRead = archive.GetBytesRead();
    skipped.CopyStrings(unnamed);
    for (int i = 0; i < archive.GetSkipped().GetCount(); ++i)
        skipped.Add(archive.GetSkipped().GetAt(i)->GetText());
    if (written && !closed) {
        failedPath = archivePath;
        return kArchiveFailed;
    }
    if (written && allRequired && skipped.GetCount() > 0) {
        failedPath = skipped.GetText(0);
        return kSourceFailed;
    }
    if (!written) {
        const bool sourceFailed = archive.GetFailedPath().GetLength() > 0;
        failedPath = sourceFailed ? archive.GetFailedPath() : archivePath;
        return sourceFailed ? kSourceFailed : kArchiveFailed;
    }
    const int entries = archive.GetEntryCount() - archive.GetSkipped().GetCount();
    if (!ReadBack(temporary, entries)) {
        failedPath = archivePath;
        return kArchiveCorrupt;
    }
    return kDone;
}

// Reads the finished archive once: its CRC-32 for the descriptor and, from the same bytes,
// a check of its structure and of its entry count, so that no descriptor is ever written
// for an archive that an installer could not open.
bool PPackageBuilder::ReadBack(const SString& path, int entries) {
    SFilePath file;
    SHeapBlock chunk(kReadStep);
    if (!chunk.data || !file.OpenReading(path.GetText())) return false;
    SArchiveScan scan;
    uint32_t sum = 0;
    int64_t total = 0;
    for (int got; (got = file.Read(chunk.data, kReadStep)) > 0; total += got) {
        sum = SCrc32(sum, chunk.data, got);
        scan.Feed(chunk.data, static_cast<size_t>(got));
    }
    if (total != archiveSize || !scan.IsWhole() || scan.GetEntryCount() != entries) return false;
    crc = sum;
    return true;
}

PPackageBuilder::Result PPackageBuilder::WriteDescriptor(const SString& temporary,
                                                         const char* version) {
    SString crcText;
    crcText.Format("%u", crc);
    const SString versionText = version ? version : "";
    SFilePath descriptor;
    bool ok = temporary.GetLength() > 0 && descriptor.OpenCreated(temporary.GetText()) &&
              descriptor.WriteLine(versionText.GetText()) == versionText.GetLength() + 2 &&
              descriptor.WriteLine(crcText.GetText()) == crcText.GetLength() + 2;
    ok = descriptor.CloseChecked() && ok;
    if (!ok) failedPath = descriptorPath;
    return ok ? kDone : kDescriptorFailed;
}

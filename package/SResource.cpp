#include "package/SResource.h"

#include <cstring>

#include "core/SBlockPipeline.h"
#include "core/SBlockReader.h"
#include "core/SBlockWriter.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SWindows.h"

namespace {

const char kMagic[4] = {'S', 'R', 'E', 'S'};

// Names compare without regard to ASCII case only, so the key lowers A-Z and nothing else.
std::string LowerKey(const char* name) {
    std::string key(name ? name : "");
    for (char& ch : key)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return key;
}

// Moves forward by count bytes, at most to end. Short hops read through the stream's buffer
// instead of seeking, which would throw the buffer away at every entry of a big table.
void SkipForward(SFile& file, uint32_t count, int position, int end) {
    const uint32_t left = static_cast<uint32_t>(end - position);
    if (count > left) count = left;
    static constexpr uint32_t kReadThrough = 16384;
    if (count > kReadThrough) {
        file.Seek(position + static_cast<int>(count));
        return;
    }
    uint8_t scratch[kReadThrough];
    file.Read(scratch, static_cast<int>(count));
}

// Device names stand for devices whatever follows their first "." (NUL.txt is NUL).
bool IsDeviceName(const char* component, size_t length) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    size_t stem = 0;
    while (stem < length && component[stem] != '.') ++stem;
    for (const char* device : kDevices)
        if (stem == strlen(device) && _strnicmp(component, device, stem) == 0) return true;
    // COM1 to COM9 and LPT1 to LPT9.
    return stem == 4 &&
           (_strnicmp(component, "COM", 3) == 0 || _strnicmp(component, "LPT", 3) == 0) &&
           component[3] >= '1' && component[3] <= '9';
}

bool IsSafeComponent(const char* component, size_t length) {
    if (length == 0) return false;
    // Windows drops trailing dots and spaces, so "..." or "a." would name something else.
    const char last = component[length - 1];
    if (last == '.' || last == ' ') return false;
    return !IsDeviceName(component, length);
}

// A file's size as an entry holds it; -1 for a file of 2 GiB or more, which no entry can
// hold (and which a 32-bit size would take for empty).
int EntrySize(SFilePath& file) {
    const int64_t size = file.GetSize64();
    return size < 0 || size > INT32_MAX ? -1 : static_cast<int>(size);
}

}  // namespace

SResource::SResource() : compressed(false) {
    names.AddFlags(SStringArray::kIgnoreCase);
    Reset();
}

SResource::~SResource() = default;

void SResource::Reset() {
    source.SetPath(nullptr);
    compressed = false;
    names.DeleteAll();
    offsets.RemoveAll();
    sizes.RemoveAll();
    firstIndex.clear();
}

bool SResource::SetFolder(const char* folder) {
    Reset();
    source.SetFolder(folder);
    return source.IsValid();
}

// An empty name is refused although the format could carry it: no installer could write
// such an entry anywhere, so an archive holding one would fail every install.
bool SResource::AddFile(const char* name) {
    if (!name || !name[0] || !IsBuildSide() || FindEntry(name) >= 0) return false;
    names.Add(name);
    IndexName(names.GetCount() - 1);
    return true;
}

SString SResource::GetEntryName(int index) const {
    if (index < 0 || index >= names.GetCount()) return SString("");
    return names.GetText(index);
}

int SResource::FindEntry(const char* name) const {
    auto found = firstIndex.find(LowerKey(name));
    return found == firstIndex.end() ? -1 : found->second;
}

// Only the first of names equal but for case is indexed: lookups deliver the first entry.
void SResource::IndexName(int index) {
    firstIndex.emplace(LowerKey(names.GetAt(index)->GetSafeText()), index);
}

// ---------------------------------------------------------------------------------------
// Build side

bool SResource::WriteTo(SFile* target, bool compress) {
    skipped.DeleteAll();
    failedPath.Empty();
    bytesRead = 0;
    if (!target || !IsBuildSide()) return false;
    return compress ? WriteCompressed(target) : WriteStored(target);
}

// Opens the file of entry index for shared reading; a file that cannot be opened is left
// out of the archive and listed in skipped.
bool SResource::OpenEntryFile(int index, SFilePath& file, SString& path) {
    path = source.GetPath() + *names.GetAt(index);
    if (file.Open(path.GetText(), false, false, true, true)) return true;
    skipped.Add(path.GetText());
    return false;
}

bool SResource::WriteStored(SFile* target) {
    bool ok = target->WriteData(kMagic, 4) == 4 && target->WriteValue(0);
    for (int i = 0; i < names.GetCount() && ok; ++i) {
        const SString& name = *names.GetAt(i);
        SString path;
        SFilePath file;
        if (!OpenEntryFile(i, file, path)) continue;
        const int size = EntrySize(file);
        bytesRead += size;
        ok =
            size >= 0 && target->WriteValue(static_cast<uint32_t>(size)) &&
            target->WriteString(name.GetSafeText(), name.GetLength() + 1) == name.GetLength() + 1 &&
            target->CopyFrom(&file, size) == size;
        if (!ok) failedPath = path;
    }
    return ok && target->WriteValue(kTerminator);
}

// Each file streams from disk through the block writer: compressed on the pipeline's
// threads, written in order, its payload length patched once its blocks are out.
bool SResource::WriteCompressed(SFile* target) {
    SBlockWriter writer(target, threads);
    if (!writer.IsReady()) return false;  // no memory for the work: nothing written
    writer.WriteRaw(kMagic, 4);
    writer.WriteValue(1);
    for (int i = 0; i < names.GetCount(); ++i) {
        const SString& name = *names.GetAt(i);
        SString path;
        SFilePath file;
        if (!OpenEntryFile(i, file, path)) continue;
        const int size = EntrySize(file);
        bytesRead += size;
        writer.MarkLength();
        writer.WriteValue(static_cast<uint32_t>(size));
        writer.WriteRaw(name.GetSafeText(), name.GetLength() + 1);
        if (size < 0 || !writer.AddStream(&file, size)) {
            failedPath = path;
            (void)writer.Finish();  // what came before the failure is written, as it stands
            return false;
        }
    }
    writer.WriteValue(kTerminator);
    return writer.Finish();
}

// ---------------------------------------------------------------------------------------
// Read side

bool SResource::Open(const char* path, int start) {
    Reset();
    source.SetPath(path);
    if (!source.IsValid() || source.GetName().GetLength() == 0) {
        Reset();
        return false;
    }
    SFilePath file;
    if (!file.Open(source.GetPath().GetText(), false, false, true, true)) {
        Reset();
        return false;
    }
    const int end = file.GetSize();
    if (start > 0) file.Seek(start);
    char magic[4];
    uint8_t flag[4];
    if (file.Read(magic, 4) != 4 || memcmp(magic, kMagic, 4) != 0) return false;
    if (file.Read(flag, 4) != 4) return false;
    compressed = flag[0] != 0;

    for (;;) {
        if (file.GetPosition() >= end) return false;  // the terminator is missing
        uint32_t length = 0;
        if (!file.ReadValue(length)) return false;
        if (length == kTerminator) return true;
        const SString name = file.ReadTerminated(true);
        const int payload = file.GetPosition();
        names.Add(name.GetSafeText());
        offsets.Add(payload);
        sizes.Add(static_cast<int>(length));
        IndexName(names.GetCount() - 1);
        SkipForward(file, length, payload, end);
    }
}

bool SResource::Extract(SFile* target, const char* name, bool rewind) {
    if (!target || !source.IsValid()) return false;
    const int index = FindEntry(name);
    if (index < 0) return false;
    if (IsBuildSide()) {
        SFilePath file;
        const SString path = source.GetPath() + *names.GetAt(index);
        if (!file.Open(path.GetText(), false, false, true, true)) return false;
        target->CopyFrom(&file, -1);
    } else {
        SFilePath archive;
        if (!archive.Open(source.GetPath().GetText(), false, false, true, true)) return false;
        SBlockPipeline pipeline(SBlockPipeline::kDecompress, threads);
        if (!ExtractEntry(archive, index, target, pipeline)) return false;
    }
    if (rewind) target->Seek(0);
    return true;
}

bool SResource::ExtractEntry(SFilePath& archive, int index, SFile* target,
                             SBlockPipeline& pipeline) {
    const int offset = offsets.GetAt(index);
    const int length = sizes.GetAt(index);
    if (archive.Seek(offset) != offset) return false;
    if (!compressed) return target->CopyFrom(&archive, length) == length;
    if (length == 0) return true;  // an empty file has no block stream at all
    return SBlockReader::Decompress(&archive, target, length, pipeline) >= 0;
}

bool SResource::ExtractAll(const char* folder, SStringArray* failures) {
    if (!source.IsValid() || source.IsFolder()) return false;
    SPath destination;
    if (!destination.SetFolder(folder)) return false;
    const SString root = destination.GetPath();
    if (!disk.FolderExists(root.GetText())) return false;

    // One open of the archive serves every entry, read in archive order.
    SFilePath archive;
    const bool archiveOpen = archive.Open(source.GetPath().GetText(), false, false, true, true);
    SBlockPipeline pipeline(SBlockPipeline::kDecompress, threads);
    SFileMem staging;
    bool all = true;
    for (int i = 0; i < names.GetCount(); ++i) {
        const SString& name = *names.GetAt(i);
        const SString target = root + name;
        SPath targetPath;
        const bool inside =
            archiveOpen && IsSafeEntryName(name.GetText()) &&
            targetPath.SetPath(target.GetText()) == SPath::kLocal &&
            _strnicmp(targetPath.GetPath().GetText(), root.GetText(), root.GetLength()) == 0;
        bool written = false;
        if (inside) {
            const SString parent = targetPath.GetParent();
            if (disk.PathExists(parent.GetText()) || disk.CreateFolder(parent.GetText(), true))
                written = ExtractToPath(archive, FindEntry(name.GetText()), targetPath, staging,
                                        pipeline);
        }
        if (!written) {
            all = false;
            if (failures) failures->Add(target.GetText());
        }
    }
    return all;
}

// An entry is decoded in full before its target is touched, so a malformed entry leaves
// whatever was at the target as it was. Entries up to kStagedLimit bytes decode into memory
// and then replace the target's content; larger ones decode into a temporary file beside
// the target, which then takes its place in one step.
bool SResource::ExtractToPath(SFilePath& archive, int index, const SPath& target, SFileMem& staging,
                              SBlockPipeline& pipeline) {
    const int64_t bound = RawSizeBound(archive, index);
    if (bound < 0) return false;
    const SString path = target.GetPath();
    if (bound <= kStagedLimit) {
        staging.Reserve(static_cast<int>(bound), false);
        staging.Rewind();
        if (!ExtractEntry(archive, index, &staging, pipeline)) return false;
        const int size = staging.GetPosition();
        SFilePath file;
        return file.Open(path.GetText(), true, true, true, false) &&
               file.Write(staging.GetBuffer(), size) == size && file.CloseChecked();
    }
    // Replacing a read-only file is refused, as opening it for writing would be.
    const DWORD attributes = GetFileAttributesA(path.GetText());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(target.GetParent().GetText(), "upd", 0, temporary)) return false;
    bool ok;
    {
        SFilePath file;
        ok = file.Open(temporary, true, true, true, false) &&
             ExtractEntry(archive, index, &file, pipeline) && file.CloseChecked();
    }
    ok = ok && MoveFileExA(temporary, path.GetText(), MOVEFILE_REPLACE_EXISTING);
    if (!ok) DeleteFileA(temporary);
    return ok;
}

// The most bytes an entry can decode to: its length when stored, its block count times the
// block size when compressed; -1 when the block count cannot be read.
int64_t SResource::RawSizeBound(SFilePath& archive, int index) const {
    const int length = sizes.GetAt(index);
    if (!compressed || length == 0) return length;
    uint32_t blocks = 0;
    if (archive.Seek(offsets.GetAt(index)) != offsets.GetAt(index) || !archive.ReadValue(blocks))
        return -1;
    return static_cast<int64_t>(blocks) * SBlockPipeline::kBlockSize;
}

bool SResource::GetRawSizes(SArray<int>& rawSizes) const {
    rawSizes.SetCount(0, false);
    SFilePath archive;
    if (!source.IsValid() || source.IsFolder() ||
        !archive.Open(source.GetPath().GetText(), false, false, true, true))
        return false;
    for (int i = 0; i < names.GetCount(); ++i) {
        const int length = sizes.GetAt(i);
        if (!compressed || length == 0) {
            rawSizes.Add(length);
            continue;
        }
        if (archive.Seek(offsets.GetAt(i)) != offsets.GetAt(i)) return false;
        const int64_t total = SBlockReader::Measure(&archive, length);
        if (total < 0 || total > INT32_MAX) return false;
        rawSizes.Add(static_cast<int>(total));
    }
    return true;
}

bool SResource::IsSafeEntryName(const char* name) {
    if (!name || !name[0]) return false;
    for (const char* p = name; *p; ++p) {
        const unsigned char ch = static_cast<unsigned char>(*p);
        // ":" would name a drive or an alternate stream; the rest cannot be in a file name.
        if (ch < 32 || strchr("<>:\"|?*", ch)) return false;
    }
    const char* component = name;
    for (const char* p = name;; ++p) {
        if (*p == '\\' || *p == '/' || *p == 0) {
            // An empty component also refuses a leading separator and a network path.
            if (!IsSafeComponent(component, static_cast<size_t>(p - component))) return false;
            if (*p == 0) return true;
            component = p + 1;
        }
    }
}

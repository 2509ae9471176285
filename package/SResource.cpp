#include "package/SResource.h"

#include <cstring>
#include <vector>

#include "core/SBlockPipeline.h"
#include "core/SBlockReader.h"
#include "core/SBlockWriter.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SLittleEndian.h"
#include "core/SWindows.h"
#include "package/SEntryWriter.h"

namespace {

const char kMagic[4] = {'S', 'R', 'E', 'S'};

// Names compare without regard to ASCII case only, so the key lowers A-Z and nothing else.
std::string LowerKey(const char* name) {
    std::string key(name ? name : "");
    for (char& ch : key)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return key;
}

// No Windows path is longer than 32767 characters: a longer name names nothing that could be
// written, and is refused before it is read into memory.
constexpr int kLongestName = 32767;

// Reads an archive's table of entries through a window of the file, so that the small fields
// of a big table cost one copy each and a payload within the window costs no seek.
class TableWindow {
public:
    TableWindow(SFile& file, int position, int end) : file(file), position(position), end(end) {}

    bool AtEnd() const { return position >= end; }
    int GetPosition() const { return position; }

    bool ReadValue(uint32_t& value) {
        if (!Hold(4)) return false;
        const uint8_t* p = At();
        value = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        position += 4;
        return true;
    }

    // The name up to its zero byte; false when it has no zero byte before the end of the file
    // or within kLongestName bytes.
    bool ReadName(SString& name) {
        const int wanted = end - position < kLongestName + 1 ? end - position : kLongestName + 1;
        if (!Hold(wanted)) return false;
        const char* start = reinterpret_cast<const char*>(At());
        const void* zero = memchr(start, 0, static_cast<size_t>(wanted));
        if (!zero) return false;
        const int length = static_cast<int>(static_cast<const char*>(zero) - start);
        name.Set(start, length);
        position += length + 1;
        return true;
    }

    // Moves forward by count bytes, at most to the end.
    void Skip(uint32_t count) {
        const uint32_t left = static_cast<uint32_t>(end - position);
        position += static_cast<int>(count < left ? count : left);
    }

private:
    static constexpr int kSize = 4 * (kLongestName + 1);

    const uint8_t* At() const { return window.data() + (position - windowStart); }

    // Whether the window holds count bytes from the position on, reading anew when not.
    bool Hold(int count) {
        if (position >= windowStart && position + count <= windowStart + windowLength) return true;
        if (window.empty()) window.resize(kSize);
        windowStart = position;
        windowLength = 0;
        if (file.Seek(position) != position) return false;
        const int wanted = end - position < kSize ? end - position : kSize;
        windowLength = wanted > 0 ? file.Read(window.data(), wanted) : 0;
        return count <= windowLength;
    }

    SFile& file;
    std::vector<uint8_t> window;
    int windowStart = 0;
    int windowLength = 0;
    int position;
    const int end;
};

// Device names stand for devices whatever follows their first "." (NUL.txt is NUL), and
// Windows drops spaces before that "." (CON .txt is CON too).
bool IsDeviceName(const char* component, size_t length) {
    static const char* const kDevices[] = {"CON",    "PRN",     "AUX",   "NUL",
                                           "CONIN$", "CONOUT$", "CLOCK$"};
    size_t stem = 0;
    while (stem < length && component[stem] != '.') ++stem;
    while (stem > 0 && component[stem - 1] == ' ') --stem;
    for (const char* device : kDevices)
        if (stem == strlen(device) && _strnicmp(component, device, stem) == 0) return true;
    // COM and LPT with a digit, the superscripts 1, 2 and 3 of the ANSI code page included.
    if (stem != 4 || (_strnicmp(component, "COM", 3) != 0 && _strnicmp(component, "LPT", 3) != 0))
        return false;
    const unsigned char digit = static_cast<unsigned char>(component[3]);
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
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
    if (file.OpenShared(path.GetText())) return true;
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

// A failed open leaves the object empty: no entry of a truncated or foreign file is ever
// extracted.
bool SResource::Open(const char* path, int start) {
    Reset();
    source.SetPath(path);
    SFilePath file;
    const bool opened = source.IsValid() && source.GetName().GetLength() > 0 &&
                        file.OpenShared(source.GetPath().GetText()) &&
                        ReadTable(file, start > 0 ? start : 0);
    if (!opened) Reset();
    return opened;
}

// Entries are gathered first and the lists sized once at the end, so that a table of a
// million entries costs no more than its reading.
bool SResource::ReadTable(SFile& file, int start) {
    TableWindow table(file, start, file.GetSize());
    uint32_t magic = 0;
    uint32_t flag = 0;
    if (!table.ReadValue(magic) || memcmp(&magic, kMagic, 4) != 0 || !table.ReadValue(flag))
        return false;
    compressed = (flag & 0xFF) != 0;

    std::vector<SString*> found;
    std::vector<int> foundOffsets;
    std::vector<int> foundSizes;
    auto release = [&found] {
        for (SString* name : found) delete name;
        return false;
    };
    for (;;) {
        uint32_t length = 0;
        if (table.AtEnd() || !table.ReadValue(length)) return release();  // no terminator
        if (length == kTerminator) break;
        SString* name = new SString;
        found.push_back(name);
        if (!table.ReadName(*name)) return release();
        foundOffsets.push_back(table.GetPosition());
        foundSizes.push_back(static_cast<int>(length));
        table.Skip(length);
    }
    const int count = static_cast<int>(found.size());
    names.SetCount(count, false);
    offsets.SetCount(count, false);
    sizes.SetCount(count, false);
    firstIndex.reserve(found.size());
    for (int i = 0; i < count; ++i) {
        *names.GetSlot(i) = found[i];
        offsets.GetAt(i) = foundOffsets[i];
        sizes.GetAt(i) = foundSizes[i];
        IndexName(i);
    }
    return true;
}

bool SResource::Extract(SFile* target, const char* name, bool rewind) {
    if (!target || !source.IsValid()) return false;
    const int index = FindEntry(name);
    if (index < 0) return false;
    if (IsBuildSide()) {
        SFilePath file;
        const SString path = source.GetPath() + *names.GetAt(index);
        if (!file.OpenShared(path.GetText())) return false;
        target->CopyFrom(&file, -1);
    } else {
        SFilePath archive;
        if (!archive.OpenShared(source.GetPath().GetText())) return false;
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

// What one ExtractAll works with. The archive is read in archive order and where it stands
// is kept here, so that the few bytes between one payload and the next (the next entry's
// length and name) are read through rather than sought over: a seek throws the stream's
// buffer away and costs system calls, for every entry.
struct SResource::_SExtraction {
    explicit _SExtraction(int threads) : pipeline(SBlockPipeline::kDecompress, threads) {}

    // Puts the archive at offset; false when it cannot be.
    bool MoveTo(int offset) {
        if (at >= 0 && offset >= at && offset - at <= kReadThrough) {
            char skipped[4096];
            while (at < offset) {
                const int step = offset - at < static_cast<int>(sizeof skipped)
                                     ? offset - at
                                     : static_cast<int>(sizeof skipped);
                if (archive.Read(skipped, step) != step) return Lost();
                at += step;
            }
            return true;
        }
        at = archive.Seek(offset) == offset ? offset : -1;
        return at >= 0;
    }

    // Reads a payload of length bytes from the archive's position into packed.
    bool ReadPayload(int length) {
        packed.Reserve(length, false);
        packed.Rewind();
        if (packed.GetSize() != length) return false;  // no memory for it
        if (length > 0 && packed.ReadFrom(&archive, length) != length) return Lost();
        at += length;
        packed.Rewind();
        return true;
    }

    bool Lost() {
        at = -1;
        return false;
    }

    static constexpr int kReadThrough = 64 * 1024;
    SFilePath archive;
    int at = -1;  // where the archive stands, -1 when not known
    SBlockPipeline pipeline;
    SFileMem packed;   // a payload that fits in memory
    SFileMem staging;  // its content, when that fits too
    SEntryWriter writer;
};

bool SResource::ExtractAll(const char* folder, SStringArray* failures) {
    if (!source.IsValid() || source.IsFolder()) return false;
    SPath destination;
    if (!destination.SetFolder(folder)) return false;
    const SString root = destination.GetPath();
    if (!disk.FolderExists(root.GetText())) return false;

    // One open of the archive serves every entry.
    _SExtraction run(threads);
    const bool archiveOpen = run.archive.OpenShared(source.GetPath().GetText());
    bool all = true;
    for (int i = 0; i < names.GetCount(); ++i) {
        const SString& name = *names.GetAt(i);
        const SString target = root + name;
        SPath targetPath;
        const bool inside =
            archiveOpen && IsSafeEntryName(name.GetText()) &&
            !SEntryWriter::IsPartialName(name.GetText()) &&
            targetPath.SetPath(target.GetText()) == SPath::kLocal &&
            _strnicmp(targetPath.GetPath().GetText(), root.GetText(), root.GetLength()) == 0;
        if (!inside || !ExtractToPath(run, FindEntry(name.GetText()), targetPath.GetPath())) {
            all = false;
            if (failures) failures->Add(target.GetText());
        }
    }
    return all;
}

// An entry is decoded in full before its target is touched: into memory when its content
// fits there (up to kStagedLimit bytes), else into its partial file beside the target. The
// complete file then takes the target's place in one step (SEntryWriter), so that a failure
// part-way (a malformed entry, a full disk) leaves whatever was at the target as it was. An
// entry decoded in memory touches no folder until it is whole.
bool SResource::ExtractToPath(_SExtraction& run, int index, const SString& target) {
    const int length = sizes.GetAt(index);
    if (!run.MoveTo(offsets.GetAt(index))) return false;
    if (length > kStagedLimit) {
        const bool written = Stream(run, &run.archive, length, target);
        run.at = -1;  // the stream's reading leaves it somewhere in the payload
        return written;
    }
    if (!run.ReadPayload(length)) return false;
    if (!compressed || length == 0) return Place(run, target, run.packed.GetBuffer(), length);
    // The block count bounds the content, before anything is decoded.
    if (length < 4) return false;
    const int64_t bound =
        static_cast<int64_t>(LoadUint32(run.packed.GetBuffer())) * SBlockPipeline::kBlockSize;
    if (bound > kStagedLimit) return Stream(run, &run.packed, length, target);
    run.staging.Reserve(static_cast<int>(bound), false);
    run.staging.Rewind();
    if (run.staging.GetSize() != bound ||
        SBlockReader::Decompress(&run.packed, &run.staging, length, run.pipeline) < 0)
        return false;
    return Place(run, target, run.staging.GetBuffer(), run.staging.GetPosition());
}

// The count bytes of content at data become the target's.
bool SResource::Place(_SExtraction& run, const SString& target, const uint8_t* data, int count) {
    const bool written =
        run.writer.PrepareFolder(target) && run.writer.WriteWhole(target, data, count);
    if (!written) run.writer.Abandon();
    return written;
}

// The payload of length bytes at payload's position is decoded into the target's partial
// file as it is read, which then takes the target's place when complete.
bool SResource::Stream(_SExtraction& run, SFile* payload, int length, const SString& target) {
    SFilePath file;
    if (!run.writer.PrepareFolder(target) || !run.writer.Begin(target, file)) {
        run.writer.Abandon();
        return false;
    }
    const bool complete = compressed
                              ? SBlockReader::Decompress(payload, &file, length, run.pipeline) >= 0
                              : file.CopyFrom(payload, length) == length;
    const bool written = run.writer.Commit(target, file, complete);
    if (!written) run.writer.Abandon();
    return written;
}

// The list is sized once: growing it entry by entry would copy it over and over.
bool SResource::GetRawSizes(SArray<int>& rawSizes) const {
    rawSizes.SetCount(0, false);
    SFilePath archive;
    if (!source.IsValid() || source.IsFolder() ||
        !archive.OpenShared(source.GetPath().GetText()))
        return false;
    rawSizes.SetCount(names.GetCount(), false);
    for (int i = 0; i < names.GetCount(); ++i) {
        const int length = sizes.GetAt(i);
        rawSizes.GetAt(i) = length;
        if (!compressed || length == 0) continue;
        if (archive.Seek(offsets.GetAt(i)) != offsets.GetAt(i)) return false;
        const int64_t total = SBlockReader::Measure(&archive, length);
        if (total < 0 || total > INT32_MAX) return false;
        rawSizes.GetAt(i) = static_cast<int>(total);
    }
    return true;
}

bool SResource::IsSafeEntryName(const char* name) {
    if (!name || !name[0]) return false;
    for (const char* p = name; *p; ++p) {
        const unsigned char ch = static_cast<unsigned char>(*p);
        // ":" would name a drive or an alternate stream; the rest cannot be in a file name,
        // and control characters (DEL included) would reach logs and consoles as commands.
        if (ch < 32 || ch == 127 || strchr("<>:\"|?*", ch)) return false;
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

#pragma once
// SResource: the archive of named files ("SRES"). On the build side a source folder is
// attached, names relative to it are added and WriteTo writes the archive; on the read side
// Open reads an archive's table of entries, Extract copies one entry into a file object and
// ExtractAll writes every entry into a folder, listing the targets it could not write.
// Names compare without regard to ASCII case. No file stays open between calls.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "core/SArray.h"
#include "core/SDisk.h"
#include "core/SPath.h"
#include "core/SStringArray.h"

class SFile;
class SFileMem;
class SFilePath;
class SBlockPipeline;

class SResource {
public:
    static constexpr uint32_t kTerminator = 0xFFFFFFFF;
    static constexpr int kStagedLimit = 8 << 20;  // entries up to this size decode in memory

    SResource();
    virtual ~SResource();

    void Reset();  // forgets the folder or archive and every entry
    // Build side: the folder whose files are added; false when it is no path.
    bool SetFolder(const char* folder);
    // A name relative to the folder; false when empty, a duplicate (case aside) or no folder.
    bool AddFile(const char* name);
    // Writes the archive of the added files to target (compressed or stored); false when a
    // file fails part-way (GetFailedPath) or target refuses bytes. Unopenable files are
    // left out and listed by GetSkipped.
    [[nodiscard]] bool WriteTo(SFile* target, bool compress);
    // Read side: reads the table of the archive at path, start bytes in; false, and no
    // entries, for anything but a whole, well-formed archive.
    [[nodiscard]] bool Open(const char* path, int start = 0);
    // Copies the first entry of that name into target at its position, then moves target
    // back to 0 when rewind; false when there is no such entry or it does not decode.
    [[nodiscard]] bool Extract(SFile* target, const char* name, bool rewind);
    // Writes every entry below folder, each whole or not at all (a previous file stays as
    // it was); the targets not written go to failures. False when any failed, or when the
    // folder is missing or no archive is open.
    bool ExtractAll(const char* folder, SStringArray* failures);
    int GetEntryCount() const { return names.GetCount(); }
    SString GetEntryName(int index) const;  // "" outside 0..count-1

    // Block work runs on this many threads (1, the default, is the sequential path); the
    // archive's bytes are the same whatever the number.
    void SetThreads(int count) { threads = count < 1 ? 1 : count; }
    bool IsCompressed() const { return compressed; }
    // Read side: the uncompressed size of every entry, from its block headers; false when
    // the archive cannot be read or an entry's payload is malformed.
    bool GetRawSizes(SArray<int>& rawSizes) const;
    // Build side, after WriteTo: files left out because they could not be opened, and the
    // file whose reading failed part-way (empty when none did).
    const SStringArray& GetSkipped() const { return skipped; }
    const SString& GetFailedPath() const { return failedPath; }
    int64_t GetBytesRead() const { return bytesRead; }

    // Whether an entry name stays inside any destination folder: a relative path of plain
    // names, with no "..", drive, root, network or stream part and no device name.
    static bool IsSafeEntryName(const char* name);

private:
    bool IsBuildSide() const { return source.IsSubFolder(); }
    bool ReadTable(SFile& file, int start);
    int FindEntry(const char* name) const;
    void IndexName(int index);
    bool OpenEntryFile(int index, SFilePath& file, SString& path);
    bool WriteStored(SFile* target);
    bool WriteCompressed(SFile* target);
    bool ExtractEntry(SFilePath& archive, int index, SFile* target, SBlockPipeline& pipeline);
    // What one ExtractAll works with, from entry to entry.
    struct _SExtraction;
    bool ExtractToPath(_SExtraction& run, int index, const SString& target);
    bool Place(_SExtraction& run, const SString& target, const uint8_t* data, int count);
    bool Stream(_SExtraction& run, SFile* payload, int length, const SString& target);

    SDisk disk;
    SPath source;
    bool compressed;
    SStringArray names;
    SArray<int> offsets;
    SArray<int> sizes;

    int threads = 1;
    // First index of each name, lower-cased: lookups stay constant-time for big archives.
    std::unordered_map<std::string, int> firstIndex;
    SStringArray skipped;
    SString failedPath;
    int64_t bytesRead = 0;
};

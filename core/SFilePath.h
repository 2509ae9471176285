#pragma once
// SFilePath: a disk file opened by path through the runtime's buffered byte streams. Open
// chooses the mode from three flags and sharing from a fourth: shared lets other programs
// read and write meanwhile; not shared lets them read a file opened read-only and keeps
// them out of a file opened for writing.
#include <cstdio>

#include "core/SFile.h"
#include "core/SString.h"

class SFilePath : public SFile {
public:
    SFilePath();
    SFilePath(const char* path, bool write, bool truncate, bool read);
    ~SFilePath() override;

    [[nodiscard]] bool Open(const char* path, bool write, bool truncate, bool read,
                            bool shared = false);
    // The opens the framework uses, by name: reading while others may read, write and
    // delete ("rb" shared); reading while others may only read ("rb"); a file created or
    // emptied for reading and writing ("w+b"), or for writing only ("wb"), kept from others.
    [[nodiscard]] bool OpenShared(const char* path) { return Open(path, false, false, true, true); }
    [[nodiscard]] bool OpenReading(const char* path) { return Open(path, false, false, true); }
    [[nodiscard]] bool OpenCreated(const char* path) { return Open(path, true, true, true); }
    [[nodiscard]] bool OpenWriteOnly(const char* path) { return Open(path, true, true, false); }
    // As OpenCreated, but others may delete the file while it is open (the deletion takes
    // effect when it closes): for a download that may have to go before its writer is done.
    [[nodiscard]] bool OpenTemporary(const char* path);
    const SString& GetPath() const { return path; }
    // Whether path names an existing file (not a folder) marked read-only: such a file is
    // never opened for writing.
    static bool IsReadOnlyFile(const char* path);
    // The length in 64 bits, which GetSize cannot give for files of 2 GiB and more; -1 when
    // closed or unknown.
    int64_t GetSize64();

    bool IsOpen() const override;
    void Close() override;
    // Closes as Close does, and tells whether everything written reached the file: bytes
    // still in the stream's buffer go out only now, and a full disk shows only here. Every
    // writer closes with this before it trusts or moves what it wrote.
    [[nodiscard]] bool CloseChecked();
    bool GetCrc(uint32_t& crc) override;
    int WriteData(const void* buffer, int count) override;
    int WriteString(const char* text, int length = -1) override;
    int Write(const void* buffer, int count) override;
    int WriteLine(const char* text) override;
    SString ReadString(int count = -1) override;
    int ReadData(void* buffer, int count) override;
    int Read(void* buffer, int count) override;
    SString ReadLine(bool raw = false, int maximum = -1, bool* complete = nullptr) override;
    SString ReadTerminated(bool keep = true) override;
    int Seek(int position) override;
    int GetPosition() override;
    bool SetSize(int size) override;
    int GetSize() override;
    int GetRemaining() override;
    bool IsEnd() override;
    int Find(const void* pattern, int length) override;

private:
    // The runtime needs a flush or a seek between a write and a read on one stream; the
    // last direction tells when one is due.
    enum class Access { kNone, kRead, kWrite };
    bool Adopt(const char* path);  // takes the stream just opened, or fails without one
    void Prepare(Access next);
    long Length();

    FILE* stream;
    SString path;
    Access access;
};

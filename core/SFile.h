#pragma once
// SFile: the framework's abstract file, a byte sequence with a position. SFilePath reads and
// writes a disk file, SFileMem a growable memory block; code that moves bytes takes an
// SFile* and works the same on both. Sizes and positions are signed 32-bit: files of 2 GiB
// and more are outside the design. Failures are results: 0 bytes moved, false, -1.
#include <cstdint>

#include "core/SString.h"

class SFile {
public:
    virtual ~SFile();

    // Virtual operations, in slot order after the destructor.
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;
    virtual bool GetCrc(uint32_t& crc) = 0;
    virtual int WriteData(const void* buffer, int count) = 0;
    virtual int WriteString(const char* text, int length = -1) = 0;
    virtual int Write(const void* buffer, int count) = 0;
    virtual int WriteLine(const char* text) = 0;
    virtual SString ReadString(int count = -1) = 0;
    virtual int ReadData(void* buffer, int count) = 0;
    virtual int Read(void* buffer, int count) = 0;
    virtual SString ReadLine(bool raw = false, int maximum = -1, bool* complete = nullptr) = 0;
    virtual SString ReadTerminated(bool keep = true) = 0;
    virtual int Seek(int position) = 0;
    virtual int GetPosition() = 0;
    virtual bool SetSize(int size) = 0;
    virtual int GetSize() = 0;
    virtual int GetRemaining() = 0;
    virtual bool IsEnd() = 0;
    virtual int Find(const void* pattern, int length) = 0;

    void Rewind();
    void Skip(int n);
    int CopyFrom(SFile* source, int count = -1);
    // A 32-bit value, little-endian, as the framework's binary formats store them.
    bool ReadValue(uint32_t& value);
    bool WriteValue(uint32_t value);

    // Block-stream compression (zlib, blocks of 100000 bytes); see SFileCompress.cpp.
    int Compress(SFile* target, int count = -1);
    int Decompress(SFile* target);

    bool IsMemory() const { return isMemory; }

protected:
    explicit SFile(bool isMemory) : isMemory(isMemory) {}
    SFile(const SFile&) = delete;
    SFile& operator=(const SFile&) = delete;

    const bool isMemory;
};

// The standard CRC-32 (reflected 0xEDB88320, start 0xFFFFFFFF, final complement), continued
// from crc over count bytes; start with crc 0. Same values as zlib's crc32.
uint32_t SCrc32(uint32_t crc, const void* data, int count);

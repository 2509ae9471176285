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

    // Virtual operations, in slot order after the destructor. Counts below 1 move nothing
    // and give 0; reads stop at the end; no operation translates line ends.
    virtual bool IsOpen() const = 0;  // disk: a stream is open; memory: a block exists
    virtual void Close() = 0;         // disk: closes, path emptied; memory: block freed, all 0
    // CRC-32 of the whole content, the position kept; false when it cannot be read.
    virtual bool GetCrc(uint32_t& crc) = 0;
    virtual int WriteData(const void* buffer, int count) = 0;  // same as Write
    // length bytes of text (-1: up to its zero byte, which is then not written).
    virtual int WriteString(const char* text, int length = -1) = 0;
    // Writes at the position and moves past; memory grows to hold the bytes. Bytes written.
    virtual int Write(const void* buffer, int count) = 0;
    virtual int WriteLine(const char* text) = 0;        // the text, then CR LF; bytes written
    virtual SString ReadString(int count = -1) = 0;     // count bytes (-1: all left) as text
    virtual int ReadData(void* buffer, int count) = 0;  // same as Read
    virtual int Read(void* buffer, int count) = 0;      // bytes read, up to the end
    // A line ends at CR LF (consumed, not kept), at the end, or after maximum (>= 1)
    // characters; complete tells whether CR LF ended it; unless raw, spaces and tabs are
    // trimmed. Disk: every lone CR or LF is dropped and maximum counts kept characters.
    // Memory: lone CR and LF stay in the text and maximum counts bytes consumed.
    virtual SString ReadLine(bool raw = false, int maximum = -1, bool* complete = nullptr) = 0;
    // Bytes up to a zero byte or the end, the zero passed over; empty unless keep.
    virtual SString ReadTerminated(bool keep = true) = 0;
    // Below 0 or beyond the size means the end; returns where the position really is.
    virtual int Seek(int position) = 0;
    virtual int GetPosition() = 0;
    // Cuts or extends the content. Disk: the position moves to the new size; memory: only a
    // position beyond it does.
    virtual bool SetSize(int size) = 0;
    virtual int GetSize() = 0;       // disk: counts writes still buffered; 0 when closed
    virtual int GetRemaining() = 0;  // GetSize - GetPosition
    virtual bool IsEnd() = 0;        // at the size; a closed disk file is at its end
    // Searches forward from the position: where the pattern starts, the position just after
    // it; -1 and the position unchanged when not found.
    virtual int Find(const void* pattern, int length) = 0;
    // The bytes from the position on, for reading in place, with their count in available;
    // null when the file keeps none in memory (disk). The position does not move. A subclass
    // that changes what Read delivers must lend nothing here, or copies would bypass it.
    virtual const uint8_t* PeekRead(int& available);
    // Reads count bytes, which source has promised from its position, into this file at
    // its position and returns the byte count the writes reported. The base copies through
    // a work buffer; memory sizes itself once and reads straight into its block.
    virtual int ReadFrom(SFile* source, int count);

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

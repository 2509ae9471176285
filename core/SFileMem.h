#pragma once
// SFileMem: a file held in a growable memory block. The capacity is always the multiple of
// 1024 strictly above the size (size 0 gives 1024, 1024 gives 2048); callers that know the
// final size call Reserve once instead of growing step by step. The file is "open" exactly
// while its block exists, so a fresh memory file opens with its first write.
#include <cstdint>

#include "core/SFile.h"
#include "core/SWindows.h"

class SFileMem : public SFile {
public:
    SFileMem();
    SFileMem(const char* type, int id);  // loads a resource of the program's own module
    ~SFileMem() override;

    bool LoadResource(const char* type, int id, HMODULE module);
    bool LoadFile(const char* path);
    void Reserve(int size, bool keep);

    int GetCapacity() const { return capacity; }
    const uint8_t* GetBuffer() const { return buffer; }
    uint8_t* GetBuffer() { return buffer; }

    bool IsOpen() const override;
    void Close() override;
    bool GetCrc(uint32_t& crc) override;
    int WriteData(const void* data, int count) override;
    int WriteString(const char* text, int length = -1) override;
    int Write(const void* data, int count) override;
    int WriteLine(const char* text) override;
    SString ReadString(int count = -1) override;
    int ReadData(void* data, int count) override;
    int Read(void* data, int count) override;
    SString ReadLine(bool raw = false, int maximum = -1, bool* complete = nullptr) override;
    SString ReadTerminated(bool keep = true) override;
    int Seek(int position) override;
    int GetPosition() override;
    bool SetSize(int newSize) override;
    int GetSize() override;
    int GetRemaining() override;
    bool IsEnd() override;
    int Find(const void* pattern, int length) override;
    const uint8_t* PeekRead(int& available) override;
    int ReadFrom(SFile* source, int count) override;

private:
    uint8_t* buffer;
    int size;
    int capacity;
    int position;
};

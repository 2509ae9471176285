#pragma once
// SNetwork: the HTTP client. Download fetches a URL through WinInet into any SFile, chunk by
// chunk, offering each chunk to OnData first; a location WinInet cannot open is copied as a
// local file instead. True means the whole content arrived, false anything else; what was
// written before a failure stays in the target.
#include <cstdint>

#include "core/SDisk.h"
#include "core/SString.h"

class SFile;
class SNetworkReader;

class SNetwork {
public:
    // Results of OnData: stop the download (which then fails), or the chunk was taken and
    // is not to be written. Any other result writes the chunk.
    static constexpr int kStop = 1;
    static constexpr int kTaken = 2;

    SNetwork();
    virtual ~SNetwork();
    // Called once per non-empty chunk before it is written; total is -1 when unknown and
    // offset counts the bytes received before this chunk.
    virtual int OnData(int total, int offset, int count, const uint8_t* buffer, SFile* target,
                       uint32_t parameter);

    bool Download(SFile* target, const char* location, int chunkSize, uint32_t parameter);
    // The read loop of Download over any reader, with the announced length (-1: unknown).
    bool Receive(SNetworkReader* reader, int total, SFile* target, int chunkSize,
                 uint32_t parameter);

    // Opens the user's mail program on a new message through the shell's "mailto:" link.
    void SendMail(const char* address, const char* subject, const char* body);
    static SString GetMailLink(const char* address, const char* subject, const char* body);

private:
    bool CopyLocal(SFile* target, const char* location);

    SDisk disk;
};

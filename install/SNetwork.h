#pragma once
// SNetwork: the HTTP client. Download fetches a URL through WinInet into any SFile, chunk by
// chunk, offering each chunk to OnData first; a location WinInet cannot open is copied as a
// local file instead. True means the whole content arrived, false anything else; what was
// written before a failure stays in the target.
#include <atomic>
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
    // A transfer that moves no byte for this long fails: connecting, sending, each read.
    static constexpr uint32_t kDefaultTimeoutMs = 60000;
    // The largest content taken: the largest archive an installer can address.
    static constexpr int kDefaultLimit = 0x7FFFFFFF;

    SNetwork();
    virtual ~SNetwork();
    // Called once per non-empty chunk before it is written; total is -1 when unknown and
    // offset counts the bytes received before this chunk.
    virtual int OnData(int total, int offset, int count, const uint8_t* buffer, SFile* target,
                       uint32_t parameter);

    // The whole content of location written to target at its position; false on any failure:
    // no connection, a silence of the time-out, a short transfer, a write that fails, more
    // than the limit (a longer announced length fails before the first read), a stop.
    bool Download(SFile* target, const char* location, int chunkSize, uint32_t parameter);
    // The read loop of Download over any reader, with the announced length (-1: unknown).
    bool Receive(SNetworkReader* reader, int total, SFile* target, int chunkSize,
                 uint32_t parameter);

    void SetTimeout(uint32_t milliseconds) { timeoutMs = milliseconds; }
    uint32_t GetTimeout() const { return timeoutMs; }
    void SetLimit(int bytes) { limit = bytes < 0 ? 0 : bytes; }
    // From any thread: the download under way fails at its next chunk, and so does every
    // later one of this object.
    void Cancel() { cancelled = true; }

    // Opens the user's mail program on a new message through the shell's "mailto:" link.
    void SendMail(const char* address, const char* subject, const char* body);
    static SString GetMailLink(const char* address, const char* subject, const char* body);

private:
    bool CopyLocal(SFile* target, const char* location);

    SDisk disk;
    uint32_t timeoutMs = kDefaultTimeoutMs;
    int limit = kDefaultLimit;
    std::atomic<bool> cancelled{false};
};

#pragma once
// PInstaller: the install procedure. Run downloads the archive into a temporary file,
// checks its CRC-32 (and, with a publisher's key, its signature), extracts it into the
// destination folder and starts the host program; the result names the outcome. Whatever
// the outcome, the temporary file is gone when Run returns, and the host program is started
// only after an install, once the download is deleted.
#include <atomic>
#include <cstdint>

#include "core/SString.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "install/SNetwork.h"

class SFilePath;
class SResource;

class PInstaller {
public:
    enum Outcome {
        kInstalled,
        kNoTemporaryFile,
        kDownloadFailed,
        kChecksumDiffers,
        kSignatureInvalid,    // missing, unreadable or wrong; or a key that does not parse
        kNotAnArchive,
        kFilesNotWritten,     // failures holds their full target paths, in archive order
        kDestinationMissing,  // missing or unusable: nothing written
        kDestinationFull,     // the archive's files need more room than the volume has
    };

    // The four install-mode arguments, and the publisher's public key (PEM) or empty.
    struct Request {
        SString checksum, location, destination, host, publicKey;
    };

    struct Result {
        Outcome outcome = kNoTemporaryFile;
        SStringArray failures;
        int64_t downloaded = 0;                  // bytes of the archive received
        int64_t needed = 0, available = 0;       // room asked of the destination's volume
        bool cancelled = false;                  // a close cut the run short
    };

    // Each read is a WinInet call, as costly for 1 KiB as for 64 KiB: big reads run 10x faster.
    static constexpr int kChunkSize = 65536;

    // network downloads the archive (its OnData may show the progress).
    explicit PInstaller(SNetwork& network);
    virtual ~PInstaller();

    // The whole procedure, on the calling thread; result is filled in, and its outcome
    // returned.
    Outcome Run(const Request& request, Result& result);
    // From another thread: the download stops at its next chunk, no later step starts and
    // the host program is not started.
    void Cancel();
    // After a caller has cut a run off: deletes the download that run left, if any.
    void DiscardDownload();

    // The host's checksum argument: signed decimal, held at the 32-bit limits.
    static int32_t ParseChecksum(const char* text);
    // "installed", or "failed: " and download, checksum, signature, archive, destination or
    // files.
    static const char* Describe(Outcome outcome);

protected:
    // Bytes the caller may still write on the volume of folder; -1 when unknown.
    virtual int64_t GetAvailableBytes(const char* folder);

private:
    Outcome Install(const Request& request, Result& result);
    bool VerifySignature(const Request& request, SFilePath& archive);
    bool HasRoom(SResource& archive, const char* folder, Result& result);

    SNetwork& network;
    SNetwork signatureFetch;
    std::atomic<bool> cancelled{false};
    // The download's path while it exists, plain characters that a caller which cut the run
    // off can still read.
    char downloadPath[MAX_PATH] = {};
};

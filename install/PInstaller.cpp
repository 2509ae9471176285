#include "install/PInstaller.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/SArray.h"
#include "core/SDisk.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SHeapBlock.h"
#include "package/SPublicKey.h"
#include "package/SResource.h"
#include "package/SSha256.h"
#include "package/SSignature.h"

namespace {

// Every file may take up to a cluster more than its size, and folders take room as well.
constexpr int64_t kClusterPerEntry = 4096;
constexpr int64_t kSpareBytes = 1 << 20;
constexpr int kHashStep = 1 << 20;

// The temporary file of one run, in the user's temporary folder: deleted when the run ends,
// on every path, after its last reader has closed it. Opened so that it can be deleted even
// while open, should a close cut the run off before it could.
class Download {
public:
    explicit Download(char (&path)[MAX_PATH]) : path(path) {}
    ~Download() {
        file.Close();
        if (path[0]) DeleteFileA(path);
        path[0] = 0;
    }
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    bool Create() {
        const SString name = SDisk().GetTempFileName();
        if (name.GetLength() == 0 || name.GetLength() >= MAX_PATH) return false;
        memcpy(path, name.GetText(), static_cast<size_t>(name.GetLength()) + 1);
        return file.OpenTemporary(path);
    }

    SFilePath file;
    char (&path)[MAX_PATH];
};

// The SHA-256 digest of the whole file, read from its start in steps.
bool Digest(SFilePath& file, uint8_t* digest) {
    SHeapBlock buffer(kHashStep);
    SSha256 sha;
    if (!buffer.data || file.Seek(0) != 0) return false;
    for (;;) {
        const int count = file.Read(buffer.data, kHashStep);
        if (count <= 0) break;
        if (!sha.Add(buffer.data, static_cast<size_t>(count))) return false;
    }
    return file.IsEnd() && sha.Finish(digest);
}

}  // namespace

PInstaller::PInstaller(SNetwork& network) : network(network) {
    // Signatures are a few bytes: anything longer is refused before it is read.
    signatureFetch.SetLimit(static_cast<int>(SSignature::kLargestDer));
}

PInstaller::~PInstaller() = default;

// The arguments are read once, when the run starts: the command line does not change while
// it runs. A run cut short by a close starts nothing.
PInstaller::Outcome PInstaller::Run(const Request& request, Result& result) {
    result.outcome = Install(request, result);
    result.cancelled = cancelled;
    if (result.outcome == kInstalled && !result.cancelled)
        SDisk().Execute(request.host.GetSafeText(), "", false, SW_SHOWNORMAL);
    return result.outcome;
}

void PInstaller::Cancel() {
    cancelled = true;
    network.Cancel();
    signatureFetch.Cancel();
}

void PInstaller::DiscardDownload() {
    if (downloadPath[0]) DeleteFileA(downloadPath);
    downloadPath[0] = 0;
}

// Download, check and extract; the download is deleted when this returns. The CRC and the
// signature are read from the download while it is still open, so that nothing else opens
// it in a way that would keep it from being deleted.
PInstaller::Outcome PInstaller::Install(const Request& request, Result& result) {
    Download download(downloadPath);
    if (!download.Create()) return kNoTemporaryFile;
    const bool received = !cancelled && network.Download(&download.file,
                                                         request.location.GetSafeText(),
                                                         kChunkSize, 0);
    result.downloaded = download.file.GetSize64();
    if (!received || cancelled) return kDownloadFailed;
    uint32_t crc = 0;
    const uint32_t expected = static_cast<uint32_t>(ParseChecksum(request.checksum.GetSafeText()));
    if (!download.file.GetCrc(crc) || crc != expected) return kChecksumDiffers;
    if (request.publicKey.GetLength() > 0 && !VerifySignature(request, download.file))
        return kSignatureInvalid;
    if (!download.file.CloseChecked() || cancelled) return kDownloadFailed;

    SResource archive;
    if (!archive.Open(download.path, 0)) return kNotAnArchive;
    const char* destination = request.destination.GetSafeText();
    if (!SDisk().FolderExists(destination)) return kDestinationMissing;
    if (!HasRoom(archive, destination, result)) return kDestinationFull;
    if (!archive.ExtractAll(destination, &result.failures))
        return result.failures.GetCount() > 0 ? kFilesNotWritten : kDestinationMissing;
    return kInstalled;
}

// The signature lies beside the archive, "<archive URL>.sig", fetched by a downloader of its
// own so that the progress bar shows the archive alone.
bool PInstaller::VerifySignature(const Request& request, SFilePath& archive) {
    SPublicKey key;
    if (!key.LoadPem(request.publicKey.GetSafeText(),
                     static_cast<size_t>(request.publicKey.GetLength())))
        return false;
    SFileMem signature;
    signatureFetch.SetTimeout(network.GetTimeout());
    const SString location = request.location + ".sig";
    if (!signatureFetch.Download(&signature, location.GetSafeText(), 1024, 0)) return false;
    uint8_t digest[SSha256::kSize];
    return Digest(archive, digest) &&
           key.VerifyDigest(digest, signature.GetBuffer(),
                            static_cast<size_t>(signature.GetSize()));
}

// The archive's files need their whole size on the destination's volume before the first
// one is written: a small archive may unpack into gigabytes, and a disk that fills part-way
// leaves an update half made. An archive whose sizes cannot all be read goes on to the
// extraction, which refuses its broken entries by name.
bool PInstaller::HasRoom(SResource& archive, const char* folder, Result& result) {
    SArray<int> sizes;
    if (!archive.GetRawSizes(sizes)) return true;
    result.needed = kSpareBytes;
    for (int i = 0; i < sizes.GetCount(); ++i) result.needed += sizes.GetAt(i) + kClusterPerEntry;
    result.available = GetAvailableBytes(folder);
    return result.available < 0 || result.needed <= result.available;
}

int64_t PInstaller::GetAvailableBytes(const char* folder) {
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) return -1;
    return available.QuadPart > static_cast<ULONGLONG>(INT64_MAX)
               ? INT64_MAX
               : static_cast<int64_t>(available.QuadPart);
}

// As strtol reads it, with values beyond 32 bits held at the nearest limit.
int32_t PInstaller::ParseChecksum(const char* text) {
    const long long value = strtoll(text ? text : "", nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

const char* PInstaller::Describe(Outcome outcome) {
    switch (outcome) {
        case kInstalled:
            return "installed";
        case kChecksumDiffers:
            return "failed: checksum";
        case kSignatureInvalid:
            return "failed: signature";
        case kNotAnArchive:
            return "failed: archive";
        case kFilesNotWritten:
            return "failed: files";
        case kDestinationMissing:
        case kDestinationFull:
            return "failed: destination";
        case kNoTemporaryFile:
        case kDownloadFailed:
            break;
    }
    return "failed: download";
}

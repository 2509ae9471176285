#include "install/SNetwork.h"

#include "core/SFilePath.h"
#include "core/SHeapBlock.h"
#include "install/SHttpRequest.h"
#include "install/SInternetHandle.h"
#include "install/SNetworkReader.h"

#include <shellapi.h>

namespace {

// Ten failed reads in a row end a download, and so does the fifth recovery from failed
// reads: a connection that keeps breaking is not worth finishing.
constexpr int kMaxFailures = 10;
constexpr int kMaxRecoveries = 5;

}  // namespace

SNetwork::SNetwork() = default;

SNetwork::~SNetwork() = default;

int SNetwork::OnData(int, int, int, const uint8_t*, SFile*, uint32_t) { return 0; }

// The HTTP status is not looked at: an error page arrives as content, and the caller's
// checksum rejects it. A location WinInet cannot open (a plain path) is tried as a local file.
//
// The time-out is a whole minute, not a tenth of one as the ten failed reads that end the
// loop might suggest: WinInet gives a connection up after one read has timed out, so the
// first silence of that length ends the download, and a slow transfer that still moves is
// never cut off.
bool SNetwork::Download(SFile* target, const char* location, int chunkSize, uint32_t parameter) {
    if (!target || !location) return false;
    SInternetHandle root(
        InternetOpenA("VELMOR", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root.Get()) return false;
    SHttpRequest request;
    if (!request.Open(root.Get(), location, timeoutMs)) return CopyLocal(target, location);
    const int64_t announced = request.GetContentLength();
    if (announced > limit) return false;
    return Receive(&request, static_cast<int>(announced), target, chunkSize, parameter);
}

// Reads chunks until the content ends, ten reads in a row fail, the fifth recovery from a
// failure, or OnData asks to stop. A chunk read just after failures counts as a recovery;
// the fifth one's bytes are dropped. A length shorter than announced fails; a longer one
// does not. So does a chunk that would take the content past the limit, a write that
// fails (a full disk must not pass for a finished download) and a cancel.
bool SNetwork::Receive(SNetworkReader* reader, int total, SFile* target, int chunkSize,
                       uint32_t parameter) {
    if (!reader || !target) return false;
    if (chunkSize < 1) chunkSize = 1;
    SHeapBlock buffer(static_cast<size_t>(chunkSize));
    if (!buffer.data) return false;

    int received = 0;
    int failures = 0;
    int recoveries = 0;
    while (failures < kMaxFailures) {
        int count = 0;
        if (!reader->Read(buffer.data, chunkSize, count)) {
            ++failures;
            continue;
        }
        if (failures > 0) {
            failures = 0;
            if (++recoveries >= kMaxRecoveries) break;
        }
        if (count <= 0) break;
        if (cancelled || count > limit - received) {
            failures = kMaxFailures;
            break;
        }
        received += count;
        const int answer = OnData(total, received - count, count, buffer.data, target, parameter);
        if (answer == kStop) {
            failures = kMaxFailures;
        } else if (answer != kTaken && target->Write(buffer.data, count) != count) {
            failures = kMaxFailures;
        }
    }
    if (failures >= kMaxFailures || recoveries >= kMaxRecoveries) return false;
    return total == -1 || received >= total;
}

// An existing, non-empty file is copied whole; OnData is not called. A folder, a path
// ending with a separator or a missing file gives false, and so does an empty one or one
// above the limit.
bool SNetwork::CopyLocal(SFile* target, const char* location) {
    if (!disk.FileExists(location)) return false;
    SFilePath source(location, false, true, true);
    if (!source.IsOpen() || cancelled || source.GetSize64() > limit) return false;
    return target->CopyFrom(&source, -1) > 0;
}

void SNetwork::SendMail(const char* address, const char* subject, const char* body) {
    const SString link = GetMailLink(address, subject, body);
    ShellExecuteA(nullptr, "open", link.GetSafeText(), "", nullptr, SW_SHOW);
}

// "mailto:" and the address, then the subject and the body when given, URL-encoded with
// spaces kept as %20 (mail programs read a plus sign literally).
SString SNetwork::GetMailLink(const char* address, const char* subject, const char* body) {
    SString link("mailto:");
    if (address) link += address;
    const bool hasSubject = subject && *subject;
    const bool hasBody = body && *body;
    if (hasSubject || hasBody) link += '?';
    if (hasSubject) {
        SString text(subject);
        text.UrlEncode(false);
        link += "SUBJECT=";
        link += text;
    }
    if (hasSubject && hasBody) link += '&';
    if (hasBody) {
        SString text(body);
        text.UrlEncode(false);
        link += "BODY=";
        link += text;
    }
    return link;
}

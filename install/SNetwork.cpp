#include "install/SNetwork.h"

#include "core/SFilePath.h"
#include "core/SHeapBlock.h"
#include "install/SInternetHandle.h"
#include "install/SNetworkReader.h"

#include <shellapi.h>

namespace {

// Every byte comes from the server and none is kept: WinInet otherwise answers a repeated
// URL from its cache, and an updater must never install a stale archive. No cookies go
// either way and WinInet never shows a dialog of its own on the worker thread.
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                             INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                             INTERNET_FLAG_NEED_FILE;
static_assert(kOpenFlags == 0x84080210, "request flags");

// Ten failed reads in a row end a download, and so does the fifth recovery from failed
// reads: a connection that keeps breaking is not worth finishing.
constexpr int kMaxFailures = 10;
constexpr int kMaxRecoveries = 5;

// The content of an opened WinInet request.
class RequestReader : public SNetworkReader {
public:
    explicit RequestReader(HINTERNET request) : request(request) {}
    bool Read(void* buffer, int size, int& count) override {
        DWORD got = 0;
        const bool ok = InternetReadFile(request, buffer, static_cast<DWORD>(size), &got);
        count = ok ? static_cast<int>(got) : 0;
        return ok;
    }

private:
    HINTERNET request;
};

// The length the server announced, or -1 when it gave none.
int GetContentLength(HINTERNET request) {
    DWORD length = 0;
    DWORD size = sizeof(length);
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                        nullptr)) {
        return -1;
    }
    return static_cast<int>(length);
}

}  // namespace

SNetwork::SNetwork() = default;

SNetwork::~SNetwork() = default;

int SNetwork::OnData(int, int, int, const uint8_t*, SFile*, uint32_t) { return 0; }

// The HTTP status is not looked at: an error page arrives as content, and the caller's
// checksum rejects it. A location WinInet cannot open (a plain path) is tried as a local file.
bool SNetwork::Download(SFile* target, const char* location, int chunkSize, uint32_t parameter) {
    if (!target || !location) return false;
    SInternetHandle root(
        InternetOpenA("VELMOR", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root.Get()) return false;
    SInternetHandle request(InternetOpenUrlA(root.Get(), location, nullptr, 0, kOpenFlags, 0));
    if (!request.Get()) {
        root.Reset();
        return CopyLocal(target, location);
    }
    RequestReader reader(request.Get());
    return Receive(&reader, GetContentLength(request.Get()), target, chunkSize, parameter);
}

// Reads chunks until the content ends, ten reads in a row fail, the fifth recovery from a
// failure, or OnData asks to stop. A chunk read just after failures counts as a recovery;
// the fifth one's bytes are dropped. A length shorter than announced fails; a longer one
// does not.
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
        received += count;
        const int answer = OnData(total, received - count, count, buffer.data, target, parameter);
        if (answer == kStop) {
            failures = kMaxFailures;
        } else if (answer != kTaken) {
            target->Write(buffer.data, count);
        }
    }
    if (failures >= kMaxFailures || recoveries >= kMaxRecoveries) return false;
    return total == -1 || received >= total;
}

// An existing, non-empty file is copied whole; OnData is not called. A folder, a path
// ending with a separator or a missing file gives false, and so does an empty one.
bool SNetwork::CopyLocal(SFile* target, const char* location) {
    if (!disk.FileExists(location)) return false;
    SFilePath source(location, false, true, true);
    const int written = source.IsOpen() ? target->CopyFrom(&source, -1) : 0;
    return written > 0;
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

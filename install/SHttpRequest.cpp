#include "install/SHttpRequest.h"

#include <cstdlib>
#include <initializer_list>

#include "core/SString.h"

namespace {

// Every byte comes from the server and none is kept: WinInet otherwise answers a repeated
// URL from its cache, and an updater must never install a stale archive. No cookies go
// either way and WinInet never shows a dialog of its own on the worker thread.
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                             INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                             INTERNET_FLAG_NEED_FILE;
static_assert(kOpenFlags == 0x84080210, "request flags");

void SetTimeouts(HINTERNET handle, uint32_t timeoutMs) {
    DWORD value = timeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(handle, option, &value, sizeof value);
}

// The errors of a read that waited out its time-out: WinInet's own, or the socket's
// (WSAETIMEDOUT), which Wine passes on.
constexpr DWORD kSocketTimedOut = 10060;
bool IsTimeout(DWORD error) { return error == ERROR_INTERNET_TIMEOUT || error == kSocketTimedOut; }

SString Part(const char* text, DWORD length) {
    SString part;
    part.Set(text ? text : "", text ? static_cast<int>(length) : 0);
    return part;
}

}  // namespace

SHttpRequest::SHttpRequest() = default;

SHttpRequest::~SHttpRequest() = default;

// HTTP and HTTPS go through a request of our own; anything else (another scheme, a plain
// path, which then fails) through InternetOpenUrlA, as before.
bool SHttpRequest::Open(HINTERNET root, const char* location, uint32_t timeoutMs) {
    SetTimeouts(root, timeoutMs);
    if (OpenHttp(root, location, timeoutMs)) return true;
    if (connection.Get()) return false;  // an HTTP location whose request failed
    request.Reset(InternetOpenUrlA(root, location, nullptr, 0, kOpenFlags, 0));
    return request.Get() != nullptr;
}

// WinInet applies time-outs only to a request that carries them before it is sent, which
// InternetOpenUrlA gives no chance to do: a silent server would hold it for ever.
bool SHttpRequest::OpenHttp(HINTERNET root, const char* location, uint32_t timeoutMs) {
    URL_COMPONENTSA url = {};
    url.dwStructSize = sizeof url;
    url.dwHostNameLength = url.dwUserNameLength = url.dwPasswordLength = 1;
    url.dwUrlPathLength = url.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(location, 0, 0, &url) ||
        (url.nScheme != INTERNET_SCHEME_HTTP && url.nScheme != INTERNET_SCHEME_HTTPS))
        return false;
    const SString host = Part(url.lpszHostName, url.dwHostNameLength);
    const SString user = Part(url.lpszUserName, url.dwUserNameLength);
    const SString password = Part(url.lpszPassword, url.dwPasswordLength);
    // The fragment names a place inside the content: it never goes to the server.
    SString object = Part(url.lpszUrlPath, url.dwUrlPathLength) +
                     Part(url.lpszExtraInfo, url.dwExtraInfoLength).BeforeOrAll('#');
    if (object.GetLength() == 0) object = "/";

    connection.Reset(InternetConnectA(root, host.GetSafeText(), url.nPort,
                                      user.GetLength() ? user.GetSafeText() : nullptr,
                                      password.GetLength() ? password.GetSafeText() : nullptr,
                                      INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.Get()) return false;
    const char* accept[] = {"*/*", nullptr};
    const DWORD secure = url.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
    request.Reset(HttpOpenRequestA(connection.Get(), "GET", object.GetSafeText(), nullptr,
                                   nullptr, accept, kOpenFlags | secure, 0));
    if (!request.Get()) return false;
    SetTimeouts(request.Get(), timeoutMs);
    if (HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0)) return true;
    request.Reset();
    return false;
}

// Read as text: the numeric form of the query stops at 32 bits, and a length of 4 GiB or
// more must still be seen for what it is.
int64_t SHttpRequest::GetContentLength() const {
    char text[32];
    DWORD size = sizeof text;
    if (!request.Get() ||
        !HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return -1;
    text[size < sizeof text ? size : sizeof text - 1] = 0;
    char* end = nullptr;
    const long long length = strtoll(text, &end, 10);
    if (end == text || *end != 0 || length < 0) return -1;
    return length;
}

bool SHttpRequest::Read(void* buffer, int size, int& count) {
    count = 0;
    if (timedOut || !request.Get()) return false;
    DWORD got = 0;
    if (InternetReadFile(request.Get(), buffer, static_cast<DWORD>(size), &got)) {
        count = static_cast<int>(got);
        return true;
    }
    // WinInet gives the connection up after a read that timed out and reports the end on
    // the next one, which would pass for a complete download when no length was announced.
    timedOut = IsTimeout(GetLastError());
    return false;
}

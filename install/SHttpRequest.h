#pragma once
// SHttpRequest: one GET through WinInet, sent on Open and read as an SNetworkReader. The
// content always comes from the server (no cache, no cookies, no dialog of WinInet's own),
// and connecting, sending and every read are bounded by a time-out. A read that timed out
// ends the request: every later read fails as well.
#include <cstdint>

#include "install/SInternetHandle.h"
#include "install/SNetworkReader.h"

class SHttpRequest : public SNetworkReader {
public:
    SHttpRequest();
    ~SHttpRequest() override;

    // Sends the request for location under root; false when it cannot be opened or sent
    // (no server, a silence of timeoutMs, a scheme WinInet does not know, a plain path).
    [[nodiscard]] bool Open(HINTERNET root, const char* location, uint32_t timeoutMs);
    // The length the server announced; -1 when it gave none or an unreadable one.
    int64_t GetContentLength() const;
    bool Read(void* buffer, int size, int& count) override;

private:
    bool OpenHttp(HINTERNET root, const char* location, uint32_t timeoutMs);

    SInternetHandle connection;
    SInternetHandle request;
    bool timedOut = false;
};

#include "tests/support/TestServer.h"

#include <cstdlib>

bool HaveTestServer() { return getenv("UPDATE_TEST_SERVER") != nullptr; }

std::string TestServerUrl(const std::string& path) {
    const char* server = getenv("UPDATE_TEST_SERVER");
    return std::string(server ? server : "http://127.0.0.1:0") + path;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (unsigned char c : bytes) hex += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
    return hex;
}

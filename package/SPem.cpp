#include "package/SPem.h"

#include <string>
#include <string_view>

#include "core/SWindows.h"

#include <wincrypt.h>

namespace {

constexpr size_t kLineWidth = 64;

// The body's base64 as one line, as crypt32 writes it; empty on failure.
std::string ToBase64(const std::vector<uint8_t>& der) {
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    const DWORD size = static_cast<DWORD>(der.size());
    DWORD length = 0;
    if (der.empty() || !CryptBinaryToStringA(der.data(), size, flags, nullptr, &length))
        return std::string();
    std::string text(length, '\0');
    if (!CryptBinaryToStringA(der.data(), size, flags, &text[0], &length)) return std::string();
    // The count covers the terminating zero in the size query but not after the writing.
    text.resize(length);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

// The base64 between the first BEGIN line with that label and its END line, without line
// breaks and spaces; false when there is no such block.
bool FindBody(std::string_view text, const char* label, std::string& body) {
    const std::string begin = std::string("-----BEGIN ") + label + "-----";
    const std::string end = std::string("-----END ") + label + "-----";
    const size_t start = text.find(begin);
    if (start == std::string_view::npos) return false;
    const size_t bodyStart = start + begin.size();
    const size_t bodyEnd = text.find(end, bodyStart);
    if (bodyEnd == std::string_view::npos) return false;
    body.clear();
    for (char ch : text.substr(bodyStart, bodyEnd - bodyStart))
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n') body += ch;
    return !body.empty();
}

// crypt32's decoder stops quietly at a padding character and takes unused bits as they
// come, so the body must also be what encoding its bytes again gives: one text per key.
bool DecodeExactly(const std::string& body, std::vector<uint8_t>& der) {
    const DWORD length = static_cast<DWORD>(body.size());
    DWORD size = 0;
    if (!CryptStringToBinaryA(body.data(), length, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                              nullptr) ||
        size == 0)
        return false;
    der.resize(size);
    if (!CryptStringToBinaryA(body.data(), length, CRYPT_STRING_BASE64, der.data(), &size, nullptr,
                              nullptr))
        return false;
    der.resize(size);
    return ToBase64(der) == body;
}

}  // namespace

bool SPem::Decode(const char* text, size_t length, const char* label, std::vector<uint8_t>& der) {
    std::string body;
    const bool ok = text && length <= kLongestText &&
                    FindBody(std::string_view(text, length), label, body) &&
                    DecodeExactly(body, der);
    if (!ok) der.clear();
    return ok;
}

SString SPem::Encode(const char* label, const std::vector<uint8_t>& der) {
    const std::string base64 = ToBase64(der);
    if (base64.empty()) return SString();
    std::string text = std::string("-----BEGIN ") + label + "-----\r\n";
    for (size_t at = 0; at < base64.size(); at += kLineWidth)
        text += base64.substr(at, kLineWidth) + "\r\n";
    text += std::string("-----END ") + label + "-----\r\n";
    return SString(text.c_str());
}

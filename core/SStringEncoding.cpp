// SString's encodings, in place: URL encoding and Base64.
#include <cstdint>
#include <cstring>

#include "core/SString.h"

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHexDigits[] = "0123456789ABCDEF";

int Base64Value(char c) {
    const char* hit = c ? std::strchr(kBase64Alphabet, c) : nullptr;
    return hit ? static_cast<int>(hit - kBase64Alphabet) : -1;
}

bool StaysInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

}  // namespace

void SString::UrlEncode(bool spaceAsPlus) {
    int encodedLength = 0;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        encodedLength += (StaysInUrl(c) || (c == ' ' && spaceAsPlus)) ? 1 : 3;
    }
    if (encodedLength == length) {
        if (spaceAsPlus) Replace(' ', '+');
        return;
    }
    SString encoded;
    encoded.Size(encodedLength, false);
    char* out = encoded.text;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (StaysInUrl(c)) {
            *out++ = static_cast<char>(c);
        } else if (c == ' ' && spaceAsPlus) {
            *out++ = '+';
        } else {
            *out++ = '%';
            *out++ = kHexDigits[c >> 4];
            *out++ = kHexDigits[c & 15];
        }
    }
    Set(encoded.text, encoded.length);
}

// Standard alphabet; a last group of one or two bytes gives 2 or 3 characters, and one "="
// always ends the text.
void SString::EncodeBase64() {
    if (length == 0) return;
    int whole = length / 3;
    int rest = length % 3;
    SString encoded;
    encoded.Size(whole * 4 + (rest ? rest + 1 : 0) + 1, false);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    char* out = encoded.text;
    for (int i = 0; i < length; i += 3) {
        uint32_t group = static_cast<uint32_t>(in[i]) << 16;
        if (i + 1 < length) group |= static_cast<uint32_t>(in[i + 1]) << 8;
        if (i + 2 < length) group |= in[i + 2];
        int characters = (length - i >= 3) ? 4 : (length - i) + 1;
        for (int k = 0; k < characters; ++k) *out++ = kBase64Alphabet[(group >> (18 - 6 * k)) & 63];
    }
    *out = '=';
    Set(encoded.text, encoded.length);
}

// Characters outside the alphabet (padding, line breaks) are skipped. Decoding in place is
// safe: every four characters read give at most three bytes written.
void SString::DecodeBase64() {
    if (length == 0) return;
    uint32_t bits = 0;
    int bitCount = 0;
    int written = 0;
    for (int i = 0; i < length - 1; ++i) {
        int value = Base64Value(text[i]);
        if (value < 0) continue;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        bitCount += 6;
        if (bitCount < 8) continue;
        bitCount -= 8;
        char byte = static_cast<char>((bits >> bitCount) & 0xFF);
        if (byte == 0) break;  // the text ends at its first zero byte
        text[written++] = byte;
    }
    Size(written, true);
}

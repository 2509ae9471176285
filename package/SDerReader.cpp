#include "package/SDerReader.h"

#include <cstring>

bool SDerReader::Fail() {
    failed = true;
    return false;
}

bool SDerReader::IsNext(uint8_t tag) const { return !failed && at != end && *at == tag; }

// A length is one byte below 128, or 0x81 or 0x82 and then one or two bytes that a shorter
// form could not hold: DER has a single encoding for every length, and nothing here needs
// more than 65535 bytes.
bool SDerReader::Read(uint8_t tag, const uint8_t*& content, size_t& length) {
    if (!IsNext(tag) || end - at < 2) return Fail();
    const uint8_t* p = at + 1;
    const uint8_t first = *p++;
    length = first;
    if (first == 0x81) {
        if (end - p < 1 || p[0] < 0x80) return Fail();
        length = p[0];
        p += 1;
    } else if (first == 0x82) {
        if (end - p < 2 || p[0] == 0) return Fail();
        length = (static_cast<size_t>(p[0]) << 8) | p[1];
        p += 2;
    } else if (first >= 0x80) {
        return Fail();
    }
    if (static_cast<size_t>(end - p) < length) return Fail();
    content = p;
    at = p + length;
    return true;
}

bool SDerReader::Enter(uint8_t tag, SDerReader& inner) {
    const uint8_t* content = nullptr;
    size_t length = 0;
    if (!Read(tag, content, length)) return false;
    inner = SDerReader(content, length);
    return true;
}

bool SDerReader::Expect(uint8_t tag, const uint8_t* content, size_t length) {
    const uint8_t* found = nullptr;
    size_t foundLength = 0;
    if (!Read(tag, found, foundLength)) return false;
    if (foundLength != length || memcmp(found, content, length) != 0) return Fail();
    return true;
}

// An INTEGER is two's complement: a first byte with its top bit set is negative, and one
// zero byte goes before a value whose top bit is set, never before one whose is not.
bool SDerReader::ReadUnsigned(uint8_t* value, size_t width) {
    const uint8_t* content = nullptr;
    size_t length = 0;
    if (!Read(SDerTag::kInteger, content, length)) return false;
    if (length == 0 || (content[0] & 0x80)) return Fail();
    if (length > 1 && content[0] == 0) {
        if (!(content[1] & 0x80)) return Fail();
        ++content;
        --length;
    }
    if (length > width) return Fail();
    memset(value, 0, width - length);
    memcpy(value + width - length, content, length);
    return true;
}

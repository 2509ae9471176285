#include "package/SDerWriter.h"

#include "package/SDerReader.h"

void SDerWriter::Add(uint8_t tag, const uint8_t* content, size_t length) {
    bytes.push_back(tag);
    if (length >= 0x100) {
        bytes.push_back(0x82);
        bytes.push_back(static_cast<uint8_t>(length >> 8));
    } else if (length >= 0x80) {
        bytes.push_back(0x81);
    }
    bytes.push_back(static_cast<uint8_t>(length));
    bytes.insert(bytes.end(), content, content + length);
}

void SDerWriter::Add(uint8_t tag, const SDerWriter& inner) {
    Add(tag, inner.bytes.data(), inner.bytes.size());
}

// The fewest bytes that hold the value, and a zero byte first when its top bit is set, or
// the INTEGER would read as negative: CNG's fixed-width r and s often start with zeros or
// with a set bit.
void SDerWriter::AddUnsigned(const uint8_t* value, size_t width) {
    while (width > 1 && value[0] == 0) {
        ++value;
        --width;
    }
    std::vector<uint8_t> content;
    if (width == 0 || (value[0] & 0x80)) content.push_back(0);
    content.insert(content.end(), value, value + width);
    Add(SDerTag::kInteger, content.data(), content.size());
}

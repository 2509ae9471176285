#pragma once
// SDerWriter: builds DER-encoded data (ASN.1's distinguished encoding) element by element,
// in order; a constructed element is built in a writer of its own and added whole. Contents
// of up to 65535 bytes, which is all that keys and signatures need.
#include <cstddef>
#include <cstdint>
#include <vector>

class SDerWriter {
public:
    // Appends one element: the tag, the length in the fewest bytes, the content.
    void Add(uint8_t tag, const uint8_t* content, size_t length);
    // Appends one element whose content is everything the other writer holds.
    void Add(uint8_t tag, const SDerWriter& inner);
    // Appends an INTEGER of the value held big-endian in width bytes (0 or more).
    void AddUnsigned(const uint8_t* value, size_t width);

    const std::vector<uint8_t>& GetBytes() const { return bytes; }

private:
    std::vector<uint8_t> bytes;
};

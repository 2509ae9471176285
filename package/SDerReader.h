#pragma once
// SDerReader: reads DER-encoded data (ASN.1's distinguished encoding) element by element,
// each checked against the tag the format expects there. Only definite lengths written in
// the fewest bytes, up to 65535, are taken, and no element may pass the end of its data;
// anything else fails the read, and a reader that failed stays failed.
#include <cstddef>
#include <cstdint>

// The tags of the elements that keys and signatures are made of.
struct SDerTag {
    static constexpr uint8_t kInteger = 0x02;
    static constexpr uint8_t kBitString = 0x03;
    static constexpr uint8_t kOctetString = 0x04;
    static constexpr uint8_t kObjectId = 0x06;
    static constexpr uint8_t kSequence = 0x30;
    static constexpr uint8_t kContext0 = 0xA0;  // [0], constructed
    static constexpr uint8_t kContext1 = 0xA1;  // [1], constructed
};

class SDerReader {
public:
    SDerReader() = default;
    SDerReader(const uint8_t* data, size_t size) : at(data), end(data + size) {}

    // Whether the next element carries tag; false at the end and after a failure.
    bool IsNext(uint8_t tag) const;
    // Reads the next element, which must carry tag: its content and the content's length.
    [[nodiscard]] bool Read(uint8_t tag, const uint8_t*& content, size_t& length);
    // Reads the next element, which must carry tag, as a reader over its content.
    [[nodiscard]] bool Enter(uint8_t tag, SDerReader& inner);
    // Reads the next element, which must be exactly tag and content (an identifier, say).
    [[nodiscard]] bool Expect(uint8_t tag, const uint8_t* content, size_t length);
    // Reads an INTEGER that holds a value of 0 or more in the fewest bytes, into width bytes,
    // big-endian, zeros first; false when it is negative or does not fit.
    [[nodiscard]] bool ReadUnsigned(uint8_t* value, size_t width);
    // Every byte read, and no read failed.
    bool IsEnd() const { return !failed && at == end; }

private:
    bool Fail();

    const uint8_t* at = nullptr;
    const uint8_t* end = nullptr;
    bool failed = false;
};

// The DER reader and writer: INTEGERs in their one form, lengths in their one form, and the
// refusal of every other encoding and of anything that runs past its data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/SDerReader.h"
#include "package/SDerWriter.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(SDer, WritesIntegersAndLengthsInTheirOneForm) {
    struct Case {
        std::string value;  // big-endian, fixed width
        std::string der;
    };
    const Case integers[] = {
        {std::string("\0\0\1", 3), std::string("\2\1\1", 3)},
        {std::string("\0\0", 2), std::string("\2\1\0", 3)},
        {"\x80", std::string("\2\2\0\x80", 4)},
        {std::string("\0\x80\1", 3), std::string("\2\3\0\x80\1", 5)},
        {"\x7f\xff", "\2\2\x7f\xff"},
    };
    for (const Case& c : integers) {
        SDerWriter writer;
        writer.AddUnsigned(reinterpret_cast<const uint8_t*>(c.value.data()), c.value.size());
        EXPECT_EQ(writer.GetBytes(), Bytes(c.der)) << c.der.size();
        std::vector<uint8_t> back(c.value.size());
        SDerReader reader(writer.GetBytes().data(), writer.GetBytes().size());
        EXPECT_TRUE(reader.ReadUnsigned(back.data(), back.size()) && reader.IsEnd());
        EXPECT_EQ(back, Bytes(c.value));
    }
    const std::pair<size_t, std::string> lengths[] = {{127, "\4\x7f"},
                                                      {128, "\4\x81\x80"},
                                                      {255, "\4\x81\xff"},
                                                      {256, std::string("\4\x82\1\0", 4)}};
    for (const auto& [length, header] : lengths) {
        const std::vector<uint8_t> content(length, 0x5A);
        SDerWriter writer;
        writer.Add(SDerTag::kOctetString, content.data(), content.size());
        std::vector<uint8_t> expected = Bytes(header);
        expected.insert(expected.end(), content.begin(), content.end());
        EXPECT_EQ(writer.GetBytes(), expected) << length;
        const uint8_t* read = nullptr;
        size_t readLength = 0;
        SDerReader reader(expected.data(), expected.size());
        EXPECT_TRUE(reader.Read(SDerTag::kOctetString, read, readLength) && reader.IsEnd());
        EXPECT_EQ(readLength, length);
    }
}

TEST(SDer, RefusesOtherEncodingsAndReadsPastTheEnd) {
    // Each would be read if its encoding were taken: the value fits the width given.
    struct Case {
        const char* what;
        std::string der;
        size_t width;
    };
    const Case cases[] = {
        {"nothing", "", 4},
        {"tag alone", "\2", 4},
        {"another tag", std::string("\4\1\1", 3), 4},
        {"empty integer", std::string("\2\0", 2), 4},
        {"negative", "\2\1\x80", 4},
        {"a zero too many", std::string("\2\2\0\1", 4), 4},
        {"wider than the width", "\2\5\1\1\1\1\1", 4},
        {"indefinite length", std::string("\2\x80\1\0\0", 5), 4},
        {"long form of a short length", "\2\x81\1\1", 4},
        {"long form with a zero first", std::string("\2\x82\0\x81", 4) + std::string(129, 1), 200},
        {"three length bytes", std::string("\2\x83\0\0\1\1", 6), 4},
        {"length past the end", "\2\2\1", 4},
        {"long length past the end", "\2\x82\1", 4},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> value(c.width);
        SDerReader reader(reinterpret_cast<const uint8_t*>(c.der.data()), c.der.size());
        EXPECT_FALSE(reader.ReadUnsigned(value.data(), value.size())) << c.what;
        EXPECT_FALSE(reader.IsEnd()) << c.what;
    }
    // A reader that failed stays failed, and Expect compares the content too.
    const std::string two("\6\1\1\6\1\2", 6);
    const uint8_t one = 1, three = 3;
    SDerReader reader(reinterpret_cast<const uint8_t*>(two.data()), two.size());
    EXPECT_TRUE(reader.Expect(SDerTag::kObjectId, &one, 1));
    EXPECT_FALSE(reader.Expect(SDerTag::kObjectId, &three, 1));
    EXPECT_FALSE(reader.IsNext(SDerTag::kObjectId));
}

}  // namespace

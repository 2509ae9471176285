// The DER reader and writer: lengths in their one form, and the refusal of every other form
// and of anything that runs past its data. INTEGERs are pinned by the signature tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/SDerReader.h"
#include "package/SDerWriter.h"

namespace {

TEST(SDer, LengthsTakeTheFewestBytesAndReadBack) {
    const std::pair<size_t, std::string> lengths[] = {{127, "\4\x7f"},
                                                      {128, "\4\x81\x80"},
                                                      {255, "\4\x81\xff"},
                                                      {256, std::string("\4\x82\1\0", 4)}};
    for (const auto& [length, header] : lengths) {
        const std::string content(length, 'Z');
        SDerWriter writer;
        writer.Add(SDerTag::kOctetString, reinterpret_cast<const uint8_t*>(content.data()), length);
        const std::vector<uint8_t>& bytes = writer.GetBytes();
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), header + content) << length;
        const uint8_t* read = nullptr;
        size_t readLength = 0;
        SDerReader reader(bytes.data(), bytes.size());
        EXPECT_TRUE(reader.Read(SDerTag::kOctetString, read, readLength) && reader.IsEnd());
        EXPECT_EQ(readLength, length);
    }
}

TEST(SDer, RefusesOtherLengthsAndReadsPastTheEnd) {
    struct Case {
        const char* what;
        std::string der;
    };
    // Each would read as an INTEGER of one byte if its length were taken.
    const Case cases[] = {
        {"nothing", ""},
        {"tag alone", "\2"},
        {"another tag", "\4\1\1"},
        {"indefinite length", std::string("\2\x80\1\0\0", 5)},
        {"long form of a short length", "\2\x81\1\1"},
        {"long form with a zero first", std::string("\2\x82\0\1\1", 5)},
        {"three length bytes", std::string("\2\x83\0\0\1\1", 6)},
        {"length past the end", "\2\2\1"},
        {"long length past the end", "\2\x82\1"},
    };
    for (const Case& c : cases) {
        uint8_t value[4];
        SDerReader reader(reinterpret_cast<const uint8_t*>(c.der.data()), c.der.size());
        EXPECT_FALSE(reader.ReadUnsigned(value, sizeof(value))) << c.what;
        EXPECT_FALSE(reader.IsNext(SDerTag::kInteger)) << c.what;  // failed for good
    }
}

}  // namespace

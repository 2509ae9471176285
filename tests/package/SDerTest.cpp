// The DER reader: lengths in their one form only, nothing read past the data. What the writer
// makes is pinned by the key tests (openssl's bytes), INTEGERs by openssl's signature.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "package/SDerReader.h"

namespace {

TEST(SDer, RefusesOtherLengthsAndReadsPastTheEnd) {
    // Each would read as an INTEGER of one byte if its length were taken.
    const std::pair<const char*, std::string> cases[] = {
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
    for (const auto& [what, der] : cases) {
        uint8_t value[4];
        SDerReader reader(reinterpret_cast<const uint8_t*>(der.data()), der.size());
        EXPECT_FALSE(reader.ReadUnsigned(value, sizeof(value))) << what;
        EXPECT_FALSE(reader.IsNext(SDerTag::kInteger)) << what;  // failed for good
    }
}

}  // namespace

// The structure check of finished archives: whole archives pass in pieces of
// any size; every kind of breach fails, wherever the pieces happen to be cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "package/SArchiveScan.h"
#include "tests/package/ArchiveBytes.h"

namespace {

using B = ArchiveBytes;
const auto le = B::Le;

// A compressed archive of one entry "a" with the payload as it stands.
std::string One(const std::string& payload) { return B(1).Entry("a", payload).End().Bytes(); }

TEST(SArchiveScan, TellsWholeArchivesFromBrokenOnes) {
    const std::string two = B::BlockStream(std::string(150000, 'a'));  // blocks of 100000, 50000
    const std::string longest(32767, 'n');
    struct Case {
        const char* what;
        std::string bytes;
        bool whole;
        int entries;
    } const cases[] = {
        {"empty archive", B(1).End().Bytes(), true, 0},
        {"stored entries", B(0).Entry("a", "xyz").Entry("b", "").End().Bytes(), true, 2},
        {"compressed",
         B(1).Compressed("e", "").Compressed("b", std::string(150000, 'a')).End().Bytes(), true, 2},
        {"flag from its first byte", B(0x100).Entry("a", "xy").End().Bytes(), true, 1},
        {"longest name", B(0).Entry(longest, "").End().Bytes(), true, 1},
        {"nothing", "", false, 0},
        {"wrong magic", "SREZ" + le(1) + le(0xFFFFFFFF), false, 0},
        {"no terminator", B(1).Compressed("a", "alpha").Bytes(), false, 1},
        {"cut in a name", B(1).Bytes() + le(0) + "nam", false, 1},
        {"bytes after the end", B(1).End().Bytes() + "x", false, 0},
        {"empty name", B(1).Entry("", "").End().Bytes(), false, 1},
        {"stored payload past the end", B(0).Bytes() + le(9) + "a" + '\0' + "xyz", false, 1},
        {"payload longer than its blocks", One(B::BlockStream("abc") + "z"), false, 1},
        {"payload shorter than its blocks",
         B(1).Bytes() + le(uint32_t(two.size() - 1)) + "a" + '\0' + two + le(0xFFFFFFFF), false, 1},
        {"no blocks", One(le(0)), false, 1},
        {"block count beyond the payload", One(le(3) + two.substr(4)), false, 1},
        {"short block before the last", One(le(2) + le(50000) + two.substr(8)), false, 1},
        {"block over the block size", One(le(1) + le(100001) + le(4) + "data"), false, 1},
        {"raw length 0", One(le(1) + le(0) + le(4) + "data"), false, 1},
        {"packed length 0", One(le(1) + le(5) + le(0)), false, 1},
        {"packed over 110012", One(le(1) + le(5) + le(110013) + std::string(110013, 'z')), 0, 1},
        {"name longer than any path", B(0).Entry(longest + "n", "").End().Bytes(), false, 1},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t{1}, size_t{3}, c.bytes.size() + 1}) {
            SArchiveScan scan;
            for (size_t at = 0; at < c.bytes.size(); at += piece)
                scan.Feed(c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
            EXPECT_EQ(scan.IsWhole(), c.whole) << c.what << ", " << piece;
            EXPECT_EQ(scan.GetEntryCount(), c.entries) << c.what;
        }
    }
}

}  // namespace

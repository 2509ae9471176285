// The structure check of finished archives: whole archives pass in pieces of any size; every
// kind of breach fails, wherever the pieces happen to be cut.
#include <gtest/gtest.h>

#include <string>

#include "package/SArchiveScan.h"
#include "tests/package/ArchiveBytes.h"

namespace {

using Le = std::string (*)(uint32_t);
const Le le = ArchiveBytes::Le;

// Whether the bytes pass, fed whole and fed in pieces of the given size.
bool Passes(const std::string& bytes, size_t piece, int* entries = nullptr) {
    SArchiveScan scan;
    for (size_t at = 0; at < bytes.size(); at += piece)
        scan.Feed(bytes.data() + at, bytes.size() - at < piece ? bytes.size() - at : piece);
    if (entries) *entries = scan.GetEntryCount();
    return scan.IsWhole();
}

std::string Big(size_t size) {
    std::string text(size, 'a');
    for (size_t i = 0; i < size; i += 7) text[i] = static_cast<char>('a' + i % 23);
    return text;
}

TEST(SArchiveScan, TellsWholeArchivesFromBrokenOnes) {
    const std::string two = ArchiveBytes::BlockStream(Big(150000));  // blocks of 100000, 50000
    struct Case {
        const char* what;
        std::string bytes;
        bool whole;
        int entries;
    };
    const Case cases[] = {
        {"empty archive", ArchiveBytes(1).End().Bytes(), true, 0},
        {"stored entries", ArchiveBytes(0).Entry("a", "xyz").Entry("b\\c", "").End().Bytes(), true,
         2},
        {"compressed entries",
         ArchiveBytes(1).Compressed("e", "").Compressed("big", Big(150000)).End().Bytes(), true, 2},
        {"flag read from its first byte", ArchiveBytes(0x100).Entry("a", "xy").End().Bytes(), true,
         1},
        {"nothing", "", false, 0},
        {"wrong magic", "SREZ" + le(1) + le(0xFFFFFFFF), false, 0},
        {"no terminator", ArchiveBytes(1).Compressed("a", "alpha").Bytes(), false, 1},
        {"cut in a name", ArchiveBytes(1).Bytes() + le(0) + "nam", false, 1},
        {"bytes after the end", ArchiveBytes(1).End().Bytes() + "x", false, 0},
        {"empty name", ArchiveBytes(1).Entry("", "").End().Bytes(), false, 1},
        {"stored payload past the end", ArchiveBytes(0).Bytes() + le(9) + "a" + '\0' + "xyz", false,
         1},
        {"payload longer than its blocks",
         ArchiveBytes(1).Entry("a", ArchiveBytes::BlockStream("abc") + "z").End().Bytes(), false,
         1},
        {"payload shorter than its blocks",
         ArchiveBytes(1).Bytes() + le(static_cast<uint32_t>(two.size() - 1)) + "a" + '\0' + two +
             le(0xFFFFFFFF),
         false, 1},
        {"no blocks", ArchiveBytes(1).Entry("a", le(0)).End().Bytes(), false, 1},
        {"block count beyond the payload",
         ArchiveBytes(1).Entry("a", le(3) + two.substr(4)).End().Bytes(), false, 1},
        {"short block before the last",
         ArchiveBytes(1).Entry("a", le(2) + le(50000) + two.substr(8)).End().Bytes(), false, 1},
        {"block over the block size",
         ArchiveBytes(1).Entry("a", le(1) + le(100001) + le(4) + "data").End().Bytes(), false, 1},
        {"raw length 0", ArchiveBytes(1).Entry("a", le(1) + le(0) + le(4) + "data").End().Bytes(),
         false, 1},
        {"packed length 0", ArchiveBytes(1).Entry("a", le(1) + le(5) + le(0)).End().Bytes(), false,
         1},
        {"packed length over the buffer",
         ArchiveBytes(1)
             .Entry("a", le(1) + le(5) + le(110013) + std::string(110013, 'z'))
             .End()
             .Bytes(),
         false, 1},
        {"name longer than any path",
         ArchiveBytes(0).Entry(std::string(32768, 'n'), "").End().Bytes(), false, 1},
    };
    for (const Case& c : cases) {
        for (size_t piece : {static_cast<size_t>(1), static_cast<size_t>(3),
                             static_cast<size_t>(4096), c.bytes.size() + 1}) {
            int entries = -1;
            EXPECT_EQ(Passes(c.bytes, piece, &entries), c.whole) << c.what << ", " << piece;
            EXPECT_EQ(entries, c.entries) << c.what;
        }
    }
}

// The longest name a path can hold passes; the check is no tighter than the system.
TEST(SArchiveScan, TakesTheLongestName) {
    EXPECT_TRUE(Passes(ArchiveBytes(0).Entry(std::string(32767, 'n'), "").End().Bytes(), 100));
}

}  // namespace

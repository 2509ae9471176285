// The install dialog's reading of a download's progress: the position sent for each chunk.
#include <gtest/gtest.h>

#include <climits>

#include "app/PWndExtract.h"

TEST(PWndExtract, ProgressIsPerMilleOfTheAnnouncedLengthUpToTheChunk) {
    struct Case {
        int offset, total, position;
    } const cases[] = {
        {999, 1000, 999},
        {1, 3, 333},
        {2147483647, 2147483647, 1000},
        {5000, -1, -5000000},
        {3000000, -1, INT_MIN},  // beyond the 32-bit range: no number the bar can show
        {0, 0, INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PWndExtract::_PNetwork::ProgressPosition(c.offset, c.total), c.position)
            << c.offset << " of " << c.total;
}

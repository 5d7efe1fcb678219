#include "logline.h"

#include <gtest/gtest.h>

TEST(FormatLogPrefix, DayFirstThenMonthYearAndTime)
{
    char prefix[LOG_PREFIX_SIZE];
    FormatLogPrefix(prefix, LogTime{2026, 3, 5, 14, 7, 9});
    EXPECT_STREQ("05/03/2026 14:07:09\t:", prefix);
    FormatLogPrefix(prefix, LogTime{1999, 12, 31, 0, 0, 0});
    EXPECT_STREQ("31/12/1999 00:00:00\t:", prefix);
}

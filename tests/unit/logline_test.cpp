#include "logline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(FormatLogPrefix, DayFirstThenMonthYearAndTime)
{
    char prefix[LOG_PREFIX_SIZE];
    FormatLogPrefix(prefix, LogTime{2026, 3, 5, 14, 7, 9});
    EXPECT_STREQ("05/03/2026 14:07:09\t:", prefix);
    FormatLogPrefix(prefix, LogTime{1999, 12, 31, 0, 0, 0});
    EXPECT_STREQ("31/12/1999 00:00:00\t:", prefix);
}

namespace {

std::string Escaped(const char *message, size_t size = LOG_ESCAPED_MESSAGE_SIZE)
{
    std::vector<char> escaped(size);
    EscapeLogMessage(escaped.data(), size, message);
    return escaped.data();
}

}  // namespace

// A client's name with a line break would otherwise end the line and start a forged one, with any date.
TEST(EscapeLogMessage, ControlBytesOfTheTextAreWrittenVisibly)
{
    EXPECT_EQ("Port for unknown user x\\x0d\\x0a01/01/2020 00:00:00\\x09:forged.\n",
              Escaped("Port for unknown user x\r\n01/01/2020 00:00:00\t:forged.\n"));
    EXPECT_EQ("started for user x\\x1a\\x7f\\x01 on 0.\n", Escaped("started for user x\x1a\x7f\x01 on 0.\n"));
    EXPECT_EQ("a\\x0a\\x0a\n", Escaped("a\n\n\n"));  // only the line feed that ends the message stays
    EXPECT_EQ("no line feed ", Escaped("no line feed "));
    EXPECT_EQ("Ren\xe9 \x95\x5c\n", Escaped("Ren\xe9 \x95\x5c\n"));  // other bytes are left as they are
}

TEST(EscapeLogMessage, NeverWritesPastItsBufferNorHalfAnEscape)
{
    EXPECT_EQ("ab", Escaped("ab\rcd", 6));
    EXPECT_EQ("ab\\x0d", Escaped("ab\rcd", 7));
    EXPECT_EQ(LOG_ESCAPED_MESSAGE_SIZE - 1, Escaped(std::string(LOG_MESSAGE_SIZE - 1, '\x1b').c_str()).size());
}

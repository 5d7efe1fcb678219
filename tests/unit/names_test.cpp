#include "names.h"

#include <gtest/gtest.h>

TEST(CompareNoCase, EqualIgnoringAsciiCase)
{
    EXPECT_EQ(0, CompareNoCase("alice", "ALICE"));
    EXPECT_EQ(0, CompareNoCase("", ""));
    EXPECT_EQ(0, CompareNoCase("Bob-7", "bOB-7"));
}

TEST(CompareNoCase, PrefixIsNotEqual)
{
    EXPECT_LT(CompareNoCase("ali", "alice"), 0);
    EXPECT_GT(CompareNoCase("alice", "ali"), 0);
    EXPECT_NE(0, CompareNoCase("", "a"));
}

TEST(CompareNoCase, HighBytesCompareAsUnsigned)
{
    EXPECT_GT(CompareNoCase("\xe9", "e"), 0);
    EXPECT_NE(0, CompareNoCase("\xe9", "\xc9"));  // only ASCII letters fold in the default locale
}

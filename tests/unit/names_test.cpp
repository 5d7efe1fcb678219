#include "names.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(CheckRegistration, OrdinaryNamesAndArgumentsAreAccepted)
{
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration("alice", "--verbose C:\\data"));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration("", ""));  // the empty name is a valid user
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration("dom\\user name", nullptr));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration("a", "two\nlines"));  // never stored in the file
}

TEST(CheckRegistration, LongestNameThatStillLoads)
{
    std::string name(MAX_REGISTERED_NAME_LENGTH, 'n');
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(name.c_str(), nullptr));
    name += 'n';
    EXPECT_EQ(REFUSED_NAME_TOO_LONG, CheckRegistration(name.c_str(), nullptr));
    EXPECT_EQ(REFUSED_NAME_TOO_LONG, CheckRegistration(std::string(256, 'n').c_str(), ""));
}

TEST(CheckRegistration, RefusesWhatBreaksQuotingOrTheUsersFile)
{
    EXPECT_EQ(REFUSED_NAME_QUOTE, CheckRegistration("eve\" \"x", ""));
    EXPECT_EQ(REFUSED_NAME_LINE_BREAK, CheckRegistration("eve\nmallory", ""));
    EXPECT_EQ(REFUSED_NAME_LINE_BREAK, CheckRegistration("eve\r", ""));
    EXPECT_EQ(REFUSED_NAME_TRAILING_BACKSLASH, CheckRegistration("eve\\", ""));
    EXPECT_EQ(REFUSED_ARGUMENT_QUOTE, CheckRegistration("eve", "\" -evil"));
    EXPECT_EQ(REFUSED_ARGUMENT_TRAILING_BACKSLASH, CheckRegistration("eve", "C:\\"));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration("eve", nullptr));
}

// The users file loader checks only the quoting: its line reading sets the length, and a carriage return
// does no harm in a file that is never rewritten.
TEST(CheckQuoting, LoadedNamesAreHeldToTheQuotingAlone)
{
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckQuoting(std::string(MAX_REGISTERED_NAME_LENGTH + 1, 'n').c_str(), nullptr));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckQuoting("eve\r", nullptr));
    EXPECT_EQ(REFUSED_NAME_QUOTE, CheckQuoting("eve\" \"x", nullptr));
    EXPECT_EQ(REFUSED_NAME_TRAILING_BACKSLASH, CheckQuoting("eve\\", nullptr));
}

TEST(RefusalText, EveryRefusalHasItsOwnWords)
{
    for (int a = REFUSED_NAME_TOO_LONG; a <= REFUSED_OUT_OF_MEMORY; ++a) {
        for (int b = a + 1; b <= REFUSED_OUT_OF_MEMORY; ++b)
            EXPECT_STRNE(RefusalText(RegistrationRefusal(a)), RefusalText(RegistrationRefusal(b)));
    }
}

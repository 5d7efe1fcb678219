#include "names.h"
#include "code_pages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const AnsiCodePage SINGLE_BYTE = DescribeCodePage(1252);

}  // namespace

TEST(CompareNoCase, EqualIgnoringAsciiCase)
{
    EXPECT_EQ(0, CompareNoCase(SINGLE_BYTE, "alice", "ALICE"));
    EXPECT_EQ(0, CompareNoCase(SINGLE_BYTE, "", ""));
    EXPECT_EQ(0, CompareNoCase(SINGLE_BYTE, "Bob-7", "bOB-7"));
}

TEST(CompareNoCase, PrefixIsNotEqual)
{
    EXPECT_LT(CompareNoCase(SINGLE_BYTE, "ali", "alice"), 0);
    EXPECT_GT(CompareNoCase(SINGLE_BYTE, "alice", "ali"), 0);
    EXPECT_NE(0, CompareNoCase(SINGLE_BYTE, "", "a"));
}

// 0x89 0x41 and 0x89 0x61 are two characters on 932 (and pairs like them exist on the others): folding the
// second byte made them one user, who got the other's port and no syncer of its own.
TEST(CompareNoCase, SecondBytesOfDoubleByteCharactersCompareExactly)
{
    for (int number : DOUBLE_BYTE_CODE_PAGES) {
        const AnsiCodePage codePage = DescribeCodePage(number);
        SCOPED_TRACE(number);
        EXPECT_NE(0, CompareNoCase(codePage, "\x89\x41", "\x89\x61"));
        EXPECT_NE(0, CompareNoCase(codePage, "a\x89\x61", "A\x89\x41"));
        EXPECT_EQ(0, CompareNoCase(codePage, "\x89\x61" "b", "\x89\x61" "B"));  // letters after it still fold
    }
    EXPECT_EQ(0, CompareNoCase(SINGLE_BYTE, "\x89\x41", "\x89\x61"));  // two single-byte characters
}

TEST(CompareNoCase, HighBytesCompareAsUnsigned)
{
    EXPECT_GT(CompareNoCase(SINGLE_BYTE, "\xe9", "e"), 0);
    EXPECT_NE(0, CompareNoCase(SINGLE_BYTE, "\xe9", "\xc9"));  // only ASCII letters fold in the default locale
}

TEST(CheckRegistration, OrdinaryNamesAndArgumentsAreAccepted)
{
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, "alice", "--verbose C:\\data"));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, "", ""));  // the empty name is a valid user
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, "dom\\user name", nullptr));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, "a", "two\nlines"));  // never stored in the file
}

TEST(CheckRegistration, LongestNameThatStillLoads)
{
    std::string name(MAX_REGISTERED_NAME_LENGTH, 'n');
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, name.c_str(), nullptr));
    name += 'n';
    EXPECT_EQ(REFUSED_NAME_TOO_LONG, CheckRegistration(SINGLE_BYTE, name.c_str(), nullptr));
    EXPECT_EQ(REFUSED_NAME_TOO_LONG, CheckRegistration(SINGLE_BYTE, std::string(256, 'n').c_str(), ""));
}

TEST(CheckRegistration, RefusesWhatBreaksQuotingTheUsersFileOrTheLog)
{
    EXPECT_EQ(REFUSED_NAME_QUOTE, CheckRegistration(SINGLE_BYTE, "eve\" \"x", ""));
    EXPECT_EQ(REFUSED_NAME_TRAILING_BACKSLASH, CheckRegistration(SINGLE_BYTE, "eve\\", ""));
    EXPECT_EQ(REFUSED_ARGUMENT_QUOTE, CheckRegistration(SINGLE_BYTE, "eve", "\" -evil"));
    EXPECT_EQ(REFUSED_ARGUMENT_TRAILING_BACKSLASH, CheckRegistration(SINGLE_BYTE, "eve", "C:\\"));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, "eve", nullptr));
    for (const char *name : {"eve\n", "eve\r", "\x01", "\tx", "x\x1a", "\x1f", "x\x7f"})
        EXPECT_EQ(REFUSED_NAME_CONTROL_CHARACTER, CheckRegistration(SINGLE_BYTE, name, "")) << name;
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, " ~", "\t\x1a"));  // arguments may hold them
}

// The users file loader checks only the quoting: its line reading sets the length, and a control byte that
// an earlier version let into the file does no harm between quotes.
TEST(CheckQuoting, LoadedNamesAreHeldToTheQuotingAlone)
{
    EXPECT_EQ(REGISTRATION_ACCEPTED,
              CheckQuoting(SINGLE_BYTE, std::string(MAX_REGISTERED_NAME_LENGTH + 1, 'n').c_str(), nullptr));
    EXPECT_EQ(REGISTRATION_ACCEPTED, CheckQuoting(SINGLE_BYTE, "eve\r\x1a", nullptr));
    EXPECT_EQ(REFUSED_NAME_QUOTE, CheckQuoting(SINGLE_BYTE, "eve\" \"x", nullptr));
    EXPECT_EQ(REFUSED_NAME_TRAILING_BACKSLASH, CheckQuoting(SINGLE_BYTE, "eve\\", nullptr));
}

// On a double-byte code page the syncer's C runtime reads a lead byte and the byte after it as one
// character: a name ending in a lead byte would swallow its closing quote.
TEST(CheckQuoting, DoubleByteTextIsReadByCharacters)
{
    for (int number : DOUBLE_BYTE_CODE_PAGES) {
        const AnsiCodePage codePage = DescribeCodePage(number);
        SCOPED_TRACE(number);
        EXPECT_EQ(REFUSED_NAME_NOT_TEXT, CheckQuoting(codePage, "x\x81", "a --flag b"));
        EXPECT_EQ(REFUSED_ARGUMENT_NOT_TEXT, CheckQuoting(codePage, "x", "a\x81"));
        EXPECT_EQ(REFUSED_NAME_NOT_TEXT, CheckQuoting(codePage, "x\x81\" -flag", nullptr));  // a quote is no trail
        // A second byte of 0x5C is no backslash (0x95 0x5C is a kanji on 932).
        EXPECT_EQ(REGISTRATION_ACCEPTED, CheckQuoting(codePage, "\x95\x5c", "\x95\x5c"));
        EXPECT_EQ(REFUSED_NAME_TRAILING_BACKSLASH, CheckQuoting(codePage, "\x95\x5c\\", nullptr));
        EXPECT_EQ(REFUSED_ARGUMENT_QUOTE, CheckQuoting(codePage, "x", "\x95\x5c\"\""));
    }
}

// A single-byte code page has no lead bytes: every byte is a character, as the checks have always read them.
TEST(CheckQuoting, EveryByteIsACharacterOnASingleByteCodePage)
{
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string text = "x" + std::string(1, char(byte));
        EXPECT_EQ(REGISTRATION_ACCEPTED, CheckRegistration(SINGLE_BYTE, text.c_str(), text.c_str())) << byte;
    }
    EXPECT_EQ(REFUSED_NAME_TRAILING_BACKSLASH, CheckQuoting(SINGLE_BYTE, "\x95\x5c", nullptr));
}

TEST(RefusalText, EveryRefusalHasItsOwnWords)
{
    for (int a = REFUSED_NAME_TOO_LONG; a <= REFUSED_OUT_OF_MEMORY; ++a) {
        for (int b = a + 1; b <= REFUSED_OUT_OF_MEMORY; ++b)
            EXPECT_STRNE(RefusalText(RegistrationRefusal(a)), RefusalText(RegistrationRefusal(b)));
    }
}

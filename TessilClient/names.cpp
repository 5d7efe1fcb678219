#include "names.h"

#include <cctype>
#include <cstring>

#include "controlbyte.h"

namespace {

struct Words {
    char text[64];
};

// "user name of N or more characters", N being the shortest name refused.
constexpr Words NameTooLongWords()
{
    const char before[] = "user name of ", after[] = " or more characters";
    Words words = {};
    int used = 0;
    for (const char *c = before; *c; ++c)
        words.text[used++] = *c;
    char digits[12] = {};
    int count = 0;
    for (int n = MAX_REGISTERED_NAME_LENGTH + 1; n > 0; n /= 10)
        digits[count++] = static_cast<char>('0' + n % 10);
    while (count > 0)
        words.text[used++] = digits[--count];
    for (const char *c = after; *c; ++c)
        words.text[used++] = *c;
    return words;
}

constexpr Words NAME_TOO_LONG_WORDS = NameTooLongWords();

}  // namespace

int CompareNoCase(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca == 0 || cb == 0)
            return ca - cb;
        int ua = std::toupper(ca);
        int ub = std::toupper(cb);
        if (ua != ub)
            return ua - ub;
    }
}

// The second bytes of double-byte characters in every double-byte ANSI code page (932, 936, 949, 950) lie
// in these ranges. A lead byte followed by anything else (the end of the text, a quote, a blank) is not
// text: the platform would read the byte after it, the closing quote among them, as part of its character.
static bool IsTrailByte(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

// One quoted field of the command line, read character by character. A backslash right before the closing
// quote escapes that quote for the child's argument parser, so the field would run on into the next one;
// the second byte of a double-byte character is no backslash, whatever its value.
static RegistrationRefusal CheckQuotedField(const AnsiCodePage &codePage, const char *text,
                                            RegistrationRefusal notText, RegistrationRefusal quote,
                                            RegistrationRefusal trailingBackslash)
{
    bool endsInBackslash = false;
    for (const unsigned char *character = reinterpret_cast<const unsigned char *>(text); *character;
         ++character) {
        endsInBackslash = false;
        if (codePage.leadByte[*character]) {
            if (!IsTrailByte(character[1]))
                return notText;
            ++character;
        } else if (*character == '"') {
            return quote;
        } else if (*character == '\\') {
            endsInBackslash = true;
        }
    }
    return endsInBackslash ? trailingBackslash : REGISTRATION_ACCEPTED;
}

RegistrationRefusal CheckQuoting(const AnsiCodePage &codePage, const char *name, const char *argument)
{
    RegistrationRefusal refusal = CheckQuotedField(codePage, name, REFUSED_NAME_NOT_TEXT, REFUSED_NAME_QUOTE,
                                                   REFUSED_NAME_TRAILING_BACKSLASH);
    if (refusal == REGISTRATION_ACCEPTED && argument)
        refusal = CheckQuotedField(codePage, argument, REFUSED_ARGUMENT_NOT_TEXT, REFUSED_ARGUMENT_QUOTE,
                                   REFUSED_ARGUMENT_TRAILING_BACKSLASH);
    return refusal;
}

// A line break splits the name's users file line, and 0x1A ended the file for the text-mode reading of
// earlier versions, which lost every user after it.
static bool HoldsControlByte(const char *text)
{
    for (const unsigned char *byte = reinterpret_cast<const unsigned char *>(text); *byte; ++byte) {
        if (IsControlByte(*byte))
            return true;
    }
    return false;
}

RegistrationRefusal CheckRegistration(const AnsiCodePage &codePage, const char *name, const char *argument)
{
    if (std::strlen(name) > MAX_REGISTERED_NAME_LENGTH)
        return REFUSED_NAME_TOO_LONG;
    if (HoldsControlByte(name))
        return REFUSED_NAME_CONTROL_CHARACTER;
    return CheckQuoting(codePage, name, argument);
}

const char *RefusalText(RegistrationRefusal refusal)
{
    switch (refusal) {
    case REGISTRATION_ACCEPTED:
        return "accepted";
    case REFUSED_NAME_TOO_LONG:
        return NAME_TOO_LONG_WORDS.text;
    case REFUSED_NAME_CONTROL_CHARACTER:
        return "control character in the user name";
    case REFUSED_NAME_NOT_TEXT:
        return "user name not text of the system code page";
    case REFUSED_NAME_QUOTE:
        return "double quote in the user name";
    case REFUSED_NAME_TRAILING_BACKSLASH:
        return "backslash at the end of the user name";
    case REFUSED_ARGUMENT_NOT_TEXT:
        return "argument not text of the system code page";
    case REFUSED_ARGUMENT_QUOTE:
        return "double quote in the argument";
    case REFUSED_ARGUMENT_TRAILING_BACKSLASH:
        return "backslash at the end of the argument";
    case REFUSED_TABLE_FULL:
        return "user table full";
    case REFUSED_OUT_OF_MEMORY:
        return "no memory for the user name";
    }
    return "unknown reason";
}

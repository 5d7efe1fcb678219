#include "names.h"

#include <cctype>
#include <cstring>

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

// A backslash right before the closing quote escapes that quote for the child's argument parser, so the
// quoted field would run on into the next one.
static bool EndsInBackslash(const char *text)
{
    size_t length = std::strlen(text);
    return length > 0 && text[length - 1] == '\\';
}

RegistrationRefusal CheckQuoting(const char *name, const char *argument)
{
    if (std::strchr(name, '"'))
        return REFUSED_NAME_QUOTE;
    if (EndsInBackslash(name))
        return REFUSED_NAME_TRAILING_BACKSLASH;
    if (argument && std::strchr(argument, '"'))
        return REFUSED_ARGUMENT_QUOTE;
    if (argument && EndsInBackslash(argument))
        return REFUSED_ARGUMENT_TRAILING_BACKSLASH;
    return REGISTRATION_ACCEPTED;
}

RegistrationRefusal CheckRegistration(const char *name, const char *argument)
{
    if (std::strlen(name) > MAX_REGISTERED_NAME_LENGTH)
        return REFUSED_NAME_TOO_LONG;
    if (std::strpbrk(name, "\r\n"))
        return REFUSED_NAME_LINE_BREAK;
    return CheckQuoting(name, argument);
}

const char *RefusalText(RegistrationRefusal refusal)
{
    switch (refusal) {
    case REGISTRATION_ACCEPTED:
        return "accepted";
    case REFUSED_NAME_TOO_LONG:
        return "user name of 254 or more characters";
    case REFUSED_NAME_QUOTE:
        return "double quote in the user name";
    case REFUSED_NAME_LINE_BREAK:
        return "line break in the user name";
    case REFUSED_NAME_TRAILING_BACKSLASH:
        return "backslash at the end of the user name";
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

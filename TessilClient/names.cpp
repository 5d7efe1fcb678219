#include "names.h"

#include <cctype>

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

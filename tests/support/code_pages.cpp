#include "code_pages.h"

#include <cstdlib>

AnsiCodePage DescribeCodePage(int number)
{
    struct Range {
        int first, last;
    };
    static const Range SHIFT_JIS[] = {{0x81, 0x9F}, {0xE0, 0xFC}};  // 932
    static const Range UPPER_HALF[] = {{0x81, 0xFE}};                // 936, 949, 950
    const Range *ranges = nullptr;
    size_t count = 0;
    switch (number) {
    case 932:
        ranges = SHIFT_JIS;
        count = 2;
        break;
    case 936:
    case 949:
    case 950:
        ranges = UPPER_HALF;
        count = 1;
        break;
    case 1252:
        break;
    default:
        std::abort();  // a test asked for a code page described nowhere
    }
    AnsiCodePage codePage = {};
    for (size_t i = 0; i < count; ++i) {
        for (int byte = ranges[i].first; byte <= ranges[i].last; ++byte)
            codePage.leadByte[byte] = true;
    }
    return codePage;
}

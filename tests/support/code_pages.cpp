#include "code_pages.h"

#include <cstdlib>

AnsiCodePage DescribeCodePage(int number)
{
    AnsiCodePage codePage = {};
    for (int byte = 0x81; byte <= 0xFE; ++byte) {
        switch (number) {
        case 932:  // Shift JIS: 0x81-0x9F and 0xE0-0xFC
            codePage.leadByte[byte] = byte <= 0x9F || (byte >= 0xE0 && byte <= 0xFC);
            break;
        case 936:
        case 949:
        case 950:
            codePage.leadByte[byte] = true;
            break;
        case 1252:
            break;
        default:
            std::abort();  // a test asked for a code page described nowhere
        }
    }
    return codePage;
}

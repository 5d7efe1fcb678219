#include "logline.h"

#include <cstdio>

#include "controlbyte.h"

void FormatLogPrefix(char prefix[LOG_PREFIX_SIZE], const LogTime &time)
{
    std::snprintf(prefix, LOG_PREFIX_SIZE, "%02d/%02d/%04d %02d:%02d:%02d\t:", time.day, time.month, time.year,
                  time.hour, time.minute, time.second);
}

void EscapeLogMessage(char *escaped, size_t size, const char *message)
{
    static const char HEX_DIGITS[] = "0123456789abcdef";
    size_t used = 0;
    for (const unsigned char *byte = reinterpret_cast<const unsigned char *>(message); *byte; ++byte) {
        const bool endsMessage = *byte == '\n' && byte[1] == '\0';
        const bool control = IsControlByte(*byte) && !endsMessage;
        if (used + (control ? 4 : 1) >= size)
            break;
        if (control) {
            escaped[used++] = '\\';
            escaped[used++] = 'x';
            escaped[used++] = HEX_DIGITS[*byte >> 4];
            escaped[used++] = HEX_DIGITS[*byte & 0xF];
        } else {
            escaped[used++] = static_cast<char>(*byte);
        }
    }
    if (size > 0)
        escaped[used] = '\0';
}

#include "logline.h"

#include <cstdio>

void FormatLogPrefix(char prefix[LOG_PREFIX_SIZE], const LogTime &time)
{
    std::snprintf(prefix, LOG_PREFIX_SIZE, "%02d/%02d/%04d %02d:%02d:%02d\t:", time.day, time.month, time.year,
                  time.hour, time.minute, time.second);
}

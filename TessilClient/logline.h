#pragma once

#include <cstddef>

// Local time of a log line, as the platform reports it.
struct LogTime {
    int year, month, day, hour, minute, second;
};

// "dd/mm/yyyy hh:mm:ss", a tab and a colon, and the terminator.
constexpr size_t LOG_PREFIX_SIZE = 32;

// Writes the prefix of a log line: day first, then month, the four-digit year and the 24-hour time.
void FormatLogPrefix(char prefix[LOG_PREFIX_SIZE], const LogTime &time);

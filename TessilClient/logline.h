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

// Room for a formatted message: the longest holds a volume name of 512 UTF-16 units.
constexpr size_t LOG_MESSAGE_SIZE = 2048;
// Room for that message with every byte escaped.
constexpr size_t LOG_ESCAPED_MESSAGE_SIZE = 4 * (LOG_MESSAGE_SIZE - 1) + 1;

// Copies the message with its control bytes (0x01-0x1F, 0x7F) written as \xHH, so that no text a client
// chose can end a log line early or start one of its own; the line feed that ends the message stays. Stops
// before an escape that would not fit in `size`; the result is always terminated.
void EscapeLogMessage(char *escaped, size_t size, const char *message);

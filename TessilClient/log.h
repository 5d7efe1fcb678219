#pragma once

// The daemon log: time-stamped lines appended to logs\TessilCPH.log under the data directory, each echoed
// to standard output without its time stamp unless the daemon runs quiet (settings.h).

// The log's directory, under the data directory (or under the current directory, see dataDirectory).
constexpr char LOGS_DIRECTORY[] = "logs";

// printf-style; every message ends in its own line feed. %S takes a NUL-terminated UTF-16 string. Control
// characters of the arguments (user and volume names come from clients) are written escaped, as \x0d.
// Safe from any thread; callers holding tableLock may call it (the log's own lock is always taken last).
void LogMessage(const char *format, ...);

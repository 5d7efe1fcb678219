#pragma once

// The daemon log: time-stamped lines appended to logs\TessilCPH.log under the data directory, each echoed
// to standard output without its time stamp unless the daemon runs quiet.

#include <cstddef>

constexpr size_t DATA_DIRECTORY_SIZE = 260;
// The log's directory, under the data directory (or under the current directory, see dataDirectory).
constexpr char LOGS_DIRECTORY[] = "logs";

// Nonzero: no echo to standard output. Set once at start-up.
extern int quiet;
// The data directory in device-namespace form, for example \\.\C:\Tessil\; empty until the users are
// loaded, and a log opened before that lies under the current directory.
extern char dataDirectory[DATA_DIRECTORY_SIZE];

// printf-style; every message ends in its own line feed. %S takes a NUL-terminated UTF-16 string. Control
// characters of the arguments (user and volume names come from clients) are written escaped, as \x0d.
// Safe from any thread; callers holding tableLock may call it (the log's own lock is always taken last).
void LogMessage(const char *format, ...);

#pragma once

// The daemon's process-wide settings, each set once at start-up before any other daemon thread exists.

#include <cstddef>
#include <cstdint>

#include "names.h"

// A path the platform gives (a module's path) or the daemon builds, with its terminator: MAX_PATH.
constexpr size_t PATH_SIZE = 260;

// Nonzero: syncers are started as the Python script rather than the syncer program.
extern int scriptMode;
// Nonzero: the log is not echoed to standard output.
extern int quiet;
// The data directory in device-namespace form, for example \\.\C:\Tessil\; empty until it is set up, and a
// log opened before that lies under the current directory.
extern char dataDirectory[PATH_SIZE];
// The daemon's own process id, passed to every syncer.
extern uint32_t daemonProcessId;
// The system's ANSI code page, in which names and arguments are checked.
extern AnsiCodePage ansiCodePage;

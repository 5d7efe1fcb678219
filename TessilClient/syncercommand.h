#pragma once

// The command line a syncer is started with: its program (or the Python script), the user's name, the
// daemon's process id and, for a registration, its argument.

#include <cstddef>
#include <cstdint>

#include "names.h"
#include "request.h"
#include "settings.h"

// The syncer program, found beside the daemon's own executable.
constexpr char SYNCER_PROGRAM_NAME[] = "Tessil.exe";
// The syncer in script mode: the interpreter at the root of the current drive and a relative script.
constexpr char SYNCER_SCRIPT_PREFIX[] = "\\Python25\\python.exe TessilClient\\Tessil.py";

// Directory of the daemon plus SYNCER_PROGRAM_NAME: the directory is at most a module path long.
constexpr size_t SYNCER_PATH_SIZE = PATH_SIZE + sizeof(SYNCER_PROGRAM_NAME);

constexpr size_t PROCESS_ID_DIGITS = 10;  // the decimal form of any 32-bit value

// Big enough for the longest form: quoted syncer path, quoted name of the longest length a request may
// register, process id, quoted argument of the longest received length, three separating blanks and the
// terminator. A name loaded from the users file may be one character longer, but comes without an argument.
constexpr size_t COMMAND_LINE_SIZE = (SYNCER_PATH_SIZE - 1 + 2) + (MAX_REGISTERED_NAME_LENGTH + 2) +
                                     PROCESS_ID_DIGITS + (MAX_FIELD_LENGTH + 2) + 3 + 1;

// Replaces the file name of the daemon's module path with the syncer program's. Returns 0, or -1 when
// the module path has no directory part.
int BuildSyncerPath(char syncerPath[SYNCER_PATH_SIZE], const char *modulePath);

// Formats a syncer command line into `commandLine` (COMMAND_LINE_SIZE bytes): the script form when
// `scriptMode` is nonzero (then `syncerPath` is not used), else the program form; with the quoted argument
// at the end when `argument` is not null. Returns 0, or -1 when it would not fit (nothing usable is left).
int BuildSyncerCommandLine(char *commandLine, size_t size, int scriptMode, const char *syncerPath,
                           const char *name, uint32_t processId, const char *argument);

#pragma once

// The data directory, where the service trusts what it finds: it and its logs directory are real
// directories that only SYSTEM and Administrators may change.

#include <windows.h>

#include "settings.h"

// Makes the data directory (its path from the drive root, without a trailing backslash: C:\Tessil) and its
// logs directory real directories owned by Administrators with the access list of DATA_DIRECTORY_SDDL,
// also when they exist already; on a volume that keeps no access lists, real directories only. Whatever
// else stands in a directory's place (a junction, a symbolic link, a file) is removed first: the link
// itself, never its target. Logs a failure; returns 0 or its Windows error code.
DWORD SecureDataDirectory(const char *directory);

// Secures Tessil at the root of the system's drive (SecureDataDirectory) and then records it in
// dataDirectory. *directory receives its path from the drive root with a trailing backslash (C:\Tessil\).
// Returns 0 or the Windows error code of the securing.
DWORD SetUpDataDirectory(char directory[PATH_SIZE]);

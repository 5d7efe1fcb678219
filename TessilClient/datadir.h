#pragma once

// Where the service trusts what it finds: the data directory and its logs directory are real directories
// that only SYSTEM and Administrators may change, and the files it reads or appends to are plain files.

#include <windows.h>

#include <cstdio>

constexpr size_t DRIVE_ROOT_LENGTH = 3;  // "C:\"

// Makes the data directory (its path from the drive root, without a trailing backslash: C:\Tessil) and its
// logs directory real directories owned by Administrators with the access list of DATA_DIRECTORY_SDDL,
// also when they exist already; on a volume that keeps no access lists, real directories only. Whatever
// else stands in a directory's place (a junction, a symbolic link, a file) is removed first: the link
// itself, never its target. Logs a failure; returns 0 or its Windows error code.
DWORD SecureDataDirectory(const char *directory);

enum PlainFileUse {
    PLAIN_FILE_UPDATE,  // read and written as bytes
    PLAIN_FILE_APPEND,  // appended to in text mode
};

// Opens the file, creating it when missing, only if it is a plain file: no directory, no link of any kind
// and no second name of a file elsewhere. The checks are made on the opened handle, so nothing can be
// swapped in between. Returns the stream, or NULL.
FILE *OpenPlainFile(const char *path, PlainFileUse use);

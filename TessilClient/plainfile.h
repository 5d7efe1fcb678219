#pragma once

// Files the service reads or appends to in directories it secured: opened only as plain files.

#include <cstdio>

#include "settings.h"

enum PlainFileUse {
    PLAIN_FILE_UPDATE,  // read and written as bytes
    PLAIN_FILE_APPEND,  // appended to in text mode
    PLAIN_FILE_READ,    // read as bytes; never created
};

// Opens the file, creating it when missing, only if it is a plain file: no directory, no link of any kind
// and no second name of a file elsewhere. The checks are made on the opened handle, so nothing can be
// swapped in between. With `movedPath`, a file that another account owns (takeover.h) is moved aside there
// and made afresh (movedPath is empty when nothing was moved; when the stream is NULL and movedPath is not,
// the file could not be moved there); without, its owner is not asked. Returns the stream, or NULL.
FILE *OpenPlainFile(const char *path, PlainFileUse use, char movedPath[PATH_SIZE]);

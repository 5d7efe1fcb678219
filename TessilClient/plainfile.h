#pragma once

// Files the service reads or appends to in directories it secured: opened only as plain files.

#include <cstdio>

enum PlainFileUse {
    PLAIN_FILE_UPDATE,  // read and written as bytes
    PLAIN_FILE_APPEND,  // appended to in text mode
};

// Opens the file, creating it when missing, only if it is a plain file: no directory, no link of any kind
// and no second name of a file elsewhere. The checks are made on the opened handle, so nothing can be
// swapped in between. Returns the stream, or NULL.
FILE *OpenPlainFile(const char *path, PlainFileUse use);

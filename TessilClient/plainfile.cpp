#include "plainfile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>

FILE *OpenPlainFile(const char *path, PlainFileUse use)
{
    const bool append = use == PLAIN_FILE_APPEND;
    // An append-only handle: every write lands at the end, whatever the stream's position.
    const DWORD access = append ? FILE_APPEND_DATA | FILE_READ_ATTRIBUTES : GENERIC_READ | GENERIC_WRITE;
    FILE *stream = NULL;
    int descriptor = -1;
    BY_HANDLE_FILE_INFORMATION information;

    HANDLE file = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (file == INVALID_HANDLE_VALUE)
        goto exit;
    if (!GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        information.nNumberOfLinks != 1)
        goto exit;
    descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), append ? _O_WRONLY | _O_APPEND | _O_TEXT
                                                                           : _O_RDWR | _O_BINARY);
    if (descriptor == -1)
        goto exit;
    file = INVALID_HANDLE_VALUE;  // the descriptor owns it now
    stream = _fdopen(descriptor, append ? "a" : "r+b");
    if (stream)
        descriptor = -1;  // and the stream owns the descriptor

exit:
    if (descriptor != -1)
        _close(descriptor);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return stream;
}

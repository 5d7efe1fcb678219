#include "plainfile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>

#include "takeover.h"

// Opens the file on *file as the entry itself, creating a missing one unless it is only read, and checks
// that it is a plain file.
static bool OpenPlainHandle(const char *path, PlainFileUse use, HANDLE *file)
{
    // An append-only handle: every write lands at the end, whatever the stream's position.
    static const DWORD ACCESS[] = {GENERIC_READ | GENERIC_WRITE, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                   GENERIC_READ};
    BY_HANDLE_FILE_INFORMATION information;
    *file = CreateFileA(path, ACCESS[use] | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                        use == PLAIN_FILE_READ ? OPEN_EXISTING : OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    return *file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(*file, &information) &&
           !(information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
           information.nNumberOfLinks == 1;
}

FILE *OpenPlainFile(const char *path, PlainFileUse use, char movedPath[PATH_SIZE])
{
    static const int FLAGS[] = {_O_RDWR | _O_BINARY, _O_WRONLY | _O_APPEND | _O_TEXT, _O_RDONLY | _O_BINARY};
    static const char *const MODES[] = {"r+b", "a", "rb"};
    FILE *stream = NULL;
    int descriptor = -1;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool trusted = true;

    if (movedPath)
        movedPath[0] = '\0';
    if (!OpenPlainHandle(path, use, &file) || (movedPath && ReadTrust(file, &trusted) != ERROR_SUCCESS))
        goto exit;
    if (!trusted) {
        // Its owner could give itself access again: moved aside, and a new one made in its place.
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        if (MoveAside(path, movedPath, PATH_SIZE) != ERROR_SUCCESS)
            goto exit;
        if (!OpenPlainHandle(path, use, &file) || ReadTrust(file, &trusted) != ERROR_SUCCESS || !trusted) {
            movedPath[0] = '\0';
            goto exit;
        }
    }
    descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), FLAGS[use]);
    if (descriptor == -1)
        goto exit;
    file = INVALID_HANDLE_VALUE;  // the descriptor owns it now
    stream = _fdopen(descriptor, MODES[use]);
    if (stream)
        descriptor = -1;  // and the stream owns the descriptor

exit:
    if (descriptor != -1)
        _close(descriptor);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return stream;
}

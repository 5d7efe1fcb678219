#include "log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "criticalsection.h"
#include "logline.h"
#include "plainfile.h"
#include "settings.h"
#include "takeover.h"

static const char LOG_FILE_NAME[] = "TessilCPH.log";
// The log before the current one; rotation replaces it, so the folder holds at most two logs.
static const char OLDER_LOG_FILE_NAME[] = "TessilCPH.log.1";
// A log grows to at most this many bytes before it is rotated: it lies on the system drive, written as
// LocalSystem, where no quota stops a client that makes the service log a lot.
static const long LOG_SIZE_LIMIT = 8L * 1024 * 1024;

// Guards the stream and keeps each line whole.
static CRITICAL_SECTION logLock;
static const CriticalSectionInitialiser logLockReady(&logLock);
static FILE *logStream;
static long logSize;  // bytes in the file, as far as this process knows
// Lines not written because the log was full and could not be renamed (a reader holding it open without
// shared delete access), and the error of the last attempt: told in the next log's first line.
static int droppedLines;
static DWORD rotationError;
// Where a log that another account owned was moved aside, for the new log's first line; empty when none.
static char movedLog[PATH_SIZE];
static const size_t LOG_NOTE_SIZE = 2 * PATH_SIZE + 64;
// The message being written, formatted and then escaped: too large for the stacks of the many connection
// threads, so kept here and guarded by logLock like the stream.
static char formattedMessage[LOG_MESSAGE_SIZE];
static char escapedMessage[LOG_ESCAPED_MESSAGE_SIZE];

// The logs directory, with its trailing backslash, once the log has been opened there: the first open
// fixes the folder for the rest of the process, rotation included.
static char logDirectory[PATH_SIZE];

// The path of a file in the logs directory; false when it does not fit.
static bool LogPath(char (&path)[PATH_SIZE], const char *directory, const char *fileName)
{
    int length = snprintf(path, sizeof path, "%s%s", directory, fileName);
    return length >= 0 && static_cast<size_t>(length) < sizeof path;
}

// After a failed open the next message tries again; until then lines go to standard output only.
static void OpenLogStream()
{
    char directory[PATH_SIZE], path[PATH_SIZE];
    if (logDirectory[0]) {
        strcpy(directory, logDirectory);
    } else {
        int length = snprintf(directory, sizeof directory, "%s%s\\", dataDirectory, LOGS_DIRECTORY);
        if (length < 0 || static_cast<size_t>(length) >= sizeof directory)
            return;
        CreateDirectoryA(directory, NULL);  // an existing directory is fine; the open decides
    }
    if (!LogPath(path, directory, LOG_FILE_NAME))
        return;
    logStream = OpenPlainFile(path, PLAIN_FILE_APPEND, movedLog);
    if (!logStream)
        return;
    strcpy(logDirectory, directory);
    // A size that cannot be read (a log of 2 GiB or more from an earlier version) counts as full.
    logSize = fseek(logStream, 0, SEEK_END) == 0 ? ftell(logStream) : -1;
    if (logSize < 0)
        logSize = LOG_SIZE_LIMIT;
}

// Renames the full log to the older log's name and opens a new one. Returns false when the rename failed:
// the full log is then kept open as it is.
static bool RotateLog()
{
    char path[PATH_SIZE], olderPath[PATH_SIZE];
    if (!LogPath(path, logDirectory, LOG_FILE_NAME) || !LogPath(olderPath, logDirectory, OLDER_LOG_FILE_NAME))
        return false;
    fclose(logStream);
    logStream = NULL;
    // A name is replaced, never followed: whatever stands at the older log's name goes, not its target.
    bool renamed = MoveFileExA(path, olderPath, MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!renamed)
        rotationError = GetLastError();
    OpenLogStream();
    return renamed;
}

// The bytes a line takes in the file: text mode writes each line feed as CR LF.
static long LineSizeOnDisk(const char *prefix, const char *message)
{
    long size = static_cast<long>(strlen(prefix) + strlen(message));
    for (const char *lineFeed = strchr(message, '\n'); lineFeed; lineFeed = strchr(lineFeed + 1, '\n'))
        ++size;
    return size;
}

static void AppendLogLine(const char *prefix, const char *message)
{
    fputs(prefix, logStream);
    fputs(message, logStream);
    fflush(logStream);
    logSize += LineSizeOnDisk(prefix, message);
}

// Rotates the log first when the line would take it past its limit. While the full log cannot be
// renamed, lines are not written to it; the next log's first line says how many were lost.
static void WriteLogLine(const char *prefix, const char *message)
{
    char note[LOG_NOTE_SIZE] = "";
    if (logSize > 0 && logSize + LineSizeOnDisk(prefix, message) > LOG_SIZE_LIMIT) {
        if (!RotateLog()) {
            ++droppedLines;
            return;
        }
        if (!logStream)
            return;
        if (droppedLines > 0)
            snprintf(note, sizeof note, "%d log lines not written: the log could not be renamed, error %d.\n",
                     droppedLines, static_cast<int>(rotationError));
        droppedLines = 0;
    }
    if (movedLog[0]) {
        snprintf(note, sizeof note, MOVED_ASIDE_MESSAGE, LOG_FILE_NAME, movedLog);
        movedLog[0] = '\0';
    }
    if (note[0])
        AppendLogLine(prefix, note);
    AppendLogLine(prefix, message);
}

void LogMessage(const char *format, ...)
{
    EnterCriticalSection(&logLock);
    if (!logStream)
        OpenLogStream();

    va_list arguments;
    va_start(arguments, format);
    vsnprintf(formattedMessage, sizeof formattedMessage, format, arguments);
    va_end(arguments);
    formattedMessage[sizeof formattedMessage - 1] = '\0';  // also where a truncating formatter left none
    EscapeLogMessage(escapedMessage, sizeof escapedMessage, formattedMessage);

    if (logStream) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        LogTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
        char prefix[LOG_PREFIX_SIZE];
        FormatLogPrefix(prefix, time);
        WriteLogLine(prefix, escapedMessage);
    }
    if (!quiet) {
        fputs(escapedMessage, stdout);
        fflush(stdout);  // a console run is often watched through a pipe
    }
    LeaveCriticalSection(&logLock);
}

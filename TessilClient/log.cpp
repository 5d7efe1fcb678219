#include "log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "criticalsection.h"
#include "logline.h"
#include "plainfile.h"
#include "settings.h"

static const char LOG_FILE_NAME[] = "TessilCPH.log";

// Guards the stream and keeps each line whole.
static CRITICAL_SECTION logLock;
static const CriticalSectionInitialiser logLockReady(&logLock);
static FILE *logStream;
// The message being written, formatted and then escaped: too large for the stacks of the many connection
// threads, so kept here and guarded by logLock like the stream.
static char formattedMessage[LOG_MESSAGE_SIZE];
static char escapedMessage[LOG_ESCAPED_MESSAGE_SIZE];

// The first successful open fixes the file for the rest of the process. After a failed open the next
// message tries again; until then lines go to standard output only.
static void OpenLogStream()
{
    char path[PATH_SIZE];
    int length = snprintf(path, sizeof path, "%s%s", dataDirectory, LOGS_DIRECTORY);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path)
        return;
    CreateDirectoryA(path, NULL);  // an existing directory is fine; the open decides
    length = snprintf(path, sizeof path, "%s%s\\%s", dataDirectory, LOGS_DIRECTORY, LOG_FILE_NAME);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path)
        return;
    logStream = OpenPlainFile(path, PLAIN_FILE_APPEND);
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
        fputs(prefix, logStream);
        fputs(escapedMessage, logStream);
        fflush(logStream);
    }
    if (!quiet) {
        fputs(escapedMessage, stdout);
        fflush(stdout);  // a console run is often watched through a pipe
    }
    LeaveCriticalSection(&logLock);
}

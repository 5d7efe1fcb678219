#include "users.h"

#include <cstdlib>
#include <cstring>

#include "criticalsection.h"
#include "datadir.h"
#include "log.h"
#include "plainfile.h"
#include "settings.h"
#include "syncercommand.h"
#include "userfile.h"

UserSlot UserTable[MAX_USERS];
int userCount;
CRITICAL_SECTION tableLock;
static const CriticalSectionInitialiser tableLockReady(&tableLock);
static FILE *userListFile;

static const char USER_LIST_FILE_NAME[] = "TessilUList.cfg";

// Set when the file's last line has no line feed, so the next appended name does not run into it.
static bool userListEndsMidLine;

int FindUser(const char *name)
{
    for (int slot = 0; slot < userCount; ++slot) {
        if (CompareNoCase(UserTable[slot].name, name) == 0)
            return slot;
    }
    return -1;
}

void LaunchSyncer(int slot, const char *argument)
{
    UserSlot *user = &UserTable[slot];
    char syncerPath[SYNCER_PATH_SIZE] = "";
    const char *workingDirectory = NULL;  // script mode: the daemon's own, for the relative script path

    if (!scriptMode) {
        char modulePath[PATH_SIZE];
        DWORD length = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
        if (length == 0 || length >= sizeof modulePath || BuildSyncerPath(syncerPath, modulePath) != 0) {
            LogMessage("could not get Tessil daemon path err %d.\n", static_cast<int>(length));
            return;
        }
        workingDirectory = dataDirectory;
    }

    char commandLine[COMMAND_LINE_SIZE];
    if (BuildSyncerCommandLine(commandLine, sizeof commandLine, scriptMode, syncerPath, user->name,
                               daemonProcessId, argument) != 0) {
        LogMessage("Command line too long for user %s.\n", user->name);
        return;
    }

    ZeroMemory(&user->startupInfo, sizeof user->startupInfo);
    ZeroMemory(&user->processInfo, sizeof user->processInfo);
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, workingDirectory, &user->startupInfo,
                        &user->processInfo)) {
        DWORD error = GetLastError();
        LogMessage("CreateProcess failed %d.\n", static_cast<int>(error));
        ZeroMemory(&user->processInfo, sizeof user->processInfo);
        user->processInfo.hProcess = INVALID_HANDLE_VALUE;  // the supervisor retries it like an exit
        return;
    }
    LogMessage("started for user %s on %d.\n", user->name, slot);
}

int AddUser(const char *name, const char *argument, RegistrationRefusal *refusal)
{
    *refusal = REGISTRATION_ACCEPTED;
    if (userCount >= MAX_USERS) {
        *refusal = REFUSED_TABLE_FULL;
        return -1;
    }
    size_t length = strlen(name);
    char *copy = static_cast<char *>(calloc(length + 1, 1));
    if (!copy) {
        *refusal = REFUSED_OUT_OF_MEMORY;
        return -1;
    }
    memcpy(copy, name, length);

    int slot = userCount;
    UserTable[slot].name = copy;
    ++userCount;
    LaunchSyncer(slot, argument);
    return slot;
}

int AppendUserToFile(const char *name)
{
    return AppendUserLine(userListFile, name, &userListEndsMidLine);
}

// Registers the name of one users file line (line feed cut), unless it is refused or already there. A name
// that would break the quoting of the syncer's command line (a file written by an earlier version) is
// refused here too; its length is bounded by the line reading alone. A control byte that an earlier version
// let into a name is kept: the user has been running with it, and between quotes it does no harm.
static void LoadUser(const char *name, int lineNumber)
{
    RegistrationRefusal refusal = CheckQuoting(ansiCodePage, name, NULL);
    if (refusal == REGISTRATION_ACCEPTED && FindUser(name) >= 0) {
        LogMessage("Syncer already running for %s, ignoring duplicate.\n", name);
        return;
    }
    if (refusal == REGISTRATION_ACCEPTED)
        AddUser(name, NULL, &refusal);
    if (refusal != REGISTRATION_ACCEPTED)
        LogMessage("Users file line %d ignored: %s.\n", lineNumber, RefusalText(refusal));
}

// The platform's view of the ANSI code page, as the checks of names and arguments need it.
static void ReadAnsiCodePage()
{
    for (int byte = 0; byte < 256; ++byte)
        ansiCodePage.leadByte[byte] = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(byte)) != FALSE;
}

int LoadUserList()
{
    ReadAnsiCodePage();

    char path[PATH_SIZE];
    if (SetUpDataDirectory(path) != ERROR_SUCCESS)
        return -1;
    strcat(path, USER_LIST_FILE_NAME);

    userListFile = OpenPlainFile(path, PLAIN_FILE_UPDATE);
    if (!userListFile) {
        LogMessage("fopen failed for %s.\n", path);
        return -1;
    }

    char line[USER_LINE_BUFFER_SIZE];
    int lineNumber = 0;
    UserLineOutcome outcome;
    while ((outcome = ReadUserLine(userListFile, line, &userListEndsMidLine)) != USER_LINES_ENDED) {
        if (outcome == USER_LINE_TOO_LONG) {
            LogMessage("Username too big.\n");
            exit(EXIT_FAILURE);
        }
        LoadUser(line, ++lineNumber);
    }
    return 0;
}

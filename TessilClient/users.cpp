#include "users.h"

#include <cstdlib>
#include <cstring>

#include "criticalsection.h"
#include "datadir.h"
#include "log.h"
#include "plainfile.h"
#include "settings.h"
#include "syncercommand.h"
#include "takeover.h"
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
        if (CompareNoCase(ansiCodePage, UserTable[slot].name, name) == 0)
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

// No user is lost when the users file, or the directory holding it, had to be moved aside: the names of
// the moved copy go into the new file, where they are loaded like any others.
static void CarryUsersOver(const char *movedUsersFile)
{
    FILE *moved = OpenPlainFile(movedUsersFile, PLAIN_FILE_READ, NULL);
    if (!moved)
        return;  // the directory held none
    char line[USER_LINE_BUFFER_SIZE];
    bool movedEndsMidLine = false;
    UserLineOutcome outcome;
    while ((outcome = ReadUserLine(moved, line, &movedEndsMidLine)) == USER_LINE_READ) {
        if (AppendUserToFile(line) != 0)
            break;
    }
    if (outcome == USER_LINE_TOO_LONG)
        LogMessage("Users file %s: a line too long, not carried over with those after it.\n", movedUsersFile);
    fclose(moved);
    fseek(userListFile, 0, SEEK_SET);  // the loader reads the new file from its start
}

// A character the code page lacks reaches the syncer as '?', another user's name or an argument not given.
static bool IsAnsiText(const char *text)
{
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, NULL, 0) != 0;
}

// The platform's view of the ANSI code page, as the checks of names and arguments need it.
static void ReadAnsiCodePage()
{
    ansiCodePage.isText = IsAnsiText;
    for (int byte = 0; byte < 256; ++byte)
        ansiCodePage.leadByte[byte] = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(byte)) != FALSE;
}

UsersLoaded LoadUserList()
{
    ReadAnsiCodePage();

    char path[PATH_SIZE], movedDirectory[PATH_SIZE], movedFile[PATH_SIZE];
    if (SetUpDataDirectory(path, movedDirectory) != ERROR_SUCCESS)
        return USERS_DATA_DIRECTORY_NOT_SECURED;
    strcat(path, USER_LIST_FILE_NAME);

    userListFile = OpenPlainFile(path, PLAIN_FILE_UPDATE, movedFile);
    if (!userListFile && movedFile[0]) {
        DWORD error = GetLastError();
        LogMessage("Could not move %s aside, error %d.\n", path, static_cast<int>(error));
        return USERS_DATA_DIRECTORY_NOT_SECURED;  // held open by its owner, say: tried again later
    }
    if (!userListFile) {
        LogMessage("fopen failed for %s.\n", path);
        return USERS_FILE_NOT_OPENED;
    }
    if (movedFile[0]) {
        LogMessage(MOVED_ASIDE_MESSAGE, path, movedFile);
        CarryUsersOver(movedFile);
    } else if (movedDirectory[0] &&
               snprintf(movedFile, sizeof movedFile, "%s\\%s", movedDirectory, USER_LIST_FILE_NAME) <
                   static_cast<int>(sizeof movedFile)) {
        CarryUsersOver(movedFile);
    }

    char line[USER_LINE_BUFFER_SIZE];
    int lineNumber = 0;
    UserLineOutcome outcome;
    while ((outcome = ReadUserLine(userListFile, line, &userListEndsMidLine)) != USER_LINES_ENDED) {
        if (outcome == USER_LINE_TOO_LONG) {
            LogMessage("Username too big.\n");
            return USERS_FILE_LINE_TOO_LONG;
        }
        LoadUser(line, ++lineNumber);
    }
    return USERS_LOADED;
}

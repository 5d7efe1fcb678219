#include "takeover.h"

#include <cstdio>

#include "filesecurity.h"

// Names tried beside a moved entry before giving up: earlier start-ups may have left some.
static const int MOVE_ASIDE_ATTEMPTS = 100;
// TOKEN_USER and the SID that follows it.
static const DWORD TOKEN_USER_SIZE = sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE;

// The account this process runs as: SYSTEM for the service, the user for a console run.
static bool IsOwnAccount(PSID owner)
{
    HANDLE token = NULL;
    union {
        TOKEN_USER user;
        BYTE bytes[TOKEN_USER_SIZE];
    } account;
    DWORD size = 0;
    bool own = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
               GetTokenInformation(token, TokenUser, &account, sizeof account, &size) &&
               EqualSid(owner, account.user.User.Sid);
    if (token)
        CloseHandle(token);
    return own;
}

static bool IsNameTaken(DWORD error)
{
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

DWORD ReadTrust(HANDLE object, bool *trusted)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    PSID owner = NULL;
    *trusted = false;
    DWORD error = ReadOwner(object, &descriptor, &owner);
    // A file system that keeps no owners has none to distrust.
    if (error == ERROR_SUCCESS)
        *trusted = !owner || IsWellKnownSid(owner, WinLocalSystemSid) ||
                   IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsOwnAccount(owner);
    if (descriptor)
        LocalFree(descriptor);
    return error;
}

DWORD MoveAside(const char *path, char *movedPath, size_t movedPathSize)
{
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 1; attempt <= MOVE_ASIDE_ATTEMPTS && IsNameTaken(error); ++attempt) {
        int length = snprintf(movedPath, movedPathSize, "%s.untrusted-%d", path, attempt);
        if (length < 0 || static_cast<size_t>(length) >= movedPathSize)
            return ERROR_BUFFER_OVERFLOW;
        // Without MOVEFILE_REPLACE_EXISTING: an older moved entry is kept, and the next name tried.
        error = MoveFileExA(path, movedPath, 0) ? ERROR_SUCCESS : GetLastError();
    }
    return error;
}

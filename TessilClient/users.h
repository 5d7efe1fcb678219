#pragma once

// The registry of users: the users file, UserTable and the start of each user's syncer.

#include <windows.h>

#include <cstdint>

#include "names.h"

constexpr int MAX_USERS = 128;

struct UserSlot {
    char *name;  // heap copy, owned by the table and never freed
    int32_t port;  // 0 until the syncer reports one; kept only in memory
    STARTUPINFOA startupInfo;
    // hProcess: 0 = no syncer process, INVALID_HANDLE_VALUE = the last start failed, else the syncer.
    PROCESS_INFORMATION processInfo;
};

// Slots 0 .. userCount-1 are in use, in order of registration; a slot is never removed. UserTable, userCount
// and the users file are guarded by tableLock, which is ready from the start of the process.
extern UserSlot UserTable[MAX_USERS];
extern int userCount;
extern CRITICAL_SECTION tableLock;

// Sets up the data directory, creates or opens the users file and registers every user listed in it.
// Returns 0, or -1 when the data directory cannot be secured or the users file cannot be opened. Runs
// before any other daemon thread exists.
int LoadUserList();

// Appends the user to UserTable and starts its syncer; `argument` is null for users loaded from the file.
// Returns the new slot, or -1 with the reason in *refusal (the table is full, or no memory for the name).
int AddUser(const char *name, const char *argument, RegistrationRefusal *refusal);

// Builds the slot user's command line and starts the syncer, recording the outcome in the slot.
void LaunchSyncer(int slot, const char *argument);

// The first slot whose name equals `name` ignoring case, or -1.
int FindUser(const char *name);

// Appends a newly registered name and a line feed to the users file and flushes it. Returns 0 or -1.
int AppendUserToFile(const char *name);

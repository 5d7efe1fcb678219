#pragma once

// Who sent a port report: only a user's syncer knows the port it listens on, so only it (or a process it
// started) may report one. Another process's report would send the user's interface to its own listener.

#include <winsock2.h>
#include <windows.h>

// The process at the client end of the connection, by the system's TCP table matched on the connection's
// two addresses; 0 when the table has no such row or names no owner.
DWORD ConnectionOwner(SOCKET connection);

// Whether `process` is the running syncer of the record or a process started by it, followed through the
// parent process ids. The caller holds tableLock, so the syncer's handle stays open and its id is not
// given to another process meanwhile.
bool IsSyncerOrDescendant(DWORD process, const PROCESS_INFORMATION &syncer);

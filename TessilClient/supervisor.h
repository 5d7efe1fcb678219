#pragma once

// The syncer supervisor: one pass over UserTable every 10 seconds that restarts exited syncers with
// back-off (backoff.h), and the termination of every syncer when the service stops.

#include <windows.h>

// The supervisor thread's routine (no parameter); started once by RunDaemon after the users are loaded.
// It never returns.
DWORD WINAPI SupervisorThread(LPVOID unused);

// Terminates every started syncer with exit code 1; the caller holds tableLock.
void TerminateSyncers();

// Terminates every started syncer with exit code 1. Takes tableLock and keeps it: the process is about to
// end, and nothing may start a syncer that would outlive the service.
void StopAllSyncers();

#include "supervisor.h"

#include "backoff.h"
#include "log.h"
#include "users.h"

static const UINT STOPPED_SYNCER_EXIT_CODE = 1;

// Owned by the supervisor thread; zero at its start.
static RestartState restartStates[MAX_USERS];

static bool IsStartedProcess(HANDLE process)
{
    return process != NULL && process != INVALID_HANDLE_VALUE;
}

// The process edge of a pass: what the slot's process record shows. Returns false, after logging why,
// when the process could not be asked; *exitCode is the code to report for an exit. Whether the syncer
// runs is the process's state, not its exit code: a syncer may itself exit with 259 (STILL_ACTIVE).
static bool SightSyncer(const PROCESS_INFORMATION &process, SyncerSighting *sighting, int *exitCode)
{
    *sighting = SYNCER_ABSENT;
    *exitCode = 0;
    if (process.hProcess == NULL)
        return true;
    if (process.hProcess == INVALID_HANDLE_VALUE) {
        *sighting = SYNCER_START_FAILED;
        *exitCode = START_FAILED_EXIT_CODE;
        return true;
    }
    DWORD waited = WaitForSingleObject(process.hProcess, 0);
    if (waited == WAIT_TIMEOUT) {
        *sighting = SYNCER_RUNNING;
        return true;
    }
    if (waited != WAIT_OBJECT_0) {
        DWORD error = GetLastError();
        LogMessage("WaitForSingleObject failed with %d\n", static_cast<int>(error));
        return false;
    }
    DWORD code;
    if (!GetExitCodeProcess(process.hProcess, &code)) {
        DWORD error = GetLastError();
        LogMessage("GetExitCodeProcess failed with %d\n", static_cast<int>(error));
        return false;
    }
    *sighting = SYNCER_EXITED;
    *exitCode = static_cast<int>(code);
    return true;
}

// The thread handle is not used, but it is a handle all the same: closed with the process handle.
static void ClearProcessRecord(PROCESS_INFORMATION *process)
{
    if (IsStartedProcess(process->hProcess))
        CloseHandle(process->hProcess);
    if (process->hThread != NULL)
        CloseHandle(process->hThread);
    ZeroMemory(process, sizeof *process);
}

static void SupervisePass()
{
    EnterCriticalSection(&tableLock);
    for (int slot = 0; slot < userCount; ++slot) {
        UserSlot *user = &UserTable[slot];
        SyncerSighting sighting;
        int exitCode;
        if (!SightSyncer(user->processInfo, &sighting, &exitCode))
            continue;  // looked at again in the next pass
        RestartDecision decision = DecideRestart(&restartStates[slot], sighting);
        if (decision.reportExit)
            LogMessage("Syncer for user %s has exited with %d\n", user->name, exitCode);
        if (decision.clearRecord)
            ClearProcessRecord(&user->processInfo);
        if (decision.restartNow) {
            LogMessage("restarting syncer for %d\n", slot);
            LaunchSyncer(slot, NULL);
        }
    }
    LeaveCriticalSection(&tableLock);
}

DWORD WINAPI SupervisorThread(LPVOID)
{
    for (;;) {
        SupervisePass();
        Sleep(SUPERVISOR_POLL_INTERVAL_MS);
    }
}

void TerminateSyncers()
{
    for (int slot = 0; slot < userCount; ++slot) {
        HANDLE process = UserTable[slot].processInfo.hProcess;
        if (IsStartedProcess(process))
            TerminateProcess(process, STOPPED_SYNCER_EXIT_CODE);  // one that already ended refuses; nothing to do
    }
}

void StopAllSyncers()
{
    // Never left: the pass that closes a handle holds the lock, so no handle is terminated after it was
    // closed, and once every syncer is told to end no pass or registration starts another.
    EnterCriticalSection(&tableLock);
    TerminateSyncers();
}

#include "portowner.h"

#include <iphlpapi.h>
#include <tlhelp32.h>

#include <cstdlib>

// The table can grow between asking its size and reading it; asked again a few times, then given up.
static const int TCP_TABLE_ATTEMPTS = 4;
// Generations followed from the reporting process up to the syncer.
static const int MAX_ANCESTRY_DEPTH = 16;

static bool IsRowOf(const MIB_TCPROW_OWNER_PID &row, const sockaddr_in &clientEnd, const sockaddr_in &daemonEnd)
{
    // Ports are in network order in the low 16 bits, like sin_port.
    return row.dwLocalAddr == clientEnd.sin_addr.s_addr && (row.dwLocalPort & 0xFFFF) == clientEnd.sin_port &&
           row.dwRemoteAddr == daemonEnd.sin_addr.s_addr && (row.dwRemotePort & 0xFFFF) == daemonEnd.sin_port;
}

DWORD ConnectionOwner(SOCKET connection)
{
    sockaddr_in daemonEnd, clientEnd;
    int daemonSize = sizeof daemonEnd, clientSize = sizeof clientEnd;
    MIB_TCPTABLE_OWNER_PID *table = NULL;
    DWORD size = 0, owner = 0, result = ERROR_INSUFFICIENT_BUFFER;

    if (getsockname(connection, reinterpret_cast<sockaddr *>(&daemonEnd), &daemonSize) != 0 ||
        getpeername(connection, reinterpret_cast<sockaddr *>(&clientEnd), &clientSize) != 0 ||
        daemonEnd.sin_family != AF_INET || clientEnd.sin_family != AF_INET)
        goto exit;
    for (int attempt = 0; attempt < TCP_TABLE_ATTEMPTS && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        free(table);
        table = size ? static_cast<MIB_TCPTABLE_OWNER_PID *>(malloc(size)) : NULL;
        if (size && !table)
            goto exit;
        result = GetExtendedTcpTable(table, &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
    }
    if (result != NO_ERROR || !table)
        goto exit;
    for (DWORD row = 0; row < table->dwNumEntries; ++row) {
        if (IsRowOf(table->table[row], clientEnd, daemonEnd)) {
            owner = table->table[row].dwOwningPid;
            break;
        }
    }

exit:
    free(table);
    return owner;
}

static bool CreationTime(HANDLE process, FILETIME *created)
{
    FILETIME exited, kernel, user;
    return GetProcessTimes(process, created, &exited, &kernel, &user) != FALSE;
}

static bool CreationTimeOf(DWORD processId, FILETIME *created)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    bool known = CreationTime(process, created);
    CloseHandle(process);
    return known;
}

// The parent id the process was started with, from a snapshot of the process list; 0 when not listed.
static DWORD ParentOf(HANDLE processList, DWORD processId)
{
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(processList, &entry); more; more = Process32Next(processList, &entry)) {
        if (entry.th32ProcessID == processId)
            return entry.th32ParentProcessID;
    }
    return 0;
}

bool IsSyncerOrDescendant(DWORD process, const PROCESS_INFORMATION &syncer)
{
    HANDLE processList = INVALID_HANDLE_VALUE;
    FILETIME syncerCreated, childCreated, parentCreated;
    bool found = false;

    if (process == 0 || syncer.hProcess == NULL || syncer.hProcess == INVALID_HANDLE_VALUE ||
        WaitForSingleObject(syncer.hProcess, 0) != WAIT_TIMEOUT)
        goto exit;  // no owner known, or no syncer running
    if (process == syncer.dwProcessId) {
        found = true;
        goto exit;
    }
    processList = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processList == INVALID_HANDLE_VALUE || !CreationTime(syncer.hProcess, &syncerCreated) ||
        !CreationTimeOf(process, &childCreated))
        goto exit;
    for (int depth = 0; depth < MAX_ANCESTRY_DEPTH; ++depth) {
        DWORD parent = ParentOf(processList, process);
        if (parent == 0)
            break;
        if (parent == syncer.dwProcessId) {
            parentCreated = syncerCreated;
        } else if (!CreationTimeOf(parent, &parentCreated)) {
            break;
        }
        // A parent id outlives its process, and the id may since have gone to another one: a true parent
        // was made before its child.
        if (CompareFileTime(&parentCreated, &childCreated) > 0)
            break;
        if (parent == syncer.dwProcessId) {
            found = true;
            break;
        }
        process = parent;
        childCreated = parentCreated;
    }

exit:
    if (processList != INVALID_HANDLE_VALUE)
        CloseHandle(processList);
    return found;
}

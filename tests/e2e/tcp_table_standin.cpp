// Test stand-in of the system's TCP table call (iphlpapi.dll's GetExtendedTcpTable): Wine's table names no
// owning process, every row has process id 0. Placed beside the daemon and loaded instead of Wine's
// (WINEDLLOVERRIDES=iphlpapi=n,b), it answers with the connections to the daemon that the tests' Windows
// processes declare in tcp-owners.txt beside it, one line "<local port> <process id>" each.

#include <windows.h>
#include <iprtrmib.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

static const int MAX_ROWS = 512;
static const DWORD LOOPBACK = 0x0100007F;  // 127.0.0.1 as it lies in memory
static const unsigned DAEMON_PORT = 6063;

// A port in network order, as the table holds it.
static DWORD NetworkPort(unsigned port)
{
    return ((port & 0xFF) << 8) | ((port >> 8) & 0xFF);
}

static FILE *OpenDeclarations()
{
    static const char DECLARATIONS[] = "tcp-owners.txt";
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);  // the daemon, beside this library
    char *lastBackslash = length && length < sizeof path ? strrchr(path, '\\') : NULL;
    if (!lastBackslash || lastBackslash + sizeof DECLARATIONS >= path + sizeof path)
        return NULL;
    strcpy(lastBackslash + 1, DECLARATIONS);
    return fopen(path, "r");
}

extern "C" DWORD WINAPI GetExtendedTcpTable(PVOID table, PDWORD size, BOOL, ULONG family,
                                            TCP_TABLE_CLASS tableClass, ULONG)
{
    if (family != AF_INET || tableClass != TCP_TABLE_OWNER_PID_CONNECTIONS)
        return ERROR_NOT_SUPPORTED;
    static MIB_TCPROW_OWNER_PID rows[MAX_ROWS];
    DWORD count = 0;
    unsigned port, process;
    if (FILE *declarations = OpenDeclarations()) {
        while (count < MAX_ROWS && fscanf(declarations, "%u %u", &port, &process) == 2)
            rows[count++] = {MIB_TCP_STATE_ESTAB, LOOPBACK, NetworkPort(port), LOOPBACK, NetworkPort(DAEMON_PORT),
                             process};
        fclose(declarations);
    }
    const DWORD needed = offsetof(MIB_TCPTABLE_OWNER_PID, table) + count * sizeof rows[0];
    if (!table || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    MIB_TCPTABLE_OWNER_PID *filled = static_cast<MIB_TCPTABLE_OWNER_PID *>(table);
    filled->dwNumEntries = count;
    memcpy(filled->table, rows, count * sizeof rows[0]);
    return NO_ERROR;
}

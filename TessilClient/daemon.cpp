#include "daemon.h"

#include <windows.h>

#include <cstring>

#include "gatherer.h"
#include "log.h"
#include "serving.h"
#include "settings.h"
#include "supervisor.h"
#include "users.h"

static const DWORD LISTENER_RETRY_DELAY = 60000;  // ms
static const DWORD DATA_DIRECTORY_RETRY_DELAY = 60000;  // ms
static const char LISTEN_ADDRESS[] = "127.0.0.1";

// Clients connect all at once when every syncer reports its port at start-up: a short accept queue loses
// some of them, so the platform's longest is used.
static const int LISTEN_BACKLOG = SOMAXCONN;

SOCKET OpenListener(uint16_t port)
{
    SOCKET opened = INVALID_SOCKET;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener == INVALID_SOCKET)
        goto exit;

    // Exclusive: with address reuse, another local process could bind the same address beside it (Windows
    // XP allows that) and take its requests.
    int exclusive, result;
    exclusive = 1;
    result = setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char *>(&exclusive),
                        sizeof exclusive);
    if (result != 0) {
        LogMessage("setsockopt failed, returned: %d.\n", result);
        goto exit;
    }

    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr(LISTEN_ADDRESS);
    result = bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    if (result != 0) {
        LogMessage("bind failed, returned: %d.\n", result);
        goto exit;
    }

    if (listen(listener, LISTEN_BACKLOG) != 0)
        goto exit;
    opened = listener;
    listener = INVALID_SOCKET;

exit:
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    return opened;
}

DaemonEnd RunDaemon(uint16_t port, int scriptModeFlag, int quietFlag)
{
    scriptMode = scriptModeFlag;
    quiet = quietFlag;

    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 0), &winsock);  // a failure shows as a listener that cannot be opened

    SOCKET listener;
    while ((listener = OpenListener(port)) == INVALID_SOCKET) {
        LogMessage("Retrying in a minute...\n");
        Sleep(LISTENER_RETRY_DELAY);
    }

    daemonProcessId = GetCurrentProcessId();
    UsersLoaded loaded;
    for (;;) {
        // A stop may come while the users are loaded: StopAllSyncers then waits for the whole table.
        EnterCriticalSection(&tableLock);
        loaded = LoadUserList();
        // Under the service manager a failed start is followed by another: syncers left running by each
        // would pile up, all as LocalSystem.
        if (loaded == USERS_FILE_LINE_TOO_LONG)
            TerminateSyncers();
        LeaveCriticalSection(&tableLock);
        if (loaded != USERS_DATA_DIRECTORY_NOT_SECURED)
            break;
        // The listener stays, so that no other process takes the port meanwhile.
        LogMessage("Retrying in a minute...\n");
        Sleep(DATA_DIRECTORY_RETRY_DELAY);
    }
    if (loaded == USERS_FILE_NOT_OPENED)
        return DAEMON_GAVE_UP;
    if (loaded == USERS_FILE_LINE_TOO_LONG)
        return DAEMON_STOPPED_BY_USERS_FILE;

    HANDLE supervisor = CreateThread(NULL, 0, SupervisorThread, NULL, 0, NULL);
    if (supervisor == NULL) {
        DWORD error = GetLastError();
        LogMessage("Could not start the syncer supervisor, error %d.\n", static_cast<int>(error));
    } else {
        CloseHandle(supervisor);
    }

    while (StartServingThreads() != 0) {
        LogMessage("Retrying in a minute...\n");
        Sleep(LISTENER_RETRY_DELAY);
    }
    GatherRequests(listener);
}

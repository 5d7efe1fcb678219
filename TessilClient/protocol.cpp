#include "protocol.h"

#include <cstring>
#include <new>
#include <string>

#include "gatherer.h"
#include "log.h"
#include "snapshot.h"
#include "supervisor.h"
#include "users.h"

static const DWORD LISTENER_RETRY_DELAY = 60000;  // ms
// A connection thread's stack reservation, small so that thousands of threads (held snapshots, say) fit in a
// 32-bit process. Measured deepest: 15 KB for a snapshot through the test stand-in of the shadow copy
// service, 8 KB for a registration that starts a syncer; the real service's COM calls go deeper, hence the
// wide margin.
static const SIZE_T CONNECTION_STACK_RESERVE = 256 * 1024;  // bytes
static const char LISTEN_ADDRESS[] = "127.0.0.1";

// Clients connect all at once when every syncer reports its port at start-up: a short accept queue loses
// some of them, so the platform's longest is used. A benchmark build may set its own.
#ifndef TESSIL_LISTEN_BACKLOG
#define TESSIL_LISTEN_BACKLOG SOMAXCONN
#endif

static const wchar_t SNAPSHOT_FAILED_TEXT[] = L"Snapshot creation failed.";

int RecvAll(SOCKET connection, char *buffer, int n)
{
    while (n > 0) {
        int received = recv(connection, buffer, n, 0);
        if (received <= 0)
            return -1;
        buffer += received;
        n -= received;
    }
    return 0;
}

int SendAll(SOCKET connection, const char *buffer, int n)
{
    while (n > 0) {
        int sent = send(connection, buffer, n, 0);
        if (sent <= 0)
            return -1;
        buffer += sent;
        n -= sent;
    }
    return 0;
}

static void SendInt32(SOCKET connection, int32_t value)
{
    char bytes[4];
    EncodeInt32(value, bytes);
    SendAll(connection, bytes, sizeof bytes);
}

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

    if (listen(listener, TESSIL_LISTEN_BACKLOG) != 0)
        goto exit;
    opened = listener;
    listener = INVALID_SOCKET;

exit:
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    return opened;
}

// REQ_USER: look the user up, registering a new one; reply with the stored port. A refused registration
// is closed without a reply.
static void ServeUserRequest(SOCKET connection, const Request &request)
{
    int32_t port = 0;
    RegistrationRefusal refusal = REGISTRATION_ACCEPTED;

    EnterCriticalSection(&tableLock);
    int slot = FindUser(request.name);
    if (slot < 0) {
        refusal = CheckRegistration(ansiCodePage, request.name, request.argument);
        if (refusal == REGISTRATION_ACCEPTED)
            slot = AddUser(request.name, request.argument, &refusal);
        if (slot >= 0 && AppendUserToFile(request.name) != 0)
            LogMessage("Could not add %s to the users file.\n", request.name);
        if (refusal != REGISTRATION_ACCEPTED)
            LogMessage("Registration refused: %s.\n", RefusalText(refusal));
    }
    if (slot >= 0)
        port = UserTable[slot].port;
    LeaveCriticalSection(&tableLock);

    if (slot >= 0)
        SendInt32(connection, port);
}

// REQ_PORT: store the port for a known user. No reply.
static void ServePortRequest(const Request &request)
{
    EnterCriticalSection(&tableLock);
    int slot = FindUser(request.name);
    if (slot >= 0)
        UserTable[slot].port = request.port;
    else
        LogMessage("Port for unknown user %s.\n", request.name);
    LeaveCriticalSection(&tableLock);
}

// Runs wholly on the connection's thread and takes no lock, so snapshots of several requests can be in
// the making at once. The snapshot lives until the client has released it (or gone away).
void HandleSnapshotRequest(SOCKET connection, const uint16_t *volumeName)
{
    const wchar_t *volume = reinterpret_cast<const wchar_t *>(volumeName);
    VolumeSnapshot snapshot;
    int32_t status = snapshot.Create(volume);
    int32_t result = S_OK;
    std::wstring text = SNAPSHOT_FAILED_TEXT;

    if (status != SNAPSHOT_MADE) {
        result = snapshot.GetLastResult();
        LogMessage("Snapshot creation failed for %S.\n", volume);
        LogMessage("Status %d %x.\n", status, static_cast<unsigned>(result));
    } else {
        text = snapshot.GetDeviceName();
    }

    const int32_t textBytes = static_cast<int32_t>(text.size() * sizeof text[0]);
    SendInt32(connection, status);
    SendInt32(connection, result);
    SendInt32(connection, textBytes);
    SendAll(connection, reinterpret_cast<const char *>(text.data()), textBytes);

    char release[4];
    RecvAll(connection, release, sizeof release);  // the client is done, or gone
    // Only now does the snapshot go, with the object.
}

static void ServeRequest(SOCKET connection, RequestOutcome outcome, const Request &request)
{
    if (outcome == REQUEST_UNKNOWN_TYPE)
        LogMessage("Invalide request type.\n");
    else if (request.type == REQ_USER)
        ServeUserRequest(connection, request);
    else if (request.type == REQ_PORT)
        ServePortRequest(request);
    else
        HandleSnapshotRequest(connection, request.volume);
}

DWORD WINAPI ConnectionThread(LPVOID parameter)
{
    ArrivedRequest *arrived = static_cast<ArrivedRequest *>(parameter);
    // An exception (no memory for a reply's text, say) ends this connection, not the service.
    try {
        ServeRequest(arrived->connection, arrived->outcome, arrived->request);
    } catch (...) {
    }
    closesocket(arrived->connection);
    delete arrived;
    return 0;
}

void StartConnectionThread(SOCKET connection, RequestOutcome outcome, const Request &request)
{
    ArrivedRequest *arrived = new (std::nothrow) ArrivedRequest;
    HANDLE thread = NULL;
    if (arrived) {
        arrived->connection = connection;
        arrived->outcome = outcome;
        arrived->request = request;
        thread = CreateThread(NULL, CONNECTION_STACK_RESERVE, ConnectionThread, arrived,
                              STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    }
    if (!thread) {
        closesocket(connection);
        delete arrived;
        return;
    }
    CloseHandle(thread);
}

int RunDaemon(uint16_t port, int scriptModeFlag, int quietFlag)
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
    // A stop may come while the users are loaded: StopAllSyncers then waits for the whole table.
    EnterCriticalSection(&tableLock);
    int loaded = LoadUserList();
    LeaveCriticalSection(&tableLock);
    if (loaded != 0)
        return 0;

    HANDLE supervisor = CreateThread(NULL, 0, SupervisorThread, NULL, 0, NULL);
    if (supervisor == NULL) {
        DWORD error = GetLastError();
        LogMessage("Could not start the syncer supervisor, error %d.\n", static_cast<int>(error));
    } else {
        CloseHandle(supervisor);
    }

    GatherRequests(listener);
}

#include "serving.h"

#include <windows.h>

#include <new>
#include <string>

#include "log.h"
#include "settings.h"
#include "snapshot.h"
#include "users.h"

// A connection thread's stack reservation, small so that thousands of threads (held snapshots, say) fit in a
// 32-bit process. Measured deepest: 15 KB for a snapshot through the test stand-in of the shadow copy
// service, 8 KB for a registration that starts a syncer; the real service's COM calls go deeper, hence the
// wide margin.
static const SIZE_T CONNECTION_STACK_RESERVE = 256 * 1024;  // bytes
static const wchar_t SNAPSHOT_FAILED_TEXT[] = L"Snapshot creation failed.";

// A connection whose request has arrived whole (REQUEST_COMPLETE or REQUEST_UNKNOWN_TYPE), for its thread.
struct ArrivedRequest {
    SOCKET connection;
    RequestOutcome outcome;
    Request request;
};

// Exactly n bytes: 0 when done, -1 when the connection closed or failed first. n <= 0 does nothing.
static int RecvAll(SOCKET connection, char *buffer, int n)
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

static int SendAll(SOCKET connection, const char *buffer, int n)
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

// REQ_SNAPSHOT: makes the snapshot of the volume (UTF-16, NUL-terminated), answers, and holds the snapshot
// until the client sends 4 bytes or closes. Runs wholly on the connection's thread and takes no lock, so
// snapshots of several requests can be in the making at once.
static void HandleSnapshotRequest(SOCKET connection, const uint16_t *volumeName)
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

// Serves the one request of a connection and closes the socket. The parameter is an ArrivedRequest made
// with new, which the thread deletes.
static DWORD WINAPI ConnectionThread(LPVOID parameter)
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

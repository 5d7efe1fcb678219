#include "serving.h"

#include <windows.h>

#include <new>
#include <string>

#include "log.h"
#include "pending.h"
#include "portowner.h"
#include "settings.h"
#include "snapshot.h"
#include "users.h"

// A snapshot thread's stack reservation, small beside the pool's. Measured deepest: 15 KB for a snapshot
// through the test stand-in of the shadow copy service; the real service's COM calls go deeper, hence the
// wide margin.
static const SIZE_T SNAPSHOT_STACK_RESERVE = 256 * 1024;  // bytes
static const wchar_t SNAPSHOT_FAILED_TEXT[] = L"Snapshot creation failed.";
static const int RELEASE_BYTES = 4;
// VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, which mingw's headers lack.
static const HRESULT SNAPSHOT_LIMIT_REACHED = static_cast<HRESULT>(0x80042317);

// A connection whose request has arrived whole, for the thread that serves it.
struct ArrivedRequest {
    SOCKET connection;
    RequestOutcome outcome;
    Request request;
    int extra;  // bytes the client sent after its request, already received
};

// A completion port used as the queue: the system wakes one waiting thread per request, and the one that
// waited last first, whose stack is still warm.
static HANDLE queue;
static volatile LONG queuedRequests;
static volatile LONG snapshotsInProgress;

// Exactly n bytes: 0 when done, -1 when the connection closed or failed first, or when `ms` passed first
// (INFINITE: no limit). n <= 0 does nothing.
static int RecvAllWithin(SOCKET connection, char *buffer, int n, DWORD ms)
{
    DWORD start = GetTickCount();
    while (n > 0) {
        if (ms != INFINITE) {
            DWORD elapsed = GetTickCount() - start;
            if (elapsed >= ms)
                return -1;
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(connection, &readable);
            DWORD left = ms - elapsed;
            timeval timeout = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
            if (select(0, &readable, NULL, NULL, &timeout) != 1)
                return -1;
        }
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

// REQ_PORT: store the port for a known user, reported by its syncer. No reply.
static void ServePortRequest(SOCKET connection, const Request &request)
{
    DWORD owner = ConnectionOwner(connection);  // the system's whole TCP table: read before the lock
    EnterCriticalSection(&tableLock);
    int slot = FindUser(request.name);
    if (slot < 0)
        LogMessage("Port for unknown user %s.\n", request.name);
    else if (!IsSyncerOrDescendant(owner, UserTable[slot].processInfo))
        LogMessage("Port for user %s refused: process %u is not its syncer.\n", request.name,
                   static_cast<unsigned>(owner));
    else
        UserTable[slot].port = request.port;
    LeaveCriticalSection(&tableLock);
}

static void SendSnapshotReply(SOCKET connection, int32_t status, int32_t result, const std::wstring &text)
{
    const int32_t textBytes = static_cast<int32_t>(text.size() * sizeof text[0]);
    SendInt32(connection, status);
    SendInt32(connection, result);
    SendInt32(connection, textBytes);
    SendAll(connection, reinterpret_cast<const char *>(text.data()), textBytes);
}

// REQ_SNAPSHOT: makes the snapshot of the volume (UTF-16, NUL-terminated), answers, and holds the snapshot
// until the client sends 4 bytes (of which `releaseReceived` came with the request) or closes. Runs wholly
// on the snapshot's thread and takes no lock, so snapshots of several requests can be in the making at once.
static void HandleSnapshotRequest(SOCKET connection, const uint16_t *volumeName, int releaseReceived)
{
    const wchar_t *volume = reinterpret_cast<const wchar_t *>(volumeName);
    VolumeSnapshot snapshot;
    int32_t status = snapshot.Create(volume);

    if (status != SNAPSHOT_MADE) {
        int32_t result = snapshot.GetLastResult();
        LogMessage("Snapshot creation failed for %S.\n", volume);
        LogMessage("Status %d %x.\n", status, static_cast<unsigned>(result));
        SendSnapshotReply(connection, status, result, SNAPSHOT_FAILED_TEXT);
    } else {
        SendSnapshotReply(connection, status, S_OK, snapshot.GetDeviceName());
    }

    char release[RELEASE_BYTES];
    int missing = releaseReceived >= RELEASE_BYTES ? 0 : RELEASE_BYTES - releaseReceived;
    // The client is done, or gone. A backup reads a snapshot for hours; a failed one holds nothing worth a
    // thread for long.
    RecvAllWithin(connection, release, missing, status == SNAPSHOT_MADE ? INFINITE : REQUEST_DEADLINE_MS);
    // Only now does the snapshot go, with the object.
}

// Answers a snapshot request past the limit at once, as the shadow copy service does when its own limit
// is reached.
static void RefuseSnapshot(SOCKET connection, const uint16_t *volumeName)
{
    LogMessage("Snapshot refused for %S: %d snapshots are being made or held.\n",
               reinterpret_cast<const wchar_t *>(volumeName), static_cast<int>(MAX_SNAPSHOTS));
    SendSnapshotReply(connection, SNAPSHOT_ADD_VOLUME_FAILED, SNAPSHOT_LIMIT_REACHED, SNAPSHOT_FAILED_TEXT);
}

static void ServeRequest(const ArrivedRequest *arrived)
{
    const Request &request = arrived->request;
    // An exception (no memory for a reply's text, say) ends this connection, not the service.
    try {
        if (arrived->outcome == REQUEST_UNKNOWN_TYPE)
            LogMessage("Invalide request type.\n");
        else if (request.type == REQ_USER)
            ServeUserRequest(arrived->connection, request);
        else if (request.type == REQ_PORT)
            ServePortRequest(arrived->connection, request);
        else
            HandleSnapshotRequest(arrived->connection, request.volume, arrived->extra);
    } catch (...) {
    }
}

static void EndRequest(ArrivedRequest *arrived)
{
    closesocket(arrived->connection);
    delete arrived;
}

static DWORD WINAPI SnapshotThread(LPVOID parameter)
{
    ArrivedRequest *arrived = static_cast<ArrivedRequest *>(parameter);
    // The pool's connections never wait (see GatherRequests); a held snapshot waits for its release.
    u_long blocking = 0;
    ioctlsocket(arrived->connection, FIONBIO, &blocking);
    ServeRequest(arrived);
    InterlockedDecrement(&snapshotsInProgress);  // first: a client that saw the close may ask again at once
    EndRequest(arrived);
    return 0;
}

static void StartSnapshot(ArrivedRequest *arrived)
{
    if (InterlockedIncrement(&snapshotsInProgress) > MAX_SNAPSHOTS) {
        InterlockedDecrement(&snapshotsInProgress);
        RefuseSnapshot(arrived->connection, arrived->request.volume);
        EndRequest(arrived);
        return;
    }
    HANDLE thread = CreateThread(NULL, SNAPSHOT_STACK_RESERVE, SnapshotThread, arrived,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (thread == NULL) {
        InterlockedDecrement(&snapshotsInProgress);
        EndRequest(arrived);
        return;
    }
    CloseHandle(thread);
}

// Replies are at most a few hundred bytes, which the empty send buffer of a new connection takes whole, so
// the pool's sends on the non-blocking connections complete at once.
static DWORD WINAPI ServingThread(LPVOID)
{
    for (;;) {
        DWORD bytes;
        ULONG_PTR key;
        OVERLAPPED *overlapped;
        if (!GetQueuedCompletionStatus(queue, &bytes, &key, &overlapped, INFINITE))
            continue;
        InterlockedDecrement(&queuedRequests);
        ArrivedRequest *arrived = reinterpret_cast<ArrivedRequest *>(key);
        if (arrived->outcome == REQUEST_COMPLETE && arrived->request.type == REQ_SNAPSHOT) {
            StartSnapshot(arrived);
        } else {
            ServeRequest(arrived);
            EndRequest(arrived);
        }
    }
}

int StartServingThreads()
{
    queue = CreateIoCompletionPort(INVALID_HANDLE_VALUE, NULL, 0, 0);
    if (queue == NULL) {
        DWORD error = GetLastError();
        LogMessage("Could not make the request queue, error %d.\n", static_cast<int>(error));
        return static_cast<int>(error);
    }
    int started = 0;
    DWORD error = 0;
    for (int i = 0; i < SERVING_THREADS; ++i) {
        HANDLE thread = CreateThread(NULL, 0, ServingThread, NULL, 0, NULL);
        if (thread == NULL) {
            error = GetLastError();
            continue;
        }
        CloseHandle(thread);
        ++started;
    }
    if (started == 0) {
        LogMessage("Could not start the request threads, error %d.\n", static_cast<int>(error));
        CloseHandle(queue);
        queue = NULL;
        return static_cast<int>(error);
    }
    return 0;
}

void QueueArrivedRequest(SOCKET connection, RequestOutcome outcome, const Request &request, int extra)
{
    ArrivedRequest *arrived = NULL;
    if (InterlockedIncrement(&queuedRequests) <= MAX_QUEUED_REQUESTS)
        arrived = new (std::nothrow) ArrivedRequest;
    if (arrived) {
        arrived->connection = connection;
        arrived->outcome = outcome;
        arrived->request = request;
        arrived->extra = extra;
        if (PostQueuedCompletionStatus(queue, 0, reinterpret_cast<ULONG_PTR>(arrived), NULL))
            return;
        delete arrived;
    }
    InterlockedDecrement(&queuedRequests);
    closesocket(connection);
}

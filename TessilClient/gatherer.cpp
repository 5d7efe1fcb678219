#include "pending.h"

// Winsock's select takes any number of sockets up to FD_SETSIZE, which a program may choose: one for the
// listener and one per pending request.
#define FD_SETSIZE (MAX_PENDING_REQUESTS + 1)

#include <winsock2.h>
#include <windows.h>

#include "gatherer.h"
#include "serving.h"

static const DWORD ACCEPT_FAILURE_DELAY = 100;  // ms, so a persistent accept or select failure does not spin
// Connections accepted in one round at most, so a flood of them cannot hold up the pending requests. A round
// costs time in proportion to the pending requests, so taking one at a time would leave a burst of
// connections, and a punctual client behind it, waiting in the accept queue.
static const int ACCEPTS_PER_ROUND = 256;

// Owned by the accepting thread. Static: together far too large for a stack.
static PendingRequest pending[MAX_PENDING_REQUESTS];
static char pendingBytes[MAX_PENDING_REQUESTS][MAX_REQUEST_BYTES];  // each entry's own
static fd_set readable;
static fd_set oneSocket;
static Request arrived;

static void EndPendingRequest(PendingRequest *entry)
{
    closesocket(static_cast<SOCKET>(entry->connection));
    entry->inUse = false;
}

// Whether the socket can be read (or accepted from) without waiting.
static bool ReadyNow(SOCKET socket)
{
    timeval noWait = {0, 0};
    oneSocket.fd_count = 1;
    oneSocket.fd_array[0] = socket;
    return select(0, &oneSocket, NULL, NULL, &noWait) == 1;
}

// Takes the connections waiting on the listener, which select has found ready.
static void AcceptConnections(SOCKET listener)
{
    for (int accepted = 0; accepted < ACCEPTS_PER_ROUND; ++accepted) {
        SOCKET connection = accept(listener, NULL, NULL);
        if (connection == INVALID_SOCKET) {
            Sleep(ACCEPT_FAILURE_DELAY);
            return;
        }
        uint32_t now = GetTickCount();
        PendingRequest *entry = TakePendingEntry(pending, MAX_PENDING_REQUESTS, now);
        if (entry->inUse)
            EndPendingRequest(entry);
        StartPendingRequest(entry, connection, now);
        if (!ReadyNow(listener))
            return;
    }
}

// Receives what the request still wants, for as long as bytes are there (a receive that got all it asked
// for may have left more): a request sent at once arrives in one round, not one round per field. A
// request that is now whole goes to a thread of its own.
static void ReceiveRequestBytes(PendingRequest *entry)
{
    SOCKET connection = static_cast<SOCKET>(entry->connection);
    RequestOutcome outcome;
    for (;;) {
        int asked = entry->wanted;
        int received = recv(connection, entry->bytes + entry->received, asked, 0);
        outcome = AddReceived(entry, received, &arrived);
        if (outcome != REQUEST_INCOMPLETE || received < asked || !ReadyNow(connection))
            break;
    }
    if (outcome == REQUEST_INCOMPLETE)
        return;
    if (outcome == REQUEST_CLOSED) {
        EndPendingRequest(entry);
        return;
    }
    entry->inUse = false;  // the connection is the serving thread's now
    StartConnectionThread(connection, outcome, arrived);
}

// The listener and every pending connection. FD_SET looks for its socket in the whole set first; the
// sockets here are distinct, so they are listed directly.
static void ListWaitedSockets(SOCKET listener)
{
    readable.fd_count = 0;
    readable.fd_array[readable.fd_count++] = listener;
    for (int i = 0; i < MAX_PENDING_REQUESTS; ++i) {
        if (pending[i].inUse)
            readable.fd_array[readable.fd_count++] = static_cast<SOCKET>(pending[i].connection);
    }
}

void GatherRequests(SOCKET listener)
{
    for (int i = 0; i < MAX_PENDING_REQUESTS; ++i)
        pending[i].bytes = pendingBytes[i];
    for (;;) {
        ListWaitedSockets(listener);
        uint32_t wait = NextDeadline(pending, MAX_PENDING_REQUESTS, GetTickCount());
        timeval timeout = {static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
        int ready = select(0, &readable, NULL, NULL, wait == NO_DEADLINE ? NULL : &timeout);
        if (ready == SOCKET_ERROR) {
            Sleep(ACCEPT_FAILURE_DELAY);
            continue;
        }

        uint32_t now = GetTickCount();
        for (int i = 0; i < MAX_PENDING_REQUESTS; ++i) {
            PendingRequest *entry = &pending[i];
            if (!entry->inUse)
                continue;
            if (TimeLeft(entry->acceptedAt, now) == 0)
                EndPendingRequest(entry);
            else if (ready > 0 && FD_ISSET(static_cast<SOCKET>(entry->connection), &readable))
                ReceiveRequestBytes(entry);
        }
        if (ready > 0 && FD_ISSET(listener, &readable))
            AcceptConnections(listener);
    }
}

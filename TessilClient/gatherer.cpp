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
static Request arrived;

static void EndPendingRequest(PendingRequest *entry)
{
    closesocket(static_cast<SOCKET>(entry->connection));
    entry->inUse = false;
}

// Receives whatever the connection has for its request, at most the room left: a request sent at once
// arrives in one receive. A request that is now whole goes to be served.
static void ReceiveRequestBytes(PendingRequest *entry)
{
    SOCKET connection = static_cast<SOCKET>(entry->connection);
    int received = recv(connection, entry->bytes + entry->received, MAX_REQUEST_BYTES - entry->received, 0);
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        return;  // nothing yet
    RequestOutcome outcome = AddReceived(entry, received, &arrived);
    if (outcome == REQUEST_INCOMPLETE)
        return;
    if (outcome == REQUEST_CLOSED) {
        EndPendingRequest(entry);
        return;
    }
    entry->inUse = false;  // the connection is the serving threads' now
    QueueArrivedRequest(connection, outcome, arrived, entry->extra);
}

// Takes the connections waiting on the listener, which select has found ready. Clients send their request
// at once, so each is received right away: a request whole by then is served without a round of select.
static void AcceptConnections(SOCKET listener)
{
    for (int accepted = 0; accepted < ACCEPTS_PER_ROUND; ++accepted) {
        SOCKET connection = accept(listener, NULL, NULL);
        if (connection == INVALID_SOCKET) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                Sleep(ACCEPT_FAILURE_DELAY);
            return;
        }
        uint32_t now = GetTickCount();
        PendingRequest *entry = TakePendingEntry(pending, MAX_PENDING_REQUESTS, now);
        if (entry->inUse)
            EndPendingRequest(entry);
        StartPendingRequest(entry, connection, now);
        ReceiveRequestBytes(entry);
    }
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
    // Accepted connections inherit the listener's mode: neither accept nor receive ever waits here.
    u_long nonBlocking = 1;
    ioctlsocket(listener, FIONBIO, &nonBlocking);
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

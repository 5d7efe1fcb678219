#pragma once

// The daemon proper: the listener on 127.0.0.1, start-up, and one thread per connection serving one request.

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "request.h"

// Brings up the listener (retrying every minute), loads the users and serves connections for ever.
// Returns 0 only when start-up gives up because the users file cannot be opened.
int RunDaemon(uint16_t port, int scriptModeFlag, int quietFlag);

// A listening socket on 127.0.0.1:port, or INVALID_SOCKET after logging why.
SOCKET OpenListener(uint16_t port);

// Exactly n bytes: 0 when done, -1 when the connection closed or failed first. n <= 0 does nothing.
int RecvAll(SOCKET connection, char *buffer, int n);
int SendAll(SOCKET connection, const char *buffer, int n);

// A connection whose request has arrived whole (REQUEST_COMPLETE or REQUEST_UNKNOWN_TYPE), for its thread.
struct ArrivedRequest {
    SOCKET connection;
    RequestOutcome outcome;
    Request request;
};

// Serves the one request of a connection and closes the socket. The parameter is an ArrivedRequest made
// with new, which the thread deletes.
DWORD WINAPI ConnectionThread(LPVOID parameter);

// Serves the request on a new ConnectionThread; when that cannot start, closes the connection at once.
void StartConnectionThread(SOCKET connection, RequestOutcome outcome, const Request &request);

// Serves a snapshot request whose volume name (UTF-16, NUL-terminated) has been read: makes the snapshot,
// answers, and holds the snapshot until the client sends 4 bytes or closes.
void HandleSnapshotRequest(SOCKET connection, const uint16_t *volumeName);

#pragma once

// Serving a request that has arrived whole: registration, port report and snapshot, each answered on the
// connection, which is closed afterwards. A fixed pool of threads takes the requests in turn from a queue,
// so a request costs no thread of its own (thread creation is slow on Windows and slower under Wine). A
// snapshot, which a client may hold for hours, goes from the pool to a thread of its own; at most
// MAX_SNAPSHOTS are being made or held at once, and a request beyond them is refused at once.

#include <winsock2.h>
#include <windows.h>

#include "request.h"

constexpr int SERVING_THREADS = 8;
// Whole requests waiting for a serving thread, at most; beyond it a connection is closed without a reply.
constexpr LONG MAX_QUEUED_REQUESTS = 1024;
// Snapshots being made, held, or waiting for their release after a failure. Well under the shadow copy
// service's own limit of 64 per volume.
constexpr LONG MAX_SNAPSHOTS = 16;

// Starts the pool: 0, or the Windows error (logged) when not even one of its threads could start.
int StartServingThreads();

// Hands a connection whose request has arrived whole (REQUEST_COMPLETE or REQUEST_UNKNOWN_TYPE) to the
// pool; the `extra` bytes the client sent after its request were received with it. Never waits: when the
// queue is full, the connection is closed at once.
void QueueArrivedRequest(SOCKET connection, RequestOutcome outcome, const Request &request, int extra);

#pragma once

// Serving a request that has arrived whole, on a thread of its own: registration, port report and
// snapshot, each answered on the connection, which is closed afterwards.

#include <winsock2.h>

#include "request.h"

// Serves the request on a new thread; when that cannot start, closes the connection at once.
void StartConnectionThread(SOCKET connection, RequestOutcome outcome, const Request &request);

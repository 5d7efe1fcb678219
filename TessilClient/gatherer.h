#pragma once

// The accepting thread's loop: takes connections on the listener, gathers each one's request within the
// deadline (pending.h) and hands every request that has arrived whole to the serving threads (serving.h).

#include <winsock2.h>

// Never returns.
[[noreturn]] void GatherRequests(SOCKET listener);

#pragma once

// The daemon's start-up: the listener on 127.0.0.1, the users, the supervisor, then the gathering of
// requests for ever.

#include <winsock2.h>

#include <cstdint>

// Brings up the listener (retrying every minute), loads the users and serves connections for ever.
// Returns 0 only when start-up gives up because the users file cannot be opened.
int RunDaemon(uint16_t port, int scriptModeFlag, int quietFlag);

// A listening socket on 127.0.0.1:port, or INVALID_SOCKET after logging why.
SOCKET OpenListener(uint16_t port);

#pragma once

// The daemon's start-up: the listener on 127.0.0.1, the users, the supervisor, then the gathering of
// requests for ever.

#include <winsock2.h>

#include <cstdint>

// How start-up ended, when it does; a run that started up serves for ever.
enum DaemonEnd {
    DAEMON_GAVE_UP = 0,                // the users file cannot be opened
    DAEMON_STOPPED_BY_USERS_FILE = 1,  // a line of it too long: the syncers started for the lines before it
                                       // are terminated
};

// Brings up the listener (retrying every minute), sets up the data directory (retrying every minute while
// that fails, the listener kept), loads the users and serves connections for ever.
DaemonEnd RunDaemon(uint16_t port, int scriptModeFlag, int quietFlag);

// A listening socket on 127.0.0.1:port, or INVALID_SOCKET after logging why.
SOCKET OpenListener(uint16_t port);

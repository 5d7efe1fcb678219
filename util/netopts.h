#pragma once

// TCP keep-alive timing for a socket, as the Python module _netopts offers it.

#ifdef _WIN32
#include <winsock2.h>
#else
#include <cstdint>
typedef uint32_t ULONG;  // Windows' ULONG: unsigned 32 bits
#endif

// Switches keep-alive on for `sock` (a Winsock socket handle) with `keepaliveTime` seconds without
// traffic before the first probe and `keepaliveInterval` seconds between probes. Returns 0 when Winsock
// took the setting, otherwise the Winsock error code (WSAENOTSOCK for a number that is no socket).
int setKeepaliveValues(int sock, ULONG keepaliveTime, ULONG keepaliveInterval);

#pragma once

// The one Winsock call of setKeepaliveValues, behind a seam: the Windows build goes to WSAIoctl, the
// host build that the Python tests load hands the call to their recorder.

#include <cstdint>

constexpr int WINSOCK_CALL_FAILED = -1;  // SOCKET_ERROR

// WSAIoctl on `sock` without overlapped structure or completion routine: 0 or WINSOCK_CALL_FAILED.
int WinsockIoctl(int sock, uint32_t controlCode, const void *input, uint32_t inputSize, void *output,
                 uint32_t outputSize, uint32_t *bytesReturned);

// WSAGetLastError: the code of the calling thread's last failed Winsock call.
int WinsockLastError();

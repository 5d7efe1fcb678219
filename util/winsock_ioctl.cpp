// The Windows side of the seam: Winsock itself.
#include "winsock_ioctl.h"

#include <winsock2.h>
#include <mstcpip.h>

static_assert(SIO_KEEPALIVE_VALS == 0x98000004, "the keep-alive control code");
static_assert(sizeof(tcp_keepalive) == 12, "tcp_keepalive is 12 bytes");
static_assert(WINSOCK_CALL_FAILED == SOCKET_ERROR, "WSAIoctl's failure result");

int WinsockIoctl(int sock, uint32_t controlCode, const void *input, uint32_t inputSize, void *output,
                 uint32_t outputSize, uint32_t *bytesReturned)
{
    DWORD returned = 0;
    // A handle given as int reaches Winsock sign-extended, as an implicit conversion to SOCKET does.
    int result = WSAIoctl((SOCKET)sock, controlCode, const_cast<void *>(input), inputSize, output, outputSize,
                          &returned, NULL, NULL);
    *bytesReturned = returned;
    return result;
}

int WinsockLastError()
{
    return WSAGetLastError();
}

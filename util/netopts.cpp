#include "netopts.h"

#include "winsock_ioctl.h"

#include <cstdint>

namespace {

constexpr uint32_t SIO_KEEPALIVE_VALS_CODE = 0x98000004;  // _WSAIOW(IOC_VENDOR, 4)
constexpr uint32_t MILLISECONDS_PER_SECOND = 1000;

// The tcp_keepalive record of the Windows SDK: three unsigned 32-bit fields, 12 bytes.
struct KeepaliveRecord {
    uint32_t onoff;
    uint32_t keepalivetime;      // ms without traffic before the first probe
    uint32_t keepaliveinterval;  // ms between probes
};
static_assert(sizeof(KeepaliveRecord) == 12, "tcp_keepalive is 12 bytes");

// Callers know the record's range: a time of 4294968 s or more is reduced modulo 2^32 milliseconds
// (4294968 s gives 704 ms), as unsigned 32-bit arithmetic gives it, without an error.
uint32_t Milliseconds(ULONG seconds)
{
    return static_cast<uint32_t>(seconds) * MILLISECONDS_PER_SECOND;
}

}  // namespace

int setKeepaliveValues(int sock, ULONG keepaliveTime, ULONG keepaliveInterval)
{
    KeepaliveRecord record = {};
    record.onoff = 1;  // this function only ever switches keep-alive on
    record.keepalivetime = Milliseconds(keepaliveTime);
    record.keepaliveinterval = Milliseconds(keepaliveInterval);
    uint32_t bytesReturned = 0;
    // The control call takes effect at once: nothing to wait for.
    if (WinsockIoctl(sock, SIO_KEEPALIVE_VALS_CODE, &record, sizeof(record), nullptr, 0, &bytesReturned) == 0) {
        return 0;
    }
    return WinsockLastError();
}

#include "request.h"

#include <cstring>

// Every field is bounded, so no request outgrows the gatherer's buffer: the longest is the snapshot's.
static_assert(BANNER_LENGTH + 4 + 2 * (4 + MAX_FIELD_LENGTH) <= MAX_REQUEST_BYTES, "user request");
static_assert(BANNER_LENGTH + 4 + (4 + MAX_FIELD_LENGTH) + 4 <= MAX_REQUEST_BYTES, "port request");

namespace {

// The bytes received so far and how far the request has been read into them.
struct ArrivedBytes {
    const char *bytes;
    int received;
    int position;
    int wanted;  // set when a field asked for more than has arrived
};

// Copies the next n bytes (none for n <= 0); false, noting how many are still wanted, when they have not
// all arrived.
bool Take(ArrivedBytes *arrived, void *buffer, int n)
{
    if (n <= 0)
        return true;
    if (arrived->received - arrived->position < n) {
        arrived->wanted = arrived->position + n - arrived->received;
        return false;
    }
    std::memcpy(buffer, arrived->bytes + arrived->position, n);
    arrived->position += n;
    return true;
}

RequestOutcome TakeInt32(ArrivedBytes *arrived, int32_t *value)
{
    unsigned char bytes[4];
    if (!Take(arrived, bytes, sizeof bytes))
        return REQUEST_INCOMPLETE;
    uint32_t bits = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                    uint32_t(bytes[3]) << 24;
    std::memcpy(value, &bits, sizeof bits);
    return REQUEST_COMPLETE;
}

// A length, then that many bytes into a zero-filled buffer. The comparison is signed: a negative length
// reads nothing and leaves the string empty.
RequestOutcome TakeCounted(ArrivedBytes *arrived, char *buffer, int32_t maxLength)
{
    int32_t length;
    if (TakeInt32(arrived, &length) != REQUEST_COMPLETE)
        return REQUEST_INCOMPLETE;
    if (length > maxLength)
        return REQUEST_CLOSED;
    return Take(arrived, buffer, length) ? REQUEST_COMPLETE : REQUEST_INCOMPLETE;
}

RequestOutcome TakeFields(ArrivedBytes *arrived, Request *request)
{
    char banner[BANNER_LENGTH];
    if (!Take(arrived, banner, BANNER_LENGTH))
        return REQUEST_INCOMPLETE;
    if (std::memcmp(banner, REQUEST_BANNER, BANNER_LENGTH) != 0)
        return REQUEST_CLOSED;
    if (TakeInt32(arrived, &request->type) != REQUEST_COMPLETE)
        return REQUEST_INCOMPLETE;

    RequestOutcome outcome;
    switch (request->type) {
    case REQ_USER:
        outcome = TakeCounted(arrived, request->name, MAX_FIELD_LENGTH);
        return outcome == REQUEST_COMPLETE ? TakeCounted(arrived, request->argument, MAX_FIELD_LENGTH) : outcome;
    case REQ_PORT:
        outcome = TakeCounted(arrived, request->name, MAX_FIELD_LENGTH);
        return outcome == REQUEST_COMPLETE ? TakeInt32(arrived, &request->port) : outcome;
    case REQ_SNAPSHOT:
        return TakeCounted(arrived, reinterpret_cast<char *>(request->volume), MAX_VOLUME_NAME_BYTES);
    default:
        return REQUEST_UNKNOWN_TYPE;
    }
}

}  // namespace

void EncodeInt32(int32_t value, char bytes[4])
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(bits >> (8 * i) & 0xFF);
}

RequestOutcome ReadRequest(const char *bytes, int received, Request *request, int *wanted, int *used)
{
    std::memset(request, 0, sizeof *request);
    ArrivedBytes arrived = {bytes, received, 0, 0};
    RequestOutcome outcome = TakeFields(&arrived, request);
    *wanted = outcome == REQUEST_INCOMPLETE ? arrived.wanted : 0;
    *used = arrived.position;
    return outcome;
}

#include "request.h"

#include <cstring>

static int ReadInt32(RequestSource source, int32_t *value)
{
    unsigned char bytes[4];
    *value = 0;
    if (source.recv(source.context, reinterpret_cast<char *>(bytes), sizeof bytes) != 0)
        return -1;
    uint32_t bits = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                    uint32_t(bytes[3]) << 24;
    std::memcpy(value, &bits, sizeof bits);
    return 0;
}

void EncodeInt32(int32_t value, char bytes[4])
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(bits >> (8 * i) & 0xFF);
}

// A length, then that many bytes into a zero-filled buffer. The comparison is signed: a negative length
// reads nothing and leaves the string empty.
static int ReadCounted(RequestSource source, char *buffer, int32_t maxLength)
{
    int32_t length;
    if (ReadInt32(source, &length) != 0 || length > maxLength)
        return -1;
    return source.recv(source.context, buffer, length);
}

RequestOutcome ReadRequest(RequestSource source, Request *request)
{
    std::memset(request, 0, sizeof *request);

    char banner[BANNER_LENGTH + 1] = {};
    if (source.recv(source.context, banner, BANNER_LENGTH) != 0 || std::strcmp(banner, REQUEST_BANNER) != 0)
        return REQUEST_CLOSED;
    if (ReadInt32(source, &request->type) != 0)
        return REQUEST_CLOSED;

    switch (request->type) {
    case REQ_USER:
        if (ReadCounted(source, request->name, MAX_FIELD_LENGTH) != 0 ||
            ReadCounted(source, request->argument, MAX_FIELD_LENGTH) != 0)
            return REQUEST_CLOSED;
        return REQUEST_COMPLETE;
    case REQ_PORT:
        if (ReadCounted(source, request->name, MAX_FIELD_LENGTH) != 0 || ReadInt32(source, &request->port) != 0)
            return REQUEST_CLOSED;
        return REQUEST_COMPLETE;
    case REQ_SNAPSHOT:
        if (ReadCounted(source, reinterpret_cast<char *>(request->volume), MAX_VOLUME_NAME_BYTES) != 0)
            return REQUEST_CLOSED;
        return REQUEST_COMPLETE;
    default:
        return REQUEST_UNKNOWN_TYPE;
    }
}

namespace {

struct ArrivedBytes {
    const char *bytes;
    int received;
    int position;
    int wanted;  // set when a read asked for more than has arrived
};

int ReadArrived(void *context, char *buffer, int n)
{
    ArrivedBytes *arrived = static_cast<ArrivedBytes *>(context);
    if (n <= 0)
        return 0;
    if (arrived->received - arrived->position < n) {
        arrived->wanted = arrived->position + n - arrived->received;
        return -1;
    }
    std::memcpy(buffer, arrived->bytes + arrived->position, n);
    arrived->position += n;
    return 0;
}

}  // namespace

RequestOutcome ReadArrivedRequest(const char *bytes, int received, Request *request, int *wanted)
{
    ArrivedBytes arrived = {bytes, received, 0, 0};
    RequestOutcome outcome = ReadRequest({ReadArrived, &arrived}, request);
    *wanted = 0;
    if (outcome != REQUEST_CLOSED || arrived.wanted == 0)
        return outcome;
    if (arrived.wanted > MAX_REQUEST_BYTES - received)
        return REQUEST_CLOSED;  // cannot happen with the fields' bounds; a request never outgrows its buffer
    *wanted = arrived.wanted;
    return REQUEST_INCOMPLETE;
}

#pragma once

// The local request protocol: what a client sends, read field by field with every length checked.
// Wire integers are 32-bit little-endian; strings are counted and carry no terminator.

#include <cstdint>

constexpr char REQUEST_BANNER[] = "Tessil PHC RPCW[v0002]";
constexpr int BANNER_LENGTH = sizeof(REQUEST_BANNER) - 1;

enum RequestType : int32_t {
    REQ_USER = 1,
    REQ_PORT = 2,
    REQ_SNAPSHOT = 3,
};

constexpr int32_t MAX_FIELD_LENGTH = 256;        // bytes of a user name or an argument
constexpr int32_t MAX_VOLUME_NAME_BYTES = 1024;  // bytes of a UTF-16 volume name
// The longest request: a snapshot request with the longest volume name.
constexpr int MAX_REQUEST_BYTES = BANNER_LENGTH + 4 + 4 + MAX_VOLUME_NAME_BYTES;
// Received strings sit in zero-filled buffers one unit longer than the largest allowed length.
constexpr int FIELD_BUFFER_SIZE = MAX_FIELD_LENGTH + 1;
constexpr int VOLUME_BUFFER_SIZE = 2050;  // bytes
constexpr int VOLUME_BUFFER_UNITS = VOLUME_BUFFER_SIZE / 2;

struct Request {
    int32_t type;
    char name[FIELD_BUFFER_SIZE];      // REQ_USER, REQ_PORT; ends at its first NUL
    char argument[FIELD_BUFFER_SIZE];  // REQ_USER
    int32_t port;                      // REQ_PORT
    uint16_t volume[VOLUME_BUFFER_UNITS];  // REQ_SNAPSHOT, UTF-16; ends at its first NUL unit
};

enum RequestOutcome {
    REQUEST_COMPLETE = 0,  // every field of a known request type was read
    REQUEST_CLOSED,        // wrong banner or a length out of bounds
    REQUEST_UNKNOWN_TYPE,  // banner and type read; the type is none of the three
    REQUEST_INCOMPLETE,    // the bytes so far end inside a field
};

// The wire form of a 32-bit integer, for replies.
void EncodeInt32(int32_t value, char bytes[4]);

// Reads one request from the `received` bytes that have arrived so far: the banner, the type and the type's
// fields. `request` is zero-filled first. REQUEST_INCOMPLETE: the bytes end inside a field, whose rest is
// *wanted bytes long (never more than MAX_REQUEST_BYTES - received). Otherwise *wanted is 0 and *used is
// the length of what was read: the bytes after it are what the client sent next (a snapshot's release).
RequestOutcome ReadRequest(const char *bytes, int received, Request *request, int *wanted, int *used);

#pragma once

// Requests still arriving. The accepting thread gathers the bytes of every connection's request as they
// come and hands a connection to the serving threads only once its request is whole, so a client that
// sends part of a request, or trickles it, holds no thread; a request that has not arrived whole within
// REQUEST_DEADLINE_MS of its connection's acceptance is closed without a reply. Plain logic: the socket
// edge (the wait, the receive, the clock) is the gatherer's.

#include <cstdint>

#include "request.h"

constexpr uint32_t REQUEST_DEADLINE_MS = 10000;  // ms from acceptance to the request's last byte
// Connections whose requests are still arriving, at most. Beyond it the one that has waited longest is
// closed for the newcomer: a client that holds many open cannot keep a punctual one out.
constexpr int MAX_PENDING_REQUESTS = 4000;
constexpr uint32_t NO_DEADLINE = 0xFFFFFFFF;  // NextDeadline of a table without pending requests

struct PendingRequest {
    bool inUse;
    uintptr_t connection;  // the edge's socket
    uint32_t acceptedAt;   // ms clock tick; the clock wraps
    int received;          // bytes of the connection so far
    int extra;             // of them, once the request is whole: the bytes the client sent after it
    // MAX_REQUEST_BYTES of its own, kept apart so that the passes over the table touch little memory.
    char *bytes;
};

// The ms left until the deadline of a request accepted at `acceptedAt`; 0 once it has passed.
uint32_t TimeLeft(uint32_t acceptedAt, uint32_t now);

// The least TimeLeft of the pending requests, or NO_DEADLINE when there are none.
uint32_t NextDeadline(const PendingRequest table[], int size, uint32_t now);

// The entry for a newly accepted connection: a free one, else the one accepted longest ago, whose
// connection the caller must close before StartPendingRequest reuses it.
PendingRequest *TakePendingEntry(PendingRequest table[], int size, uint32_t now);

// The entry, with its bytes, now waits for the banner of `connection`, accepted at `now`.
void StartPendingRequest(PendingRequest *entry, uintptr_t connection, uint32_t now);

// Counts `count` more received bytes (at most the room left in entry->bytes) and reads the request again:
// REQUEST_INCOMPLETE while it is still arriving, else the outcome for the whole request.
RequestOutcome AddReceived(PendingRequest *entry, int count, Request *request);

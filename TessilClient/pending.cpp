#include "pending.h"

uint32_t TimeLeft(uint32_t acceptedAt, uint32_t now)
{
    uint32_t elapsed = now - acceptedAt;  // unsigned: right across the clock's wrap
    return elapsed >= REQUEST_DEADLINE_MS ? 0 : REQUEST_DEADLINE_MS - elapsed;
}

uint32_t NextDeadline(const PendingRequest table[], int size, uint32_t now)
{
    uint32_t next = NO_DEADLINE;
    for (int i = 0; i < size; ++i) {
        if (table[i].inUse) {
            uint32_t left = TimeLeft(table[i].acceptedAt, now);
            if (left < next)
                next = left;
        }
    }
    return next;
}

PendingRequest *TakePendingEntry(PendingRequest table[], int size, uint32_t now)
{
    PendingRequest *oldest = &table[0];
    for (int i = 0; i < size; ++i) {
        if (!table[i].inUse)
            return &table[i];
        if (now - table[i].acceptedAt > now - oldest->acceptedAt)
            oldest = &table[i];
    }
    return oldest;
}

void StartPendingRequest(PendingRequest *entry, uintptr_t connection, uint32_t now)
{
    entry->inUse = true;
    entry->connection = connection;
    entry->acceptedAt = now;
    entry->received = 0;
    entry->extra = 0;
}

RequestOutcome AddReceived(PendingRequest *entry, int count, Request *request)
{
    if (count <= 0 || count > MAX_REQUEST_BYTES - entry->received)
        return REQUEST_CLOSED;
    entry->received += count;
    int wanted, used;
    RequestOutcome outcome = ReadRequest(entry->bytes, entry->received, request, &wanted, &used);
    if (outcome != REQUEST_INCOMPLETE)
        entry->extra = entry->received - used;
    return outcome;
}

#include "pending.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(TimeLeft, CountsDownToZeroAcrossTheClocksWrap)
{
    for (uint32_t accepted : {0u, 1000u, 0xFFFFFFFFu - 3000u}) {
        EXPECT_EQ(REQUEST_DEADLINE_MS, TimeLeft(accepted, accepted));
        EXPECT_EQ(1u, TimeLeft(accepted, accepted + REQUEST_DEADLINE_MS - 1));
        EXPECT_EQ(0u, TimeLeft(accepted, accepted + REQUEST_DEADLINE_MS));
        EXPECT_EQ(0u, TimeLeft(accepted, accepted + 0x7FFFFFFF));
    }
}

TEST(PendingTable, WaitsUntilTheNearestDeadline)
{
    std::vector<PendingRequest> table(3);
    EXPECT_EQ(NO_DEADLINE, NextDeadline(table.data(), 3, 500));
    StartPendingRequest(&table[0], 10, 0xFFFFFF00u);
    StartPendingRequest(&table[2], 12, 200);
    EXPECT_EQ(REQUEST_DEADLINE_MS - 0x100 - 500, NextDeadline(table.data(), 3, 500));
    table[0].inUse = false;
    EXPECT_EQ(REQUEST_DEADLINE_MS - 300, NextDeadline(table.data(), 3, 500));
}

TEST(PendingTable, FullTableGivesUpTheLongestWaiting)
{
    std::vector<PendingRequest> table(3);
    uint32_t now = 0xFFFFFFF0u;
    for (int i = 0; i < 3; ++i) {
        PendingRequest *entry = TakePendingEntry(table.data(), 3, now);
        ASSERT_FALSE(entry->inUse);
        StartPendingRequest(entry, 100 + i, now);
        now += 0x10;  // the second and third are accepted after the clock wrapped
    }
    PendingRequest *taken = TakePendingEntry(table.data(), 3, now);
    EXPECT_EQ(100u, taken->connection);
    StartPendingRequest(taken, 103, now);
    EXPECT_EQ(101u, TakePendingEntry(table.data(), 3, now + 1)->connection);
}

// An entry for a new connection whose banner has been copied in, not yet counted.
struct BannerEntry {
    char bytes[MAX_REQUEST_BYTES];
    PendingRequest entry;
    Request request;

    BannerEntry()
    {
        entry.bytes = bytes;
        StartPendingRequest(&entry, 1, 0);
        memcpy(bytes, REQUEST_BANNER, BANNER_LENGTH);
    }
};

TEST(AddReceived, ClosedFailedOrOverlongReceivesEndTheRequest)
{
    BannerEntry arrived;
    ASSERT_EQ(REQUEST_INCOMPLETE, AddReceived(&arrived.entry, 5, &arrived.request));
    EXPECT_EQ(REQUEST_CLOSED, AddReceived(&arrived.entry, 0, &arrived.request));   // the client closed
    EXPECT_EQ(REQUEST_CLOSED, AddReceived(&arrived.entry, -1, &arrived.request));  // the receive failed
    EXPECT_EQ(REQUEST_CLOSED, AddReceived(&arrived.entry, MAX_REQUEST_BYTES - 4, &arrived.request));  // too long
    EXPECT_EQ(5, arrived.entry.received);
}

// A snapshot request sent at once with its release behind it: whole at the first receive, and the release
// bytes are counted for the serving thread instead of being waited for.
TEST(AddReceived, WholeRequestCountsTheBytesAfterIt)
{
    BannerEntry arrived;
    const char tail[] = {3, 0, 0, 0, 2, 0, 0, 0, 'C', 0, 'r', 'e', 'l', 's'};  // type, length, "C", release
    memcpy(arrived.bytes + BANNER_LENGTH, tail, sizeof tail);
    ASSERT_EQ(REQUEST_COMPLETE, AddReceived(&arrived.entry, BANNER_LENGTH + sizeof tail, &arrived.request));
    EXPECT_EQ('C', arrived.request.volume[0]);
    EXPECT_EQ(4, arrived.entry.extra);
}

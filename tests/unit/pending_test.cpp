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

TEST(AddReceived, ClosedFailedOrOverlongReceivesEndTheRequest)
{
    char bytes[MAX_REQUEST_BYTES];
    PendingRequest entry;
    entry.bytes = bytes;
    Request request;
    StartPendingRequest(&entry, 1, 0);
    ASSERT_EQ(BANNER_LENGTH, entry.wanted);
    memcpy(entry.bytes, REQUEST_BANNER, BANNER_LENGTH);
    ASSERT_EQ(REQUEST_INCOMPLETE, AddReceived(&entry, 5, &request));
    EXPECT_EQ(BANNER_LENGTH - 5, entry.wanted);
    EXPECT_EQ(REQUEST_CLOSED, AddReceived(&entry, 0, &request));   // the client closed
    EXPECT_EQ(REQUEST_CLOSED, AddReceived(&entry, -1, &request));  // the receive failed
    EXPECT_EQ(REQUEST_CLOSED, AddReceived(&entry, BANNER_LENGTH, &request));  // more than was asked for
    EXPECT_EQ(5, entry.received);
}

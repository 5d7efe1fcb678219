#include "request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Int32(int32_t value)
{
    char bytes[4];
    EncodeInt32(value, bytes);
    return std::string(bytes, 4);
}

std::string Counted(const std::string &text)
{
    return Int32(static_cast<int32_t>(text.size())) + text;
}

std::string Head(int32_t type)
{
    return REQUEST_BANNER + Int32(type);
}

// Reads the bytes as they stand when they have all arrived.
RequestOutcome Read(const std::string &data, Request *request, int *wanted = nullptr)
{
    int stillWanted, used;
    RequestOutcome outcome = ReadRequest(data.data(), static_cast<int>(data.size()), request, &stillWanted, &used);
    if (wanted)
        *wanted = stillWanted;
    return outcome;
}

}  // namespace

TEST(EncodeInt32, LittleEndianTwosComplement)
{
    EXPECT_EQ(std::string("\x01\x02\x00\x00", 4), Int32(0x0201));
    EXPECT_EQ(std::string("\xFF\xFF\xFF\xFF", 4), Int32(-1));
}

TEST(ReadRequest, UserRequest)
{
    Request request;
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_USER) + Counted("alice") + Counted("--full"), &request));
    EXPECT_EQ(REQ_USER, request.type);
    EXPECT_STREQ("alice", request.name);
    EXPECT_STREQ("--full", request.argument);
}

TEST(ReadRequest, PortRequest)
{
    Request request;
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_PORT) + Counted("bob") + Int32(-7), &request));
    EXPECT_EQ(REQ_PORT, request.type);
    EXPECT_STREQ("bob", request.name);
    EXPECT_EQ(-7, request.port);
}

TEST(ReadRequest, SnapshotRequest)
{
    Request request;
    std::string volume("C\0:\0\\\0", 6);
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_SNAPSHOT) + Counted(volume), &request));
    EXPECT_EQ(uint16_t('C'), request.volume[0]);
    EXPECT_EQ(uint16_t('\\'), request.volume[2]);
    EXPECT_EQ(0, request.volume[3]);
}

TEST(ReadRequest, BannerMustMatchInEveryByte)
{
    Request request;
    std::string other = Head(REQ_USER) + Counted("a") + Counted("");
    for (int i = 0; i < BANNER_LENGTH; ++i) {
        std::string changed = other;
        changed[i] ^= 0x20;
        EXPECT_EQ(REQUEST_CLOSED, Read(changed, &request)) << "byte " << i;
    }
    std::string withNul = other;
    withNul[BANNER_LENGTH - 1] = '\0';
    EXPECT_EQ(REQUEST_CLOSED, Read(withNul, &request));
}

TEST(ReadRequest, UnknownTypesStopAfterTheType)
{
    Request request;
    for (int32_t type : {0, 4, -1, 0x7FFFFFFF}) {
        int wanted;
        EXPECT_EQ(REQUEST_UNKNOWN_TYPE, Read(Head(type), &request, &wanted)) << type;
        EXPECT_EQ(0, wanted);
    }
}

TEST(ReadRequest, FieldOf256BytesIsReadIn257IsClosedUnread)
{
    Request request;
    std::string longest(256, 'n');
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_PORT) + Counted(longest) + Int32(1), &request));
    EXPECT_EQ(longest, request.name);
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_USER) + Counted("u") + Counted(longest), &request));
    EXPECT_EQ(longest, request.argument);

    EXPECT_EQ(REQUEST_CLOSED, Read(Head(REQ_PORT) + Int32(257), &request));  // before the field arrives
    EXPECT_EQ(REQUEST_CLOSED, Read(Head(REQ_USER) + Counted("u") + Counted(longest + "a"), &request));
}

TEST(ReadRequest, VolumeOf1024BytesIsReadIn1025IsClosed)
{
    Request request;
    std::string longest(1024, 'v');
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_SNAPSHOT) + Counted(longest), &request));
    EXPECT_EQ(0, request.volume[512]);  // the unit after the longest name stays NUL
    EXPECT_EQ(REQUEST_CLOSED, Read(Head(REQ_SNAPSHOT) + Counted(longest + "v"), &request));
}

TEST(ReadRequest, NegativeLengthsReadNothing)
{
    Request request;
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_USER) + Int32(-5) + Int32(INT32_MIN), &request));
    EXPECT_STREQ("", request.name);
    EXPECT_STREQ("", request.argument);
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_SNAPSHOT) + Int32(-1), &request));
    EXPECT_EQ(0, request.volume[0]);
}

TEST(ReadRequest, StringsEndAtTheirFirstNul)
{
    Request request;
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_USER) + Counted(std::string("al\0ice", 6)) + Counted(""), &request));
    EXPECT_STREQ("al", request.name);
}

TEST(ReadRequest, LeftoversOfAnEarlierRequestAreCleared)
{
    Request request;
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_USER) + Counted("a-long-name") + Counted("arg"), &request));
    ASSERT_EQ(REQUEST_COMPLETE, Read(Head(REQ_USER) + Counted("b") + Counted(""), &request));
    EXPECT_EQ(0, memcmp(request.name, "b\0\0\0\0", 5));
    EXPECT_STREQ("", request.argument);
}

// A request trickled in byte by byte is asked for field by field, never beyond its end; one that arrives
// at once, with the client's next bytes behind it, is read whole and says where those bytes start.
TEST(ReadRequest, AsksForTheRestOfEachFieldAndTellsWhereTheRequestEnds)
{
    for (const std::string &full : {Head(REQ_USER) + Counted("alice") + Counted("arg"),
                                    Head(REQ_PORT) + Counted("") + Int32(6070),
                                    Head(REQ_SNAPSHOT) + Counted(std::string("C\0:\0", 4)), Head(9)}) {
        std::string queued = full + "release";
        Request arrived, whole;
        int received = 0, wanted = 0, used = -1;
        RequestOutcome outcome;
        while ((outcome = ReadRequest(queued.data(), received, &arrived, &wanted, &used)) == REQUEST_INCOMPLETE) {
            ASSERT_GT(wanted, 0);
            ASSERT_LE(received + wanted, static_cast<int>(full.size()));
            ++received;  // the client's bytes come one at a time
        }
        EXPECT_EQ(full.size(), static_cast<size_t>(received));
        EXPECT_EQ(0, wanted);
        EXPECT_EQ(Read(full, &whole), outcome);
        EXPECT_EQ(0, memcmp(&whole, &arrived, sizeof whole));

        EXPECT_EQ(outcome, ReadRequest(queued.data(), queued.size(), &arrived, &wanted, &used));
        EXPECT_EQ(full.size(), static_cast<size_t>(used));
    }
}

// The listener's socket and a snapshot thread that meets an exception, on real sockets under Wine.

#include "daemon.h"
#include "serving.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <new>

#include "settings.h"
#include "snapshot.h"

// This program's snapshot: Create runs out of memory, as a real one can in COM or in its strings.
static volatile LONG snapshotsDestroyed;
VolumeSnapshot::VolumeSnapshot() {}
VolumeSnapshot::~VolumeSnapshot() { InterlockedIncrement(&snapshotsDestroyed); }
int VolumeSnapshot::Create(std::wstring) { throw std::bad_alloc(); }
std::wstring VolumeSnapshot::GetDeviceName() const { return std::wstring(); }
HRESULT VolumeSnapshot::GetLastResult() const { return S_OK; }

namespace {

class Listener : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA winsock;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 0), &winsock));
        quiet = 1;
        listener = OpenListener(0);  // a free port
        ASSERT_NE(INVALID_SOCKET, listener);
    }

    void TearDown() override
    {
        closesocket(listener);
        WSACleanup();
    }

    int Option(int name)
    {
        int value = -1, size = sizeof value;
        EXPECT_EQ(0, getsockopt(listener, SOL_SOCKET, name, reinterpret_cast<char *>(&value), &size));
        return value;
    }

    // A client connected to the listener, and the daemon's end of that connection.
    void Connect(SOCKET *client, SOCKET *served)
    {
        sockaddr_in address;
        int size = sizeof address;
        ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size));
        *client = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_EQ(0, connect(*client, reinterpret_cast<sockaddr *>(&address), sizeof address));
        *served = accept(listener, NULL, NULL);
        ASSERT_NE(INVALID_SOCKET, *served);
    }

    SOCKET listener = INVALID_SOCKET;
};

}  // namespace

// Another local process may not bind the service's address beside it and take its requests.
TEST_F(Listener, HoldsItsAddressExclusively)
{
    EXPECT_EQ(1, Option(SO_EXCLUSIVEADDRUSE));
    EXPECT_EQ(0, Option(SO_REUSEADDR));
}

TEST_F(Listener, ExceptionInASnapshotThreadClosesOnlyThatConnection)
{
    SOCKET client = INVALID_SOCKET, served = INVALID_SOCKET;
    ASSERT_NO_FATAL_FAILURE(Connect(&client, &served));
    Request request = {};
    request.type = REQ_SNAPSHOT;
    request.volume[0] = 'C';
    ASSERT_EQ(0, StartServingThreads());
    QueueArrivedRequest(served, REQUEST_COMPLETE, request, 0);

    DWORD timeout = 30000;  // ms; the thread closes at once
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout), sizeof timeout);
    char reply[12];
    EXPECT_EQ(0, recv(client, reply, sizeof reply, 0)) << "closed without a reply";
    EXPECT_EQ(1, snapshotsDestroyed) << "the snapshot is released on the way out";
    closesocket(client);
}

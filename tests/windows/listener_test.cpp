// The listener's socket and a connection thread that meets an exception, on real sockets under Wine.

#include "protocol.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <new>

#include "log.h"
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

    SOCKET listener = INVALID_SOCKET;
};

}  // namespace

// Another local process may not bind the service's address beside it and take its requests.
TEST_F(Listener, HoldsItsAddressExclusively)
{
    EXPECT_EQ(1, Option(SO_EXCLUSIVEADDRUSE));
    EXPECT_EQ(0, Option(SO_REUSEADDR));
}

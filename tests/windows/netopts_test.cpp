// setKeepaliveValues on real Winsock sockets under Wine.

#include "netopts.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

namespace {

const u_short ANY_PORT = 0;  // the system picks a free ephemeral port

// A socket closed when the holder goes.
class Socket {
public:
    explicit Socket(SOCKET handle = INVALID_SOCKET) : handle(handle) {}
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    ~Socket() { Close(); }

    void Close()
    {
        if (handle != INVALID_SOCKET) {
            closesocket(handle);
            handle = INVALID_SOCKET;
        }
    }

    SOCKET handle;
};

bool KeepaliveOn(SOCKET sock)
{
    BOOL on = FALSE;
    int size = sizeof on;
    EXPECT_EQ(0, getsockopt(sock, SOL_SOCKET, SO_KEEPALIVE, (char *)&on, &size)) << WSAGetLastError();
    return on != FALSE;
}

class KeepaliveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA winsock;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &winsock));
    }

    static void TearDownTestSuite() { WSACleanup(); }

    // A TCP connection over the loopback: both ends, and the listener that made it.
    void Connect()
    {
        listener.handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_NE(INVALID_SOCKET, listener.handle) << WSAGetLastError();
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(ANY_PORT);
        ASSERT_EQ(0, bind(listener.handle, (sockaddr *)&address, sizeof address)) << WSAGetLastError();
        ASSERT_EQ(0, listen(listener.handle, 1)) << WSAGetLastError();
        int size = sizeof address;
        ASSERT_EQ(0, getsockname(listener.handle, (sockaddr *)&address, &size)) << WSAGetLastError();

        client.handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_NE(INVALID_SOCKET, client.handle) << WSAGetLastError();
        ASSERT_EQ(0, connect(client.handle, (sockaddr *)&address, sizeof address)) << WSAGetLastError();
        server.handle = accept(listener.handle, NULL, NULL);
        ASSERT_NE(INVALID_SOCKET, server.handle) << WSAGetLastError();
    }

    Socket listener, client, server;
};

TEST_F(KeepaliveTest, ConnectedSocketsTakeTheSettingAndKeepaliveIsOn)
{
    ASSERT_NO_FATAL_FAILURE(Connect());
    for (SOCKET end : {client.handle, server.handle}) {
        EXPECT_FALSE(KeepaliveOn(end));
        EXPECT_EQ(0, setKeepaliveValues((int)end, 60, 10));
        EXPECT_TRUE(KeepaliveOn(end));
        EXPECT_EQ(0, setKeepaliveValues((int)end, 7200, 1));
        EXPECT_TRUE(KeepaliveOn(end));
    }
}

TEST_F(KeepaliveTest, ConnectionStillCarriesDataAfterTheSetting)
{
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(0, setKeepaliveValues((int)client.handle, 1, 1));
    const char message[] = "ping";
    ASSERT_EQ((int)sizeof message, send(client.handle, message, sizeof message, 0)) << WSAGetLastError();
    char received[sizeof message] = {};
    ASSERT_EQ((int)sizeof message, recv(server.handle, received, sizeof received, MSG_WAITALL))
        << WSAGetLastError();
    EXPECT_STREQ(message, received);
}

TEST_F(KeepaliveTest, NumbersThatAreNoSocketGiveWsaenotsock)
{
    Socket closed(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    ASSERT_NE(INVALID_SOCKET, closed.handle) << WSAGetLastError();
    int number = (int)closed.handle;
    closed.Close();
    EXPECT_EQ(WSAENOTSOCK, setKeepaliveValues(number, 60, 10));
    EXPECT_EQ(WSAENOTSOCK, setKeepaliveValues((int)INVALID_SOCKET, 60, 10));
    EXPECT_EQ(WSAENOTSOCK, setKeepaliveValues(0x7ffffff0, 60, 10));
}

}  // namespace

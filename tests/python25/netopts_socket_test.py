# _netopts in the Windows interpreter: keep-alive set on sockets that Python's own socket module made, as
# the client hands them over (sock.fileno(), a long on Win64 where SOCKET is wider than C long).
import socket
import sys
import unittest

import _netopts

WSAENOTSOCK = 10038


def connected_pair():
    listener = socket.socket()
    listener.bind(('127.0.0.1', 0))
    listener.listen(1)
    client = socket.create_connection(listener.getsockname())
    server, _ = listener.accept()
    listener.close()
    return client, server


def keepalive(sock):
    return sock.getsockopt(socket.SOL_SOCKET, socket.SO_KEEPALIVE)


@unittest.skipUnless(sys.platform == 'win32', 'needs the Windows build and Winsock')
class KeepaliveTest(unittest.TestCase):
    def setUp(self):
        self.client, self.server = connected_pair()

    def tearDown(self):
        self.client.close()
        self.server.close()

    def test_keepalive_is_on_and_data_still_flows(self):
        self.assertEqual(0, keepalive(self.client))
        result = _netopts.setKeepaliveValues(self.client.fileno(), 60, 10)
        self.assertEqual((0, int), (result, type(result)))
        self.assertNotEqual(0, keepalive(self.client))
        self.assertEqual(0, keepalive(self.server))
        self.client.sendall(b'ping')
        self.assertEqual(b'ping', self.server.recv(16))
        self.server.sendall(b'pong')
        self.assertEqual(b'pong', self.client.recv(16))

    def test_either_end_and_the_largest_times(self):
        for sock in (self.server, self.client):
            self.assertEqual(0, _netopts.setKeepaliveValues(sock.fileno(), 4294967, 4294967))
            self.assertEqual(0, _netopts.setKeepaliveValues(sock.fileno(), 0, 0))
            self.assertNotEqual(0, keepalive(sock))

    def test_closed_socket_gives_the_winsock_error(self):
        number = self.client.fileno()
        self.client.close()
        self.assertEqual(WSAENOTSOCK, _netopts.setKeepaliveValues(number, 1, 1))
        self.assertEqual(WSAENOTSOCK, _netopts.setKeepaliveValues(-1, 1, 1))


if __name__ == '__main__':
    unittest.main()

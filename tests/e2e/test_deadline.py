"""Clients that never finish their requests, against each of the three daemon programs: one process holds
thousands of unfinished requests open and another trickles one in a byte a second. Other clients are still
served, every unfinished request is closed at the request deadline, and a snapshot that has been answered is
held past that deadline until its client releases it."""

import select
import socket
import struct
import threading
import time

from test_snapshot import (E_NOTIMPL, FAILED_TEXT, LIMIT_REACHED, MAX_SNAPSHOTS, SUBSTITUTE_VSSAPI, VOLUME,  # noqa: F401
                           WINE_VSSAPI, only_object, variant)  # (variant: a fixture)
from wine_daemon import allow_descriptors, hold_unfinished_requests, tessilctl

DEADLINE = 10.0  # seconds from a connection's acceptance until its request must have arrived whole
HELD = 2000  # unfinished requests held open at once
HELD_SNAPSHOTS = 1200  # answered, failed snapshot requests held open at once
CLOSE_TIMEOUT = DEADLINE + 50.0  # seconds by which every unfinished request must have been closed
CLOCK_SLACK = 0.1  # seconds: the daemon's millisecond tick against this process's clock
TRICKLE_INTERVAL = 1.0  # seconds between the trickling client's bytes


allow_descriptors(HELD + 1024)  # at import, before the Wine processes that inherit the limit start


class Trickler(threading.Thread):
    """Sends a whole registration, one byte a second, until the daemon closes the connection."""

    def __init__(self, payload):
        super().__init__(daemon=True)
        self.payload = payload
        self.connection = socket.create_connection(tessilctl.ADDRESS)
        self.sent = 0
        self.stopped = threading.Event()

    def run(self):
        for index in range(len(self.payload)):
            try:
                self.connection.send(self.payload[index:index + 1])
            except OSError:
                return
            self.sent += 1
            if self.stopped.wait(TRICKLE_INTERVAL):
                return


def closed_by_peer(connection):
    """True when the daemon has closed the connection without sending anything."""
    try:
        return connection.recv(1) == b""
    except ConnectionResetError:
        return True


def poller_of(connections):
    """A poll object waiting for input on the connections (select.select cannot take thousands)."""
    poller = select.poll()
    for connection in connections:
        poller.register(connection, select.POLLIN)
    return poller


def wait_for_closes(opened, timeout):
    """Waits until the daemon has closed every connection in `opened` ({socket: time opened}); returns
    {socket: seconds it stayed open}."""
    poller = poller_of(opened)
    by_descriptor = {connection.fileno(): connection for connection in opened}
    lifetimes = {}
    give_up = time.monotonic() + timeout
    while by_descriptor and time.monotonic() < give_up:
        for descriptor, _ in poller.poll(100):
            connection = by_descriptor.pop(descriptor)
            poller.unregister(descriptor)
            lifetimes[connection] = time.monotonic() - opened[connection]
            assert closed_by_peer(connection), "the daemon answered an unfinished request"
    assert not by_descriptor, "%d of %d connections still open" % (len(by_descriptor), len(opened))
    return lifetimes


def test_unfinished_requests_are_closed_at_the_deadline_while_others_are_served(variant):
    variant.use(SUBSTITUTE_VSSAPI)
    snapshot = tessilctl.Snapshot(VOLUME)
    number, calls = only_object(variant)
    opened = {}
    try:
        opened = hold_unfinished_requests(HELD)
        trickler = Trickler(tessilctl.user_request(b"trickler"))
        opened[trickler.connection] = time.monotonic()
        trickler.start()

        # Before: the i386 programs closed every further connection once a few hundred were held.
        assert tessilctl.register(b"punctual") == 0
        assert poller_of(opened).poll(0) == [], "closed before the deadline"

        lifetimes = wait_for_closes(opened, CLOSE_TIMEOUT)
        assert min(lifetimes.values()) >= DEADLINE - CLOCK_SLACK
        trickler.stopped.set()
        trickler.join()
        assert trickler.sent < len(trickler.payload)
        assert b"trickler" not in variant.users_file.read_bytes()

        # The snapshot, answered before all of that, is still held: no deadline once the reply is out.
        assert poller_of([snapshot.connection]).poll(0) == []
        assert variant.calls()[number] == calls
        snapshot.release()
        assert variant.calls()[number] == calls + variant.release_calls(number)
    finally:
        snapshot.close()
        for connection in opened:
            connection.close()


def test_failed_snapshots_held_open_are_closed_at_the_deadline_while_others_are_served(variant):
    variant.use(WINE_VSSAPI)  # every snapshot fails
    held = {}
    try:
        for _ in range(HELD_SNAPSHOTS):
            connection = socket.create_connection(tessilctl.ADDRESS)
            connection.sendall(tessilctl.snapshot_request(VOLUME))
            held[connection] = time.monotonic()
        # Before: one thread each, waiting for the release without end; a few hundred stopped the service.
        assert tessilctl.register(b"beside-snapshots") == 0

        replies = {}
        for connection, opened in held.items():
            connection.settimeout(CLOSE_TIMEOUT)
            reply = b""
            try:
                while True:
                    chunk = connection.recv(4096)
                    if not chunk:
                        break
                    reply += chunk
            except ConnectionResetError:
                pass
            assert time.monotonic() - opened < CLOSE_TIMEOUT, "still held"
            replies[reply[:8]] = replies.get(reply[:8], 0) + 1
            assert reply[12:].decode("utf-16-le") == FAILED_TEXT
        failed, refused = struct.pack("<iI", 2, E_NOTIMPL), struct.pack("<iI", 5, LIMIT_REACHED)
        assert set(replies) <= {failed, refused} and 0 < replies.get(failed, 0) <= MAX_SNAPSHOTS, replies
    finally:
        for connection in held:
            connection.close()

"""Requests 1 to 3 over the wire against the running daemon."""

import re
import struct
import time

from wine_daemon import tessilctl, wait_for, without_supervisor_reports

INSTALL = "C:\\Program Files\\Tessil\\"
SYNCER = INSTALL + "Tessil.exe"


def lines_of(path):
    return path.read_bytes().split(b"\r\n")


def next_slot(daemon):
    """The slot the next registration gets: the shared daemon started with an empty users file."""
    return len(lines_of(daemon.users_file)) - 1


def test_new_user_is_registered_stored_and_given_a_syncer(daemon):
    before = daemon.log()
    slot = next_slot(daemon)
    assert tessilctl.register(b"alice", b"--full C:\\data") == 0

    assert lines_of(daemon.users_file)[-2:] == [b"alice", b""]
    (record,) = daemon.records_for("alice")
    pid = record["argv"][2]
    assert record["commandline"] == '"%s" "alice" %s "--full C:\\data"' % (SYNCER, pid)
    assert record["argv"] == [SYNCER, "alice", pid, "--full C:\\data"]
    assert record["cwd"] == "C:\\Tessil"
    assert pid.isdigit() and int(pid) > 0
    assert daemon.log()[len(before):] == ["started for user alice on %d.\n" % slot]


def test_known_user_is_found_ignoring_case(daemon):
    assert tessilctl.register(b"Carol", b"") == 0
    daemon.records_for("Carol")
    file_before = daemon.users_file.read_bytes()
    log_before = daemon.log()

    assert tessilctl.register(b"cAROL", b"ignored") == 0
    assert tessilctl.register(b"CAROL", b"") == 0

    assert daemon.users_file.read_bytes() == file_before
    assert daemon.log() == log_before
    assert [r["argv"][1] for r in daemon.settled_records() if r["argv"][1].lower() == "carol"] == ["Carol"]


def test_only_the_users_syncer_sets_its_port(daemon):
    """Any local process could report a port for a registered user, and the user's interface then
    connected to that process's listener, which could pose as the syncer."""
    daemon.set_syncers({"dave": "report 50123", "dora": "child-report -2", "*": "stay"})
    assert tessilctl.register(b"dave", b"") == 0
    assert wait_for(lambda: tessilctl.register(b"Dave", b"") == 50123)
    assert tessilctl.register(b"dora", b"") == 0
    assert wait_for(lambda: tessilctl.register(b"dora", b"") == -2)  # an opaque 32-bit value, stored as it is
    daemon.set_syncers({"*": "stay"})

    log_before = daemon.log()
    tessilctl.report_port(b"DAVE", 4444)  # the test client, no Windows process
    daemon.report_port_from_other_process("dave", 4444)
    assert tessilctl.register(b"dave", b"") == 50123
    refused = daemon.log()[len(log_before):]
    assert refused[0] == "Port for user DAVE refused: process 0 is not its syncer.\n"
    assert re.fullmatch(r"Port for user dave refused: process [1-9]\d* is not its syncer\.\n", refused[1])
    assert len(refused) == 2


def test_empty_and_negative_length_names(daemon):
    log_before = daemon.log()
    # Negative lengths read nothing: the empty name, not yet registered.
    tessilctl.exchange(tessilctl.head(tessilctl.REQ_PORT) + tessilctl.int32(-1) + tessilctl.int32(7))
    assert daemon.log()[len(log_before):] == ["Port for unknown user .\n"]

    reply = tessilctl.exchange(tessilctl.head(tessilctl.REQ_USER) + tessilctl.int32(-8) + tessilctl.int32(-1), 4)
    assert reply == tessilctl.int32(0)
    assert lines_of(daemon.users_file)[-2:] == [b"", b""]
    (record,) = daemon.records_for("")
    assert record["commandline"].endswith(' "" %s ""' % record["argv"][2])

    assert tessilctl.register(b"", b"") == 0  # found now, nothing added
    assert lines_of(daemon.users_file).count(b"") == 2


def test_client_text_cannot_forge_log_lines(daemon):
    log_before = daemon.log()
    tessilctl.report_port(b"x\r\n01/01/2020 00:00:00\t:forged", 1)
    tessilctl.Snapshot("C:\\\n01/01/2020 00:00:00\t:forged").release()
    assert daemon.log()[len(log_before):] == [
        "Port for unknown user x\\x0d\\x0a01/01/2020 00:00:00\\x09:forged.\n",
        "Snapshot creation failed for C:\\\\x0a01/01/2020 00:00:00\\x09:forged.\n",
        "Status 2 80004001.\n",
    ]


def test_wrong_banner_is_closed_without_reply_or_log(daemon):
    log_before = daemon.log()
    slot = next_slot(daemon)
    for banner in (b"Tessil PHC RPCW[v0003]", b"tessil PHC RPCW[v0002]", b"Tessil PHC RPCW[v0002"):
        payload = tessilctl.head(tessilctl.REQ_USER, banner) + tessilctl.counted(b"mallory") + tessilctl.counted(b"")
        assert tessilctl.exchange(payload) == b""
    assert tessilctl.register(b"mallory", b"") == 0  # so the requests above registered nothing
    assert daemon.log()[len(log_before):] == ["started for user mallory on %d.\n" % slot]


def test_unknown_request_type_is_logged_and_closed(daemon):
    log_before = daemon.log()
    for request_type in (0, 4, -1):
        assert tessilctl.exchange(tessilctl.head(request_type) + tessilctl.counted(b"x")) == b""
    assert daemon.log()[len(log_before):] == ["Invalide request type.\n"] * 3


def test_name_of_256_bytes_is_read_in_full_and_257_closed_unread(daemon):
    log_before = daemon.log()
    longest = b"n" * 255 + b"Z"
    tessilctl.report_port(longest, 1)
    assert daemon.log()[len(log_before):] == ["Port for unknown user %s.\n" % longest.decode()]

    # Length 257: closed right after the length, before any of the name is sent.
    for request_type in (tessilctl.REQ_USER, tessilctl.REQ_PORT):
        assert tessilctl.exchange(tessilctl.head(request_type) + tessilctl.int32(257)) == b""
    payload = tessilctl.head(tessilctl.REQ_USER) + tessilctl.counted(b"u") + tessilctl.counted(b"a" * 257)
    assert tessilctl.exchange(payload) == b""
    assert daemon.log()[len(log_before) + 1:] == []
    assert tessilctl.register(b"u", b"") == 0  # the refused request registered nothing


def test_unsafe_registrations_are_refused(daemon):
    cases = [
        (b'eve" "-x', b"", "double quote in the user name"),
        (b"eve", b'x" "-y', "double quote in the argument"),
        (b"eve\nmallory", b"", "control character in the user name"),
        (b"eve\r", b"", "control character in the user name"),
        (b"x\x1a", b"", "control character in the user name"),  # once ended the users file for the loader
        (b"eve\x7f", b"", "control character in the user name"),
        (b"eve\\", b"", "backslash at the end of the user name"),
        (b"eve", b"C:\\dir\\", "backslash at the end of the argument"),
        (b"e" * 254, b"", "user name of 254 or more characters"),
        (b"e" * 256, b"", "user name of 254 or more characters"),
    ]
    file_before = daemon.users_file.read_bytes()
    records_before = len(daemon.settled_records())
    for name, argument, reason in cases:
        log_before = daemon.log()
        assert tessilctl.register(name, argument) is None, name
        assert daemon.log()[len(log_before):] == ["Registration refused: %s.\n" % reason]
    assert daemon.users_file.read_bytes() == file_before
    assert len(daemon.settled_records()) == records_before

    # The longest name that still loads, and a backslash inside a name, are fine.
    longest = b"e" * 253
    assert tessilctl.register(longest, b"a b\\c") == 0
    assert lines_of(daemon.users_file)[-2:] == [longest, b""]
    (record,) = daemon.records_for(longest.decode())
    assert record["argv"][1:] == [longest.decode(), record["argv"][2], "a b\\c"]


def test_snapshot_request_with_negative_length_is_an_empty_volume_name(daemon):
    """The other snapshot bounds are covered per daemon program in test_snapshot.py."""
    log_before = daemon.log()
    payload = tessilctl.head(tessilctl.REQ_SNAPSHOT) + tessilctl.int32(-4)
    with tessilctl.socket.create_connection(tessilctl.ADDRESS, timeout=10) as connection:
        connection.sendall(payload)
        reply = b""
        while len(reply) < 12:
            chunk = connection.recv(12 - len(reply))
            assert chunk, "closed after %r" % reply
            reply += chunk
        assert struct.unpack("<iii", reply) == (1, 0, len("Snapshot creation failed.") * 2)
        connection.sendall(b"done")  # releases the request
    assert daemon.log()[len(log_before):] == ["Snapshot creation failed for .\n", "Status 1 0.\n"]


def test_failed_syncer_start_keeps_the_registration(fresh_daemon):
    """On a daemon of its own: the supervisor goes on reporting and retrying this user's start."""
    fresh_daemon.start(users=b"")
    with fresh_daemon.syncer_program_missing():
        assert tessilctl.register(b"nosyncer", b"") == 0
    assert without_supervisor_reports(fresh_daemon.log()) == ["CreateProcess failed 2.\n"]
    assert lines_of(fresh_daemon.users_file) == [b"nosyncer", b""]

"""Start-ups of the daemon: users loaded from the file, the table's limit, script mode, the log's place, and what
it trusts in its data directory."""

import os
import socket
import time

from wine_daemon import START_TIMEOUT, port_in_use, tessilctl, wait_for, without_supervisor_reports

SYNCER = "C:\\Program Files\\Tessil\\Tessil.exe"
PYTHON = "\\Python25\\python.exe"
SCRIPT = "TessilClient\\Tessil.py"
CLOCK_TOLERANCE = 300  # seconds between a log line's time stamp and the test's clock
ERROR_DIR_NOT_EMPTY = 145
RETRY_TIMEOUT = 90.0  # seconds: start-up tries the data directory again a minute after a failure


def console_lines(daemon, expected):
    """The console output once it is `expected` (the echo follows the log line), else as it is."""
    def lines():
        return daemon.console_path.read_bytes().decode("latin-1").replace("\r\n", "\n").splitlines(keepends=True)
    wait_for(lambda: lines() == expected)
    return lines()


def test_first_start_creates_an_empty_users_file_and_starts_nothing(fresh_daemon):
    fresh_daemon.start()
    assert fresh_daemon.users_file.read_bytes() == b""
    # Connections are served only once the users are loaded: this request's line is the log's first.
    tessilctl.report_port(b"nobody", 1)
    assert fresh_daemon.log() == ["Port for unknown user nobody.\n"]
    assert fresh_daemon.records() == []


def test_users_file_is_loaded_with_duplicates_skipped(fresh_daemon):
    longest = b"l" * 253  # the longest name that always loads
    last = b"b" * 254  # one more fits on a last line without a line feed (not registrable by request)
    fresh_daemon.start(users=b"alice\nALICE\n\ncarol\r\n" + longest + b"\n" + last)

    expected = [
        "started for user alice on 0.\n",
        "Syncer already running for ALICE, ignoring duplicate.\n",
        "started for user  on 1.\n",
        "started for user carol on 2.\n",
        "started for user %s on 3.\n" % longest.decode(),
        "started for user %s on 4.\n" % last.decode(),
    ]
    assert fresh_daemon.wait_for_log(expected[-1]) == expected
    records = {r["argv"][1]: r for r in fresh_daemon.settled_records()}
    assert sorted(records) == sorted(["", "alice", "carol", longest.decode(), last.decode()])
    pid = records["alice"]["argv"][2]
    assert records["alice"]["commandline"] == '"%s" "alice" %s' % (SYNCER, pid)
    assert records["alice"]["argv"] == [SYNCER, "alice", pid]
    assert records["alice"]["cwd"] == "C:\\Tessil"
    assert records[""]["argv"] == [SYNCER, "", pid]

    # A console run echoes every message without its time stamp.
    assert console_lines(fresh_daemon, expected) == expected
    now = time.time()
    for line in fresh_daemon.log_file.read_bytes().split(b"\r\n")[:-1]:
        stamp = time.mktime(time.strptime(line[:19].decode(), "%d/%m/%Y %H:%M:%S"))
        assert abs(stamp - now) < CLOCK_TOLERANCE, line

    # The last line had no line feed: a new name goes on a line of its own.
    assert tessilctl.register(b"dave", b"") == 0
    assert fresh_daemon.users_file.read_bytes().endswith(b"\n" + last + b"\r\ndave\r\n")
    assert tessilctl.register(last.upper(), b"") == 0


def test_control_byte_in_the_users_file_loses_no_later_user(fresh_daemon):
    """An earlier version registered x and byte 0x1A; reading the file in text mode ended it there."""
    fresh_daemon.start(users=b"x\x1a\r\nyuser\r\n", syncers="report 6071")
    expected = ["started for user x\\x1a on 0.\n", "started for user yuser on 1.\n"]
    assert fresh_daemon.wait_for_log(expected[-1]) == expected
    assert wait_for(lambda: tessilctl.register(b"yuser") == 6071)
    assert fresh_daemon.log() == expected  # no port for an unknown user
    (record,) = fresh_daemon.records_for("x\x1a")  # kept: the user has been running with it
    assert record["argv"][1] == "x\x1a"


def test_ports_are_not_kept_across_restarts(fresh_daemon):
    fresh_daemon.start(users=b"erin\n", syncers="report 6070")
    assert wait_for(lambda: tessilctl.register(b"erin", b"") == 6070)
    fresh_daemon.start(users=fresh_daemon.users_file.read_bytes())
    assert tessilctl.register(b"erin", b"") == 0


def test_user_table_holds_128_users(fresh_daemon):
    names = [b"u%03d" % i for i in range(130)]
    fresh_daemon.start(users=b"\n".join(names) + b"\n", syncers="exit 0")
    log = fresh_daemon.wait_for_log("Users file line 130 ignored: user table full.\n")
    assert log.count("Users file line 129 ignored: user table full.\n") == 1
    # Each of the first 128 lines took a slot; a syncer start that fails takes its slot as well.
    slots = [m for m in log if m.startswith("started for user ") or m.startswith("CreateProcess failed ")]
    assert len(slots) == 128, [m for m in log if m not in slots]

    log_before = fresh_daemon.log()
    assert tessilctl.register(b"newcomer", b"") is None
    # Meanwhile the supervisor reports the syncers' exits and, on a slow machine, restarts them.
    restarts = ("started for user u", "CreateProcess failed ")
    logged = [m for m in without_supervisor_reports(fresh_daemon.log()[len(log_before):])
              if not m.startswith(restarts)]
    assert logged == ["Registration refused: user table full.\n"]
    assert b"newcomer" not in fresh_daemon.users_file.read_bytes()
    assert tessilctl.register(b"U127", b"") == 0  # lookups still work


def test_name_too_big_in_the_users_file_stops_the_daemon(fresh_daemon):
    fresh_daemon.start(users=b"first\n" + b"x" * 254 + b"\nnever\n", wait=False)
    assert fresh_daemon.process.wait(timeout=60) == 1
    assert fresh_daemon.log() == ["started for user first on 0.\n", "Username too big.\n"]
    # Its syncers end with it: the service manager starts a failed service again, and they piled up.
    assert not [program for program in fresh_daemon.wine.programs() if "Tessil.exe" in program]


def test_script_mode_command_lines(fresh_daemon):
    fresh_daemon.start("-s", users=b"sam\n")
    (record,) = fresh_daemon.records_for("sam", fresh_daemon.python_dir)
    pid = record["argv"][3]
    assert record["commandline"] == '%s %s "sam" %s' % (PYTHON, SCRIPT, pid)
    assert record["argv"] == [PYTHON, SCRIPT, "sam", pid]
    assert record["cwd"] == "C:\\work"  # the daemon's own working directory

    assert tessilctl.register(b"tina", b"") == 0
    (record,) = fresh_daemon.records_for("tina", fresh_daemon.python_dir)
    assert record["commandline"] == '%s %s "tina" %s ""' % (PYTHON, SCRIPT, pid)
    assert fresh_daemon.records() == []  # the syncer program is not used
    expected = ["started for user sam on 0.\n", "started for user tina on 1.\n"]
    assert console_lines(fresh_daemon, expected) == expected


def test_log_lies_in_the_current_directory_when_the_listener_retries(fresh_daemon):
    fresh_daemon.shut_down()  # frees the port
    with socket.socket() as taken:
        taken.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        taken.bind(("127.0.0.1", 6063))
        taken.listen()
        fresh_daemon.start(wait=False)
        local_log = fresh_daemon.cwd / "logs" / "TessilCPH.log"
        expected = ["bind failed, returned: -1.\n", "Retrying in a minute...\n"]
        assert wait_for(lambda: fresh_daemon.log(local_log) == expected), fresh_daemon.log(local_log)
        assert console_lines(fresh_daemon, expected) == expected
        assert not fresh_daemon.data_dir.exists()  # users are loaded only once the listener is up
        fresh_daemon.stop()


def test_users_file_that_is_a_second_name_of_another_file_is_not_opened(fresh_daemon):
    """Anyone who could write in the data directory once might have made the users file a hard link to a
    file of their choice, for the service to append to."""
    fresh_daemon.prepare(users=b"")
    planted = fresh_daemon.wine.drive_c / "planted.txt"
    planted.write_bytes(b"kept\r\n")
    fresh_daemon.users_file.unlink()
    os.link(planted, fresh_daemon.users_file)
    fresh_daemon.launch(wait=False)
    assert fresh_daemon.process.wait(timeout=60) == 0
    assert fresh_daemon.log() == ["fopen failed for C:\\Tessil\\TessilUList.cfg.\n"]
    assert planted.read_bytes() == b"kept\r\n"


def test_logs_link_is_not_followed(fresh_daemon, tmp_path):
    """A logs directory replaced by a link, for the service to write its log wherever it points. Wine shows
    a Linux symbolic link to a directory as a junction but cannot remove the link without its target:
    removing it fails while the target holds anything, and start-up stops there instead of following it
    (Windows removes the link and makes the directory afresh). Start-up tries again every minute, keeping the
    port (it used to give up, leaving the port to anyone), and comes up once the link is gone."""
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    (elsewhere / "kept.txt").write_bytes(b"kept")
    fresh_daemon.prepare(users=b"")
    (fresh_daemon.data_dir / "logs").symlink_to(elsewhere, target_is_directory=True)
    fresh_daemon.launch(wait=False)
    # The data directory is not set up, so the messages go where early messages go.
    local_log = fresh_daemon.cwd / "logs" / "TessilCPH.log"
    expected = ["Could not secure the directory C:\\Tessil\\logs, error %d.\n" % ERROR_DIR_NOT_EMPTY,
                "Retrying in a minute...\n"]
    assert wait_for(lambda: fresh_daemon.log(local_log) == expected, START_TIMEOUT), fresh_daemon.log(local_log)
    assert fresh_daemon.running() and port_in_use()
    assert sorted(os.listdir(elsewhere)) == ["kept.txt"]
    (fresh_daemon.data_dir / "logs").unlink()
    assert wait_for((fresh_daemon.data_dir / "logs").is_dir, RETRY_TIMEOUT)
    assert tessilctl.register(b"alice") == 0
    assert fresh_daemon.log(local_log) == expected + ["started for user alice on 0.\n"]

"""The real daemon under Wine, for the end-to-end tests and the load benchmark.

Run it inside a private network namespace (script/test does) so that the daemon's port 6063 is this run's
own. The daemon sits at C:\\Program Files\\Tessil\\ with the stand-in syncer beside it as Tessil.exe, and
again as C:\\Python25\\python.exe for script mode (see standin_syncer.cpp for what it records and obeys).
"""

import contextlib
import functools
import importlib.machinery
import importlib.util
import os
import re
import resource
import shutil
import signal
import socket
import subprocess
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DAEMON = Path(os.environ.get("TESSIL_E2E_DAEMON", ROOT / "dist/windows/TessilCPHwnet64.exe"))
STANDIN = ROOT / "build/win64/tests/e2e/tessil_standin_syncer.exe"
PREFIX = Path(os.environ.get("TESSIL_E2E_PREFIX", ROOT / "build/wine-e2e"))
WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"  # Wine's i386 loader, which every i386 program is started through
WINESERVER = "/usr/lib/wine/wineserver"
DAEMON_ADDRESS = ("127.0.0.1", 6063)
START_TIMEOUT = 60.0  # seconds until the daemon listens
WAIT_TIMEOUT = 30.0  # seconds for a log line or a syncer record to appear
# What the supervisor logs on its own schedule (a pass every 10 s), whenever a syncer has exited or failed to
# start: tests that compare a stretch of the log with such syncers about leave these out.
SUPERVISOR_REPORTS = ("Syncer for user ", "restarting syncer for ")

LOG_LINE = re.compile(rb"^(\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)\t:(.*)$", re.S)


@functools.lru_cache(maxsize=None)
def runs_i386():
    """Whether this machine runs i386 programs at all: some kernels refuse every 32-bit executable."""
    try:
        subprocess.run([WINE32, "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except OSError:
        return False
    return True


def _load_tessilctl():
    loader = importlib.machinery.SourceFileLoader("tessilctl", str(ROOT / "tools/tessilctl"))
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("tessilctl", loader))
    loader.exec_module(module)
    return module


tessilctl = _load_tessilctl()


def wait_for(condition, timeout=WAIT_TIMEOUT, interval=0.05):
    """Polls until condition() is true; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)


def without_supervisor_reports(messages):
    return [message for message in messages if not message.startswith(SUPERVISOR_REPORTS)]


def allow_descriptors(count):
    """Lets this process (and the Wine processes it starts later) hold `count` descriptors at once."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft != resource.RLIM_INFINITY and soft < count:
        limit = count if hard == resource.RLIM_INFINITY else min(count, hard)
        resource.setrlimit(resource.RLIMIT_NOFILE, (limit, hard))


def hold_unfinished_requests(count):
    """Opens `count` connections to the daemon, each having sent 5 bytes of the banner and nothing more;
    returns {connection: time.monotonic() when it was opened}."""
    held = {}
    for _ in range(count):
        connection = socket.create_connection(DAEMON_ADDRESS)
        held[connection] = time.monotonic()
        connection.sendall(tessilctl.BANNER[:5])
    return held


def port_in_use():
    with socket.socket() as probe:
        return probe.connect_ex(DAEMON_ADDRESS) == 0


class Wine:
    """One prefix with a persistent wineserver, so later Wine processes start fast."""

    def __init__(self, prefix):
        self.prefix = prefix
        self.env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d")
        self.drive_c = prefix / "drive_c"

    def run(self, *args, **kwargs):
        return subprocess.run(list(args), env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, **kwargs)

    def create(self):
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.prefix.mkdir(parents=True)
        self.run(WINE64, "wineboot", "-i", check=True)
        # wineboot's server lingers a few seconds; a persistent one can only start once it has gone.
        self.run(WINESERVER, "-w")
        self.up()

    def up(self):
        self.run(WINESERVER, "-p")
        self.run(WINE64, "cmd", "/c", "exit")

    def kill_all(self):
        """Ends every process of the prefix and its server."""
        self.run(WINESERVER, "-k")
        self.run(WINESERVER, "-w")


class Daemon:
    """The daemon of the session: its files in the prefix, its console output and its process."""

    def __init__(self, wine, workdir, program=DAEMON, install_dir=None):
        self.wine = wine
        self.program = program
        self.install_dir = install_dir or wine.drive_c / "Program Files" / "Tessil"
        self.env = dict(wine.env)  # of the daemon process
        self.python_dir = wine.drive_c / "Python25"
        self.data_dir = wine.drive_c / "Tessil"
        self.cwd = wine.drive_c / "work"
        self.console_path = workdir / "console.txt"
        self.process = None
        self.console = None
        self.shared = False  # the running daemon is the one the tests share (see conftest.py)

    @property
    def users_file(self):
        return self.data_dir / "TessilUList.cfg"

    @property
    def log_file(self):
        return self.data_dir / "logs" / "TessilCPH.log"

    def install(self):
        self.install_dir.mkdir(parents=True, exist_ok=True)
        self.python_dir.mkdir(parents=True, exist_ok=True)
        self.cwd.mkdir(parents=True, exist_ok=True)
        shutil.copy(self.program, self.install_dir / self.program.name)
        shutil.copy(STANDIN, self.install_dir / "Tessil.exe")
        shutil.copy(STANDIN, self.python_dir / "python.exe")

    def prepare(self, users=None, syncers="stay"):
        """Ready for a fresh start-up: every Wine process ended, the data directory, syncer records and the
        working directory emptied; `users` (bytes) becomes the users file; `syncers` is the stand-in's
        default action ("stay" or "exit N")."""
        self.shut_down()
        for directory in (self.data_dir, self.cwd, self.install_dir / "standin-records",
                          self.python_dir / "standin-records"):
            shutil.rmtree(directory, ignore_errors=True)
        self.cwd.mkdir(parents=True)
        if users is not None:
            self.data_dir.mkdir(parents=True)
            self.users_file.write_bytes(users)
        self.set_syncers({"*": syncers})
        self.wine.up()

    def start(self, argument="-c", users=None, syncers="stay", wait=True):
        """A fresh start-up in the console (see prepare and launch)."""
        self.prepare(users, syncers)
        self.launch(argument, wait)

    def launch(self, argument="-c", wait=True):
        """Starts the daemon in the console on what is prepared; `wait`: until it listens (on a port found
        free) and has its users file."""
        if wait:
            assert not port_in_use(), "port 6063 is taken: run the e2e tests in a private network namespace"
        self.console = open(self.console_path, "wb")
        self.process = subprocess.Popen([WINE64, str(self.install_dir / self.program.name), argument],
                                        cwd=self.cwd, env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=self.console, stderr=subprocess.STDOUT)
        if wait:
            # It listens first and sets up its data directory and users file right after.
            assert wait_for(lambda: not self.running() or (port_in_use() and self.users_file.exists()),
                            START_TIMEOUT)
            assert self.running(), "the daemon ended with %d" % self.process.returncode

    def running(self):
        return self.process is not None and self.process.poll() is None

    def shut_down(self):
        """Ends the daemon and every other process of the prefix (syncers included)."""
        self.stop()
        self.wine.kill_all()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
        if self.process:
            self.process.wait()
        if self.console:
            self.console.close()
        self.process = self.console = None

    def set_syncers(self, actions):
        """Tells the stand-in syncer what to do per user name ("*": any other): "stay" or "exit N"."""
        lines = "".join("%s\t%s\n" % (user, action) for user, action in actions.items())
        for directory in (self.install_dir, self.python_dir):
            (directory / "standin-control.txt").write_text(lines)

    @contextlib.contextmanager
    def syncer_program_missing(self):
        """Takes the syncer program away for the duration: the daemon cannot start a syncer (error 2)."""
        program = self.install_dir / "Tessil.exe"
        away = program.with_name("Tessil.exe.away")
        program.rename(away)
        try:
            yield
        finally:
            away.rename(program)

    def log(self, path=None):
        """The log's messages, each with its line ending; the prefix is checked and stripped."""
        return [message for _, message in self.stamped_log(path)]

    def stamped_log(self, path=None):
        """The log's lines as (local time in seconds since the epoch, message with its line ending)."""
        path = path or self.log_file
        if not path.exists():
            return []
        lines = []
        for line in path.read_bytes().split(b"\r\n")[:-1]:
            match = LOG_LINE.match(line)
            assert match, "log line without its prefix: %r" % line
            day, month, year, hour, minute, second = (int(field) for field in match.groups()[:6])
            stamp = time.mktime((year, month, day, hour, minute, second, 0, 0, -1))
            lines.append((stamp, match.group(7).decode("latin-1") + "\n"))
        return lines

    def wait_for_log(self, message):
        """Waits until the log holds `message` (the test fails if it does not come); returns the log."""
        assert wait_for(lambda: message in self.log()), "%r not logged:\n%s" % (message, "".join(self.log()))
        return self.log()

    def records(self, directory=None):
        """The stand-in's records: one dict per syncer start (argv as a list, the process id as pid)."""
        directory = (directory or self.install_dir) / "standin-records"
        found = []
        for path in sorted(directory.glob("*.txt")) if directory.exists() else []:
            record = {"argv": [], "pid": int(path.stem)}
            for line in path.read_text(encoding="latin-1").split("\n")[:-1]:
                key, value = line.split("\t", 1)
                if key == "argv":
                    record["argv"].append(value)
                else:
                    record[key] = value
            found.append(record)
        return found

    def settled_records(self, directory=None):
        """The records once every syncer start the log reports has recorded itself."""
        def started():
            return len([m for m in self.log() if m.startswith("started for user ")])
        wait_for(lambda: len(self.records(directory)) == started())
        return self.records(directory)

    def records_for(self, user, directory=None):
        """Waits for a syncer start of `user` (either command-line form) and returns its records."""
        def matching():
            return [r for r in self.records(directory) if user in r["argv"][1:3]]
        wait_for(matching)
        return matching()

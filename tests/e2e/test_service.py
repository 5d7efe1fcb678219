"""TessilCPHwnet64 as a Windows service under Wine's own service manager (services.exe): install, run,
stop, uninstall, and the command lines that do not install.

Where Wine's service manager differs from Windows (see the tests): CreateServiceA keeps only the first
name of the dependency list, and the failure actions are accepted but not stored."""

import re
import subprocess
from pathlib import Path

import pytest

from wine_daemon import ROOT, WINE64, port_in_use, tessilctl, wait_for

SERVICE = "Halvik Tessil Client Daemon"
SERVICE_KEY = "HKLM\\System\\CurrentControlSet\\Services\\" + SERVICE
EXIT_WATCH = ROOT / "build/win64/tests/e2e/tessil_exit_watch.exe"
STATUS_BATCH = "tessil-exit-status.bat"

INSTALLED = 1
ERROR_SERVICE_DOES_NOT_EXIST = 1060
ERROR_SERVICE_EXISTS = 1073
RUNNING = 4
STOP_EXIT_CODE = 1  # what StopAllSyncers terminates syncers with
PROGRAM_TIMEOUT = 120  # seconds for one run of the program that ends by itself
WATCH_TIMEOUT = 30  # seconds the exit watcher waits for the syncers


class ServiceHost:
    """The daemon program run from a console of the e2e prefix, and the service it installs."""

    def __init__(self, daemon):
        self.daemon = daemon
        self.wine = daemon.wine
        program = "C:\\" + str(daemon.install_dir.relative_to(self.wine.drive_c)).replace("/", "\\")
        self.program_path = program + "\\" + daemon.program.name
        self.prefix_setting = b"WINEPREFIX=" + bytes(self.wine.prefix)
        # Linux keeps only the low 8 bits of a Wine process's exit status; cmd reports all of it.
        (self.wine.drive_c / STATUS_BATCH).write_text(
            '@"%s" %%*\r\n@echo exit status %%errorlevel%%\r\n' % self.program_path)

    def wine_output(self, *arguments, timeout=PROGRAM_TIMEOUT):
        done = subprocess.run([WINE64, *arguments], env=self.wine.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)
        return done.returncode, done.stdout.decode("latin-1").replace("\r\n", "\n")

    def program(self, *arguments):
        """Runs the program with the arguments in a console; returns its exit status."""
        _, output = self.wine_output("cmd", "/c", "C:\\" + STATUS_BATCH, *arguments)
        match = re.search(r"^exit status (-?\d+)$", output, re.M)
        assert match, output
        return int(match.group(1))

    def status(self):
        """The service's status as sc reports it: a dict of its fields, empty when there is no service."""
        _, output = self.wine_output("sc", "query", SERVICE)
        return dict(re.findall(r"^\s+(\w+)\s+: (\S+)", output, re.M))

    def configuration(self):
        """The service's registry values as reg prints them (name -> (type, data)); None when absent."""
        code, output = self.wine_output("reg", "query", SERVICE_KEY)
        if code != 0:
            return None
        return {name: (kind, data) for name, kind, data in
                re.findall(r"^    (\w+)\s+(REG_\w+)\s+(.*)$", output, re.M)}

    def processes(self):
        """Linux process ids of the daemon program running in this prefix."""
        found = []
        for proc in Path("/proc").iterdir():
            try:
                environment = (proc / "environ").read_bytes().split(b"\0")
                command = (proc / "cmdline").read_bytes()
            except OSError:
                continue
            if self.prefix_setting in environment and self.daemon.program.name.encode() in command:
                found.append(int(proc.name))
        return sorted(found)

    def remove(self):
        """Uninstalls whatever is left, even after a failed test, so later Wine processes of the prefix do
        not start the service again."""
        if self.configuration() is not None and self.program("-u") != 0:
            self.wine_output("sc", "delete", SERVICE)
        assert self.configuration() is None, "the service could not be removed"


@pytest.fixture
def service(fresh_daemon):
    fresh_daemon.prepare()
    host = ServiceHost(fresh_daemon)
    host.remove()
    try:
        yield host
    finally:
        try:
            host.remove()
        finally:
            fresh_daemon.shut_down()


def watch_exits(host, pids):
    """Starts the exit watcher on the processes; returns it once it holds them all."""
    watcher = subprocess.Popen([WINE64, str(EXIT_WATCH), str(WATCH_TIMEOUT), *map(str, pids)],
                               env=host.wine.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
    assert watcher.stdout.readline().strip() == "watching"
    return watcher


def test_install_run_stop_uninstall_and_no_service_in_a_console(service):
    daemon = service.daemon
    daemon.set_syncers({"quitter": "exit 0", "*": "stay"})

    assert service.program("-i") == INSTALLED
    assert wait_for(port_in_use)
    status = service.status()
    assert (status["STATE"], status["CHECKPOINT"], status["WAIT_HINT"]) == (str(RUNNING), "0x0", "0xfa00")
    configuration = service.configuration()
    assert configuration["ImagePath"] == ("REG_SZ", '"%s"' % service.program_path)
    assert configuration["DisplayName"] == ("REG_SZ", SERVICE)
    assert configuration["Description"] == (
        "REG_SZ", "Halvik Tessil Client Daemon. Identifies changed files and syncs them with Tessil server.")
    assert configuration["Start"] == ("REG_DWORD", "0x2")  # automatic
    assert configuration["Type"] == ("REG_DWORD", "0x10")
    assert configuration["ErrorControl"] == ("REG_DWORD", "0x1")
    # Wine: only the first of "SwPrv" and "Tcpip" is kept, and no failure actions at all.
    assert configuration["DependOnService"] == ("REG_MULTI_SZ", "SwPrv")
    assert "FailureActions" not in configuration

    # Installing again changes nothing: the same configuration and the same service process.
    (process,) = service.processes()
    assert service.program("-i") == ERROR_SERVICE_EXISTS
    assert service.configuration() == configuration
    assert service.status()["STATE"] == str(RUNNING)
    assert service.processes() == [process]

    # Slot 0: a start that failed; slot 1: a syncer that exits; slot 2: one that runs.
    with daemon.syncer_program_missing():
        assert tessilctl.register(b"failer") == 0
    assert tessilctl.register(b"quitter") == 0
    assert tessilctl.register(b"runner") == 0
    (runner,) = daemon.records_for("runner")
    # A pass clears both slots; they then wait 20 s for their restarts.
    for user, code in (("failer", 259), ("quitter", 0)):
        assert daemon.wait_for_log("Syncer for user %s has exited with %d\n" % (user, code))

    # Stopping terminates the running syncer only. With the syncer program away, a restart that falls due
    # before the stop (on a slow machine) starts nothing and leaves an all-ones handle, which the stop must
    # not terminate either: that handle stands for the daemon itself, before the runner's slot.
    with daemon.syncer_program_missing():
        watcher = watch_exits(service, [runner["pid"]])
        assert service.program("-u") == 0
        assert watcher.communicate(timeout=WATCH_TIMEOUT + 30)[0] == "%d exited %d\n" % (
            runner["pid"], STOP_EXIT_CODE)
    assert service.configuration() is None
    assert service.status() == {}
    # The service process ends once it has reported stopped, a moment after the uninstall has seen that.
    assert wait_for(lambda: service.processes() == [] and not port_in_use())
    assert sorted(r["argv"][1] for r in daemon.settled_records()) == ["quitter", "runner"]

    assert service.program("-u") == ERROR_SERVICE_DOES_NOT_EXIST

    # Without exactly one argument the program asks for the service dispatcher, which refuses a console
    # process. (Wine's service manager answers that at once only once it has run a service, as here; before
    # that it takes 10 s, and the call may even hang.)
    log_before = daemon.log()
    assert service.program() == 0
    assert service.program("-s", "-i") == 0
    assert service.program("-i", "-u", "x") == 0
    assert service.configuration() is None
    assert not port_in_use()
    assert daemon.log() == log_before


def test_other_single_argument_runs_the_daemon_in_the_console(fresh_daemon):
    fresh_daemon.start("-I", users=b"vera\n")  # not the install switch
    assert fresh_daemon.wait_for_log("started for user vera on 0.\n")
    assert tessilctl.register(b"vera") == 0
    (record,) = fresh_daemon.records_for("vera")
    assert record["argv"][0].endswith("\\Tessil.exe")  # the program form
    assert fresh_daemon.console_path.read_bytes().replace(b"\r\n", b"\n") == b"started for user vera on 0.\n"

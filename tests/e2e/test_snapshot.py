"""Snapshot requests end to end, for each of the three daemon programs under Wine (the i386 ones too run
under wine64): with the test substitute for vssapi.dll beside the daemon (tests/windows/vss_substitute.h
says how it is steered and what it records), and with Wine's own vssapi, which has no shadow copies."""

import time

import pytest

from wine_daemon import ROOT, Daemon, runs_i386, tessilctl, wait_for

# program, substitute of the same layout, how the substitute records IVssAsync::Wait's argument
VARIANTS = {
    "wnet64": ("dist/windows/TessilCPHwnet64.exe", "build/win64/tests/windows/vss-wnet64/vssapi.dll", " 4294967295"),
    "wnet": ("dist/windows/TessilCPHwnet.exe", "build/win32/tests/windows/vss-wnet/vssapi.dll", " 4294967295"),
    "wxp": ("dist/windows/TessilCPHwxp.exe", "build/win32/tests/windows/vss-wxp/vssapi.dll", ""),
}
SUBSTITUTE_VSSAPI = "n,b"
WINE_VSSAPI = "b"

VOLUME = "C:\\"
FAILED_TEXT = "Snapshot creation failed."
DEVICE_PREFIX = "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy"
E_NOTIMPL = 0x80004001
LIMIT_REACHED = 0x80042317  # VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED
MAX_SNAPSHOTS = 16  # being made or held at once
HOLD_CHECK = 0.3  # seconds a held snapshot is watched for a premature release

# Create's way through the substitute: what it is told, the status and HRESULT the reply must carry, and
# the first call of Create's sequence that it does not get past.
FAILURES = [
    ("result CreateVssBackupComponents 80070005", 2, 0x80070005, "CreateVssBackupComponents"),
    ("result InitializeForBackup 80042301", 3, 0x80042301, "InitializeForBackup"),
    ("result StartSnapshotSet 80042316", 4, 0x80042316, "StartSnapshotSet"),
    ("result AddToSnapshotSet 8004230C", 5, 0x8004230C, "AddToSnapshotSet"),
    ("result SetBackupState 80042301", 14, 0x80042301, "SetBackupState"),
    ("result PrepareForBackup 8004230F", 15, 0x8004230F, "PrepareForBackup"),
    ("result PrepareForBackup.Wait 80042301", 16, 0x80042301, "PrepareForBackup.Wait"),
    ("result PrepareForBackup.QueryStatus 8000FFFF", 17, 0x8000FFFF, "PrepareForBackup.QueryStatus"),
    ("status PrepareForBackup 4230B", 18, 0, "PrepareForBackup.QueryStatus"),
    ("result DoSnapshotSet 80042316", 19, 0x80042316, "DoSnapshotSet"),
    ("result DoSnapshotSet.Wait 8004230F", 20, 0x8004230F, "DoSnapshotSet.Wait"),
    ("result DoSnapshotSet.QueryStatus 80042301", 21, 0x80042301, "DoSnapshotSet.QueryStatus"),
    ("status DoSnapshotSet 4230B", 22, 0, "DoSnapshotSet.QueryStatus"),
    ("result GetSnapshotProperties 80042308", 23, 0x80042308, "GetSnapshotProperties"),
]

# What the daemon gives back after each status code, when the client releases the request.
RELEASE_STEPS = {2: (), 3: ("components",), 4: ("components",), 5: ("set", "components"),
                 14: ("set", "components"), 15: ("set", "components")}
ALL_RELEASE_STEPS = ("abort", "set", "components")


def id_text(tag, number):
    return "{%08X-0000-0000-0000-%012X}" % (tag, number)


def set_id(number):
    return id_text(0x5E75E700, number)


def snapshot_id(number):
    return id_text(0x5A95A900, number)


class SnapshotDaemon(Daemon):
    """One daemon program with a substitute vssapi.dll of its layout beside it, in a folder of its own."""

    def __init__(self, wine, workdir, variant):
        program, substitute, self.wait_argument = VARIANTS[variant]
        super().__init__(wine, workdir, ROOT / program, wine.drive_c / "Program Files" / ("Tessil-" + variant))
        self.substitute = ROOT / substitute
        self.vssapi = None

    def install(self):
        for path in (self.program, self.substitute):
            assert path.exists(), "%s is missing: build the win64 and win32 presets first" % path
        super().install()
        (self.install_dir / "vssapi.dll").write_bytes(self.substitute.read_bytes())

    def use(self, vssapi, control=""):
        """Runs the daemon with the given load order of vssapi (starting it anew when that changes), tells
        the substitute what to do and forgets what it recorded so far."""
        if self.vssapi != vssapi or self.process is None or self.process.poll() is not None:
            self.env["WINEDLLOVERRIDES"] = self.wine.env["WINEDLLOVERRIDES"] + ";vssapi=" + vssapi
            self.start()
            self.vssapi = vssapi
        (self.install_dir / "vssapi.control").write_text(control)
        (self.install_dir / "vssapi.record").unlink(missing_ok=True)

    def calls(self):
        """The recorded calls per backup components object: {number: [call, ...]}."""
        record = self.install_dir / "vssapi.record"
        objects = {}
        for line in record.read_text().splitlines() if record.exists() else []:
            number, call = line.split(" ", 1)
            objects.setdefault(int(number), []).append(call)
        return objects

    def create_calls(self, number, last_call=None):
        """Create's calls for object `number` up to the one starting with `last_call` (all of them when
        None); a step of an asynchronous operation is followed by the release of its IVssAsync."""
        calls = ["CreateVssBackupComponents &", "InitializeForBackup NULL", "StartSnapshotSet &",
                 "AddToSnapshotSet %s {00000000-0000-0000-0000-000000000000} &" % VOLUME, "SetBackupState 0 0 1 0"]
        for operation in ("PrepareForBackup", "DoSnapshotSet"):
            calls += [operation + " &", operation + ".Wait" + self.wait_argument, operation + ".QueryStatus & NULL",
                      operation + ".Release 0"]
        calls += ["GetSnapshotProperties %s &" % snapshot_id(number),
                  "VssFreeSnapshotProperties %s" % snapshot_id(number)]
        if last_call is None:
            return calls
        end = next(i for i, call in enumerate(calls) if call.split(" ")[0] == last_call) + 1
        if "." in last_call:
            return calls[:end] + [last_call.split(".")[0] + ".Release 0"]
        return calls[:end]

    @staticmethod
    def release_calls(number, steps=ALL_RELEASE_STEPS):
        calls = {"abort": "AbortBackup", "set": "DeleteSnapshots %s 2 0 & &" % set_id(number),
                 "components": "Release 0"}
        return [calls[step] for step in ALL_RELEASE_STEPS if step in steps]


@pytest.fixture(scope="module", params=sorted(VARIANTS))
def variant(request, wine, tmp_path_factory):
    """Each daemon program in turn; it takes port 6063 from the shared daemon, which restarts later."""
    if request.param != "wnet64" and not runs_i386():
        pytest.skip("this machine's kernel refuses i386 programs")
    daemon = SnapshotDaemon(wine, tmp_path_factory.mktemp("snapshot-" + request.param), request.param)
    daemon.install()
    try:
        yield daemon
    finally:
        daemon.shut_down()


def only_object(variant):
    """The number and calls of the one backup components object recorded."""
    calls = variant.calls()
    assert len(calls) == 1, calls
    return next(iter(calls.items()))


def test_snapshot_is_held_until_the_client_releases_it(variant):
    variant.use(SUBSTITUTE_VSSAPI)
    log_before = variant.log()
    snapshot = tessilctl.Snapshot(VOLUME)
    number, calls = only_object(variant)
    assert (snapshot.status, snapshot.result, snapshot.text) == (0, 0, DEVICE_PREFIX + str(number))
    assert calls == variant.create_calls(number)

    time.sleep(HOLD_CHECK)
    assert variant.calls()[number] == calls, "released before the client said so"
    snapshot.release()
    assert variant.calls()[number] == calls + variant.release_calls(number)
    assert variant.log() == log_before


def test_snapshot_is_removed_when_the_client_disconnects(variant):
    variant.use(SUBSTITUTE_VSSAPI)
    snapshot = tessilctl.Snapshot(VOLUME)
    number, calls = only_object(variant)
    time.sleep(HOLD_CHECK)
    assert variant.calls()[number] == calls
    snapshot.close()
    expected = calls + variant.release_calls(number)
    assert wait_for(lambda: variant.calls()[number] == expected), variant.calls()


@pytest.mark.parametrize("control, status, result, last_call", FAILURES, ids=[f[3] for f in FAILURES])
def test_failed_step_gives_its_code_and_releases_what_it_must(variant, control, status, result, last_call):
    variant.use(SUBSTITUTE_VSSAPI, control)
    log_before = variant.log()
    with tessilctl.Snapshot(VOLUME) as snapshot:
        assert (snapshot.status, snapshot.result & 0xFFFFFFFF, snapshot.text) == (status, result, FAILED_TEXT)
        number, calls = only_object(variant)
        assert calls == variant.create_calls(number, last_call)
        assert variant.log()[len(log_before):] == ["Snapshot creation failed for %s.\n" % VOLUME,
                                                   "Status %d %x.\n" % (status, result)]
        snapshot.release()
    steps = RELEASE_STEPS.get(status, ALL_RELEASE_STEPS)
    assert variant.calls()[number] == calls + variant.release_calls(number, steps)


def test_two_snapshots_are_made_and_held_at_once(variant):
    variant.use(SUBSTITUTE_VSSAPI)
    with tessilctl.Snapshot(VOLUME) as first:
        # The first snapshot is still held: a daemon that served snapshots one at a time would not answer.
        with tessilctl.Snapshot(VOLUME, timeout=10) as second:
            assert (first.status, second.status) == (0, 0)
            assert first.text != second.text
            objects = variant.calls()
            assert len(objects) == 2 and all(calls == variant.create_calls(n) for n, calls in objects.items())
            second.release()
        first.release()
    for number, calls in variant.calls().items():
        assert calls == variant.create_calls(number) + variant.release_calls(number)


def test_empty_volume_name_fails_without_a_call(variant):
    variant.use(SUBSTITUTE_VSSAPI)
    log_before = variant.log()
    with tessilctl.Snapshot("") as snapshot:
        assert (snapshot.status, snapshot.result, snapshot.text) == (1, 0, FAILED_TEXT)
        snapshot.release()
    assert variant.log()[len(log_before):] == ["Snapshot creation failed for .\n", "Status 1 0.\n"]
    assert variant.calls() == {}


def test_volume_name_of_1025_bytes_is_closed_without_reply(variant):
    variant.use(SUBSTITUTE_VSSAPI)
    log_before = variant.log()
    payload = tessilctl.head(tessilctl.REQ_SNAPSHOT) + tessilctl.int32(1025) + b"v" * 1025
    assert tessilctl.exchange(payload) == b""
    assert variant.log() == log_before
    assert variant.calls() == {}


def test_wine_vssapi_gives_its_own_failure(variant):
    variant.use(WINE_VSSAPI)
    log_before = variant.log()
    with tessilctl.Snapshot(VOLUME) as snapshot:
        reply = (snapshot.status, snapshot.result & 0xFFFFFFFF, snapshot.text)
        snapshot.release()
    assert reply == (2, E_NOTIMPL, FAILED_TEXT)
    assert variant.log()[len(log_before):] == ["Snapshot creation failed for %s.\n" % VOLUME,
                                               "Status 2 %x.\n" % E_NOTIMPL]
    assert variant.calls() == {}


def test_snapshots_past_the_limit_are_refused_until_one_is_released(variant):
    variant.use(SUBSTITUTE_VSSAPI)
    held = [tessilctl.Snapshot(VOLUME) for _ in range(MAX_SNAPSHOTS)]
    try:
        assert [snapshot.status for snapshot in held] == [0] * MAX_SNAPSHOTS
        log_before = variant.log()
        with tessilctl.Snapshot(VOLUME) as refused:
            assert (refused.status, refused.result & 0xFFFFFFFF, refused.text) == (5, LIMIT_REACHED, FAILED_TEXT)
        assert variant.log()[len(log_before):] == [
            "Snapshot refused for %s: %d snapshots are being made or held.\n" % (VOLUME, MAX_SNAPSHOTS)]
        assert len(variant.calls()) == MAX_SNAPSHOTS, "the refused request reached the shadow copy service"

        held.pop().release()
        with tessilctl.Snapshot(VOLUME) as admitted:
            assert admitted.status == 0
            admitted.release()
    finally:
        for snapshot in held:
            snapshot.close()

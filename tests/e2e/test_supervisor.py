"""The supervisor against real processes: syncers that exit (with 0, or with 259, which is also the code
of a running process) or cannot be started are restarted after the first back-off delay. This is the one
test that waits for the delay in real time (about 30 s)."""

from wine_daemon import tessilctl, wait_for, without_supervisor_reports

PASS_INTERVAL = 10  # seconds between two passes of the supervisor
RESTART_WAIT = 2 * PASS_INTERVAL  # a first delay of 30 s restarts two passes after the one that saw the exit
STAMP_TOLERANCE = 2  # seconds: whole-second time stamps, and a pass takes a moment of its own
START_FAILED_CODE = 259  # logged for a syncer whose start failed
STILL_ACTIVE = 259
RESTART_TIMEOUT = 60.0  # seconds, from the first exit until both users are running again


def line_of(stamped, message, after=-1):
    """Index of the first line holding `message` after index `after`."""
    for index in range(after + 1, len(stamped)):
        if stamped[index][1] == message:
            return index
    raise AssertionError("%r not logged after line %d:\n%s" % (message, after, "".join(m for _, m in stamped)))


def test_exited_and_unstartable_syncers_are_restarted_after_the_first_delay(fresh_daemon):
    fresh_daemon.start(users=b"")
    fresh_daemon.set_syncers({"quitter": "exit 0", "stillactive": "exit %d" % STILL_ACTIVE, "*": "stay"})

    # failer's start fails (the syncer program is away); the syncers of quitter and stillactive exit at once.
    with fresh_daemon.syncer_program_missing():
        assert tessilctl.register(b"failer") == 0
    assert tessilctl.register(b"quitter") == 0
    assert tessilctl.register(b"stillactive") == 0
    # A pass may already have seen failer's failed start.
    expected = ["CreateProcess failed 2.\n", "started for user quitter on 1.\n",
                "started for user stillactive on 2.\n"]
    assert without_supervisor_reports(fresh_daemon.log()) == expected

    # Once the exit is seen, the restarted syncer is to stay.
    assert fresh_daemon.wait_for_log("Syncer for user quitter has exited with 0\n")
    assert fresh_daemon.wait_for_log("Syncer for user stillactive has exited with %d\n" % STILL_ACTIVE)
    # The id of a syncer that has exited is nobody's syncer until a new one runs: its report is refused.
    (exited,) = fresh_daemon.records_for("quitter")
    fresh_daemon.report_port_as(exited["pid"], b"quitter", 7000)
    fresh_daemon.set_syncers({"quitter": "report 7001", "*": "stay"})
    def restarted():
        messages = fresh_daemon.log()
        return messages.count("started for user quitter on 1.\n") == 2 and \
            messages.count("started for user stillactive on 2.\n") == 2 and \
            "started for user failer on 0.\n" in messages
    assert wait_for(restarted, RESTART_TIMEOUT), fresh_daemon.log()
    assert wait_for(lambda: tessilctl.register(b"quitter") == 7001)
    users = [r["argv"][1] for r in fresh_daemon.settled_records()]
    assert (users.count("quitter"), users.count("stillactive")) == (2, 2)

    stamped = fresh_daemon.stamped_log()
    exits = (("failer", 0, START_FAILED_CODE), ("quitter", 1, 0), ("stillactive", 2, STILL_ACTIVE))
    for user, slot, code in exits:
        seen = line_of(stamped, "Syncer for user %s has exited with %d\n" % (user, code))
        restarting = line_of(stamped, "restarting syncer for %d\n" % slot, seen)
        line_of(stamped, "started for user %s on %d.\n" % (user, slot), restarting)
        waited = stamped[restarting][0] - stamped[seen][0]
        assert abs(waited - RESTART_WAIT) <= STAMP_TOLERANCE, (user, waited)
    messages = [message for _, message in stamped]
    assert messages.count("CreateProcess failed 2.\n") == 1  # the restart found the program back in place
    assert len([m for m in messages if m.startswith("Syncer for user ")]) == 3
    assert "Port for user quitter refused: process %d is not its syncer.\n" % exited["pid"] in messages

#pragma once

// The supervisor's restart rule for one user's syncer: a syncer that exits (or cannot be started) is started
// again after a delay that doubles while it keeps exiting, and falls back to the first delay once the
// syncer has been seen running. Plain logic; the supervisor thread feeds it what it saw of each process.

#include <cstdint>

constexpr uint32_t SUPERVISOR_POLL_INTERVAL_MS = 10000;  // ms between two passes
// The delays count down by one pass's interval per pass.
constexpr int COUNTDOWN_STEP = SUPERVISOR_POLL_INTERVAL_MS / 1000;  // seconds
constexpr int FIRST_BACKOFF = 30;                        // seconds
constexpr int BACKOFF_CAP = 3840;                        // seconds, 30 * 2^7

// A start that failed leaves no process and so no exit code. The log reports this value instead (259,
// STILL_ACTIVE), as it always has; a syncer that itself exits with 259 is logged with the same number.
constexpr int START_FAILED_EXIT_CODE = 259;

// What a pass found in a slot's process record.
enum SyncerSighting {
    SYNCER_ABSENT,        // no process: never started, or waiting for its restart
    SYNCER_START_FAILED,  // the last start failed
    SYNCER_RUNNING,       // its process has not ended
    SYNCER_EXITED,        // it has ended
};

// Per slot, owned by the supervisor; both zero at its start.
struct RestartState {
    int restartCountdown;  // seconds left before the restart; 0 = no restart pending
    int lastBackoff;       // the delay chosen at the last exit; 0 once the syncer was seen running
};

// What the pass does for the slot after a sighting.
struct RestartDecision {
    bool reportExit;  // log the exit (or the failed start) with its code
    bool clearRecord; // close the process handle, if any, and clear the slot's process record
    bool restartNow;  // start the syncer again in this pass
};

// 30 after 0; otherwise twice the previous delay, but at most BACKOFF_CAP.
int NextBackoff(int previousDelay);

// One pass's decision for one slot, updating its state.
RestartDecision DecideRestart(RestartState *state, SyncerSighting sighting);

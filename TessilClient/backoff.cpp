#include "backoff.h"

int NextBackoff(int previousDelay)
{
    if (previousDelay <= 0)
        return FIRST_BACKOFF;
    return previousDelay >= BACKOFF_CAP / 2 ? BACKOFF_CAP : previousDelay * 2;
}

RestartDecision DecideRestart(RestartState *state, SyncerSighting sighting)
{
    RestartDecision decision = {false, false, false};
    switch (sighting) {
    case SYNCER_RUNNING:
        state->restartCountdown = 0;
        state->lastBackoff = 0;
        return decision;
    case SYNCER_START_FAILED:
    case SYNCER_EXITED:
        decision.reportExit = true;
        state->lastBackoff = NextBackoff(state->lastBackoff);
        state->restartCountdown = state->lastBackoff;
        break;
    case SYNCER_ABSENT:
        break;
    }

    decision.clearRecord = true;
    if (state->restartCountdown != 0) {
        state->restartCountdown -= COUNTDOWN_STEP;
        if (state->restartCountdown <= 0) {
            state->restartCountdown = 0;
            decision.restartNow = true;
        }
    }
    return decision;
}

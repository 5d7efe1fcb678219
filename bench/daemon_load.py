#!/usr/bin/env python3
"""Load benchmark of the daemon under Wine (run by bench/daemon-load, inside a private network namespace).

For each daemon build (the real one, with the platform's longest accept queue, and one with a queue of 1)
and for 1, 8 and 64 concurrent clients, on a fresh start-up:
  1. the clients register USERS new users between them (REQ_USER; each starts a stand-in syncer);
  2. they send REQUESTS more requests, alternating port reports (REQ_PORT) and lookups (REQ_USER) of their
     own users, so every lookup has one right answer: the port the same client reported last.
Prints requests per second, latency percentiles and every failed connection by kind, then checks the users
file: no registration lost, none doubled, nothing registered that was not asked for.
"""

import argparse
import collections
import socket
import struct
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests/e2e"))

from wine_daemon import DAEMON, Daemon, Wine, tessilctl  # noqa: E402

BUILDS = {
    "longest queue": DAEMON,
    "queue of 1": ROOT / "build/win64/TessilClient/TessilCPHbacklog1.exe",
}
CONCURRENCY = (1, 8, 64)
USERS = 120  # the table holds 128
REQUESTS = 3000
CLIENT_TIMEOUT = 10.0  # seconds for connect, each send and each receive
FIRST_PORT = 20000


def attempt(payload, reply_size):
    """One request: (outcome, reply, seconds). Outcomes: ok, refused, reset, timeout, no reply."""
    start = time.perf_counter()
    try:
        reply = tessilctl.exchange(payload, reply_size, timeout=CLIENT_TIMEOUT)
        outcome = "ok" if reply_size is None or len(reply) == reply_size else "no reply"
    except ConnectionRefusedError:
        outcome, reply = "refused", b""
    except ConnectionResetError:
        outcome, reply = "reset", b""
    except socket.timeout:
        outcome, reply = "timeout", b""
    return outcome, reply, time.perf_counter() - start


class Phase:
    """Latencies and outcomes of one phase, filled by the client threads."""

    def __init__(self, name):
        self.name = name
        self.latencies = []
        self.outcomes = collections.Counter()
        self.wrong_replies = 0
        self.lock = threading.Lock()
        self.seconds = 0.0

    def record(self, outcome, seconds, wrong=False):
        with self.lock:
            self.outcomes[outcome] += 1
            if outcome == "ok":
                self.latencies.append(seconds)
            self.wrong_replies += wrong

    def run(self, clients):
        """Runs one thread per client function, started together."""
        barrier = threading.Barrier(len(clients))

        def body(client):
            barrier.wait()
            client()

        threads = [threading.Thread(target=body, args=(client,)) for client in clients]
        start = time.perf_counter()
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.seconds = time.perf_counter() - start

    def row(self, build, concurrency):
        total = sum(self.outcomes.values())
        ordered = sorted(self.latencies)

        def percentile(p):
            return 1000 * ordered[min(len(ordered) - 1, int(p / 100 * len(ordered)))] if ordered else float("nan")

        failures = ", ".join("%s %d" % (k, v) for k, v in sorted(self.outcomes.items()) if k != "ok") or "none"
        return ("%-13s %3d  %-8s %5d %8.0f %8.1f %8.1f %8.1f %8.1f   %s%s" % (
            build, concurrency, self.name, total, total / self.seconds, percentile(50), percentile(90),
            percentile(99), 1000 * ordered[-1] if ordered else float("nan"), failures,
            "; wrong replies %d" % self.wrong_replies if self.wrong_replies else ""))


def run(daemon, build, concurrency):
    daemon.start(syncers="exit 0")
    names = [b"user%03d" % i for i in range(USERS)]
    mine = [names[k::concurrency] for k in range(concurrency)]

    registration = Phase("register")
    registered = set()

    def register(k):
        for name in mine[k]:
            outcome, reply, seconds = attempt(tessilctl.user_request(name, b"bench"), 4)
            registration.record(outcome, seconds, outcome == "ok" and reply != tessilctl.int32(0))
            if outcome == "ok":
                with registration.lock:
                    registered.add(name)

    registration.run([lambda k=k: register(k) for k in range(concurrency)])

    traffic = Phase("traffic")

    def converse(k):
        users = [name for name in mine[k] if name in registered]
        last_port = dict.fromkeys(users, 0)
        for r in range(REQUESTS // concurrency if users else 0):
            name = users[(r // 2) % len(users)]
            if r % 2 == 0:
                port = FIRST_PORT + r
                outcome, _, seconds = attempt(tessilctl.port_request(name.upper(), port), None)
                if outcome == "ok":
                    last_port[name] = port
                traffic.record(outcome, seconds)
            else:
                outcome, reply, seconds = attempt(tessilctl.user_request(name.upper(), b""), 4)
                traffic.record(outcome, seconds, outcome == "ok" and reply != tessilctl.int32(last_port[name]))

    traffic.run([lambda k=k: converse(k) for k in range(concurrency)])

    lines = daemon.users_file.read_bytes().split(b"\r\n")[:-1]
    counts = collections.Counter(lines)
    doubled = sorted(n for n, c in counts.items() if c > 1)
    lost = sorted(registered - set(counts))
    unasked = sorted(set(counts) - set(names))
    unseen = sorted(set(counts) - registered)  # registered by the daemon, reply lost on the way
    check = "users file: %d lines, lost %d, doubled %d, not asked for %d, registered without a reply %d" % (
        len(lines), len(lost), len(doubled), len(unasked), len(unseen))
    return [registration.row(build, concurrency), traffic.row(build, concurrency)], check, not (
        lost or doubled or unasked)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--workdir", type=Path, default=ROOT / "build/bench")
    parser.add_argument("--prefix", type=Path, default=ROOT / "build/wine-bench")
    args = parser.parse_args()

    wine = Wine(args.prefix)
    wine.create()
    sound = True
    try:
        print("%-13s %3s  %-8s %5s %8s %8s %8s %8s %8s   %s" % (
            "build", "cl", "phase", "reqs", "req/s", "p50 ms", "p90 ms", "p99 ms", "max ms", "failed"))
        for build, program in BUILDS.items():
            daemon = Daemon(wine, args.workdir, program)
            args.workdir.mkdir(parents=True, exist_ok=True)
            daemon.install()
            for concurrency in CONCURRENCY:
                rows, check, ok = run(daemon, build, concurrency)
                print("\n".join(rows))
                print("%-13s %3d  %s%s" % (build, concurrency, check, "" if ok else "  <-- FAULT"))
                sys.stdout.flush()
                sound = sound and ok
            daemon.shut_down()
    finally:
        wine.kill_all()
    return 0 if sound else 1


if __name__ == "__main__":
    sys.exit(main())

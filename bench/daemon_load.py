#!/usr/bin/env python3
"""Load benchmark of the daemon under Wine (run by bench/daemon-load, inside a private network namespace).

For each daemon build (this tree's, and those of other revisions given with --against, in turn within
every round) and for 1, 8 and 64 concurrent clients, on a fresh start-up:
  1. the clients register USERS new users between them (REQ_USER; each starts a stand-in syncer);
  2. they look their own users up REQUESTS times between them (REQ_USER of a registered name, the request
     a user's interface makes on every connection); every lookup must answer 0, as no syncer reported a
     port.
The clients are threads spread over up to CLIENT_PROCESSES processes, so the client side is not one
interpreter's lock. Prints requests per second, latency percentiles and every failed connection by kind,
checks the users file (no registration lost, none doubled, nothing registered that was not asked for),
and at the end the median of the rounds per build with its ratio to the first --against build's.
"""

import argparse
import collections
import multiprocessing
import socket
import statistics
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests/e2e"))

from wine_daemon import DAEMON, Daemon, Wine, tessilctl  # noqa: E402

USERS = 120  # the table holds 128
REQUESTS = 3000
CLIENT_TIMEOUT = 10.0  # seconds for connect, each send and each receive
CLIENT_PROCESSES = 8


def attempt(payload, reply_size):
    """One request: (outcome, reply, seconds). Outcomes: ok, refused, reset, timeout, no reply."""
    start = time.perf_counter()
    try:
        reply = tessilctl.exchange(payload, reply_size, timeout=CLIENT_TIMEOUT)
        outcome = "ok" if len(reply) == reply_size else "no reply"
    except ConnectionRefusedError:
        outcome, reply = "refused", b""
    except ConnectionResetError:
        outcome, reply = "reset", b""
    except socket.timeout:
        outcome, reply = "timeout", b""
    return outcome, reply, time.perf_counter() - start


def register(names, count):
    """A client's registrations: (outcome, seconds, wrong reply, name) per request."""
    results = []
    for name in names:
        outcome, reply, seconds = attempt(tessilctl.user_request(name, b"bench"), 4)
        results.append((outcome, seconds, outcome == "ok" and reply != tessilctl.int32(0), name))
    return results


def look_up(names, count):
    """A client's lookups, round robin over its names."""
    results = []
    for r in range(count if names else 0):
        name = names[r % len(names)]
        outcome, reply, seconds = attempt(tessilctl.user_request(name.upper(), b""), 4)
        results.append((outcome, seconds, outcome == "ok" and reply != tessilctl.int32(0), name))
    return results


def client_process(work, clients, barrier, results):
    """Runs `work` for each of its (names, count) clients on a thread of its own, all started together with
    every other process's; puts (first start, last end, results) on the queue."""
    collected = []
    lock = threading.Lock()

    def body(names, count):
        done = work(names, count)
        with lock:
            collected.extend(done)

    threads = [threading.Thread(target=body, args=client) for client in clients]
    barrier.wait()
    start = time.perf_counter()  # CLOCK_MONOTONIC: comparable across the processes
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    results.put((start, time.perf_counter(), collected))


class Phase:
    """One phase's figures."""

    def __init__(self, name, work, clients):
        """Runs `work` for every (names, count) client at once."""
        self.name = name
        context = multiprocessing.get_context("fork")
        processes = min(CLIENT_PROCESSES, len(clients))
        barrier = context.Barrier(processes)
        queue = context.Queue()
        workers = [context.Process(target=client_process, args=(work, clients[p::processes], barrier, queue))
                   for p in range(processes)]
        for worker in workers:
            worker.start()
        reports = [queue.get() for _ in workers]
        for worker in workers:
            worker.join()
        self.seconds = max(r[1] for r in reports) - min(r[0] for r in reports)
        self.results = [result for report in reports for result in report[2]]
        self.outcomes = collections.Counter(r[0] for r in self.results)
        self.wrong_replies = sum(r[2] for r in self.results)
        self.latencies = sorted(r[1] for r in self.results if r[0] == "ok")

    def percentile(self, p):
        ordered = self.latencies
        return 1000 * ordered[min(len(ordered) - 1, int(p / 100 * len(ordered)))] if ordered else float("nan")

    def rate(self):
        return len(self.results) / self.seconds

    def row(self, build, concurrency):
        failures = ", ".join("%s %d" % (k, v) for k, v in sorted(self.outcomes.items()) if k != "ok") or "none"
        return ("%-9s %3d  %-8s %5d %8.0f %8.2f %8.1f %8.1f %8.1f   %s%s" % (
            build, concurrency, self.name, len(self.results), self.rate(), self.percentile(50),
            self.percentile(90), self.percentile(99), self.percentile(100), failures,
            "; wrong replies %d" % self.wrong_replies if self.wrong_replies else ""))


def run(daemon, build, concurrency):
    daemon.start(syncers="exit 0")
    names = [b"user%03d" % i for i in range(USERS)]
    registration = Phase("register", register, [(names[k::concurrency], 0) for k in range(concurrency)])
    registered = set(r[3] for r in registration.results if r[0] == "ok")
    mine = [[name for name in names[k::concurrency] if name in registered] for k in range(concurrency)]
    traffic = Phase("lookups", look_up, [(mine[k], REQUESTS // concurrency) for k in range(concurrency)])

    lines = daemon.users_file.read_bytes().split(b"\r\n")[:-1]
    counts = collections.Counter(lines)
    doubled = sorted(n for n, c in counts.items() if c > 1)
    lost = sorted(registered - set(counts))
    unasked = sorted(set(counts) - set(names))
    unseen = sorted(set(counts) - registered)  # registered by the daemon, reply lost on the way
    check = "users file: %d lines, lost %d, doubled %d, not asked for %d, registered without a reply %d" % (
        len(lines), len(lost), len(doubled), len(unasked), len(unseen))
    sound = not (lost or doubled or unasked or registration.wrong_replies or traffic.wrong_replies)
    return registration, traffic, check, sound


def summary(figures, builds, clients):
    """Medians over the rounds, and each build's ratio to the first --against build (else to itself)."""
    reference = builds[min(1, len(builds) - 1)][0]
    print("\nmedian of %d round(s); ratio: to %s" % (len(figures[builds[0][0], clients[0], "lookups"]), reference))
    print("%-9s %3s  %-8s %8s %6s %8s %6s %8s %6s" % (
        "build", "cl", "phase", "req/s", "ratio", "p50 ms", "ratio", "p99 ms", "ratio"))
    for concurrency in clients:
        for phase in ("register", "lookups"):
            medians = {}
            for build, _ in builds:
                rounds = figures[build, concurrency, phase]
                medians[build] = [statistics.median(f(p) for p in rounds) for f in (
                    Phase.rate, lambda p: p.percentile(50), lambda p: p.percentile(99))]
            for build, _ in builds:
                values = medians[build]
                ratios = [v / r for v, r in zip(values, medians[reference])]
                print("%-9s %3d  %-8s %8.0f %6.2f %8.2f %6.2f %8.1f %6.2f" % (
                    build, concurrency, phase, values[0], ratios[0], values[1], ratios[1], values[2], ratios[2]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--workdir", type=Path, default=ROOT / "build/bench")
    parser.add_argument("--prefix", type=Path, default=ROOT / "build/wine-bench")
    parser.add_argument("--against", metavar="LABEL=PROGRAM", action="append", default=[],
                        help="another build of TessilCPHwnet64.exe (repeatable)")
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--clients", default="1,8,64", help="concurrencies, comma-separated")
    args = parser.parse_args()
    builds = [("this", DAEMON)] + [(label, Path(program)) for label, program in (
        against.split("=", 1) for against in args.against)]
    clients = [int(c) for c in args.clients.split(",")]

    wine = Wine(args.prefix)
    wine.create()
    args.workdir.mkdir(parents=True, exist_ok=True)
    figures = collections.defaultdict(list)
    sound = True
    try:
        print("%-9s %3s  %-8s %5s %8s %8s %8s %8s %8s   %s" % (
            "build", "cl", "phase", "reqs", "req/s", "p50 ms", "p90 ms", "p99 ms", "max ms", "failed"))
        for round_number in range(args.rounds):
            # Alternate which build goes first, so neither always meets a warmer machine.
            for build, program in builds if round_number % 2 == 0 else builds[::-1]:
                daemon = Daemon(wine, args.workdir, program,
                                wine.drive_c / "Program Files" / ("Tessil-" + build))
                daemon.install()
                for concurrency in clients:
                    registration, traffic, check, ok = run(daemon, build, concurrency)
                    print(registration.row(build, concurrency))
                    print(traffic.row(build, concurrency))
                    print("%-9s %3d  %s%s" % (build, concurrency, check, "" if ok else "  <-- FAULT"))
                    sys.stdout.flush()
                    figures[build, concurrency, "register"].append(registration)
                    figures[build, concurrency, "lookups"].append(traffic)
                    sound = sound and ok
                daemon.shut_down()
        summary(figures, builds, clients)
    finally:
        wine.kill_all()
    return 0 if sound else 1


if __name__ == "__main__":
    sys.exit(main())

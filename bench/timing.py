# Timing helpers shared by the cipher benchmarks, written to run in Python 2 and Python 3 alike.
import threading
import time

REPETITIONS = 7  # the best is reported
BYTES_PER_MB = 1e6


def best_seconds(run):
    """The shortest wall-clock time of REPETITIONS runs of `run`."""
    best = None
    for _ in range(REPETITIONS):
        start = time.time()
        run()
        seconds = time.time() - start
        best = seconds if best is None else min(best, seconds)
    return best


def serial(first, second):
    first()
    second()


def side_by_side(first, second):
    threads = [threading.Thread(target=first), threading.Thread(target=second)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


def serial_and_threaded(first, second, total):
    """(serial MB/s, two threads MB/s) for two workers of `total` bytes each."""
    return [2 * total / best_seconds(lambda: run(first, second)) / BYTES_PER_MB for run in (serial, side_by_side)]

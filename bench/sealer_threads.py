# The _sealer module and Python threads, in one run:
#   - two threads, each encrypting 16 MiB with its own Sealer, beside the same work done serially (MB/s of
#     wall-clock time); goal: at least 1.8 times the serial throughput on two cores;
#   - by the size of the calls, two threads beside serial work, for _sealer and for a build of it that lets
#     the interpreter lock go for every size (build/host/bench/always-unlocked): where letting it go pays;
#   - 1 KiB calls in one thread, _sealer (which keeps the lock at that size) beside that build (MB/s of CPU
#     time): what letting the lock go costs there; goal: no loss.
#
#   TESSIL_PRESETS=host script/build && script/python2 bench/sealer_threads.py
# Wall-clock figures need two idle cores: on a machine busy with other work they measure that work too.
import imp
import os
import sys
import time

from timing import BYTES_PER_MB, REPETITIONS, serial_and_threaded as timed_pair

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'dist', 'python27-linux'))
import _sealer
# Both are "_sealer" to Python: out of sys.modules first, or the second would fill the first one's module.
del sys.modules['_sealer']
always_unlocked = imp.load_dynamic('_sealer', os.path.join(ROOT, 'build', 'host', 'bench', 'always-unlocked',
                                                            '_sealer.so'))
assert always_unlocked is not _sealer and always_unlocked.Sealer_encrypt is not _sealer.Sealer_encrypt

LARGE = 16 * 1024 * 1024
CALL_SIZES = [1024, 4 * 1024, 16 * 1024, 64 * 1024]
BYTES_PER_THREAD = 4 * 1024 * 1024  # in calls of each of CALL_SIZES
SMALL = 1024
MIN_SECONDS = 0.3  # per repetition of the one-thread measurement


def encrypting(module, size, total):
    """Work for one thread: encrypts `total` bytes in calls of `size` with a Sealer of its own."""
    data = ''.join(chr((i * 31 + (i >> 8)) & 0xFF) for i in xrange(size))
    def work():
        handle = module.new_Sealer('benchmark password')
        for _ in xrange(total // size):
            module.Sealer_encrypt(handle, data)
        module.delete_Sealer(handle)
    return work


def serial_and_threaded(module, size, total):
    """(serial MB/s, two threads MB/s) for two workers of `total` bytes each, in calls of `size`."""
    return timed_pair(encrypting(module, size, total), encrypting(module, size, total), total)


def one_thread_rate(module, size):
    """MB/s of process CPU time for calls of `size` in one thread."""
    data = 'x' * size
    handle = module.new_Sealer('benchmark password')
    best = 0.0
    for _ in range(REPETITIONS):
        calls = 0
        start = time.clock()
        while time.clock() - start < MIN_SECONDS:
            module.Sealer_encrypt(handle, data)
            calls += 1
        best = max(best, size * calls / (time.clock() - start) / BYTES_PER_MB)
    module.delete_Sealer(handle)
    return best


def main():
    serial_rate, threaded_rate = serial_and_threaded(_sealer, LARGE, LARGE)
    print 'two threads of 16 MiB, a Sealer each: serial %.1f MB/s, two threads %.1f MB/s, %.2fx (goal 1.8x)' % (
        serial_rate, threaded_rate, threaded_rate / serial_rate)
    print
    print '%-34s %s' % ('two threads / serial, calls of', ' '.join('%8d' % size for size in CALL_SIZES))
    for name, module in (('_sealer', _sealer), ('lock let go for every size', always_unlocked)):
        ratios = []
        for size in CALL_SIZES:
            serial_rate, threaded_rate = serial_and_threaded(module, size, BYTES_PER_THREAD)
            ratios.append(threaded_rate / serial_rate)
        print '%-34s %s' % (name, ' '.join('%7.2fx' % ratio for ratio in ratios))
    print
    kept = one_thread_rate(_sealer, SMALL)
    let_go = one_thread_rate(always_unlocked, SMALL)
    print 'one thread, 1 KiB calls: lock kept %.1f MB/s, lock let go %.1f MB/s, %.3fx' % (kept, let_go, let_go / kept)


if __name__ == '__main__':
    main()

# Encryption and decryption throughput in MB/s (10^6 bytes per second of the process's CPU time) for
# 1 KiB, 64 KiB and 16 MiB, side by side in one run: Sealer in C++, the same loop over minizip's crypt.h
# (both from the native bench/sealer_bench program), the _sealer module (the Linux .so in CPython 2.7, and
# the Windows .pyd files in the Windows interpreters under Wine), and Python 2.7's pure-Python zipfile
# decrypter.
#
#   script/build && script/python2 bench/sealer_bench.py
# (TESSIL_PRESETS="host win32 win64" script/build is enough; without a Windows build its rows are left out.)
# Goals: Sealer at least as fast as minizip, and the module within 10% of the raw C++ figure from 64 KiB up.
# In a Windows interpreter, `script/python25-wine ARCH bench/sealer_bench.py --module` prints the module's
# figures alone, one "direction bytes MB/s" line each.
import os
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINDOWS = sys.platform == 'win32'
if os.environ.get('TESSIL_SEALER_DIR'):  # another build's _sealer, for bench/sealer3_bench.py --against
    sys.path.insert(0, os.environ['TESSIL_SEALER_DIR'])
elif not WINDOWS:
    sys.path.insert(0, os.path.join(ROOT, 'dist', 'python27-linux'))  # python25-wine puts its own first
import _sealer

SIZES = [1024, 64 * 1024, 16 * 1024 * 1024]
MIN_SECONDS = 0.3  # per repetition, as the native bench
REPETITIONS = 5    # the best is reported
BATCH_BYTES = 1024 * 1024  # timed between two readings of the clock, at the least
ZIPFILE_MAX_SECONDS = 2.0  # the pure-Python decrypter runs at about 1 MB/s: one call, cut short
BYTES_PER_MB = 1e6


def cpu_seconds():
    """The process's CPU time. On Windows time.clock is wall time; os.times gives the process's times there,
    in coarser steps, which repetitions of at least MIN_SECONDS absorb."""
    if WINDOWS:
        user, system = os.times()[:2]
        return user + system
    return time.clock()


def measure(size, call):
    # The clock is read once per batch of calls: under Wine each reading asks the Wine server, which would
    # cost more than a 1 KiB call.
    batch = max(1, BATCH_BYTES // size)
    best = 0.0
    for _ in range(REPETITIONS):
        calls = 0
        start = cpu_seconds()
        while True:
            for _ in xrange(batch):
                call()
            calls += batch
            seconds = cpu_seconds() - start
            if seconds >= MIN_SECONDS:
                break
        best = max(best, size * calls / seconds / BYTES_PER_MB)
    return best


def zipfile_decrypt_rate(data):
    # As ZipExtFile decrypts: the decrypter called once per byte. 16 MiB would take half a minute; the
    # rate does not depend on the size, so a prefix of at most ZIPFILE_MAX_SECONDS' worth is timed.
    decrypter = zipfile._ZipDecrypter('benchmark password')
    done = 0
    start = cpu_seconds()
    while done < len(data):
        chunk = data[done:done + 64 * 1024]
        ''.join(map(decrypter, chunk))
        done += len(chunk)
        if cpu_seconds() - start >= ZIPFILE_MAX_SECONDS:
            break
    return done / (cpu_seconds() - start) / BYTES_PER_MB


def bench_data(size):
    return ''.join(chr((i * 31 + (i >> 8)) & 0xFF) for i in xrange(size))


def module_rates(data):
    """{direction: MB/s} of the _sealer module that this interpreter loaded."""
    handle = _sealer.new_Sealer('benchmark password')
    rates = {'encrypt': measure(len(data), lambda: _sealer.Sealer_encrypt(handle, data)),
             'decrypt': measure(len(data), lambda: _sealer.Sealer_decrypt(handle, data))}
    _sealer.delete_Sealer(handle)
    return rates


def windows_module_figures(arch):
    """{(direction, size): MB/s} of dist/python25-<arch>/_sealer.pyd in the Windows interpreter."""
    if not os.path.exists(os.path.join(ROOT, 'build', arch, 'python25', 'python.exe')):
        print '(no %s build: its _sealer.pyd is left out)' % arch
        return {}
    command = [os.path.join(ROOT, 'script', 'python25-wine'), arch, os.path.join(ROOT, 'bench', 'sealer_bench.py'),
               '--module']
    figures = {}
    for line in subprocess.check_output(command).splitlines():
        direction, size, rate = line.split()
        figures[(direction, int(size))] = float(rate)
    return figures


def main():
    native = os.path.join(ROOT, 'build', 'host', 'bench', 'sealer_bench')
    figures = {}
    for line in subprocess.check_output([native]).splitlines():
        implementation, direction, size, rate = line.split()
        figures[(implementation, direction, int(size))] = float(rate)

    for size in SIZES:
        data = bench_data(size)
        for direction, rate in module_rates(data).items():
            figures[('_sealer', direction, size)] = rate
        figures[('zipfile', 'decrypt', size)] = zipfile_decrypt_rate(data)
    windows = ('_sealer.pyd win32', '_sealer.pyd win64')
    for implementation in windows:
        for (direction, size), rate in windows_module_figures(implementation.split()[-1]).items():
            figures[(implementation, direction, size)] = rate

    print '%-18s %-8s %12s %12s %12s' % ('', '', '1 KiB', '64 KiB', '16 MiB')
    for implementation in ('sealer', 'minizip', '_sealer') + windows + ('zipfile',):
        for direction in ('encrypt', 'decrypt'):
            row = [figures.get((implementation, direction, size)) for size in SIZES]
            if row[0] is None:
                continue
            print '%-18s %-8s %s' % (implementation, direction, ' '.join('%12.1f' % rate for rate in row))
    print
    for direction in ('encrypt', 'decrypt'):
        for size in SIZES:
            raw = figures[('sealer', direction, size)]
            print '%s %8d: Sealer/minizip %.2f, _sealer/Sealer %.3f' % (
                direction, size, raw / figures[('minizip', direction, size)], figures[('_sealer', direction, size)] / raw)


if __name__ == '__main__':
    if sys.argv[1:] == ['--module']:
        for size in SIZES:
            for direction, rate in sorted(module_rates(bench_data(size)).items()):
                print direction, size, rate
    else:
        main()

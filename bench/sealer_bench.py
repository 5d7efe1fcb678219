# Encryption and decryption throughput in MB/s (10^6 bytes per second of the process's CPU time) for
# 1 KiB, 64 KiB and 16 MiB, side by side in one run: Sealer in C++, the same loop over minizip's crypt.h
# (both from the native bench/sealer_bench program), the _sealer module, and Python 2.7's pure-Python
# zipfile decrypter.
#
#   script/build && script/python2 bench/sealer_bench.py
# (TESSIL_PRESETS=host script/build is enough.) Goals: Sealer at least as fast as minizip, and the module
# within 10% of the raw C++ figure from 64 KiB up.
import os
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'dist', 'python27-linux'))
import _sealer

SIZES = [1024, 64 * 1024, 16 * 1024 * 1024]
MIN_SECONDS = 0.3  # per repetition, as the native bench
REPETITIONS = 5    # the best is reported
ZIPFILE_MAX_SECONDS = 2.0  # the pure-Python decrypter runs at about 1 MB/s: one call, cut short
BYTES_PER_MB = 1e6


def measure(size, call):
    best = 0.0
    for _ in range(REPETITIONS):
        calls = 0
        start = time.clock()
        while True:
            call()
            calls += 1
            seconds = time.clock() - start
            if seconds >= MIN_SECONDS:
                break
        best = max(best, size * calls / seconds / BYTES_PER_MB)
    return best


def zipfile_decrypt_rate(data):
    # As ZipExtFile decrypts: the decrypter called once per byte. 16 MiB would take half a minute; the
    # rate does not depend on the size, so a prefix of at most ZIPFILE_MAX_SECONDS' worth is timed.
    decrypter = zipfile._ZipDecrypter('benchmark password')
    done = 0
    start = time.clock()
    while done < len(data):
        chunk = data[done:done + 64 * 1024]
        ''.join(map(decrypter, chunk))
        done += len(chunk)
        if time.clock() - start >= ZIPFILE_MAX_SECONDS:
            break
    return done / (time.clock() - start) / BYTES_PER_MB


def main():
    native = os.path.join(ROOT, 'build', 'host', 'bench', 'sealer_bench')
    figures = {}
    for line in subprocess.check_output([native]).splitlines():
        implementation, direction, size, rate = line.split()
        figures[(implementation, direction, int(size))] = float(rate)

    for size in SIZES:
        data = ''.join(chr((i * 31 + (i >> 8)) & 0xFF) for i in xrange(size))
        handle = _sealer.new_Sealer('benchmark password')
        figures[('_sealer', 'encrypt', size)] = measure(size, lambda: _sealer.Sealer_encrypt(handle, data))
        figures[('_sealer', 'decrypt', size)] = measure(size, lambda: _sealer.Sealer_decrypt(handle, data))
        _sealer.delete_Sealer(handle)
        figures[('zipfile', 'decrypt', size)] = zipfile_decrypt_rate(data)

    print '%-10s %-8s %12s %12s %12s' % ('', '', '1 KiB', '64 KiB', '16 MiB')
    for implementation in ('sealer', 'minizip', '_sealer', 'zipfile'):
        for direction in ('encrypt', 'decrypt'):
            row = [figures.get((implementation, direction, size)) for size in SIZES]
            if row[0] is None:
                continue
            print '%-10s %-8s %s' % (implementation, direction, ' '.join('%12.1f' % rate for rate in row))
    print
    for direction in ('encrypt', 'decrypt'):
        for size in SIZES:
            raw = figures[('sealer', direction, size)]
            print '%s %8d: Sealer/minizip %.2f, _sealer/Sealer %.3f' % (
                direction, size, raw / figures[('minizip', direction, size)], figures[('_sealer', direction, size)] / raw)


if __name__ == '__main__':
    main()

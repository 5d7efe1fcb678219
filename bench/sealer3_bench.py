# The Python 3 edition of _sealer beside Python 3's zipfile decrypter and beside the Python 2 module, in one
# run, in MB/s (10^6 bytes per second of the process's CPU time; two threads in wall-clock time):
#   - Linux: dist/python3-linux/_sealer.abi3.so in this interpreter (Debian's CPython 3), and
#     dist/python27-linux/_sealer.so in the project's CPython 2.7 (bench/sealer_bench.py --module);
#   - Windows, under Wine, where a preset was built: dist/python3-<arch>/_sealer.pyd in the Windows CPython 3.9
#     and dist/python25-<arch>/_sealer.pyd in the Windows CPython 2.7;
#   - two threads encrypting 16 MiB each with a Sealer of their own, beside the same work done serially.
# Goals: the module at least 100 times zipfile's decrypter and within 10 % of the Python 2 module; two
# threads at least 1.8 times serial work (which needs two idle cores).
#
#   script/build && /usr/bin/python3 bench/sealer3_bench.py [--against DIST]
# With --against, the modules of another build's dist/ folder (the build before a change, say) are measured in
# the same run, in rows marked "before", and each module's figures are set beside theirs.
# In a Windows interpreter, `script/python3-wine ARCH bench/sealer3_bench.py --module` prints the module's
# figures alone, one "direction bytes MB/s" line each; TESSIL_SEALER_DIR names another folder to load it from.
import os
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINDOWS = sys.platform == 'win32'
MODULE_FOLDER = 'TESSIL_SEALER_DIR'  # where a --module run loads _sealer from, when not from this build
if os.environ.get(MODULE_FOLDER):
    sys.path.insert(0, os.environ[MODULE_FOLDER])
elif not WINDOWS:
    sys.path.insert(0, os.path.join(ROOT, 'dist', 'python3-linux'))  # python3-wine puts its own first
import _sealer
from timing import BYTES_PER_MB, REPETITIONS, serial_and_threaded

SIZES = [1024, 64 * 1024, 16 * 1024 * 1024]
MIN_SECONDS = 0.3  # per repetition
BATCH_BYTES = 1024 * 1024  # timed between two readings of the clock, at the least
ZIPFILE_BYTES = 256 * 1024  # the pure-Python decrypter runs at a few MB/s
PASSWORD = b'benchmark password'


def measure(size, call):
    # The clock is read once per batch of calls: under Wine each reading asks the Wine server.
    batch = max(1, BATCH_BYTES // size)
    best = 0.0
    for _ in range(REPETITIONS):
        calls = 0
        start = time.process_time()
        while True:
            for _ in range(batch):
                call()
            calls += batch
            seconds = time.process_time() - start
            if seconds >= MIN_SECONDS:
                break
        best = max(best, size * calls / seconds / BYTES_PER_MB)
    return best


def bench_data(size):
    return bytes((i * 31 + (i >> 8)) & 0xFF for i in range(size))


def module_rates(data):
    """{direction: MB/s} of the _sealer module that this interpreter loaded."""
    handle = _sealer.new_Sealer(PASSWORD)
    rates = {'encrypt': measure(len(data), lambda: _sealer.Sealer_encrypt(handle, data)),
             'decrypt': measure(len(data), lambda: _sealer.Sealer_decrypt(handle, data))}
    _sealer.delete_Sealer(handle)
    return rates


def zipfile_decrypt_rate():
    data = bench_data(ZIPFILE_BYTES)
    start = time.process_time()
    zipfile._ZipDecrypter(PASSWORD)(data)
    return len(data) / (time.process_time() - start) / BYTES_PER_MB


def threads_and_serial():
    """(serial MB/s, two threads MB/s), wall-clock, for two Sealers encrypting 16 MiB each."""
    data = bench_data(SIZES[-1])
    def work():
        handle = _sealer.new_Sealer(PASSWORD)
        _sealer.Sealer_encrypt(handle, data)
        _sealer.delete_Sealer(handle)
    return serial_and_threaded(work, work, len(data))


def windows_path(path):
    """A Linux path as the Windows interpreters see it: Wine's drive Z: is the root."""
    return 'Z:' + os.path.realpath(path).replace('/', '\\')


def module_figures(command, folder=None):
    """{(direction, size): MB/s} that another interpreter's --module run prints, of the _sealer in folder if
    given; empty if it cannot run."""
    environment = dict(os.environ, **({MODULE_FOLDER: folder} if folder else {}))
    try:
        output = subprocess.run(command, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                universal_newlines=True, env=environment).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        print('(left out: %s %s)' % (error, (getattr(error, 'stderr', '') or '').strip()[-200:]))
        return {}
    figures = {}
    for line in output.splitlines():
        direction, size, rate = line.split()
        figures[(direction, int(size))] = float(rate)
    return figures


def module_rows(against):
    """{row name: {(direction, size): MB/s}} of every module of this build, and of the build whose dist/ folder
    `against` names (rows marked "before"), if given."""
    script = lambda name: os.path.join(ROOT, 'script', name)
    bench = lambda name: os.path.join(ROOT, 'bench', name)
    runs = {'_sealer py3 linux': ([sys.executable, bench('sealer3_bench.py'), '--module'], 'python3-linux'),
            '_sealer py2 linux': ([script('python2'), bench('sealer_bench.py'), '--module'], 'python27-linux')}
    for arch in ('win32', 'win64'):
        if os.path.exists(os.path.join(ROOT, 'build', arch, 'python39', 'python.exe')):
            runs['_sealer py3 ' + arch] = ([script('python3-wine'), arch, bench('sealer3_bench.py'), '--module'],
                                           'python3-' + arch)
            runs['_sealer py2 ' + arch] = ([script('python25-wine'), arch, bench('sealer_bench.py'), '--module'],
                                           'python25-' + arch)
    rows = {}
    for name, (command, dist) in sorted(runs.items()):
        rows[name] = module_figures(command)
        if against:
            folder = os.path.join(against, dist)
            rows[name + ' before'] = module_figures(command, windows_path(folder) if 'win' in dist else folder)
    return rows


def main(against):
    rows = module_rows(against)
    zipfile_rate = zipfile_decrypt_rate()

    print('%-27s %-8s %12s %12s %12s' % ('', '', '1 KiB', '64 KiB', '16 MiB'))
    for name in sorted(rows):
        for direction in ('encrypt', 'decrypt'):
            if rows[name]:
                print('%-27s %-8s %s' % (name, direction,
                                         ' '.join('%12.1f' % rows[name][(direction, size)] for size in SIZES)))
    print('%-27s %-8s %38.2f' % ('zipfile py3', 'decrypt', zipfile_rate))
    print()
    for platform in ('linux', 'win32', 'win64'):
        py3, py2 = rows.get('_sealer py3 ' + platform), rows.get('_sealer py2 ' + platform)
        if not py3 or not py2:
            continue
        for size in SIZES[1:]:
            print('%-6s %8d: decrypt py3/zipfile %6.0fx (goal 100x); py3/py2 encrypt %.3f, decrypt %.3f (goal 0.9)' % (
                platform, size, py3[('decrypt', size)] / zipfile_rate,
                py3[('encrypt', size)] / py2[('encrypt', size)], py3[('decrypt', size)] / py2[('decrypt', size)]))
    for name in sorted(n for n in rows if rows[n] and rows.get(n + ' before')):
        print('%-17s this build / before: %s' % (name, ', '.join(
            '%s %s %.3f' % (direction, size, rows[name][(direction, size)] / rows[name + ' before'][(direction, size)])
            for direction in ('encrypt', 'decrypt') for size in SIZES)))
    serial_rate, threaded_rate = threads_and_serial()
    print('two threads of 16 MiB, a Sealer each: serial %.1f MB/s, two threads %.1f MB/s, %.2fx (goal 1.8x)' % (
        serial_rate, threaded_rate, threaded_rate / serial_rate))


if __name__ == '__main__':
    if sys.argv[1:] == ['--module']:
        for size in SIZES:
            for direction, rate in sorted(module_rates(bench_data(size)).items()):
                print(direction, size, rate)
    elif sys.argv[1:2] == ['--against'] and len(sys.argv) == 3:
        main(os.path.abspath(sys.argv[2]))
    else:
        main(None)

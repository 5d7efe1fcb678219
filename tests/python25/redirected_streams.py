#!/usr/bin/env python3
"""The Windows interpreter started as a user starts it from a shell, its standard streams redirected to regular
files, or its input closed (under Wine, handles that Wine makes from the shell's descriptors): it must start,
read its input and write its output and errors there.

usage: redirected_streams.py PYTHON_WINE ARCH
"""
import os
import subprocess
import sys
import tempfile

ECHO = 'import sys; sys.stdout.write(repr(sys.stdin.read())); sys.stderr.write("to the error file")'


def run(launcher, arch, folder, stdin):
    """(status, output, errors) of ECHO with output and errors in files, input as `stdin` gives it."""
    names = [os.path.join(folder, name) for name in ('output', 'errors')]
    with open(names[0], 'w') as output, open(names[1], 'w') as errors:
        status = subprocess.call([launcher, arch, '-c', ECHO], stdout=output, stderr=errors, **stdin)
    texts = []
    for name in names:
        with open(name) as stream:
            texts.append(stream.read())
    return (status,) + tuple(texts)


def main(launcher, arch):
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        given = os.path.join(folder, 'input')
        with open(given, 'w') as stream:
            stream.write('typed\n')
        with open(given) as stream:
            cases = [('from a file', {'stdin': stream}, "'typed\\n'"),
                     ('closed', {'preexec_fn': lambda: os.close(0)}, "''")]
            for case, stdin, read in cases:
                outcome = run(launcher, arch, folder, stdin)
                if outcome != (0, read, 'to the error file'):
                    failures += 1
                    print('input %s, output and errors to files: status %d, output %r, errors %r' % ((case,) + outcome))
    return 1 if failures else 0


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))

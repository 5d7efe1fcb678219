#!/usr/bin/env python3
"""The Windows interpreter started from the shell with its output and errors in files and its input from a file
or closed (Wine makes the handles from the shell's descriptors): it starts, reads and writes them.

usage: redirected_streams.py PYTHON_WINE ARCH
"""
import os
import subprocess
import sys
import tempfile

ECHO = 'import sys; sys.stdout.write(repr(sys.stdin.read())); sys.stderr.write("errors")'


def run(launcher, arch, **stdin):
    """(status, output, errors) of ECHO."""
    with tempfile.TemporaryFile('w+') as output, tempfile.TemporaryFile('w+') as errors:
        status = subprocess.call([launcher, arch, '-c', ECHO], stdout=output, stderr=errors, **stdin)
        output.seek(0)
        errors.seek(0)
        return status, output.read(), errors.read()


def main(launcher, arch):
    with tempfile.TemporaryFile('w+') as given:
        given.write('typed\n')
        given.seek(0)
        outcomes = [('from a file', run(launcher, arch, stdin=given), "'typed\\n'"),
                    ('closed', run(launcher, arch, preexec_fn=lambda: os.close(0)), "''")]
    failed = [(case,) + outcome for case, outcome, read in outcomes if outcome != (0, read, 'errors')]
    for failure in failed:
        print('input %s: status %d, output %r, errors %r' % failure)
    return 1 if failed else 0


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))

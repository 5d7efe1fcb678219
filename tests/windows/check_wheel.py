#!/usr/bin/env python3
"""Fails unless the wheel, named for NAME, VERSION and TAG, holds exactly the given files, byte for byte (wheel's
reader checks each against the RECORD too), the type stubs (.pyi) as stub-only packages with py.typed, and its
metadata gives NAME, VERSION, a summary and no licence.

usage: check_wheel.py WHEEL NAME VERSION TAG FILE...
"""
import email.parser
import os
import sys

from wheel.wheelfile import WheelFile


def main(path, name, version, tag, *files):
    expected = {}
    for file in files:
        with open(file, 'rb') as stream:
            content = stream.read()
        stem, extension = os.path.splitext(os.path.basename(file))
        if extension == '.pyi':
            expected.update({stem + '-stubs/__init__.pyi': content, stem + '-stubs/py.typed': b''})
        else:
            expected[stem + extension] = content
    with WheelFile(path) as wheel:
        info = wheel.dist_info_path + '/'
        held = {n: wheel.read(n) for n in wheel.namelist() if not n.startswith(info)}
        metadata = email.parser.HeaderParser().parsestr(wheel.read(info + 'METADATA').decode())
    problems = ['%s differs' % n for n in sorted(set(held) | set(expected)) if held.get(n) != expected.get(n)]
    stated = [metadata[field] for field in ('Name', 'Version', 'License')]
    if stated != [name, version, None] or not metadata['Summary']:
        problems.append('metadata %s' % dict(metadata))
    if os.path.basename(path) != '%s-%s-%s.whl' % (name.replace('-', '_'), version, tag):
        problems.append('named %s' % os.path.basename(path))
    print('\n'.join(problems))
    return 1 if problems else 0


if __name__ == '__main__':
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))

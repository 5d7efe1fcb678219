#!/usr/bin/env python3
"""Fails unless the Python 3 edition's wheel holds exactly the given files, byte for byte, with py.typed, is
tagged and named as given, and its metadata names it, its version and a summary and no licence. wheel's own
reader checks every file against the RECORD.

usage: check_wheel.py WHEEL NAME VERSION TAG FILE...
"""
import email.parser
import os
import sys

from wheel.wheelfile import WheelFile


def main(path, name, version, tag, files):
    expected = {os.path.basename(f): f for f in files}
    expected['py.typed'] = os.devnull
    problems = []
    with WheelFile(path) as wheel:
        info = wheel.dist_info_path
        held = {n for n in wheel.namelist() if not n.startswith(info + '/')}
        if held != set(expected):
            problems.append('holds %s, not %s' % (sorted(held), sorted(expected)))
        for member in held & set(expected):
            with open(expected[member], 'rb') as stream:
                if wheel.read(member) != stream.read():  # the read checks the RECORD's hash too
                    problems.append('%s differs from %s' % (member, expected[member]))
        metadata = email.parser.HeaderParser().parsestr(wheel.read(info + '/METADATA').decode('utf-8'))
        tags = email.parser.HeaderParser().parsestr(wheel.read(info + '/WHEEL').decode('utf-8'))
        parts = wheel.parsed_filename.group('name', 'ver', 'pyver', 'abi', 'plat')
        if (parts[0], parts[1], '-'.join(parts[2:])) != (name.replace('-', '_'), version, tag):
            problems.append('named %s' % os.path.basename(path))
    if (metadata['Name'], metadata['Version']) != (name, version) or not metadata['Summary']:
        problems.append('metadata %s' % dict(metadata))
    if 'License' in metadata or any(c.startswith('License') for c in metadata.get_all('Classifier', [])):
        problems.append('a licence is stated: %s' % dict(metadata))
    if tags.get_all('Tag') != [tag] or tags['Root-Is-Purelib'] != 'false':
        problems.append('WHEEL %s' % dict(tags))
    for problem in problems:
        print('%s: %s' % (path, problem))
    return 1 if problems else 0


if __name__ == '__main__':
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]))

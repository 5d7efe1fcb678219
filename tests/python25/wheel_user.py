#!/usr/bin/env python3
"""A user of the Windows CPython 3.9 under Wine who installs the Python 3 edition's wheel with the pip that
the interpreter's ensurepip bundles, offline (pip install --user, into USER_BASE), or uninstalls it again and
finds nothing of it left there. pip runs isolated from the environment's and the user's settings.

usage: wheel_user.py PYTHON3_WINE ARCH USER_BASE install WHEEL
       wheel_user.py PYTHON3_WINE ARCH USER_BASE uninstall NAME
"""
import glob
import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUNDLED = os.path.join(ROOT, '.deps', 'python3.9-src', 'Lib', 'ensurepip', '_bundled')


def windows_path(path):
    """A Linux path as the Windows programs see it: Wine's drive Z: is the root."""
    return 'Z:' + os.path.realpath(path).replace('/', '\\')


def pip(launcher, arch, user_base, *args):
    bundled = glob.glob(os.path.join(BUNDLED, 'pip-*.whl'))
    command = [launcher, arch, windows_path(bundled[0]) + '\\pip', '--isolated', '--disable-pip-version-check',
               '--no-cache-dir'] + list(args)
    environment = dict(os.environ, TESSIL_PYTHON_USER_BASE=user_base)
    run = subprocess.run(command, env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         universal_newlines=True)
    print(run.stdout, end='')
    if run.returncode != 0:
        sys.exit('pip %s ended with status %d' % (args[0], run.returncode))


def files_under(folder):
    return sorted(os.path.relpath(os.path.join(at, name), folder) for at, _, names in os.walk(folder) for name in names)


def main(launcher, arch, user_base, action, argument):
    if action == 'install':
        shutil.rmtree(user_base, ignore_errors=True)
        pip(launcher, arch, user_base, 'install', '--user', '--no-index', windows_path(argument))
        print('installed:\n  ' + '\n  '.join(files_under(user_base)))
    else:
        pip(launcher, arch, user_base, 'uninstall', '--yes', argument)
        left = files_under(user_base)
        if left:
            sys.exit('pip uninstall left behind: %s' % ', '.join(left))


if __name__ == '__main__':
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])

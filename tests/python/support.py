# Helpers for the module tests.
import contextlib
import os
import subprocess
import sys
import tempfile
import unittest

# The Linux builds hand their platform calls to the tests' stand-ins (the Winsock recorder, the scripted
# storage platform); the Windows builds, run in the Windows interpreter, make the real calls.
needs_stand_ins = unittest.skipIf(sys.platform == 'win32', "needs the Linux build's stand-ins for the platform")


def run_python(code):
    """Runs code in a fresh interpreter (the same one, same environment); returns (status, stdout+stderr),
    with line feeds for a Windows interpreter's CR LF."""
    child = subprocess.Popen([sys.executable, '-c', code], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             env=os.environ.copy(), universal_newlines=True)
    output = child.communicate()[0]
    return child.returncode, output


@contextlib.contextmanager
def printed():
    """Collects what a module prints on the process's standard output (file descriptor 1)."""
    lines = []
    with tempfile.TemporaryFile() as sink:
        saved = os.dup(1)
        os.dup2(sink.fileno(), 1)
        try:
            yield lines
        finally:
            os.dup2(saved, 1)
            os.close(saved)
        sink.seek(0)
        lines.extend(sink.read().splitlines(True))


class Refusals(object):
    """For unittest.TestCase classes: calls that must be refused with an exact message."""

    def assertRefusedWith(self, exception, message, function, *args):
        try:
            function(*args)
        except exception as error:
            self.assertEqual(message, str(error))
        else:
            self.fail('%s%r was taken' % (function.__name__, args))

    def assertRefused(self, message, function, *args):
        """Refused with TypeError, as a wrong argument is."""
        self.assertRefusedWith(TypeError, message, function, *args)

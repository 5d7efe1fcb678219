# Helpers for the module tests.
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

# What differs between the two editions of the modules: their byte data is str in Python 2 and bytes in
# Python 3 (b'' literals are both); texts are unicode or str in Python 2, str in Python 3.
PY3 = sys.version_info[0] >= 3
UNICODE = str if PY3 else unicode  # noqa: F821 (Python 2's names)
LONG = int if PY3 else long  # noqa: F821
# A long beyond an argument's range: SWIG 1.3 refuses Python 2's long with TypeError; Python 3 has one int,
# refused there with OverflowError, as Python 2's int beyond 32 bits is.
LONG_REFUSAL = OverflowError if PY3 else TypeError
python2_only = unittest.skipIf(PY3, "Python 2's own: no such thing in Python 3")


if PY3:
    find_executable = shutil.which
else:
    from distutils.spawn import find_executable  # noqa: F401 (for the tests)


def byte(value):
    """The byte string of the one byte value (0-255)."""
    return bytes(bytearray([value]))


def zipfile_decrypted(password, data):
    """data decrypted by zipfile's own decrypter, an independent implementation in pure Python."""
    if PY3:
        return zipfile._ZipDecrypter(password)(data)
    return ''.join(map(zipfile._ZipDecrypter(password), data))

# The Linux builds hand their platform calls to the tests' stand-ins (the Winsock recorder, the scripted
# storage platform); the Windows builds, run in the Windows interpreter, make the real calls.
needs_stand_ins = unittest.skipIf(sys.platform == 'win32', "needs the Linux build's stand-ins for the platform")


def run_python(code):
    """Runs code in a fresh interpreter (the same one, same environment), print a function in both Pythons;
    returns (status, stdout+stderr), with line feeds for a Windows interpreter's CR LF."""
    child = subprocess.Popen([sys.executable, '-c', 'from __future__ import print_function\n' + code], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             env=os.environ.copy(), universal_newlines=True)
    output = child.communicate()[0]
    return child.returncode, output


@contextlib.contextmanager
def printed():
    """Collects what a module prints on the process's standard output (file descriptor 1), lines ending in
    line feeds: in Python 3 decoded from UTF-8, as the modules show texts (a lone surrogate kept), in Python
    2 its bytes."""
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
        output = sink.read()
        if PY3:
            output = output.decode('utf-8', 'surrogatepass')
        lines.extend(output.replace('\r\n', '\n').splitlines(True))


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

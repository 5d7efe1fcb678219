# Helpers for the module tests.
import os
import subprocess
import sys


def run_python(code):
    """Runs code in a fresh interpreter (the same one, same environment); returns (status, stdout+stderr)."""
    child = subprocess.Popen([sys.executable, '-c', code], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             env=os.environ.copy())
    output = child.communicate()[0]
    return child.returncode, output


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

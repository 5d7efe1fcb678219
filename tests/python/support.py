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

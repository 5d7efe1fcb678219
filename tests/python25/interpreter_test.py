# The Windows interpreters as script/python25-wine and script/python3-wine run them: CPython 2.7.18 (as
# Python 2.5, 16-bit unicode and a 32-bit C long as on every Windows) or CPython 3.9.2, of the preset's
# architecture, loading the staged modules.
from __future__ import print_function

import importlib
import os
import site
import struct
import sys
import unittest

DIST = os.environ.get('TESSIL_PYTHON_DIST')  # python25-win32, python25-win64, python3-win32 or python3-win64
INSTALLED = os.environ.get('TESSIL_PYTHON_USER_BASE')  # the Python 3 edition as pip installed it
VERSIONS = {'python25': (2, 7, 18), 'python3': (3, 9, 2)}
POINTER_SIZES = {'win32': 4, 'win64': 8}


@unittest.skipUnless(sys.platform == 'win32' and DIST, 'needs the Windows interpreter of a preset')
class InterpreterTest(unittest.TestCase):
    def test_version_and_data_model(self):
        print('%s, %d-bit:' % (sys.version.splitlines()[0], struct.calcsize('P') * 8), end=' ')
        edition, arch = DIST.split('-')
        self.assertEqual(VERSIONS[edition], sys.version_info[:3])
        self.assertEqual(POINTER_SIZES[arch], struct.calcsize('P'))
        if sys.version_info[0] == 2:
            self.assertEqual(2 ** 31 - 1, sys.maxint)
            self.assertEqual(0xFFFF, sys.maxunicode)

    def test_modules_come_from_where_they_were_put(self):
        # The Python 2.5 edition from dist/python25-<arch>/; the Python 3 edition, and its proxies, from where
        # pip installed its wheel for the user.
        names = ['_sealer', '_TessilDU', '_netopts'] + (['sealer', 'TessilDU', 'netopts'] if INSTALLED else [])
        for module in map(importlib.import_module, names):
            folder, name = os.path.split(module.__file__)
            if INSTALLED:
                self.assertEqual(os.path.normcase(site.getusersitepackages()), os.path.normcase(folder))
            else:
                self.assertEqual(DIST, os.path.basename(folder))
            self.assertIn(name, (module.__name__ + '.pyd', module.__name__ + '.py'))


if __name__ == '__main__':
    unittest.main()

# The Windows interpreter as script/python25-wine runs it: CPython 2.7.18 of the preset's architecture,
# 16-bit unicode and a 32-bit C long as on every Windows, loading the staged modules.
import os
import struct
import sys
import unittest

import _netopts
import _sealer
import _TessilDU

DIST = os.environ.get('TESSIL_PYTHON_DIST')  # python25-win32 or python25-win64


@unittest.skipUnless(sys.platform == 'win32' and DIST, 'needs the Windows interpreter of a preset')
class InterpreterTest(unittest.TestCase):
    def test_version_and_data_model(self):
        print '%s, %d-bit:' % (sys.version.splitlines()[0], struct.calcsize('P') * 8),
        self.assertEqual((2, 7, 18), sys.version_info[:3])
        self.assertEqual({'python25-win32': 4, 'python25-win64': 8}[DIST], struct.calcsize('P'))
        self.assertEqual(2 ** 31 - 1, sys.maxint)
        self.assertEqual(0xFFFF, sys.maxunicode)

    def test_modules_come_from_dist(self):
        for module in (_sealer, _TessilDU, _netopts):
            folder, name = os.path.split(module.__file__)
            self.assertEqual((DIST, module.__name__ + '.pyd'), (os.path.basename(folder), name))


if __name__ == '__main__':
    unittest.main()

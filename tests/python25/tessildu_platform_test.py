# _TessilDU in the Windows interpreter against the platform's real volumes and devices: what the module
# gives must be what the platform answers when asked directly (storage_answers.exe asks it). Under Wine the
# volume search lists the drives but answers an unknown drive type for each volume name, so no volume is
# fixed there; Wine answers the device number of \\.\C: and refuses the partition controls.
from __future__ import print_function

import binascii
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import _TessilDU
from support import PY3, UNICODE, printed

SYSTEM_VOLUME = '\\\\.\\C:'
MISSING_DEVICE = '\\\\.\\TessilNoSuchDevice'
DRIVE_FIXED = 3
# The controls and reply areas of the queries.
LAYOUT = (0x70050, 16384)
ENTRY = (0x70048, 144)
NUMBER = (0x2D1080, 12)

ANSWERS = os.environ.get('TESSIL_STORAGE_ANSWERS')


def answers(*args):
    return subprocess.check_output([ANSWERS] + list(args), universal_newlines=True).splitlines()


def utf16(text):
    return binascii.unhexlify(text).decode('utf-16-le')


def fixed_volumes_of_the_platform():
    """The enumeration's texts from the platform's volume search: the fixed volumes up to the first whose
    listing is refused, each with '|' and each of its mount paths."""
    texts = []
    for line in answers('volumes'):
        _, name, drive_type, paths = line.split(' ')
        print('platform volume %r: drive type %s' % (utf16(name), drive_type))
        if int(drive_type) != DRIVE_FIXED:
            continue
        if paths.startswith('refused:'):
            break
        texts.append(u'|'.join([utf16(name)] + utf16(paths).split(u'\0')[:-2]))
    return texts


def ask(path, control):
    """(error, reply bytes) of the control sent as the queries send it; path None is a null path."""
    code, size = control
    error, reply = answers('ask', path or '-', str(code), str(size))[0].split(' ')
    return int(error), binascii.unhexlify(reply)


@unittest.skipUnless(sys.platform == 'win32' and ANSWERS, 'needs the Windows build and storage_answers.exe')
class PlatformTest(unittest.TestCase):
    def setUp(self):
        self.handle = _TessilDU.new_MetaStorage()

    def tearDown(self):
        _TessilDU.delete_MetaStorage(self.handle)

    def query(self, name, path):
        """(result, printed text) of MetaStorage_<name>(path)."""
        with printed() as lines:
            result = getattr(_TessilDU, 'MetaStorage_' + name)(self.handle, path)
        return result, ''.join(lines)

    def test_enumeration_gives_the_platforms_fixed_volumes(self):
        expected = fixed_volumes_of_the_platform()
        found = [_TessilDU.MetaStorage_FirstVolume(self.handle)]
        while found[-1] is not None:
            self.assertEqual(UNICODE, type(found[-1]))
            found.append(_TessilDU.MetaStorage_NextVolume(self.handle))
        self.assertEqual(expected + [None], found)
        self.assertEqual(None, _TessilDU.MetaStorage_NextVolume(self.handle))

    def test_device_number_of_the_system_volume(self):
        error, reply = ask(SYSTEM_VOLUME, NUMBER)
        self.assertEqual(0, error)
        _, device, partition = struct.unpack('<III', reply[:12])
        self.assertEqual(('%d %d' % (device, partition), ''), self.query('DeviceNumber', SYSTEM_VOLUME))

    def test_refused_controls_give_none_after_their_message(self):
        refused = 0
        for name, control in (('PartitionTable', LAYOUT), ('PartitionEntry', ENTRY)):
            error, _ = ask(SYSTEM_VOLUME, control)
            if error == 0:
                print('%s: the platform answers on %s; nothing refused to check' % (name, SYSTEM_VOLUME))
                continue
            refused += 1
            self.assertEqual((None, '%s: get partition data for %s failed err %d.\n' % (name, SYSTEM_VOLUME, error)),
                             self.query(name, SYSTEM_VOLUME))
        if not refused:
            self.skipTest('the platform answers every partition control on %s' % SYSTEM_VOLUME)

    def test_a_path_names_its_file_whatever_its_characters(self):
        # Python 3's str is opened by the wide-character call, Python 2's bytes (ANSI code page) by the 8-bit one:
        # either names its file, never the twin that the name's UTF-8 read in the code page names.
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        name = u'\xc4b.txt'
        path = os.path.join(UNICODE(folder), name)
        argument = path if PY3 else path.encode('mbcs')
        for present in (name, name.encode('utf-8').decode('mbcs')):
            open(os.path.join(folder, present), 'w').close()
            result, text = self.query('DeviceNumber', argument)
            os.remove(os.path.join(folder, present))
            if present == name:
                self.assertNotEqual(None, result, text)
            else:
                self.assertEqual((None, 'DeviceNumber: drive open for %s failed err 2.\n' % argument), (result, text))

    def test_open_failures_give_none_after_their_message(self):
        missing_error, _ = ask(MISSING_DEVICE, NUMBER)
        null_error, _ = ask(None, NUMBER)
        self.assertNotEqual(0, missing_error)
        self.assertNotEqual(0, null_error)
        self.assertEqual((None, 'PartitionTable: drive open for %s failed err %d.\n' % (MISSING_DEVICE, missing_error)),
                         self.query('PartitionTable', MISSING_DEVICE))
        self.assertEqual((None, 'DeviceNumber: drive open for (null) failed err %d.\n' % null_error),
                         self.query('DeviceNumber', None))


if __name__ == '__main__':
    unittest.main()

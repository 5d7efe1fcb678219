# The proxy modules of the Python 3 edition (sealer.py, TessilDU.py, netopts.py), as a client imports them.
import struct
import unittest

from support import PY3, needs_stand_ins

if PY3:
    import _netopts
    import _sealer
    import netopts
    import sealer
    import TessilDU
    try:
        import _storage_substitute as platform
    except ImportError:
        platform = None  # only the Linux build has it


@unittest.skipUnless(PY3, 'the Python 3 edition')
class ProxyTest(unittest.TestCase):
    def test_sealer_round_trip(self):
        data = b'Halvik Tessil\0' * 1000
        encrypted = sealer.Sealer(b'pw').encrypt(data)
        self.assertEqual(_sealer.Sealer_encrypt(_sealer.new_Sealer(b'pw'), data), encrypted)
        self.assertEqual(data, sealer.Sealer(b'pw').decrypt(encrypted))
        self.assertRaises(TypeError, sealer.Sealer, 'pw')

    def test_netopts_is_the_module_function(self):
        self.assertIs(_netopts.setKeepaliveValues, netopts.setKeepaliveValues)

    @needs_stand_ins
    def test_metastorage_methods_and_collection(self):
        platform.reset()
        platform.volume(u'\\\\?\\Volume{1}\\', 3, [u'C:\\'])
        platform.device('\\\\.\\C:', {0x2D1080: struct.pack('<III', 7, 0, 1)})
        storage = TessilDU.MetaStorage()
        self.assertEqual(u'\\\\?\\Volume{1}\\|C:\\', storage.FirstVolume())
        self.assertEqual(None, storage.NextVolume())
        self.assertEqual('0 1', storage.DeviceNumber('\\\\.\\C:'))
        self.assertEqual(None, storage.PartitionTable('\\\\.\\C:'))
        self.assertEqual(None, storage.PartitionEntry('\\\\.\\Q:'))
        storage.FirstVolume()
        self.assertEqual(1, platform.open_handles())
        del storage  # the registered destroy hook deletes the object, which closes its search
        self.assertEqual(0, platform.open_handles())


if __name__ == '__main__':
    unittest.main()

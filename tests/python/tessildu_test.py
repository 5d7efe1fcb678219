# The _TessilDU module against the Linux build's scripted platform (_storage_substitute): the partition
# texts to the character, the volume enumeration, and the module's arguments and handles.
import struct
import tempfile
import threading
import time
import unittest

import _TessilDU
import _runtime_probe3
from support import PY3, UNICODE, Refusals, needs_stand_ins, printed, run_python
try:
    import _storage_substitute as platform
except ImportError:
    platform = None  # only the Linux build has it

LAYOUT = 0x70050
ENTRY = 0x70048
NUMBER = 0x2D1080

FIXED, REMOVABLE, REMOTE, CDROM, RAMDISK, UNKNOWN, NO_ROOT = 3, 2, 4, 5, 6, 0, 1

DISK = '\\\\.\\PhysicalDrive0'
VOLUME = '\\\\.\\C:'
# A text path goes to the wide-character call in Python 3; Python 2's byte strings, a "char *" handle's bytes
# and a null path (None) go to the 8-bit one.
OPEN_BYTES = 'CreateFileA(%s, 0x80000000, 0x3, null, 3, 0x20000000, null)'
OPEN = OPEN_BYTES.replace('CreateFileA', 'CreateFileW') if PY3 else OPEN_BYTES
# The string type that is no text: unicode in Python 2, bytes in Python 3.
OTHER_STRING = b'\\\\.\\C:' if PY3 else u'\\\\.\\C:'


def entry(style, start=0, length=0, number=0, kind=0, boot=0, hidden=0):
    """A PARTITION_INFORMATION_EX: 144 bytes, the MBR fields at 32, 33 and 36."""
    head = struct.pack('<I4xqqI', style, start, length, number)
    mbr = struct.pack('<BB2xI', kind, boot, hidden)
    return (head + b'\0' * 4 + mbr).ljust(144, b'\xa5')


def layout(style, entries, signature=0, count=None):
    """A DRIVE_LAYOUT_INFORMATION_EX: style, count and the MBR signature, the entries from byte 48."""
    count = len(entries) if count is None else count
    return struct.pack('<III', style, count, signature).ljust(48, b'\x5a') + b''.join(entries)


class Holder(object):
    """An object that carries a handle in `this`, as a proxy instance does."""
    def __init__(self, this):
        self.this = this


class Call(threading.Thread):
    """function(*args) on a thread of its own: `outcome` is its result or its exception once it returned."""
    def __init__(self, function, *args):
        threading.Thread.__init__(self)
        self.daemon = True
        self.function, self.args, self.outcome = function, args, None
        self.start()

    def run(self):
        try:
            self.outcome = self.function(*self.args)
        except Exception as error:
            self.outcome = error


# Bounds on waiting for other threads, so that a fault fails a test instead of hanging it.
WAIT_LIMIT = 30
# Time for another thread to reach its call, where the module must keep it from going further.
SETTLE_SECONDS = 0.2


class MetaStorage(object):
    """The proxy class in the shape SWIG 1.3 generates it, as the client's module `TessilDU` has it."""
    def __init__(self):
        this = _TessilDU.new_MetaStorage()
        try:
            self.this.append(this)
        except AttributeError:
            self.this = this
    def FirstVolume(self): return _TessilDU.MetaStorage_FirstVolume(self)
    def NextVolume(self): return _TessilDU.MetaStorage_NextVolume(self)
    __swig_destroy__ = _TessilDU.delete_MetaStorage
    __del__ = lambda self: None
_TessilDU.MetaStorage_swigregister(MetaStorage)


@needs_stand_ins
class SubstituteTest(Refusals, unittest.TestCase):
    def setUp(self):
        platform.reset()
        self.handle = _TessilDU.new_MetaStorage()

    def tearDown(self):
        _TessilDU.delete_MetaStorage(self.handle)
        self.assertEqual(0, platform.open_handles())

    def query(self, name, path, replies=None, expected_messages=0):
        """Runs MetaStorage_<name> on path (a device answering replies unless None); returns (result, messages)."""
        if replies is not None:
            platform.device(path, replies)
        with printed() as lines:
            result = getattr(_TessilDU, 'MetaStorage_' + name)(self.handle, path)
        self.assertEqual(expected_messages, len(lines), lines)
        return result, ''.join(lines)

    def table(self, reply):
        result, _ = self.query('PartitionTable', DISK, {LAYOUT: reply})
        return result

    def volumes(self):
        """FirstVolume, then NextVolume up to and including the first None."""
        found = [_TessilDU.MetaStorage_FirstVolume(self.handle)]
        while found[-1] is not None:
            found.append(_TessilDU.MetaStorage_NextVolume(self.handle))
        return found


class PartitionTableTest(SubstituteTest):
    def test_mbr_disk_with_one_active_partition(self):
        reply = layout(0, [entry(0, 32256, 80023749120, 1, 7, 1, 63)] + [entry(0)] * 3, signature=0x1B2C3D4E)
        self.assertEqual('0 4 455884110\n' + '0 32256 80023749120 1 7 1 63\n' + '0 0 0 0 0 0 0\n' * 3,
                         self.table(reply))
        # One open with the query's flags, one synchronous request into the whole area, one close.
        self.assertEqual([OPEN % DISK, 'DeviceIoControl(#1, 0x70050, null, 0, 16384, null)', 'CloseHandle(#1)'],
                         platform.calls())

    def test_gpt_and_raw_lines_end_in_a_space(self):
        gpt = layout(1, [entry(1, 1048576, 104857600, 1), entry(1, 105906176, 53687091200, 2)])
        self.assertEqual('1 2 \n1 1048576 104857600 1 \n1 105906176 53687091200 2 \n', self.table(gpt))
        self.assertEqual('2 0 \n', self.table(layout(2, [])))
        self.assertEqual('2 1 \n2 0 512 0 \n', self.table(layout(2, [entry(2, 0, 512, 0, 7, 1, 63)])))

    def test_signed_and_unsigned_fields(self):
        reply = layout(0, [entry(0, -1, 2 ** 63 - 1, 0xFFFFFFFF, 0xEE, 0x80, 0x80000000),
                           entry(0, 0, 0, 2, 255, 255, 0xFFFFFFFF)], signature=0x80000000)
        self.assertEqual('0 2 2147483648\n'
                         '0 -1 9223372036854775807 -1 238 128 -2147483648\n'
                         '0 0 0 2 255 255 -1\n', self.table(reply))
        self.assertEqual('0 0 4294967295\n', self.table(layout(0, [], signature=0xFFFFFFFF)))

    def test_invalid_style_fails_the_whole_table(self):
        middle = layout(0, [entry(0, 512, 512, 1), entry(7, 1024, 512, 2), entry(0, 2048, 512, 3)])
        self.assertEqual((None, 'PartitionTable: invalid partition style 7\n'),
                         self.query('PartitionTable', DISK, {LAYOUT: middle}, 1))
        self.assertEqual((None, 'PartitionTable: invalid partition style 3\n'),
                         self.query('PartitionTable', DISK, {LAYOUT: layout(3, [entry(0)])}, 1))
        self.assertEqual((None, 'PartitionTable: invalid partition style -1\n'),
                         self.query('PartitionTable', DISK, {LAYOUT: layout(0, [entry(0xFFFFFFFF)])}, 1))

    def test_a_full_reply_area_gives_its_whole_text(self):
        # 113 entries of the longest lines: far more than 1024 characters, all of them returned.
        widest = entry(0, -2 ** 63, -2 ** 63, 0x80000000, 255, 255, 0x80000000)
        line = '0 -9223372036854775808 -9223372036854775808 -2147483648 255 255 -2147483648\n'
        text = self.table(layout(0, [widest] * 113, signature=0xFFFFFFFF))
        self.assertEqual('0 113 4294967295\n' + line * 113, text)
        gpt = self.table(layout(1, [entry(1, 2 ** 40 + i, 2 ** 41, i + 1) for i in range(113)]))
        self.assertEqual(114, len(gpt.splitlines()))
        self.assertEqual('1 %d %d 113 \n' % (2 ** 40 + 112, 2 ** 41), gpt.splitlines(True)[-1])

    def test_no_entry_past_the_reply_area_is_read(self):
        # The count is the reply's word; the area holds 113 entries, whatever it says.
        for count in (114, 0x7FFFFFFF, 0xFFFFFFFF):
            message = 'PartitionTable: partition count %u exceeds the 113 entries of the reply\n' % count
            self.assertEqual((None, message),
                             self.query('PartitionTable', DISK, {LAYOUT: layout(0, [entry(0)] * 113, count=count)}, 1))
        # A reply too long for the area is the platform's refusal.
        self.assertEqual((None, 'PartitionTable: get partition data for %s failed err 122.\n' % DISK),
                         self.query('PartitionTable', DISK, {LAYOUT: layout(1, [entry(1)] * 114)}, 1))

    def test_refused_request(self):
        self.assertEqual((None, 'PartitionTable: get partition data for %s failed err 50.\n' % VOLUME),
                         self.query('PartitionTable', VOLUME, {LAYOUT: 50}, 1))
        self.assertEqual([OPEN % VOLUME, 'DeviceIoControl(#1, 0x70050, null, 0, 16384, null)', 'CloseHandle(#1)'],
                         platform.calls())


class PartitionEntryAndDeviceNumberTest(SubstituteTest):
    def test_entry_lines(self):
        self.assertEqual('0 1048576 5368709120 2 7 0 2048\n',
                         self.query('PartitionEntry', VOLUME, {ENTRY: entry(0, 1048576, 5368709120, 2, 7, 0, 2048)})[0])
        self.assertEqual('1 16777216 1099511627776 4 \n',
                         self.query('PartitionEntry', VOLUME, {ENTRY: entry(1, 2 ** 24, 2 ** 40, 4, 7, 1, 63)})[0])
        self.assertEqual('0 0 0 0 0 0 0\n', self.query('PartitionEntry', VOLUME, {ENTRY: entry(0)})[0])
        self.assertEqual(['DeviceIoControl(#3, 0x70048, null, 0, 144, null)', 'CloseHandle(#3)'], platform.calls()[-2:])
        self.assertEqual((None, 'PartitionEntry: invalid partition style 9\n'),
                         self.query('PartitionEntry', VOLUME, {ENTRY: entry(9, 1, 2, 3)}, 1))
        self.assertEqual((None, 'PartitionEntry: get partition data for %s failed err 50.\n' % VOLUME),
                         self.query('PartitionEntry', VOLUME, {ENTRY: 50}, 1))

    def test_device_number(self):
        self.assertEqual('0 1', self.query('DeviceNumber', VOLUME, {NUMBER: struct.pack('<III', 7, 0, 1)})[0])
        self.assertEqual('12 -1', self.query('DeviceNumber', VOLUME, {NUMBER: struct.pack('<III', 7, 12, 0xFFFFFFFF)})[0])
        self.assertEqual(['DeviceIoControl(#2, 0x2d1080, null, 0, 12, null)', 'CloseHandle(#2)'], platform.calls()[-2:])
        # A device without the control refuses it with ERROR_INVALID_FUNCTION.
        self.assertEqual((None, 'DeviceNumber: get partition data for %s failed err 1.\n' % DISK),
                         self.query('DeviceNumber', DISK, {LAYOUT: layout(2, [])}, 1))

    def test_open_failures_send_no_request(self):
        for name in ('PartitionTable', 'PartitionEntry', 'DeviceNumber'):
            platform.device('\\\\.\\D:', {LAYOUT: layout(2, []), ENTRY: entry(2), NUMBER: b'\0' * 12}, 5)
            for path, shown, error in (('\\\\.\\Q:', '\\\\.\\Q:', 2), ('\\\\.\\D:', '\\\\.\\D:', 5), (None, '(null)', 3)):
                self.assertEqual((None, '%s: drive open for %s failed err %d.\n' % (name, shown, error)),
                                 self.query(name, path, None, 1))
                self.assertEqual([(OPEN if path else OPEN_BYTES) % (path or 'null')], platform.calls())

    def test_queries_share_one_result_text(self):
        platform.device(DISK, {LAYOUT: layout(0, [entry(0, 1, 2, 3, 4, 5, 6)] * 50), NUMBER: struct.pack('<III', 7, 3, 4)})
        table = _TessilDU.MetaStorage_PartitionTable(self.handle, DISK)
        # A shorter text written after a longer one ends where it should.
        self.assertEqual('3 4', _TessilDU.MetaStorage_DeviceNumber(self.handle, DISK))
        self.assertEqual(51, len(table.splitlines()))


class EnumerationTest(SubstituteTest):
    NAMES = [u'\\\\?\\Volume{%08d-0000-0000-0000-000000000000}\\' % i for i in range(9)]

    def test_fixed_volumes_with_their_mount_paths(self):
        n = self.NAMES
        platform.volume(n[0], FIXED, [u'C:\\', u'D:\\Mount\\Data\\'])
        for i, kind in enumerate((REMOVABLE, REMOTE, CDROM, RAMDISK, UNKNOWN, NO_ROOT), 1):
            platform.volume(n[i], kind, [u'%s:\\' % chr(ord('E') + i)])
        platform.volume(n[7], FIXED, [])
        self.assertEqual([n[0] + u'|C:\\|D:\\Mount\\Data\\', n[7], None], self.volumes())
        self.assertEqual(UNICODE, type(self.volumes()[0]))
        # After the end, None until a new search starts.
        self.assertEqual(None, _TessilDU.MetaStorage_NextVolume(self.handle))
        self.assertEqual(0, platform.open_handles())
        self.assertEqual(n[0] + u'|C:\\|D:\\Mount\\Data\\', _TessilDU.MetaStorage_FirstVolume(self.handle))

    def test_machines_without_fixed_volumes(self):
        self.assertEqual([None], self.volumes())
        platform.volume(self.NAMES[0], REMOVABLE, [u'E:\\'])
        platform.volume(self.NAMES[1], REMOTE, [])
        self.assertEqual([None], self.volumes())
        self.assertEqual('FindVolumeClose(#1)', platform.calls()[-1])

    def test_next_volume_without_a_search(self):
        platform.volume(self.NAMES[0], FIXED, [])
        self.assertEqual(None, _TessilDU.MetaStorage_NextVolume(self.handle))
        self.assertEqual(None, _TessilDU.MetaStorage_NextVolume(self.handle))
        self.assertEqual([], platform.calls())

    def test_volumes_without_a_listing_are_passed_over(self):
        # A first volume that is not fixed, and a fixed one whose listing the platform refuses: the search
        # goes on to the next volume either way.
        n = self.NAMES
        for refused_at in range(1, 4):
            platform.reset()
            platform.volume(n[0], REMOVABLE, [u'E:\\'])
            for i in range(1, 4):
                platform.volume(n[i], FIXED, 5 if i == refused_at else [u'%c:\\' % (ord('C') + i)])
            self.assertEqual([u'%s|%c:\\' % (n[i], ord('C') + i) for i in range(1, 4) if i != refused_at] + [None],
                             self.volumes())
            self.assertEqual(0, platform.open_handles())

    def test_long_lists_of_mount_paths(self):
        def mount_paths(units, length):
            """Paths of `length` units whose list, with its terminators, takes `units` units."""
            count, rest = divmod(units - 1, length + 1)
            self.assertEqual(0, rest)
            return [u'C:\\%s\\' % (u'%05d' % i).ljust(length - 4, u'm') for i in range(count)]
        def asked():
            return [int(c.split(', ')[1][:-1]) for c in platform.calls() if c.startswith('GetVolumePathNames')]
        name = u'\\\\?\\' + u'v' * 2043  # the longest name the search gives
        # A list longer than the first area is asked for again with the size the platform needs.
        for units, length, asks in ((4096, 104, [4096]), (4097, 127, [4096, 4097]), (32768, 150, [4096, 32768])):
            platform.reset()
            paths = mount_paths(units, length)
            platform.volume(name, FIXED, paths)
            self.assertEqual([name + u''.join(u'|' + p for p in paths), None], self.volumes())
            self.assertEqual(asks, asked())
        # Beyond the longest list taken, the volume is passed over.
        platform.reset()
        platform.volume(name, FIXED, mount_paths(32769, 127))
        platform.volume(self.NAMES[0], FIXED, [])
        self.assertEqual([self.NAMES[0], None], self.volumes())

    def test_utf16_names_and_paths(self):
        name = u'\\\\?\\Volume{\U0001f4be}\\'
        platform.volume(name, FIXED, [u'C:\\\xe9t\xe9\\', u'C:\\\U00010348\\', u'C:\\\ud800\\'])
        self.assertEqual([name + u'|C:\\\xe9t\xe9\\|C:\\\U00010348\\|C:\\\ud800\\', None], self.volumes())

    def test_queries_leave_the_search_alone(self):
        for i in range(3):
            platform.volume(self.NAMES[i], FIXED, [])
        platform.device(DISK, {NUMBER: struct.pack('<III', 7, 0, 1)})
        self.assertEqual(self.NAMES[0], _TessilDU.MetaStorage_FirstVolume(self.handle))
        self.assertEqual('0 1', _TessilDU.MetaStorage_DeviceNumber(self.handle, DISK))
        self.assertEqual(self.NAMES[1], _TessilDU.MetaStorage_NextVolume(self.handle))

    def test_a_new_search_closes_the_open_one(self):
        for i in range(2):
            platform.volume(self.NAMES[i], FIXED, [])
        self.assertEqual(self.NAMES[0], _TessilDU.MetaStorage_FirstVolume(self.handle))
        self.assertEqual(self.NAMES[0], _TessilDU.MetaStorage_FirstVolume(self.handle))
        self.assertEqual(1, platform.open_handles())
        self.assertIn('FindVolumeClose(#1)', platform.calls())

    def test_destruction_closes_an_open_search(self):
        platform.volume(self.NAMES[0], FIXED, [])
        platform.volume(self.NAMES[1], FIXED, [])
        other = _TessilDU.new_MetaStorage()
        self.assertEqual(self.NAMES[0], _TessilDU.MetaStorage_FirstVolume(other))
        _TessilDU.delete_MetaStorage(other)
        self.assertEqual(0, platform.open_handles())
        # Through the proxy class, whose destroy hook runs when the last reference goes.
        proxy = MetaStorage()
        self.assertEqual(self.NAMES[0], proxy.FirstVolume())
        self.assertEqual(1, platform.open_handles())
        del proxy
        self.assertEqual(0, platform.open_handles())


class ThreadTest(SubstituteTest):
    """Calls from several Python threads, the disk's open held as a hung device would keep it."""
    VOLUME_NAME = u'\\\\?\\Volume{1}\\'

    def setUp(self):
        SubstituteTest.setUp(self)
        platform.device(DISK, {NUMBER: struct.pack('<III', 7, 0, 1)})
        platform.device(VOLUME, {NUMBER: struct.pack('<III', 7, 2, 3)})
        platform.volume(self.VOLUME_NAME, FIXED, [])
        platform.hold(DISK)

    def tearDown(self):
        platform.release()
        SubstituteTest.tearDown(self)

    def held_call(self, handle):
        """DeviceNumber of the disk through handle, on a thread of its own, once it waits in the platform."""
        call = Call(_TessilDU.MetaStorage_DeviceNumber, handle, DISK)
        deadline = time.time() + WAIT_LIMIT
        while platform.held() != 1:
            self.assertLess(time.time(), deadline, 'the call never reached the platform')
            time.sleep(0.01)
        return call

    def outcomes(self, *calls):
        for call in calls:
            call.join(WAIT_LIMIT)
            self.assertFalse(call.is_alive())
        return [call.outcome for call in calls]

    def test_a_blocked_query_leaves_other_threads_and_objects_running(self):
        held = self.held_call(self.handle)
        other = _TessilDU.new_MetaStorage()
        self.assertEqual(['2 3'], self.outcomes(Call(_TessilDU.MetaStorage_DeviceNumber, other, VOLUME)))
        self.assertTrue(held.is_alive())
        _TessilDU.delete_MetaStorage(other)
        platform.release()
        self.assertEqual(['0 1'], self.outcomes(held))

    def test_calls_on_one_object_take_turns(self):
        held = self.held_call(self.handle)
        second = Call(_TessilDU.MetaStorage_DeviceNumber, self.handle, VOLUME)
        time.sleep(SETTLE_SECONDS)
        self.assertEqual([OPEN % DISK], platform.calls())
        platform.release()
        self.assertEqual(['0 1', '2 3'], self.outcomes(held, second))
        self.assertEqual(['DeviceIoControl(#1, 0x2d1080, null, 0, 12, null)', 'CloseHandle(#1)', OPEN % VOLUME,
                          'DeviceIoControl(#2, 0x2d1080, null, 0, 12, null)', 'CloseHandle(#2)'], platform.calls())

    def test_an_object_deleted_during_calls_goes_when_they_leave(self):
        # Deleted through its handle: the call at work ends on the live object, a call waiting for it is
        # refused, and the object (its volume search open) goes as the last one leaves. Its handle dropped
        # instead (by the proxy's owner): the calls hold it, as Python holds a call's arguments, so both end
        # on the live object, and the destroy hook deletes it as the handle goes after them.
        dropped = lambda holder: delattr(holder, 'this')
        for delete, second in ((_TessilDU.delete_MetaStorage, TypeError), (dropped, None)):
            platform.hold(DISK)
            holder = Holder(_TessilDU.new_MetaStorage())
            self.assertEqual(self.VOLUME_NAME, _TessilDU.MetaStorage_FirstVolume(holder))
            held = self.held_call(holder)
            waiting = Call(_TessilDU.MetaStorage_NextVolume, holder)
            time.sleep(SETTLE_SECONDS)
            delete(holder)
            self.assertEqual(1, platform.open_handles())  # the object's search
            platform.release()
            done, outcome = self.outcomes(held, waiting)
            self.assertEqual('0 1', done)
            if second is TypeError:
                self.assertEqual("in method 'MetaStorage_NextVolume', argument 1 of type 'MetaStorage *'",
                                 str(outcome))
            else:
                self.assertEqual(None, outcome)  # the end of the search
            self.assertEqual(0, platform.open_handles())


class ArgumentTest(SubstituteTest):
    QUERIES = ('MetaStorage_PartitionTable', 'MetaStorage_PartitionEntry', 'MetaStorage_DeviceNumber')
    STEPS = ('MetaStorage_FirstVolume', 'MetaStorage_NextVolume')

    def test_module_contents(self):
        names = [n for n in dir(_TessilDU) if not n.startswith('__')]
        self.assertEqual(sorted(('new_MetaStorage', 'delete_MetaStorage', 'MetaStorage_swigregister')
                                + self.QUERIES + self.STEPS), sorted(names))
        self.assertEqual(None, _TessilDU.__doc__)
        self.assertEqual([None] * len(names), [getattr(_TessilDU, n).__doc__ for n in names])

    def test_handle_messages(self):
        deleted = _TessilDU.new_MetaStorage()
        _TessilDU.delete_MetaStorage(deleted)
        other_type = _runtime_probe3.new_chars(b'x')
        for name in self.QUERIES + self.STEPS + ('delete_MetaStorage',):
            function = getattr(_TessilDU, name)
            extra = (DISK,) if name in self.QUERIES else ()
            message = "in method '%s', argument 1 of type 'MetaStorage *'" % name
            for bad in (42, 'text', deleted, Holder(deleted), Holder(42), other_type, object()):
                self.assertRefused(message, function, bad, *extra)
            if name != 'delete_MetaStorage':
                self.assertRefused(message, function, None, *extra)
        self.assertEqual([], platform.calls())

    def test_path_messages(self):
        for name in self.QUERIES:
            message = "in method '%s', argument 2 of type 'char const *'" % name
            for bad in (OTHER_STRING, 42, ['x'], bytearray(b'x'), self.handle):
                self.assertRefused(message, getattr(_TessilDU, name), self.handle, bad)
            # The handle is looked at first.
            self.assertRefused("in method '%s', argument 1 of type 'MetaStorage *'" % name,
                               getattr(_TessilDU, name), 42, u'x')
        self.assertEqual([], platform.calls())

    def test_paths_taken(self):
        class Path(str):
            pass
        platform.device(VOLUME, {NUMBER: struct.pack('<III', 7, 0, 1)})
        chars = _runtime_probe3.new_chars(VOLUME.encode('ascii'))  # a "char *" of another module of the same runtime
        for path in (Path(VOLUME), chars, Holder(chars)):
            self.assertEqual('0 1', _TessilDU.MetaStorage_DeviceNumber(self.handle, path))
        self.assertEqual([OPEN % VOLUME] + [OPEN_BYTES % VOLUME] * 2,
                         [c for c in platform.calls() if c.startswith('CreateFile')])

    def test_paths_keep_their_characters(self):
        # Python 3's str names its file whatever its characters (the wide-character call), the messages show
        # it as it is, and one with a NUL inside is refused rather than cut short. Python 2's str is handed
        # on as its bytes, up to the first NUL, as the client's Python 2.5 code has it.
        name = u'\\\\.\\\xc4b\u20ac\U0001f4be' if PY3 else '\\\\.\\\xc4b'
        platform.device(name, {NUMBER: struct.pack('<III', 7, 0, 1)})
        self.assertEqual(('0 1', ''), self.query('DeviceNumber', name))
        self.assertEqual([OPEN % name], platform.calls()[:1])
        lone = u'\\\\.\\\udc80' if PY3 else '\\\\.\\\x80'
        self.assertEqual((None, 'DeviceNumber: drive open for %s failed err 2.\n' % lone),
                         self.query('DeviceNumber', lone, None, 1))
        if PY3:
            self.assertRefusedWith(ValueError, "in method 'MetaStorage_DeviceNumber', argument 2 of type "
                                   "'char const *': embedded null character",
                                   _TessilDU.MetaStorage_DeviceNumber, self.handle, name + '\0ignored')
        else:
            self.assertEqual('0 1', _TessilDU.MetaStorage_DeviceNumber(self.handle, name + '\0ignored'))

    def test_argument_counts(self):
        cases = [
            ('new_MetaStorage() takes exactly 0 arguments (1 given)', _TessilDU.new_MetaStorage, (1,)),
            ('delete_MetaStorage() takes exactly 1 argument (0 given)', _TessilDU.delete_MetaStorage, ()),
            ('MetaStorage_PartitionTable() takes exactly 2 arguments (1 given)',
             _TessilDU.MetaStorage_PartitionTable, (self.handle,)),
            ('MetaStorage_NextVolume() takes exactly 1 argument (2 given)',
             _TessilDU.MetaStorage_NextVolume, (self.handle, 1)),
            ('function takes at least 1 argument (0 given)', _TessilDU.MetaStorage_swigregister, ()),
            ('swigregister() takes at most 1 argument (2 given)', _TessilDU.MetaStorage_swigregister,
             (MetaStorage, 1)),
        ]
        for message, function, args in cases:
            self.assertRefused(message, function, *args)


class LifecycleTest(SubstituteTest):
    def test_use_after_delete_is_refused(self):
        platform.volume(u'\\\\?\\Volume{1}\\', FIXED, [])
        handle = _TessilDU.new_MetaStorage()
        self.assertEqual('PySwigObject', type(handle).__name__)
        self.assertEqual(u'\\\\?\\Volume{1}\\', _TessilDU.MetaStorage_FirstVolume(handle))
        self.assertEqual(None, _TessilDU.delete_MetaStorage(handle))
        self.assertFalse(handle.own())
        calls = platform.calls()
        for name in ('MetaStorage_FirstVolume', 'MetaStorage_NextVolume', 'delete_MetaStorage'):
            self.assertRaises(TypeError, getattr(_TessilDU, name), handle)
        for name in ArgumentTest.QUERIES:
            self.assertRaises(TypeError, getattr(_TessilDU, name), handle, DISK)
        self.assertEqual([], platform.calls())
        self.assertEqual('FindVolumeClose(#1)', calls[-1])
        handle.acquire()  # owning nothing, its collection must destroy nothing

    def test_this_made_by_python_code_is_refused(self):
        # Taken, the only reference to a handle would be dropped and its object destroyed under the call.
        class Made(object):
            this = property(lambda self: _TessilDU.new_MetaStorage())
        platform.volume(u'\\\\?\\Volume{1}\\', FIXED, [])
        self.assertRefused("in method 'MetaStorage_FirstVolume', argument 1 of type 'MetaStorage *'",
                           _TessilDU.MetaStorage_FirstVolume, Made())
        self.assertEqual([], platform.calls())

    def test_delete_none_and_new_objects(self):
        self.assertEqual(None, _TessilDU.delete_MetaStorage(None))
        handle = _TessilDU.new_MetaStorage()
        self.assertTrue(handle.own())
        self.assertNotEqual(int(handle), int(self.handle))
        self.assertEqual(None, _TessilDU.MetaStorage_NextVolume(handle))

    def test_collection_and_the_leak_message(self):
        status, output = run_python(r'''
import _TessilDU, _storage_substitute as platform
platform.volume(u'\\\\?\\Volume{1}\\', 3, [])
h = _TessilDU.new_MetaStorage(); _TessilDU.MetaStorage_FirstVolume(h); del h    # no hook: kept
print(platform.open_handles())
class Proxy(object):
    __swig_destroy__ = _TessilDU.delete_MetaStorage
print(_TessilDU.MetaStorage_swigregister(Proxy))
h = _TessilDU.new_MetaStorage(); _TessilDU.MetaStorage_FirstVolume(h); del h    # destroyed
print(platform.open_handles())
h = _TessilDU.new_MetaStorage(); _TessilDU.delete_MetaStorage(h); del h
print(platform.open_handles(), sorted(n for n in __import__('sys').modules if n.startswith('swig_runtime_data')))
''')
        self.assertEqual((0, "swig/python detected a memory leak of type 'MetaStorage *', no destructor found.\n"
                             "1\nNone\n1\n1 ['swig_runtime_data3']\n"), (status, output))


if __name__ == '__main__':
    unittest.main()

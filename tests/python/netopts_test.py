# The _netopts module: argument conversion, the keep-alive record as it reaches Winsock (the recorder of
# the Linux build), error codes, and the module's surface.
import struct
import sys
import unittest

import _netopts
import _runtime_probe2
import winsock_recorder
from support import LONG, LONG_REFUSAL, needs_stand_ins, run_python

SIO_KEEPALIVE_VALS = 0x98000004
WSAENOTSOCK = 10038

set_keepalive = _netopts.setKeepaliveValues


class IntSubclass(int):
    pass


class LongSubclass(LONG):
    pass


def record(onoff, time_ms, interval_ms):
    return struct.pack('<III', onoff, time_ms, interval_ms)


@needs_stand_ins
class RecordTest(unittest.TestCase):
    def setUp(self):
        winsock_recorder.reset()

    def sent(self, sock, keepalive_time, keepalive_interval):
        """The one call that setKeepaliveValues made, checked for everything but the socket and record."""
        del winsock_recorder.calls[:]
        self.assertEqual(0, set_keepalive(sock, keepalive_time, keepalive_interval))
        self.assertEqual(1, len(winsock_recorder.calls))
        call = winsock_recorder.calls[0]
        self.assertEqual((SIO_KEEPALIVE_VALS, False, 0), (call.control_code, call.has_output, call.output_size))
        return call.sock, call.input

    def test_seconds_become_milliseconds_and_keepalive_is_on(self):
        self.assertEqual((7, record(1, 60000, 10000)), self.sent(7, 60, 10))
        self.assertEqual((7, record(1, 0, 0)), self.sent(7, 0, 0))
        self.assertEqual((7, record(1, 4294967000, 1000)), self.sent(7, 4294967, 1))
        self.assertEqual((7, record(1, 1000, 4294967000)), self.sent(7, 1, LONG(4294967)))

    def test_times_beyond_the_record_are_reduced_modulo_2_to_the_32(self):
        self.assertEqual((3, record(1, 704, 4294966296)), self.sent(3, 4294968, LONG(4294967295)))
        self.assertEqual((3, record(1, 1000, 2147483648000 % 2 ** 32)), self.sent(3, 1, 2 ** 31))

    def test_socket_numbers_reach_winsock_as_given(self):
        for given, expected in ((True, 1), (False, 0), (-1, -1), (IntSubclass(12), 12),
                                (LONG(2147483647), 2147483647), (LONG(-2147483648), -2147483648), (LongSubclass(9), 9)):
            self.assertEqual(expected, self.sent(given, 1, 1)[0], repr(given))

    def test_bool_and_subclasses_for_the_times(self):
        self.assertEqual((1, record(1, 1000, 0)), self.sent(1, True, False))
        self.assertEqual((1, record(1, 5000, 6000)), self.sent(1, IntSubclass(5), LongSubclass(6)))


@needs_stand_ins
class WinsockFailureTest(unittest.TestCase):
    def tearDown(self):
        winsock_recorder.reset()

    def test_error_code_is_the_result(self):
        for code in (WSAENOTSOCK, 10093, 10022):
            winsock_recorder.reset(code)
            result = set_keepalive(123, 1, 1)
            self.assertEqual(code, result)
            self.assertEqual(int, type(result))

    def test_success_is_a_plain_zero(self):
        winsock_recorder.reset()
        result = set_keepalive(4, 30, 5)
        self.assertEqual((0, int), (result, type(result)))


class ConversionTest(unittest.TestCase):
    def setUp(self):
        winsock_recorder.reset()

    def assertRefused(self, exception, argument, args):
        with self.assertRaises(Exception, msg='%r was taken' % (args,)) as caught:
            set_keepalive(*args)
        error = caught.exception
        self.assertEqual(exception, type(error), '%r: %r' % (args, error))
        declared = 'int' if argument == 1 else 'ULONG'
        self.assertEqual("in method 'setKeepaliveValues', argument %d of type '%s'" % (argument, declared),
                         str(error))
        self.assertEqual([], winsock_recorder.calls, 'a refused call reached Winsock')

    def test_socket_refusals(self):
        for bad in (1.0, '3', u'3', None, [], object()):
            self.assertRefused(TypeError, 1, (bad, 1, 1))
        for bad in (LONG(2147483648), LONG(-2147483649)):
            self.assertRefused(LONG_REFUSAL, 1, (bad, 1, 1))

    def test_time_and_interval_refusals(self):
        for position in (2, 3):
            smallest_int = -getattr(sys, 'maxint', sys.maxsize) - 1  # Python 2's int, not its long
            for bad, exception in ((-1, OverflowError), (smallest_int, OverflowError), (LONG(-1), LONG_REFUSAL),
                                   (LongSubclass(-1), LONG_REFUSAL), (LONG(4294967296), LONG_REFUSAL), (1.0, TypeError),
                                   (0.0, TypeError), ('1', TypeError), (None, TypeError)):
                args = [1, 1, 1]
                args[position - 1] = bad
                self.assertRefused(exception, position, args)

    def test_first_refused_argument_is_reported(self):
        self.assertRefused(TypeError, 1, (1.5, -1, 'x'))
        self.assertRefused(OverflowError, 2, (1, -1, 'x'))
        self.assertRefused(LONG_REFUSAL, 2, (1, LONG(-1), -1))
        self.assertRefused(OverflowError, 3, (1, 2, -5))

    def test_wrong_argument_counts(self):
        for args in ((), (1, 2), (1, 2, 3, 4)):
            with self.assertRaises(TypeError) as caught:
                set_keepalive(*args)
            self.assertIn('setKeepaliveValues', str(caught.exception))
        with self.assertRaises(TypeError):
            set_keepalive(1, 2, keepaliveInterval=3)
        self.assertEqual([], winsock_recorder.calls)


class ModuleTest(unittest.TestCase):
    def test_surface(self):
        names = set(name for name in dir(_netopts) if not name.startswith('__'))
        self.assertEqual(set(['setKeepaliveValues']), names)
        self.assertEqual(None, _netopts.__doc__)
        self.assertEqual(None, set_keepalive.__doc__)

    def test_type_table_is_shared_under_its_own_key(self):
        # The probe of runtime version 2 joins the ring that _netopts started; it lists this probe's own
        # types first, then _netopts'.
        ring = _runtime_probe2.ring_types()
        self.assertEqual(2, len(ring))
        netopts_types = ring[1]
        self.assertEqual(15, len(netopts_types))
        names = [name for name, _ in netopts_types]
        self.assertEqual(sorted(names), names)
        self.assertEqual(('_p___int64', '__int64 *|LONGLONG *'), netopts_types[0])
        self.assertEqual(('_p_unsigned_short', 'unsigned short *|LANGID *'), netopts_types[-1])
        self.assertTrue(all(text.endswith(' *') and '|' in text for _, text in netopts_types))

    def test_modules_of_other_runtime_versions_share_nothing(self):
        status, output = run_python(
            'import sys, _sealer, _netopts\n'
            'print(sorted(name for name in sys.modules if name.startswith("swig_runtime_data")))\n'
            'print(sys.modules["swig_runtime_data2"].type_pointer is not sys.modules["swig_runtime_data4"].type_pointer)\n')
        self.assertEqual(0, status, output)
        self.assertEqual("['swig_runtime_data2', 'swig_runtime_data4']\nTrue\n", output)

    @needs_stand_ins
    def test_missing_recorder_fails_the_call_without_raising(self):
        # Only the Linux build has a recorder: without it, the call reports WSASYSCALLFAILURE.
        status, output = run_python(
            'import sys\n'
            'sys.modules["winsock_recorder"] = None\n'
            'import _netopts\n'
            'print(_netopts.setKeepaliveValues(1, 1, 1))\n')
        self.assertEqual(0, status, output)
        self.assertIn('winsock_recorder', output)
        self.assertEqual('10107', output.splitlines()[-1])


if __name__ == '__main__':
    unittest.main()

# The wrapper runtime through a probe module of the same runtime version as _sealer (_runtime_probe) and
# one of another version (_runtime_probe3): the shared type table, and the conversions the other modules use.
import sys
import unittest

import _runtime_probe
import _runtime_probe3
import _sealer
import sealer  # its class's destroy hook would delete the object of a handle dropped during a call
from support import LONG, LONG_REFUSAL, PY3, UNICODE, Refusals, run_python

DATA = b'abc\0def' * 100


class Holder(object):
    def __init__(self, this):
        self.this = this


def encrypted(password, data):
    return _sealer.Sealer_encrypt(_sealer.new_Sealer(password), data)


def string_class(deleted):
    """A proxy class for "std::string *" whose destroy hook records the handle in deleted, then deletes."""
    class Text(object):
        @staticmethod
        def __swig_destroy__(handle):
            deleted.append(handle)
            _runtime_probe.delete_string(handle)
    return Text


class SharedTypeTableTest(Refusals, unittest.TestCase):
    def test_char_handle_as_password_and_data(self):
        self.assertEqual(encrypted(b'secret', DATA), encrypted(_runtime_probe.new_chars(b'secret\0more'), DATA))
        # Data from a "char *" ends at its first zero byte.
        self.assertEqual(encrypted(b'pw', b'abc'), encrypted(b'pw', _runtime_probe.new_chars(DATA)))

    def test_string_handle_of_a_module_of_the_same_version(self):
        text = _runtime_probe.new_string(DATA)
        self.assertEqual(encrypted(b'pw', DATA), encrypted(b'pw', text))
        self.assertEqual(encrypted(b'pw', DATA), encrypted(b'pw', Holder(text)))
        _runtime_probe.delete_string(text)
        self.assertRaises(TypeError, _sealer.Sealer_encrypt, _sealer.new_Sealer(b'pw'), text)

    def test_other_versions_share_nothing(self):
        # Without a module of version "4" that has "std::string *", _sealer does not know the type.
        status, output = run_python(r'''
import sys, _sealer, _runtime_probe3
print(sorted(name for name in sys.modules if name.startswith('swig_runtime_data')))
handle = _sealer.new_Sealer(b'pw')
text = _runtime_probe3.new_string(b'data')
try:
    _sealer.Sealer_encrypt(handle, text)
except TypeError as error:
    print(error)
_runtime_probe3.delete_string(text)
# A handle converts by its type's name, so a "char *" of any version is a "char *" to _sealer.
print(_sealer.Sealer_encrypt(handle, _runtime_probe3.new_chars(b'abc')) != b'abc')
_sealer.delete_Sealer(handle)
''')
        self.assertEqual((0, "['swig_runtime_data3', 'swig_runtime_data4']\n"
                             "in method 'Sealer_encrypt', argument 2 of type 'std::string'\nTrue\n"),
                         (status, output))

    def test_handle_of_another_type_is_refused(self):
        text = _runtime_probe.new_string(DATA)
        self.assertRaises(TypeError, _sealer.Sealer_encrypt, text, b'data')
        self.assertRaises(TypeError, _sealer.delete_Sealer, text)
        self.assertTrue(text.own())
        _runtime_probe.delete_string(text)

    def test_registered_string_class_destroys_its_objects(self):
        deleted = []
        _runtime_probe.string_swigregister(string_class(deleted))
        text = _runtime_probe.new_string(b'x')
        del text
        self.assertEqual(1, len(deleted))
        self.assertRaises(TypeError, _runtime_probe.delete_string, deleted[0])

    def test_this_is_taken_from_the_instance_dictionary_without_running_python_code(self):
        # Python code run while converting could drop the only reference to a handle and so have its
        # object destroyed under the call: a property, __getattr__ or key comparison is never consulted.
        handle = _sealer.new_Sealer(b'pw')
        class Made(object):
            this = property(lambda self: _sealer.new_Sealer(b'pw'))
        class Looked(object):
            __getattr__ = lambda self, name: _sealer.new_Sealer(b'pw')
        class OwnDictionary(object):
            __dict__ = property(lambda self: {'this': _sealer.new_Sealer(b'pw')})
        class Deleting(object):
            this = property(lambda self: _sealer.delete_Sealer(handle))
        compared = []
        class Key(object):
            __hash__ = lambda self: hash('this')
            __eq__ = lambda self, other: compared.append(other)
        class Plain(object):
            pass
        keyed = Plain()
        keyed.__dict__[Key()] = None
        keyed.this = handle  # Python itself compares the keys here
        class OldStyle:
            pass
        old = OldStyle()
        old.this = handle
        del compared[:]
        for bad in (Made(), Looked(), OwnDictionary()):
            self.assertRefused("in method 'Sealer_encrypt', argument 1 of type 'Sealer *'", _sealer.Sealer_encrypt,
                               bad, DATA)
        self.assertRefused("in method 'Sealer_encrypt', argument 2 of type 'std::string'", _sealer.Sealer_encrypt,
                           handle, Deleting())
        self.assertEqual(encrypted(b'pw', DATA * 2),
                         _sealer.Sealer_encrypt(keyed, DATA) + _sealer.Sealer_encrypt(old, DATA))
        self.assertEqual([], compared)


    def test_python_code_run_during_a_conversion_frees_nothing_in_use(self):
        # Python 3's lookup of `this` can still run Python code (a collection's finalisers; here a key in a class's
        # dictionary that poses as '__dict__'). That code dropping argument 1's handle leaves the call working
        # on the live object, which goes after it; deleting the object has the call refuse it.
        ran = []
        class Posing(object):
            __hash__ = lambda self: hash('__dict__')
            def __eq__(self, other):
                while ran:
                    ran.pop()()
                return False
        Data = type('Data', (object,), {Posing(): None})
        data = Data()
        data.this = _runtime_probe.new_string(DATA)
        holder = Holder(_sealer.new_Sealer(b'pw'))
        ran.append(lambda: delattr(holder, 'this'))
        self.assertEqual(encrypted(b'pw', DATA), _sealer.Sealer_encrypt(holder, data))
        self.assertEqual(PY3, not ran)  # Python 2 reads the instance dictionary directly
        holder = Holder(_sealer.new_Sealer(b'pw'))
        ran.append(lambda: _sealer.delete_Sealer(holder))
        if PY3:
            self.assertRefused("in method 'Sealer_encrypt', argument 1 of type 'Sealer *'", _sealer.Sealer_encrypt,
                               holder, data)
        _runtime_probe.delete_string(data)


class HandleChainAndModuleTest(unittest.TestCase):
    def test_a_long_chain_is_printed_and_released(self):
        status, output = run_python(r'''
import _runtime_probe
head = link = _runtime_probe.new_chars(b'x')
for _ in range(300000):
    link.append(_runtime_probe.new_chars(b'x'))
    link = link.next()
text = repr(head)
print(text == repr(link) * 300001)
del head, link
print('released')
''')
        self.assertEqual((0, 'True\nreleased\n'), (status, output))

    def test_a_chain_alternating_between_modules_is_released(self):
        # Each module's handle releases the next link whatever its module.
        status, output = run_python(r'''
import _runtime_probe, _runtime_probe3
head = link = _runtime_probe.new_chars(b'x')
for i in range(100000):
    link.append((_runtime_probe3, _runtime_probe)[i % 2].new_chars(b'x'))
    link = link.next()
del head, link
print('released')
''')
        self.assertEqual((0, 'released\n'), (status, output))

    def test_a_failed_initialiser_leaves_no_module_behind(self):
        # _runtime_probe_failing registers its types out of order, which the runtime refuses.
        status, output = run_python(r'''
import sys
for attempt in range(2):
    try:
        import _runtime_probe_failing
    except SystemError as error:
        print(error, '_runtime_probe_failing' in sys.modules)
''')
        self.assertEqual((0, "SWIG types out of order at '_p_std__string' False\n" * 2), (status, output))


class ConversionTest(Refusals, unittest.TestCase):
    def test_int_and_ulong(self):
        convert = _runtime_probe.int_and_ulong
        big = LONG
        beyond = LONG_REFUSAL
        self.assertEqual((5, 7), convert(5, 7))
        self.assertEqual((1, 0), convert(True, False))
        self.assertEqual((-2147483648, 4294967295), convert(big(-2147483648), big(4294967295)))
        self.assertEqual((2147483647, 0), convert(big(2147483647), big(0)))
        int_message = "in method 'int_and_ulong', argument 1 of type 'int'"
        for bad in (1.0, '1', None):
            self.assertRefused(int_message, convert, bad, 0)
        for bad in (big(2147483648), big(-2147483649)):
            self.assertRefusedWith(beyond, int_message, convert, bad, 0)
        ulong_message = "in method 'int_and_ulong', argument 2 of type 'ULONG'"
        self.assertRefusedWith(OverflowError, ulong_message, convert, 0, -1)
        for bad in (1.0, '1', None):
            self.assertRefused(ulong_message, convert, 0, bad)
        for bad in (big(-1), big(4294967296)):
            self.assertRefusedWith(beyond, ulong_message, convert, 0, bad)
        if not PY3 and sys.maxint > 2 ** 32:
            # A Python int wider than 32 bits exists only where C long is 64-bit.
            self.assertRefusedWith(OverflowError, int_message, convert, 2 ** 31, 0)
            self.assertRefusedWith(OverflowError, ulong_message, convert, 0, 2 ** 32)

    def test_char_const_pointer_and_results(self):
        self.assertEqual(None, _runtime_probe.chars(None))
        self.assertEqual('abc', _runtime_probe.chars(b'abc\0def'))
        self.assertEqual('', _runtime_probe.chars(b''))
        self.assertRefused("in method 'chars', argument 1 of type 'char const *'", _runtime_probe.chars, u'abc')

    def test_utf16_results(self):
        utf16 = lambda text: _runtime_probe.utf16(text.encode('utf-16-le'))
        self.assertEqual(u'\\\\?\\Volume{1}\\|C:\\', utf16(u'\\\\?\\Volume{1}\\|C:\\'))
        self.assertEqual(UNICODE, type(utf16(u'')))
        self.assertEqual(u'\xe9\u20ac\U0001f600z', utf16(u'\xe9\u20ac\U0001f600z'))
        self.assertEqual(u'ab', _runtime_probe.utf16(b'a\0b\0\0\0c\0'))
        # Lone or reversed surrogates are kept unit for unit (a pair of bytes per unit, low byte first).
        self.assertEqual([0xD800, 0x41, 0xDC00, 0xD800],
                         [ord(c) for c in _runtime_probe.utf16(b'\x00\xd8A\x00\x00\xdc\x00\xd8')])
        self.assertEqual([0xDE00, 0xD83D], [ord(c) for c in _runtime_probe.utf16(b'\x00\xde\x3d\xd8')])

    def test_registration_with_optional_format(self):
        register = _runtime_probe.string_swigregister_optional
        deleted = []
        Text = string_class(deleted)
        self.assertRefused('swigregister() takes at most 1 argument (2 given)', register, Text, b'x')
        self.assertRaises(TypeError, register)
        self.assertEqual(None, register(Text))
        del Text
        _runtime_probe.new_string(b'x')  # dropped at once: the registered hook destroys it
        self.assertEqual(1, len(deleted))


if __name__ == '__main__':
    unittest.main()

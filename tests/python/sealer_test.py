# The _sealer module as the client uses it: through the SWIG 1.3 proxy class and through the bare functions.
import binascii
import re
import threading
import unittest
import zlib

import _sealer
import sealer
from support import PY3, Refusals, byte, python2_only, run_python, zipfile_decrypted

# CPython's zipfile test archive: password "python", a stored entry, header and data as one stream.
ZIPFILE_CIPHERTEXT = binascii.unhexlify(b'fa10a0676c797cfa2dc5c03df97918e0a872b35a7d4c67bcaef97c9b19e48bbabb298cb0db6c')
ZIPFILE_HEADER = binascii.unhexlify(b'fd1cf1f94e05f65749c8ef3f')
ZIPFILE_PLAINTEXT = b'zipfile.py encryption test'

DATA = bytes(bytearray((i * 7 + i // 256) & 0xFF for i in range(5000)))


class StrSubclass(bytes):
    pass


class Holder(object):
    """An object that carries a handle in `this`, as a proxy instance does."""
    def __init__(self, this):
        self.this = this


class PySwigObject(object):
    """A Python class with the handle type's name: no handle."""
    def __init__(self):
        self.ptr = self.ty = self.own = self.next = 1


def encrypted(password, data):
    return _sealer.Sealer_encrypt(_sealer.new_Sealer(password), data)


def decrypted(password, data):
    return _sealer.Sealer_decrypt(_sealer.new_Sealer(password), data)


class CipherTest(unittest.TestCase):
    def test_known_answer_through_the_proxy(self):
        self.assertEqual(ZIPFILE_HEADER + ZIPFILE_PLAINTEXT, sealer.Sealer(b'python').decrypt(ZIPFILE_CIPHERTEXT))
        self.assertEqual(ZIPFILE_CIPHERTEXT, sealer.Sealer(b'python').encrypt(ZIPFILE_HEADER + ZIPFILE_PLAINTEXT))

    def test_agrees_with_zipfile_for_every_password_byte(self):
        # zipfile's decrypter is an independent implementation; single-byte passwords cover every table
        # entry the password enters by, bytes of 0x80 and above included.
        ciphertext = DATA[:64]
        passwords = [byte(b) for b in range(1, 256)] + [b'secret', b'\xff\x80\x7f' * 40, b'p\xe4ssw\xf6rd']
        for password in passwords:
            self.assertEqual(zipfile_decrypted(password, ciphertext),
                             _sealer.Sealer_decrypt(_sealer.new_Sealer(password), ciphertext), repr(password))

    def test_zero_bytes_and_length(self):
        data = b'\0' * 100 + b'abc\0def' + b'\0'
        sealed = encrypted(b'pw', data)
        self.assertEqual(type(sealed), bytes)
        self.assertEqual(len(data), len(sealed))
        self.assertNotEqual(data, sealed)
        self.assertEqual(data, _sealer.Sealer_decrypt(_sealer.new_Sealer(b'pw'), sealed))

    def test_one_byte_results_leave_shared_strings_alone(self):
        # The interpreter shares one byte string per byte value; results must be fresh ones.
        results = [encrypted(b'pw', byte(b)) + decrypted(b'pw', byte(b)) for b in range(256)]
        self.assertEqual(list(range(256)), [ord(byte(b)) for b in range(256)])
        self.assertEqual(256, len(set(r[0] for r in results)))

    def test_password_ends_at_first_zero_byte(self):
        self.assertEqual(encrypted(b'pass', DATA), encrypted(b'pass\0word', DATA))
        self.assertEqual(encrypted(b'', DATA), encrypted(b'\0pass', DATA))
        self.assertNotEqual(encrypted(b'pass', DATA), encrypted(b'password', DATA))

    def test_byte_string_subclasses_are_taken(self):
        self.assertEqual(encrypted(b'pw', DATA), encrypted(StrSubclass(b'pw'), StrSubclass(DATA)))

    def test_empty_data_leaves_the_keys(self):
        handle = _sealer.new_Sealer(b'pw')
        self.assertEqual(b'', _sealer.Sealer_encrypt(handle, b''))
        self.assertEqual(b'', _sealer.Sealer_decrypt(handle, b''))
        self.assertEqual(encrypted(b'pw', DATA), _sealer.Sealer_encrypt(handle, DATA))


class StreamTest(unittest.TestCase):
    def test_split_calls_equal_one_call(self):
        whole = encrypted(b'key', DATA)
        for cut in (0, 1, 12, 2500, 4999, 5000):
            writer = sealer.Sealer(b'key')
            self.assertEqual(whole, writer.encrypt(DATA[:cut]) + writer.encrypt(DATA[cut:]), cut)
            reader = sealer.Sealer(b'key')
            self.assertEqual(DATA, reader.decrypt(whole[:cut]) + reader.decrypt(whole[cut:]), cut)

    def test_fresh_object_round_trips_however_cut(self):
        writer = sealer.Sealer(b'key')
        sealed = b''.join(writer.encrypt(DATA[i:i + 333]) for i in range(0, len(DATA), 333))
        reader = sealer.Sealer(b'key')
        self.assertEqual(DATA, b''.join(reader.decrypt(sealed[i:i + 1000]) for i in range(0, len(sealed), 1000)))

    def test_one_object_does_not_round_trip(self):
        s = sealer.Sealer(b'key')
        sealed = s.encrypt(DATA)
        plain = s.decrypt(sealed)
        self.assertEqual(len(DATA), len(plain))
        self.assertNotEqual(DATA, plain)

    def test_wrong_password_gives_other_bytes(self):
        plain = sealer.Sealer(b'wrong').decrypt(sealer.Sealer(b'right').encrypt(DATA))
        self.assertEqual(len(DATA), len(plain))
        self.assertNotEqual(DATA, plain)


class ThreadTest(unittest.TestCase):
    CHUNK = 100000  # large enough for the cipher to run without the interpreter lock

    def run_threads(self, *work):
        """Runs each of work on a thread of its own, all at once; returns their results in order."""
        results = [None] * len(work)
        def run(i):
            results[i] = work[i]()
        threads = [threading.Thread(target=run, args=(i,)) for i in range(len(work))]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        return results

    def test_one_sealer_shared_by_two_threads_keeps_one_keystream(self):
        # Zero bytes feed zeros to the keys, so the ciphertext of zeros is the keystream, however cut into
        # calls: if the calls took turns, each one's output is a slice of it, and together they tile it.
        shared = _sealer.new_Sealer(b'pw')
        chunk = b'\0' * self.CHUNK
        outputs = []
        work = lambda: [outputs.append(_sealer.Sealer_encrypt(shared, chunk)) for _ in range(20)]
        self.run_threads(work, work)
        stream = encrypted(b'pw', chunk * len(outputs))
        self.assertEqual(list(range(0, len(stream), self.CHUNK)), sorted(stream.find(output) for output in outputs))

    def test_two_sealers_in_two_threads(self):
        data = (DATA * 20)[:self.CHUNK]
        def work(password):
            own = _sealer.new_Sealer(password)
            return b''.join(_sealer.Sealer_encrypt(own, data) for _ in range(20))
        self.assertEqual([encrypted(b'first', data * 20), encrypted(b'second', data * 20)],
                         self.run_threads(lambda: work(b'first'), lambda: work(b'second')))


class ArgumentTest(Refusals, unittest.TestCase):
    def test_every_argument_message(self):
        handle = _sealer.new_Sealer(b'pw')
        deleted = _sealer.new_Sealer(b'pw')
        _sealer.delete_Sealer(deleted)
        password_message = "in method 'new_Sealer', argument 1 of type 'char const *'"
        for bad in (None, u'pw', 42, [b'pw'], handle, Holder(42)):
            self.assertRefused(password_message, _sealer.new_Sealer, bad)
        for name in ('Sealer_encrypt', 'Sealer_decrypt'):
            function = getattr(_sealer, name)
            handle_message = "in method '%s', argument 1 of type 'Sealer *'" % name
            data_message = "in method '%s', argument 2 of type 'std::string'" % name
            for bad in (None, 42, b'text', deleted, Holder(deleted), Holder(None), object(), PySwigObject()):
                self.assertRefused(handle_message, function, bad, b'data')
            for bad in (None, u'data', 42, bytearray(b'data'), handle):
                self.assertRefused(data_message, function, handle, bad)
            # Argument 1 is converted first.
            self.assertRefused(handle_message, function, 42, u'data')
        for bad in (42, b'text', deleted, Holder(deleted), object()):
            self.assertRefused("in method 'delete_Sealer', argument 1 of type 'Sealer *'", _sealer.delete_Sealer, bad)

    def test_refused_data_leaves_the_keys(self):
        handle = _sealer.new_Sealer(b'pw')
        self.assertRaises(TypeError, _sealer.Sealer_encrypt, handle, u'data')
        self.assertRaises(TypeError, _sealer.Sealer_decrypt, handle, None)
        self.assertEqual(encrypted(b'pw', DATA), _sealer.Sealer_encrypt(handle, DATA))

    def test_argument_counts_name_the_function(self):
        handle = _sealer.new_Sealer(b'pw')
        cases = [
            ('new_Sealer() takes exactly 1 argument (0 given)', _sealer.new_Sealer, ()),
            ('new_Sealer() takes exactly 1 argument (2 given)', _sealer.new_Sealer, (b'a', b'b')),
            ('Sealer_encrypt() takes exactly 2 arguments (1 given)', _sealer.Sealer_encrypt, (handle,)),
            ('Sealer_decrypt() takes exactly 2 arguments (3 given)', _sealer.Sealer_decrypt, (handle, b'a', b'b')),
            ('delete_Sealer() takes exactly 1 argument (0 given)', _sealer.delete_Sealer, ()),
            ('swigregister() takes exactly 1 argument (0 given)', _sealer.Sealer_swigregister, ()),
            ('swigregister() takes exactly 1 argument (2 given)', _sealer.Sealer_swigregister, (sealer.Sealer, 1)),
        ]
        for message, function, args in cases:
            self.assertRefused(message, function, *args)
        self.assertRaises(TypeError, _sealer.new_Sealer, password=b'pw')

    def test_proxy_stands_for_its_handle(self):
        proxy = sealer.Sealer(b'pw')
        self.assertEqual(encrypted(b'pw', DATA), _sealer.Sealer_encrypt(proxy, DATA))
        self.assertEqual(encrypted(b'pw', DATA), _sealer.Sealer_encrypt(Holder(Holder(_sealer.new_Sealer(b'pw'))), DATA))

    def test_this_cycle_is_refused(self):
        cycle = Holder(None)
        cycle.this = cycle
        self.assertRaises(TypeError, _sealer.Sealer_encrypt, cycle, b'data')

    def test_module_contents(self):
        names = [n for n in dir(_sealer) if not n.startswith('__')]
        self.assertEqual(sorted(['new_Sealer', 'Sealer_decrypt', 'Sealer_encrypt', 'delete_Sealer',
                                 'Sealer_swigregister']), sorted(names))
        self.assertEqual(None, _sealer.__doc__)
        self.assertEqual(None, _sealer.new_Sealer.__doc__)


class LifecycleTest(unittest.TestCase):
    def test_use_after_delete_is_refused(self):
        handle = _sealer.new_Sealer(b'pw')
        self.assertEqual(None, _sealer.delete_Sealer(handle))
        self.assertFalse(handle.own())
        self.assertRaises(TypeError, _sealer.Sealer_encrypt, handle, b'data')
        self.assertRaises(TypeError, _sealer.Sealer_decrypt, handle, b'data')
        self.assertRaises(TypeError, _sealer.delete_Sealer, handle)
        handle.acquire()  # owning nothing, its collection must still destroy nothing

    def test_proxy_after_delete_is_refused(self):
        proxy = sealer.Sealer(b'pw')
        _sealer.delete_Sealer(proxy)
        self.assertFalse(proxy.thisown)
        self.assertRaises(TypeError, proxy.encrypt, b'data')
        self.assertRaises(TypeError, _sealer.delete_Sealer, proxy)

    def test_delete_none_deletes_nothing(self):
        self.assertEqual(None, _sealer.delete_Sealer(None))

    def test_new_handle_is_bare_and_owning(self):
        handle = _sealer.new_Sealer(b'pw')
        self.assertEqual('PySwigObject', type(handle).__name__)
        self.assertTrue(handle.own())
        self.assertTrue(sealer.Sealer(b'pw').thisown)

    def test_collection_calls_the_registered_destroy_hook(self):
        status, output = run_python(r'''
import _sealer
deleted = []
def destroy(handle):
    deleted.append(repr(handle))
    _sealer.delete_Sealer(handle)
class Recorder(object):
    __swig_destroy__ = staticmethod(destroy)
_sealer.Sealer_swigregister(Recorder)
h = _sealer.new_Sealer(b'pw'); address = int(h); del h                  # owned: destroyed
h = _sealer.new_Sealer(b'pw'); _sealer.delete_Sealer(h); del h          # deleted already
h = _sealer.new_Sealer(b'pw'); h.disown(); _sealer.delete_Sealer(h); del h  # not owned
print(len(deleted), deleted[0] == "<Swig Object of type 'Sealer *' at 0x%x>" % address)
class Acquiring(object):
    @staticmethod
    def __swig_destroy__(handle):
        deleted.append(handle.acquire())
_sealer.Sealer_swigregister(Acquiring)
h = _sealer.new_Sealer(b'pw'); del h  # the hook owns its handle, which goes owning nothing: no second call
print(len(deleted))
''')
        self.assertEqual((0, '1 True\n2\n'), (status, output))

    def test_collection_through_the_proxy(self):
        status, output = run_python(r'''
import _sealer, sealer
calls = []
real = _sealer.delete_Sealer
sealer.Sealer.__swig_destroy__ = staticmethod(lambda handle: calls.append(real(handle)))
_sealer.Sealer_swigregister(sealer.Sealer)
p = sealer.Sealer(b'pw'); del p
p = sealer.Sealer(b'pw'); p.thisown = 0; del p
p = sealer.Sealer(b'pw'); real(p); del p
print(len(calls))
''')
        self.assertEqual((0, '1\n'), (status, output))

    def test_leak_message_without_a_destroy_hook(self):
        status, output = run_python(r'''
import _sealer
h = _sealer.new_Sealer(b'pw'); del h
class NoHook(object):
    pass
_sealer.Sealer_swigregister(NoHook)
h = _sealer.new_Sealer(b'pw'); del h
h = _sealer.new_Sealer(b'pw'); _sealer.delete_Sealer(h); del h
h = _sealer.new_Sealer(b'pw'); h.disown(); del h
print('end')
''')
        leak = "swig/python detected a memory leak of type 'Sealer *', no destructor found.\n"
        self.assertEqual((0, leak * 2 + 'end\n'), (status, output))

    def test_failing_destroy_hook_keeps_a_pending_exception(self):
        status, output = run_python(r'''
import sys, _sealer
class Failing(object):
    @staticmethod
    def __swig_destroy__(handle):
        raise ValueError('hook failed')
_sealer.Sealer_swigregister(Failing)
def f():
    h = _sealer.new_Sealer(b'pw')
    raise KeyError('mine')
try:
    f()
except KeyError as e:
    print('caught', e)
''')
        self.assertEqual(0, status, output)
        self.assertIn("caught 'mine'", output)
        self.assertIn('ValueError', output)  # reported as unraisable, not raised in its place


class HandleTest(unittest.TestCase):
    def test_ownership_methods(self):
        handle = _sealer.new_Sealer(b'pw')
        self.assertEqual(True, handle.own())
        self.assertEqual(None, handle.disown())
        self.assertEqual(False, handle.own())
        self.assertEqual(None, handle.acquire())
        self.assertEqual(True, handle.own(0))
        self.assertEqual(False, handle.own(1))
        self.assertEqual(True, handle.own())
        proxy = sealer.Sealer(b'pw')
        proxy.thisown = False
        self.assertFalse(proxy.this.own())
        proxy.this.acquire()

    def test_chaining(self):
        first = _sealer.new_Sealer(b'a')
        second = _sealer.new_Sealer(b'b')
        self.assertEqual(None, first.next())
        self.assertEqual(None, first.append(second))
        self.assertTrue(first.next() is second)
        self.assertRaises(TypeError, first.append, 'not a handle')
        self.assertRaises(TypeError, first.append, PySwigObject())
        self.assertRaises(TypeError, second.append, first)
        self.assertRaises(TypeError, first.append, first)
        self.assertIn(repr(second), repr(first))
        self.assertEqual(encrypted(b'a', DATA), _sealer.Sealer_encrypt(first, DATA))

    def test_only_the_modules_make_handles(self):
        # A handle is known by its type, never by its name, which Python 3 lets Python code give a type of the
        # standard library's C code (Python 2's are static).
        kind = type(zlib.compressobj())
        name = kind.__name__
        if PY3:
            kind.__name__ = 'PySwigObject'
        try:
            self.assertRaises(TypeError, _sealer.Sealer_encrypt, zlib.compressobj(), b'data')
            self.assertRaises(TypeError, _sealer.new_Sealer(b'pw').append, zlib.compressobj())
        finally:
            if PY3:
                kind.__name__ = name
        self.assertRaises(TypeError, type(_sealer.new_Sealer(b'pw')))

    def test_repr_and_numbers(self):
        handle = _sealer.new_Sealer(b'pw')
        address = int(handle)
        self.assertTrue(address > 0)
        self.assertEqual("<Swig Object of type 'Sealer *' at 0x%x>" % address, repr(handle))
        self.assertTrue(re.match(r"<sealer\.Sealer; proxy of <Swig Object of type 'Sealer \*' at 0x[0-9a-f]+> >$",
                                 repr(sealer.Sealer(b'pw'))))

    def test_compare_by_address_and_no_hash(self):
        a = _sealer.new_Sealer(b'a')
        b = _sealer.new_Sealer(b'b')
        self.assertEqual((int(a) < int(b), int(a) > int(b)), (a < b, a > b))
        self.assertTrue(a == a and a != b)
        self.assertRaises(TypeError, hash, a)

    def test_shared_type_table(self):
        status, output = run_python(r'''
import sys, _sealer
print([name for name in sorted(sys.modules) if name.startswith('swig_runtime_data')])
print(type(sys.modules['swig_runtime_data4'].type_pointer).__name__)
''')
        pointer_type = 'PyCapsule' if PY3 else 'PyCObject'
        self.assertEqual((0, "['swig_runtime_data4']\n%s\n" % pointer_type), (status, output))

    @python2_only
    def test_python2_numbers(self):
        handle = _sealer.new_Sealer(b'pw')
        address = int(handle)
        self.assertEqual(address, long(handle))  # noqa: F821 (Python 2's name)
        self.assertEqual('%x' % address, hex(handle))
        self.assertEqual('%o' % address, oct(handle))


if __name__ == '__main__':
    unittest.main()

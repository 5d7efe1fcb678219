"""Traditional ZIP encryption (PKWARE's stream cipher) for Python 3, over the extension module _sealer.

    from sealer import Sealer
    encrypted = Sealer(b"password").encrypt(data)   # data, password and result are bytes
    data = Sealer(b"password").decrypt(encrypted)

A Sealer carries its keys from call to call: one object encrypts (or decrypts) one stream, in as many pieces
as it likes. Calls on one object take turns; long ones let other Python threads run.
"""
import _sealer


class Sealer:
    def __init__(self, password):
        self.this = _sealer.new_Sealer(password)

    def encrypt(self, data):
        return _sealer.Sealer_encrypt(self, data)

    def decrypt(self, data):
        return _sealer.Sealer_decrypt(self, data)

    # Whether collecting the handle (self.this) deletes the object, as SWIG's proxies have it.
    thisown = property(lambda self: self.this.own(), lambda self, value: self.this.own(value))

    def __repr__(self):
        return "<%s.%s; proxy of %r >" % (self.__class__.__module__, self.__class__.__name__, self.this)

    # Called for the object when its owning handle is collected.
    __swig_destroy__ = _sealer.delete_Sealer


_sealer.Sealer_swigregister(Sealer)

# The proxy module `sealer` in the shape SWIG 1.3 generated for Python 2.5, as the client imports it.
# Test fixture: the client's own copy is not part of this project.
import _sealer

def _swig_setattr_nondynamic(self, class_type, name, value, static=1):
    if name == "thisown":
        return self.this.own(value)
    if name == "this":
        if type(value).__name__ == 'PySwigObject':
            self.__dict__[name] = value
            return
    method = class_type.__swig_setmethods__.get(name, None)
    if method:
        return method(self, value)
    if (not static) or hasattr(self, name):
        self.__dict__[name] = value
    else:
        raise AttributeError("You cannot add attributes to %s" % self)

def _swig_setattr(self, class_type, name, value):
    return _swig_setattr_nondynamic(self, class_type, name, value, 0)

def _swig_getattr(self, class_type, name):
    if name == "thisown":
        return self.this.own()
    method = class_type.__swig_getmethods__.get(name, None)
    if method:
        return method(self)
    raise AttributeError(name)

def _swig_repr(self):
    try:
        strthis = "proxy of " + self.this.__repr__()
    except:
        strthis = ""
    return "<%s.%s; %s >" % (self.__class__.__module__, self.__class__.__name__, strthis,)

class Sealer(object):
    __swig_setmethods__ = {}
    __setattr__ = lambda self, name, value: _swig_setattr(self, Sealer, name, value)
    __swig_getmethods__ = {}
    __getattr__ = lambda self, name: _swig_getattr(self, Sealer, name)
    __repr__ = _swig_repr
    def __init__(self, *args):
        this = _sealer.new_Sealer(*args)
        try:
            self.this.append(this)
        except:
            self.this = this
    def decrypt(*args): return _sealer.Sealer_decrypt(*args)
    def encrypt(*args): return _sealer.Sealer_encrypt(*args)
    __swig_destroy__ = _sealer.delete_Sealer
    __del__ = lambda self: None
Sealer_swigregister = _sealer.Sealer_swigregister
Sealer_swigregister(Sealer)

// The Python module _sealer: the class Sealer as the flat functions that a SWIG 1.3 proxy class calls.
#define SWIG_RUNTIME_VERSION "4"
#include "swig_runtime.h"

#include "sealer.h"

#include <new>

namespace {

// Sorted by mangled name.
enum { TYPE_SEALER, TYPE_CHAR };
SwigTypeSlot sealerTypes[] = {
    SwigTypeSlot("_p_Sealer", "Sealer *"),
    SwigTypeSlot("_p_char", "char *"),
};

const char SEALER_ARG[] = "Sealer *";
const char PASSWORD_ARG[] = "char const *";
const char DATA_ARG[] = "std::string";

// From this many bytes on the cipher runs with the interpreter lock let go, so that other threads run
// beside it. Measured (bench/sealer_threads.py, with a build of its own that lets the lock go for every
// size): two threads of 4 KiB calls then run clearly faster than the same work done serially, two of
// 1 KiB calls hardly so; 1 KiB calls keep the lock, and with it the speed they had.
#ifndef SEALER_UNLOCKED_MINIMUM
#define SEALER_UNLOCKED_MINIMUM (4 * 1024)
#endif
const size_t UNLOCKED_MINIMUM = SEALER_UNLOCKED_MINIMUM;

swig_type_info *SealerType()
{
    return sealerTypes[TYPE_SEALER].type;
}

PyObject *NewSealer(PyObject *, PyObject *args)
{
    static const char FORMAT[] = "O:new_Sealer";
    PyObject *passwordArg;
    if (!PyArg_ParseTuple(args, FORMAT, &passwordArg)) {
        return NULL;
    }
    // Sealer reads the password in place up to its first zero byte; None would be a null password.
    const char *password;
    size_t size;
    PyObject *held;
    int res = SwigAsCharPtrAndSize(passwordArg, &password, &size, SWIG_POINTER_NO_NULL, &held);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 1, PASSWORD_ARG);
    }
    Sealer *sealer = new (std::nothrow) Sealer(password);
    Py_XDECREF(held);
    if (!sealer) {
        return PyErr_NoMemory();
    }
    return SwigNewObject(sealer, SealerType());
}

// Sealer_encrypt and Sealer_decrypt: (handle, data) -> byte string (str; bytes in Python 3). None as handle
// is refused: there would be no object to work on. The data is copied once, into the str that becomes the
// result, and transformed there: the same bytes as a by-value std::string through encrypt or decrypt,
// without a second buffer. Copied before the call enters the object, since it may wait there for another
// thread's call, and so the cipher, which may run without the interpreter lock, reads nothing another
// thread can change.
PyObject *Transform(PyObject *args, const char *format, void (Sealer::*transform)(char *, size_t))
{
    PyObject *handleArg;
    PyObject *dataArg;
    if (!PyArg_ParseTuple(args, format, &handleArg, &dataArg)) {
        return NULL;
    }
    SwigObject object;
    int res = SwigConvertObject(handleArg, SealerType(), &object);
    if (res != SWIG_OK) {
        return SwigArgFail(res, format, 1, SEALER_ARG);
    }
    const char *bytes;
    size_t size;
    PyObject *held;
    res = SwigAsStringBytes(dataArg, &bytes, &size, &held);
    if (res != SWIG_OK) {
        SwigDropObject(&object);
        return SwigArgFail(res, format, 2, DATA_ARG);
    }
    // A fresh byte string (with bytes given, a one-byte one would be the interpreter's shared one), allocated
    // before the keys move, so a call that fails for memory leaves them where they were.
    PyObject *result = SwigNewBytes(size);
    if (result) {
        memcpy(SwigBytesBuffer(result), bytes, size);
    }
    Py_XDECREF(held);
    if (!result) {
        SwigDropObject(&object);
        return NULL;
    }
    char *buffer = SwigBytesBuffer(result);
    Sealer *sealer = static_cast<Sealer *>(object.ptr);
    if (!SwigRunInTurn(object, format, SEALER_ARG, size >= UNLOCKED_MINIMUM,
                       [=] { (sealer->*transform)(buffer, size); })) {
        Py_DECREF(result);
        return NULL;
    }
    return result;
}

PyObject *SealerEncrypt(PyObject *, PyObject *args)
{
    return Transform(args, "OO:Sealer_encrypt", &Sealer::encryptInPlace);
}

PyObject *SealerDecrypt(PyObject *, PyObject *args)
{
    return Transform(args, "OO:Sealer_decrypt", &Sealer::decryptInPlace);
}

// A handle used after its delete, a second delete included, is refused: its object is gone.
PyObject *DeleteSealer(PyObject *, PyObject *args)
{
    return SwigDeleteObject<Sealer>(args, "O:delete_Sealer", SealerType(), SEALER_ARG);
}

PyObject *RegisterSealer(PyObject *, PyObject *args)
{
    return SwigRegisterClass(args, "O:swigregister", &sealerTypes[TYPE_SEALER]);
}

PyMethodDef sealerMethods[] = {
    {"new_Sealer", NewSealer, METH_VARARGS, NULL},
    {"Sealer_decrypt", SealerDecrypt, METH_VARARGS, NULL},
    {"Sealer_encrypt", SealerEncrypt, METH_VARARGS, NULL},
    {"delete_Sealer", DeleteSealer, METH_VARARGS, NULL},
    {"Sealer_swigregister", RegisterSealer, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL},
};

}  // namespace

SWIG_DEFINE_MODULE(_sealer, sealerMethods, sealerTypes)

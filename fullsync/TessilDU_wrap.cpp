// The Python module _TessilDU: the class MetaStorage as the flat functions that a SWIG 1.3 proxy class
// calls. Failed queries and enumeration steps come back as None; only wrong arguments raise.
#define SWIG_RUNTIME_VERSION "3"
#include "swig_runtime.h"

#include "metastorage.h"

#include <new>

namespace {

// Sorted by mangled name.
enum { TYPE_METASTORAGE, TYPE_CHAR };
SwigTypeSlot storageTypes[] = {
    SwigTypeSlot("_p_MetaStorage", "MetaStorage *"),
    SwigTypeSlot("_p_char", "char *"),
};

const char STORAGE_ARG[] = "MetaStorage *";
const char PATH_ARG[] = "char const *";

// The object a handle argument stands for; false with TypeError set when it stands for none (None
// included: there would be no object to ask). A deleted object's handle is refused.
bool ToStorage(PyObject *handleArg, const char *format, SwigObject *storage)
{
    int res = SwigConvertObject(handleArg, storageTypes[TYPE_METASTORAGE].type, storage);
    if (res != SWIG_OK) {
        SwigArgFail(res, format, 1, STORAGE_ARG);
        return false;
    }
    return true;
}

PyObject *NewMetaStorage(PyObject *, PyObject *args)
{
    if (!PyArg_ParseTuple(args, ":new_MetaStorage")) {
        return NULL;
    }
    // No object made comes back as None.
    return SwigNewObject(new (std::nothrow) MetaStorage(), storageTypes[TYPE_METASTORAGE].type);
}

// A handle used after its delete, a second delete included, is refused: its object is gone.
PyObject *DeleteMetaStorage(PyObject *, PyObject *args)
{
    return SwigDeleteObject<MetaStorage>(args, "O:delete_MetaStorage", storageTypes[TYPE_METASTORAGE].type,
                                         STORAGE_ARG);
}

PyObject *ToPython(char *text)
{
    return SwigFromCharPtr(text);
}

PyObject *ToPython(WCHAR *text)
{
    return SwigFromUtf16Ptr(text);
}

// Runs one operation on the object with the interpreter lock let go: the platform calls it makes may block
// (a hung device, a network volume), and every Python thread would wait with them. Its text lives in the
// object, so it becomes a Python value before the call leaves the object and another call writes there.
template <typename Operation>
PyObject *RunUnlocked(SwigObject storage, const char *format, Operation operation)
{
    MetaStorage *object = static_cast<MetaStorage *>(storage.ptr);
    return SwigCallInTurn(storage, format, STORAGE_ARG, true, [=] { return operation(object); },
                          [](auto text) { return ToPython(text); });
}

// PartitionTable, PartitionEntry and DeviceNumber: (handle, path) -> str, or None when the query fails.
// A path that is a text (Python 3's str) is opened by the platform's wide-character call, so it names the
// file it says whatever its characters; byte data (Python 2's str, in the ANSI code page) and a "char *"
// handle's bytes are handed on as they are. None is handed on as a null path, which fails to open. The path
// is copied first: the query runs without the interpreter lock, and another thread may meanwhile change a
// "char *" handle's bytes.
PyObject *Query(PyObject *args, const char *format, char *(MetaStorage::*query)(DevicePath))
{
    PyObject *handleArg;
    PyObject *pathArg;
    if (!PyArg_ParseTuple(args, format, &handleArg, &pathArg)) {
        return NULL;
    }
    SwigObject storage;
    if (!ToStorage(handleArg, format, &storage)) {
        return NULL;
    }
    char *bytes;
    WCHAR *text;
    int res = SwigAsTextCopy(pathArg, &bytes, &text, 0);
    if (res != SWIG_OK) {
        SwigDropObject(&storage);
        return SwigArgFail(res, format, 2, PATH_ARG);
    }
    PyObject *result = RunUnlocked(storage, format, [=](MetaStorage *object) {
        return (object->*query)(DevicePath{bytes, text});
    });
    PyMem_Free(bytes);
    PyMem_Free(text);
    return result;
}

PyObject *PartitionTable(PyObject *, PyObject *args)
{
    return Query(args, "OO:MetaStorage_PartitionTable", &MetaStorage::PartitionTable);
}

PyObject *PartitionEntry(PyObject *, PyObject *args)
{
    return Query(args, "OO:MetaStorage_PartitionEntry", &MetaStorage::PartitionEntry);
}

PyObject *DeviceNumber(PyObject *, PyObject *args)
{
    return Query(args, "OO:MetaStorage_DeviceNumber", &MetaStorage::DeviceNumber);
}

// FirstVolume and NextVolume: (handle) -> unicode, or None at the end.
PyObject *Enumerate(PyObject *args, const char *format, WCHAR *(MetaStorage::*step)())
{
    PyObject *handleArg;
    if (!PyArg_ParseTuple(args, format, &handleArg)) {
        return NULL;
    }
    SwigObject storage;
    if (!ToStorage(handleArg, format, &storage)) {
        return NULL;
    }
    return RunUnlocked(storage, format, [=](MetaStorage *object) { return (object->*step)(); });
}

PyObject *FirstVolume(PyObject *, PyObject *args)
{
    return Enumerate(args, "O:MetaStorage_FirstVolume", &MetaStorage::FirstVolume);
}

PyObject *NextVolume(PyObject *, PyObject *args)
{
    return Enumerate(args, "O:MetaStorage_NextVolume", &MetaStorage::NextVolume);
}

PyObject *RegisterMetaStorage(PyObject *, PyObject *args)
{
    return SwigRegisterClass(args, "O|swigregister", &storageTypes[TYPE_METASTORAGE]);
}

PyMethodDef storageMethods[] = {
    {"new_MetaStorage", NewMetaStorage, METH_VARARGS, NULL},
    {"delete_MetaStorage", DeleteMetaStorage, METH_VARARGS, NULL},
    {"MetaStorage_PartitionTable", PartitionTable, METH_VARARGS, NULL},
    {"MetaStorage_PartitionEntry", PartitionEntry, METH_VARARGS, NULL},
    {"MetaStorage_DeviceNumber", DeviceNumber, METH_VARARGS, NULL},
    {"MetaStorage_FirstVolume", FirstVolume, METH_VARARGS, NULL},
    {"MetaStorage_NextVolume", NextVolume, METH_VARARGS, NULL},
    {"MetaStorage_swigregister", RegisterMetaStorage, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL},
};

}  // namespace

SWIG_DEFINE_MODULE(_TessilDU, storageMethods, storageTypes)

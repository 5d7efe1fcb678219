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

// The object a handle argument stands for; null with TypeError set when it stands for none (None
// included: there would be no object to ask). A deleted object's handle is refused.
MetaStorage *ToStorage(PyObject *handleArg, const char *format)
{
    void *object;
    int res = SwigConvertPtr(handleArg, &object, storageTypes[TYPE_METASTORAGE].type, SWIG_POINTER_NO_NULL);
    if (res != SWIG_OK) {
        SwigArgFail(res, format, 1, STORAGE_ARG);
        return NULL;
    }
    return static_cast<MetaStorage *>(object);
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

// PartitionTable, PartitionEntry and DeviceNumber: (handle, path) -> str, or None when the query fails.
// The path is read in place; None is handed on as a null path, which fails to open.
PyObject *Query(PyObject *args, const char *format, char *(MetaStorage::*query)(char const *))
{
    PyObject *handleArg;
    PyObject *pathArg;
    if (!PyArg_ParseTuple(args, format, &handleArg, &pathArg)) {
        return NULL;
    }
    MetaStorage *storage = ToStorage(handleArg, format);
    if (!storage) {
        return NULL;
    }
    const char *path;
    size_t size;
    int res = SwigAsCharPtrAndSize(pathArg, &path, &size, 0);
    if (res != SWIG_OK) {
        return SwigArgFail(res, format, 2, PATH_ARG);
    }
    return SwigFromCharPtr((storage->*query)(path));
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
    MetaStorage *storage = ToStorage(handleArg, format);
    return storage ? SwigFromUtf16Ptr((storage->*step)()) : NULL;
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

SWIG_MODULE_INIT init_TessilDU()
{
    SwigCreateModule("_TessilDU", storageMethods, storageTypes);
}

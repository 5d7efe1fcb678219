#pragma once
// The Python wrapper runtime shared by the project's extension modules: the handle type PySwigObject,
// the type table that the modules of one process share, class registration with __swig_destroy__, and
// the argument and result conversions. It keeps the records and the behaviour that SWIG 1.3 generated
// for Python 2.5, so the client's SWIG 1.3 proxy classes work unchanged and a SWIG 1.3 module of the
// same runtime version can share our type table. Python 2.5's C API only.
//
// Built with Py_LIMITED_API (0x03080000), the same wrappers make the Python 3 edition: one module per
// architecture for every Python 3.8 and later. The handle type is then a heap type made by PyType_FromSpec, byte
// data is `bytes`, texts are `str` and integers `int`; the sections marked SWIG_PYTHON3 hold what differs.
//
// A module defines SWIG_RUNTIME_VERSION ("2", "3" or "4": modules of different versions share nothing)
// and then includes this header once; everything here has internal linkage, one copy per module. Its
// shape (zip/sealer_wrap.cpp is one):
//   SwigTypeSlot types[] = {SwigTypeSlot("_p_Thing", "Thing *"), SwigTypeSlot("_p_char", "char *")};
//   wrappers: PyArg_ParseTuple(args, "OO:Thing_do", ...), then SwigConvertObject(arg, types[0].type,
//     &object) for the object called / SwigAsCharPtrAndSize / SwigAsInt ..., and SwigArgFail(res, format,
//     n, "Thing *") when refused; the call copies what it reads of the other arguments, then works on the
//     object in its turn, through SwigCallInTurn (or gives the object up with SwigDropObject when it is
//     refused); new_Thing returns SwigNewObject(...), delete_Thing is SwigDeleteObject<Thing>(...), and
//     Thing_swigregister calls SwigRegisterClass
//   init: SWIG_DEFINE_MODULE(_thing, methods, types)
// Windows modules may call only what cmake/python25.def lists: add a name there only if Python 2.5 has it.
// Python 3 modules only what python3.dll forwards to an export of python39.dll (their import library lists
// no other name).

#ifndef SWIG_RUNTIME_VERSION
#error "define SWIG_RUNTIME_VERSION before including swig_runtime.h"
#endif

#ifdef Py_LIMITED_API
#define PY_SSIZE_T_CLEAN
#endif
#include <Python.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#if PY_MAJOR_VERSION >= 3
#define SWIG_PYTHON3 1
#ifndef Py_LIMITED_API
#error "the Python 3 edition is built against the stable ABI: define Py_LIMITED_API"
#endif
#ifdef _WIN32
#include <winsock2.h>  // before windows.h, as Winsock's header demands of modules that include it after this one
#include <windows.h>
#else
#include <semaphore.h>
#endif
#else
#define SWIG_PYTHON3 0
#include <pythread.h>

// These test type flags that Python 2.6 introduced; Python 2.5's types do not set them, so a module
// built with them would not recognise a str or an int there. Use PyObject_TypeCheck or *_CheckExact.
// Py_TYPE, Py_REFCNT and Py_SIZE are 2.6's too: read ob_type, ob_refcnt and ob_size, which 2.5 has.
#undef PyString_Check
#undef PyInt_Check
#undef PyLong_Check
#undef PyUnicode_Check
#undef PyTuple_Check
#undef PyList_Check
#undef PyDict_Check
#undef PyType_Check
#undef PyType_FastSubclass
#pragma GCC poison PyString_Check PyInt_Check PyLong_Check PyUnicode_Check PyTuple_Check PyList_Check
#pragma GCC poison PyDict_Check PyType_Check PyType_FastSubclass

// The API version that Python 2.5 expects of Py_InitModule4.
#define PYTHON25_API_VERSION 1013
#endif

#ifdef _WIN32
#define SWIG_EXPORT extern "C" __declspec(dllexport)
#else
#define SWIG_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The module's initialiser: init<name> for Python 2, PyInit_<name> for Python 3.
#if SWIG_PYTHON3
#define SWIG_DEFINE_MODULE(name, methods, slots) \
    SWIG_EXPORT PyObject *PyInit_##name() { return SwigCreateModule(#name, methods, slots); }
#else
#define SWIG_DEFINE_MODULE(name, methods, slots) \
    SWIG_EXPORT void init##name() { SwigCreateModule(#name, methods, slots); }
#endif

// Conversion results, as SWIG numbers them.
enum {
    SWIG_OK = 0,
    SWIG_ERROR = -1,  // generic failure: reported as TypeError
    SWIG_TypeError = -5,
    SWIG_OverflowError = -7,
    SWIG_ValueError = -9,    // a text with a NUL inside, which would end it early
    SWIG_MemoryError = -12,  // MemoryError already raised
};

// Conversion flags.
enum {
    SWIG_POINTER_OWN = 0x1,      // a new handle owns its object
    SWIG_POINTER_NO_NULL = 0x4,  // None is refused instead of giving a null pointer
    SWIG_POINTER_RELEASE = 0x9,  // the handle gives its object up: ownership cleared, pointer forgotten
};

// The records below are laid out as SWIG 1.3 lays them out: a SWIG 1.3 module that shares our runtime
// version reads them through the shared type table.
struct swig_type_info;
typedef void *(*swig_converter_func)(void *, int *);
typedef swig_type_info *(*swig_dycast_func)(void **);

struct swig_cast_info {
    swig_type_info *type;
    swig_converter_func converter;
    swig_cast_info *next;
    swig_cast_info *prev;
};

struct swig_type_info {
    const char *name;  // mangled: "_p_Sealer"
    const char *str;   // shown: "Sealer *"; alternatives separated by '|', the last one is shown
    swig_dycast_func dcast;
    swig_cast_info *cast;
    void *clientdata;  // PySwigClientData once a class is registered
    int owndata;
};

struct swig_module_info {
    swig_type_info **types;  // the records in use, sorted by mangled name, null-terminated
    size_t size;
    swig_module_info *next;  // ring of the modules that share the table
    swig_type_info **type_initial;
    swig_cast_info **cast_initial;
    void *clientdata;
};

struct PySwigClientData {
    PyObject *klass;
    PyObject *newraw;
    PyObject *newargs;
    PyObject *destroy;  // the class's __swig_destroy__, or null
    int delargs;        // 1: destroy is called with a handle argument
    int implicitconv;
};

struct PySwigObject {
    PyObject_HEAD
    void *ptr;
    swig_type_info *ty;
    int own;
    PyObject *next;  // chained handle (append), or null
};

// One type of a module, with the storage its registration needs. A module lists its types sorted by
// mangled name (SWIG 1.3 modules search the shared table by bisection) and uses `type` after
// SwigInitModule: its own record, or an earlier module's record of the same name.
struct SwigTypeSlot {
    constexpr SwigTypeSlot(const char *name, const char *str)
        : info{name, str, NULL, NULL, NULL, 0}, casts{}, clientData{}, type(NULL)
    {
    }

    swig_type_info info;
    swig_cast_info casts[2];  // the type itself, then the end
    PySwigClientData clientData;
    swig_type_info *type;
};

static const char SWIG_RUNTIME_MODULE[] = "swig_runtime_data" SWIG_RUNTIME_VERSION;
// An object's `this` may itself carry a `this`; a cycle of them must not recurse for ever.
static const int SWIG_THIS_DEPTH_LIMIT = 64;
// Hex or octal digits of a pointer, with the terminator.
static const size_t SWIG_ADDRESS_TEXT_SIZE = 3 * sizeof(void *) + 2;

static swig_module_info *swigModule;  // this module's entry in the shared ring
static PyTypeObject *swigHandleType;  // this module's PySwigObject, once ready

// ---- Byte strings and integers of the two editions ---------------------------------------------

// Byte data: Python 2's str, Python 3's bytes (subclasses included).
static inline bool SwigIsBytes(PyObject *obj)
{
#if SWIG_PYTHON3
    return PyBytes_Check(obj);
#else
    return PyObject_TypeCheck(obj, &PyString_Type);
#endif
}

static inline int SwigReadBytes(PyObject *obj, char **buffer, Py_ssize_t *length)
{
#if SWIG_PYTHON3
    return PyBytes_AsStringAndSize(obj, buffer, length);
#else
    return PyString_AsStringAndSize(obj, buffer, length);
#endif
}

// A new byte string of `size` bytes for the caller to fill (SwigBytesBuffer), or null with the exception set.
static inline PyObject *SwigNewBytes(size_t size)
{
#if SWIG_PYTHON3
    return PyBytes_FromStringAndSize(NULL, (Py_ssize_t)size);
#else
    return PyString_FromStringAndSize(NULL, (Py_ssize_t)size);
#endif
}

static inline char *SwigBytesBuffer(PyObject *bytes)
{
#if SWIG_PYTHON3
    return PyBytes_AsString(bytes);
#else
    return PyString_AS_STRING(bytes);
#endif
}

static inline PyObject *SwigFromLong(long value)
{
#if SWIG_PYTHON3
    return PyLong_FromLong(value);
#else
    return PyInt_FromLong(value);
#endif
}

// ---- Pointers that the modules of a process share -----------------------------------------------

// A module publishes a pointer for the others as the attribute type_pointer of a module of that name in
// sys.modules: in Python 3 in a capsule of a name of its own (Python code cannot make a capsule, and one of
// another name is not ours), in Python 2 in a PyCObject, as SWIG 1.3 does.
static const char SWIG_TYPE_POINTER[] = "type_pointer";

#if SWIG_PYTHON3
// The pointer published under `module`, in a capsule named `capsule`; null if there is none.
static inline void *SwigSharedPointer(const char *module, const char *capsule)
{
    PyObject *holder = PyDict_GetItemString(PyImport_GetModuleDict(), module);
    PyObject *pointer = holder ? PyObject_GetAttrString(holder, SWIG_TYPE_POINTER) : NULL;
    void *shared = pointer ? PyCapsule_GetPointer(pointer, capsule) : NULL;
    Py_XDECREF(pointer);
    PyErr_Clear();
    return shared;
}

static inline int SwigPublishPointer(const char *module, const char *capsule, void *shared)
{
    PyObject *holder = PyImport_AddModule(module);  // borrowed
    PyObject *pointer = holder ? PyCapsule_New(shared, capsule, NULL) : NULL;
    if (!pointer) {
        return -1;
    }
    if (PyModule_AddObject(holder, SWIG_TYPE_POINTER, pointer) < 0) {  // steals pointer when it succeeds
        Py_DECREF(pointer);
        return -1;
    }
    return 0;
}
#else
static PyMethodDef swigEmptyMethods[] = {{NULL, NULL, 0, NULL}};

// The pointer published under `module`; null if there is none. (A PyCObject has no name.)
static inline void *SwigSharedPointer(const char *module, const char *)
{
    PyObject *holder = PyDict_GetItemString(PyImport_GetModuleDict(), module);
    PyObject *pointer = holder ? PyObject_GetAttrString(holder, SWIG_TYPE_POINTER) : NULL;
    void *shared = pointer ? PyCObject_AsVoidPtr(pointer) : NULL;
    Py_XDECREF(pointer);
    PyErr_Clear();
    return shared;
}

static inline int SwigPublishPointer(const char *module, const char *, void *shared)
{
    PyObject *holder = Py_InitModule4(module, swigEmptyMethods, NULL, NULL, PYTHON25_API_VERSION);
    PyObject *pointer = holder ? PyCObject_FromVoidPtr(shared, NULL) : NULL;
    if (!pointer) {
        return -1;
    }
    return PyModule_AddObject(holder, SWIG_TYPE_POINTER, pointer);  // steals pointer
}
#endif

// ---- Types --------------------------------------------------------------------------------------

static inline const char *SwigPrettyName(const swig_type_info *ty)
{
    if (!ty) {
        return "unknown";
    }
    if (!ty->str) {
        return ty->name;
    }
    const char *last = ty->str;
    for (const char *s = ty->str; *s; s++) {
        if (*s == '|') {
            last = s + 1;
        }
    }
    return last;
}

// True when `name` equals one of the '|'-separated alternatives of `names`, spaces aside.
static inline bool SwigNameInList(const char *name, const char *names)
{
    for (const char *alt = names; alt; alt = strchr(alt, '|') ? strchr(alt, '|') + 1 : NULL) {
        const char *a = alt;
        const char *n = name;
        for (;;) {
            while (*a == ' ') a++;
            while (*n == ' ') n++;
            bool altEnded = *a == '\0' || *a == '|';
            if (altEnded || *n == '\0') {
                if (altEnded && *n == '\0') {
                    return true;
                }
                break;
            }
            if (*a++ != *n++) {
                break;
            }
        }
    }
    return false;
}

// The record of a type by mangled or shown name, in any module of the shared ring; null if none.
static inline swig_type_info *SwigTypeQuery(const char *name)
{
    swig_module_info *module = swigModule;
    do {
        for (size_t i = 0; i < module->size; i++) {
            swig_type_info *ty = module->types[i];
            if (strcmp(ty->name, name) == 0 || (ty->str && SwigNameInList(name, ty->str))) {
                return ty;
            }
        }
        module = module->next;
    } while (module != swigModule);
    return NULL;
}

static inline bool SwigSameType(const swig_type_info *a, const swig_type_info *b)
{
    return a == b || (a && b && strcmp(a->name, b->name) == 0);
}

// ---- Handles ------------------------------------------------------------------------------------

#if SWIG_PYTHON3
// One handle type serves every module of the process, whatever its runtime version: the first of them to
// load makes it and publishes it in a capsule of this name, the others take it from there. A handle is
// known by that type object alone, which Python code can neither make, subclass nor pass off: a type of the
// standard library that Python code renamed "PySwigObject" is no handle, whatever its size.
static const char SWIG_HANDLE_MODULE[] = "swig_runtime_handle";
static const char SWIG_HANDLE_CAPSULE[] = "swig_runtime_handle.type_pointer";

static inline bool SwigIsHandle(PyObject *obj)
{
    return Py_TYPE(obj) == swigHandleType;
}

// A heap type's instance holds a reference to its type.
static inline void SwigFreeHandle(PyObject *self)
{
    PyTypeObject *type = Py_TYPE(self);
    PyObject_Free(self);
    Py_DECREF(type);
}
#else
// Every module has its own PySwigObject type object; handles of other modules are known by the name. A
// Python class of that name is no handle: reading a handle's fields from its instances would crash.
static inline bool SwigIsHandle(PyObject *obj)
{
    PyTypeObject *type = obj->ob_type;
    return type == swigHandleType ||
           (strcmp(type->tp_name, "PySwigObject") == 0 && !(type->tp_flags & Py_TPFLAGS_HEAPTYPE) &&
            type->tp_basicsize >= (Py_ssize_t)sizeof(PySwigObject));
}

static inline void SwigFreeHandle(PyObject *self)
{
    PyObject_Del(self);
}
#endif

static inline PyObject *SwigNewHandle(void *ptr, swig_type_info *ty, int own)
{
    PySwigObject *h = PyObject_New(PySwigObject, swigHandleType);
    if (!h) {
        return NULL;
    }
    h->ptr = ptr;
    h->ty = ty;
    h->own = own;
    h->next = NULL;
    return (PyObject *)h;
}

// A handle that owns ptr, as a constructor wrapper returns it; None for a null pointer.
static inline PyObject *SwigNewPointerObj(void *ptr, swig_type_info *ty, int flags)
{
    if (!ptr) {
        Py_INCREF(Py_None);
        return Py_None;
    }
    return SwigNewHandle(ptr, ty, (flags & SWIG_POINTER_OWN) ? 1 : 0);
}

// Calls the registered class's __swig_destroy__ for an owned object whose handle is being collected,
// through a handle that does not own it (the dying one must not be revived). Without a hook the object
// is left alive and the leak is reported, as SWIG does. A hook that took ownership of that handle
// (acquire) and let it go would have its release call the hook again, and so on until the stack ran out:
// a handle the hook did not keep is released owning nothing.
static inline void SwigDestroyOwned(void *ptr, swig_type_info *ty)
{
    PySwigClientData *data = ty ? (PySwigClientData *)ty->clientdata : NULL;
    PyObject *destroy = data ? data->destroy : NULL;
    if (!destroy) {
        printf("swig/python detected a memory leak of type '%s', no destructor found.\n", SwigPrettyName(ty));
        fflush(stdout);  // our C runtime's buffer is not the interpreter's
        return;
    }
    // A collection can happen while an exception is on its way; the hook must not replace it.
    PyObject *excType, *excValue, *excTrace;
    PyErr_Fetch(&excType, &excValue, &excTrace);
    Py_INCREF(destroy);
    PyObject *handle = SwigNewHandle(ptr, ty, 0);
    PyObject *result = handle ? PyObject_CallFunctionObjArgs(destroy, handle, NULL) : NULL;
    if (!result) {
        PyErr_WriteUnraisable(destroy);
    }
    Py_XDECREF(result);
    if (handle && Py_REFCNT(handle) == 1) {
        ((PySwigObject *)handle)->own = 0;
    }
    Py_XDECREF(handle);
    Py_DECREF(destroy);
    PyErr_Restore(excType, excValue, excTrace);
}

// A chain (append) is released link by link: were each handle to release its successor from its own
// dealloc, a long chain would take a C frame per link and overflow the stack. The links may be handles of
// other modules (a _TessilDU handle appended to a _sealer one): all handles share the layout, so the next
// link is detached from any of them.
static inline void SwigObjectDealloc(PyObject *self)
{
    PySwigObject *h = (PySwigObject *)self;
    PyObject *next = h->next;
    h->next = NULL;
    if (h->own && h->ptr) {
        SwigDestroyOwned(h->ptr, h->ty);
    }
    SwigFreeHandle(self);
    while (next) {
        PyObject *link = next;
        next = NULL;
        if (SwigIsHandle(link) && Py_REFCNT(link) == 1) {
            // Released here: take its successor first, so its dealloc releases no further link.
            next = ((PySwigObject *)link)->next;
            ((PySwigObject *)link)->next = NULL;
        }
        Py_DECREF(link);
    }
}

static inline int SwigObjectCompare(PyObject *a, PyObject *b)
{
    void *pa = ((PySwigObject *)a)->ptr;
    void *pb = ((PySwigObject *)b)->ptr;
    return pa < pb ? -1 : pa > pb ? 1 : 0;
}

#if SWIG_PYTHON3
// Handles compare by address, with handles only.
static inline PyObject *SwigObjectRichCompare(PyObject *a, PyObject *b, int op)
{
    if (!SwigIsHandle(b)) {
        Py_RETURN_NOTIMPLEMENTED;
    }
    int order = SwigObjectCompare(a, b);
    bool answers[] = {order < 0, order <= 0, order == 0, order != 0, order > 0, order >= 0};  // Py_LT ... Py_GE
    return PyBool_FromLong(op >= 0 && op < 6 && answers[op]);
}
#endif

static inline void SwigFormatAddress(void *ptr, unsigned base, char text[SWIG_ADDRESS_TEXT_SIZE])
{
    char digits[SWIG_ADDRESS_TEXT_SIZE];
    size_t count = 0;
    size_t value = (size_t)ptr;
    do {
        digits[count++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    for (size_t i = 0; i < count; i++) {
        text[i] = digits[count - 1 - i];
    }
    text[count] = '\0';
}

#if !SWIG_PYTHON3
static inline PyObject *SwigObjectHex(PyObject *self)
{
    char text[SWIG_ADDRESS_TEXT_SIZE];
    SwigFormatAddress(((PySwigObject *)self)->ptr, 16, text);
    return PyString_FromString(text);
}

static inline PyObject *SwigObjectOct(PyObject *self)
{
    char text[SWIG_ADDRESS_TEXT_SIZE];
    SwigFormatAddress(((PySwigObject *)self)->ptr, 8, text);
    return PyString_FromString(text);
}
#endif

static inline PyObject *SwigObjectAddress(PyObject *self)
{
    return PyLong_FromVoidPtr(((PySwigObject *)self)->ptr);
}

// "<Swig Object of type 'Sealer *' at 0x...>", followed by the chained handles' own, link by link (a
// chain may be long): pieces joined once in Python 3, a text that grows by doubling in Python 2.
#if SWIG_PYTHON3
static inline PyObject *SwigObjectRepr(PyObject *self)
{
    PyObject *pieces = PyList_New(0);
    for (PySwigObject *h = (PySwigObject *)self; pieces && h; h = (PySwigObject *)h->next) {
        char address[SWIG_ADDRESS_TEXT_SIZE];
        SwigFormatAddress(h->ptr, 16, address);
        PyObject *piece = PyUnicode_FromFormat("<Swig Object of type '%s' at 0x%s>", SwigPrettyName(h->ty), address);
        if (!piece || PyList_Append(pieces, piece) < 0) {
            Py_CLEAR(pieces);
        }
        Py_XDECREF(piece);
    }
    PyObject *empty = pieces ? PyUnicode_FromString("") : NULL;
    PyObject *repr = empty ? PyUnicode_Join(empty, pieces) : NULL;
    Py_XDECREF(empty);
    Py_XDECREF(pieces);
    return repr;
}
#else
static inline PyObject *SwigObjectRepr(PyObject *self)
{
    PyObject *repr = NULL;
    Py_ssize_t used = 0;
    for (PySwigObject *h = (PySwigObject *)self; h; h = (PySwigObject *)h->next) {
        char address[SWIG_ADDRESS_TEXT_SIZE];
        SwigFormatAddress(h->ptr, 16, address);
        PyObject *piece = PyString_FromFormat("<Swig Object of type '%s' at 0x%s>", SwigPrettyName(h->ty), address);
        if (!piece) {
            Py_XDECREF(repr);
            return NULL;
        }
        Py_ssize_t size = PyString_GET_SIZE(piece);
        if (!repr) {
            repr = piece;
            used = size;
            continue;
        }
        if (used + size > PyString_GET_SIZE(repr) && _PyString_Resize(&repr, 2 * (used + size)) < 0) {
            Py_DECREF(piece);
            return NULL;  // the resize released repr
        }
        memcpy(PyString_AS_STRING(repr) + used, PyString_AS_STRING(piece), (size_t)size);
        used += size;
        Py_DECREF(piece);
    }
    if (_PyString_Resize(&repr, used) < 0) {
        return NULL;
    }
    return repr;
}
#endif

static inline PyObject *SwigObjectReprMethod(PyObject *self, PyObject *)
{
    return SwigObjectRepr(self);
}

static inline PyObject *SwigObjectDisown(PyObject *self, PyObject *)
{
    ((PySwigObject *)self)->own = 0;
    Py_INCREF(Py_None);
    return Py_None;
}

static inline PyObject *SwigObjectAcquire(PyObject *self, PyObject *)
{
    ((PySwigObject *)self)->own = 1;
    Py_INCREF(Py_None);
    return Py_None;
}

// own() gives the ownership as a bool; own(v) also sets it.
static inline PyObject *SwigObjectOwn(PyObject *self, PyObject *args)
{
    PyObject *value = NULL;
    if (!PyArg_UnpackTuple(args, "own", 0, 1, &value)) {
        return NULL;
    }
    PySwigObject *h = (PySwigObject *)self;
    int previous = h->own;
    if (value) {
        int truth = PyObject_IsTrue(value);
        if (truth < 0) {
            return NULL;
        }
        h->own = truth;
    }
    return PyBool_FromLong(previous);
}

static inline PyObject *SwigObjectAppend(PyObject *self, PyObject *next)
{
    if (!SwigIsHandle(next)) {
        PyErr_SetString(PyExc_TypeError, "Attempt to append a non SwigObject");
        return NULL;
    }
    // A cycle would make conversions and repr run for ever.
    for (PyObject *link = next; link; link = ((PySwigObject *)link)->next) {
        if (link == self) {
            PyErr_SetString(PyExc_TypeError, "Attempt to append a SwigObject chain that holds this one");
            return NULL;
        }
    }
    PySwigObject *h = (PySwigObject *)self;
    PyObject *previous = h->next;
    Py_INCREF(next);
    h->next = next;
    Py_XDECREF(previous);
    Py_INCREF(Py_None);
    return Py_None;
}

static inline PyObject *SwigObjectNext(PyObject *self, PyObject *)
{
    PyObject *next = ((PySwigObject *)self)->next;
    next = next ? next : Py_None;
    Py_INCREF(next);
    return next;
}

static PyMethodDef swigObjectMethods[] = {
    {"disown", SwigObjectDisown, METH_NOARGS, "releases ownership of the pointer"},
    {"acquire", SwigObjectAcquire, METH_NOARGS, "acquires ownership of the pointer"},
    {"own", SwigObjectOwn, METH_VARARGS, "returns/sets ownership of the pointer"},
    {"append", SwigObjectAppend, METH_O, "appends another 'this' object"},
    {"next", SwigObjectNext, METH_NOARGS, "returns the next 'this' object"},
    {"__repr__", SwigObjectReprMethod, METH_NOARGS, "returns object representation"},
    {NULL, NULL, 0, NULL},
};

#if SWIG_PYTHON3
// Handles are made by the modules alone, as Python 2's static type has it: a heap type would otherwise take
// object's constructor.
static inline PyObject *SwigRefuseNew(PyTypeObject *, PyObject *, PyObject *)
{
    PyErr_SetString(PyExc_TypeError, "cannot create 'PySwigObject' instances");
    return NULL;
}

// The process's handle type: the one another module published, or made here and published.
static inline int SwigReadyHandleType()
{
    if (swigHandleType) {
        return 0;
    }
    PyTypeObject *shared = (PyTypeObject *)SwigSharedPointer(SWIG_HANDLE_MODULE, SWIG_HANDLE_CAPSULE);
    if (shared) {
        Py_INCREF(shared);
        swigHandleType = shared;
        return 0;
    }
    static PyType_Slot slots[] = {
        {Py_tp_dealloc, (void *)SwigObjectDealloc},
        {Py_tp_repr, (void *)SwigObjectRepr},
        {Py_tp_richcompare, (void *)SwigObjectRichCompare},  // with no tp_hash this leaves handles unhashable
        {Py_nb_int, (void *)SwigObjectAddress},
        {Py_tp_methods, swigObjectMethods},
        {Py_tp_new, (void *)SwigRefuseNew},
        {Py_tp_doc, (void *)"Swig object carries a C/C++ instance pointer"},
        {0, NULL},
    };
    // Not a base type: no class written in Python derives from it. Its name is "PySwigObject", as the
    // client's proxies compare it, in the module that publishes it.
    static PyType_Spec handleTypeSpec = {"swig_runtime_handle.PySwigObject", (int)sizeof(PySwigObject), 0,
                                         Py_TPFLAGS_DEFAULT, slots};
    PyTypeObject *made = (PyTypeObject *)PyType_FromSpec(&handleTypeSpec);
    // The reference made here is never released: the type lives as long as the process, lent by the capsule.
    if (!made || SwigPublishPointer(SWIG_HANDLE_MODULE, SWIG_HANDLE_CAPSULE, made) < 0) {
        Py_XDECREF(made);
        return -1;
    }
    swigHandleType = made;
    return 0;
}
#else
static PyNumberMethods swigObjectNumber;
static PyTypeObject swigHandleTypeObject;

static inline int SwigReadyHandleType()
{
    PyTypeObject *t = &swigHandleTypeObject;
    if (t->tp_name) {
        return 0;
    }
    swigObjectNumber.nb_int = SwigObjectAddress;
    swigObjectNumber.nb_long = SwigObjectAddress;
    swigObjectNumber.nb_oct = SwigObjectOct;
    swigObjectNumber.nb_hex = SwigObjectHex;
    t->ob_refcnt = 1;
    t->ob_type = &PyType_Type;
    t->tp_name = "PySwigObject";
    t->tp_basicsize = sizeof(PySwigObject);
    t->tp_dealloc = SwigObjectDealloc;
    t->tp_compare = SwigObjectCompare;  // with no tp_hash this also leaves handles unhashable
    t->tp_repr = SwigObjectRepr;
    t->tp_as_number = &swigObjectNumber;
    t->tp_getattro = PyObject_GenericGetAttr;
    t->tp_flags = Py_TPFLAGS_DEFAULT;
    t->tp_doc = "Swig object carries a C/C++ instance pointer";
    t->tp_methods = swigObjectMethods;
    if (PyType_Ready(t) < 0) {
        return -1;
    }
    swigHandleType = t;
    return 0;
}
#endif

// ---- Argument conversion ------------------------------------------------------------------------

#if SWIG_PYTHON3
// A name made once, at its first use, into *made (the instance dictionary's lookup runs on a proxy's every
// call); null when there was no memory for it.
static inline PyObject *SwigName(PyObject **made, const char *text)
{
    if (!*made) {
        *made = PyUnicode_InternFromString(text);
    }
    return *made;
}

// A type's attribute as its metatype `type` gives it (no Python code of the class runs): new reference, or
// null for a type of another metatype.
static inline PyObject *SwigTypeAttribute(PyObject *type, PyObject *name)
{
    if (!PyType_Check(type) || Py_TYPE(type) != &PyType_Type) {
        return NULL;
    }
    PyObject *value = PyObject_GetAttr(type, name);
    if (!value) {
        PyErr_Clear();
    }
    return value;
}

// The `__dict__` of the first class in obj's method resolution order that has one of its own, where all of
// them are ordinary classes (their metatype is `type`); new reference, or null.
static inline PyObject *SwigDictDescriptor(PyObject *obj, PyObject *mroName, PyObject *dictName)
{
    PyObject *classes = SwigTypeAttribute((PyObject *)Py_TYPE(obj), mroName);
    Py_ssize_t count = classes && PyTuple_Check(classes) ? PyTuple_Size(classes) : 0;
    PyObject *descriptor = NULL;
    for (Py_ssize_t i = 0; i < count && !descriptor; i++) {
        PyObject *own = SwigTypeAttribute(PyTuple_GetItem(classes, i), dictName);
        if (!own) {
            break;
        }
        descriptor = PyObject_GetItem(own, dictName);
        Py_DECREF(own);
        if (!descriptor && !PyErr_ExceptionMatches(PyExc_KeyError)) {
            break;
        }
        PyErr_Clear();
    }
    Py_XDECREF(classes);
    PyErr_Clear();
    return descriptor;
}

// The instance dictionary, read by the interpreter's own code: through the `__dict__` that obj's class
// gives, which must be the interpreter's own getset descriptor. A `__dict__` that is anything else (a
// property, an object of a class written in Python) is not consulted, nor are __getattribute__ and
// __getattr__: obj then has no dictionary here. New reference, or null. Python code can still run while
// this looks: a collection that an allocation starts runs finalisers, and a class's own dictionary may hold
// a key that poses as "__dict__" and compares in Python. So the callers hold what they find.
static inline PyObject *SwigInstanceDict(PyObject *obj)
{
    static PyObject *mroName, *dictName, *getName;
    bool named = SwigName(&mroName, "__mro__") && SwigName(&dictName, "__dict__") && SwigName(&getName, "__get__");
    PyObject *descriptor = named ? SwigDictDescriptor(obj, mroName, dictName) : NULL;
    PyObject *dict = NULL;
    if (descriptor && Py_TYPE(descriptor) == &PyGetSetDescr_Type) {
        dict = PyObject_CallMethodObjArgs(descriptor, getName, obj, (PyObject *)Py_TYPE(obj), NULL);
    }
    if (dict && !PyDict_CheckExact(dict)) {
        Py_CLEAR(dict);
    }
    Py_XDECREF(descriptor);
    PyErr_Clear();
    return dict;
}

static inline bool SwigIsThisKey(PyObject *key)
{
    return PyUnicode_CheckExact(key) && PyUnicode_CompareWithASCIIString(key, "this") == 0;
}
#else
static inline PyObject *SwigInstanceDict(PyObject *obj)
{
    PyObject **slot = PyInstance_Check(obj) ? &((PyInstanceObject *)obj)->in_dict : _PyObject_GetDictPtr(obj);
    PyObject *dict = slot ? *slot : NULL;
    Py_XINCREF(dict);
    return dict;
}

static inline bool SwigIsThisKey(PyObject *key)
{
    return PyString_CheckExact(key) && PyString_GET_SIZE(key) == 4 && memcmp(PyString_AS_STRING(key), "this", 4) == 0;
}
#endif

// The `this` that obj carries where the client's proxies keep it, old-style and new-style alike: in the
// instance's own dictionary, under an exact str key, found without any property, __getattr__ or key
// comparison of the instance's written in Python. New reference, which the caller holds: Python code that
// runs meanwhile (SwigInstanceDict) may take it out of the dictionary. Null if there is none.
static inline PyObject *SwigInstanceThis(PyObject *obj)
{
    PyObject *dict = SwigInstanceDict(obj);
    if (!dict) {
        return NULL;
    }
    Py_ssize_t at = 0;
    PyObject *key;
    PyObject *value;
    PyObject *found = NULL;
    while (!found && PyDict_Next(dict, &at, &key, &value)) {
        if (SwigIsThisKey(key)) {
            found = value;
        }
    }
    Py_XINCREF(found);
    Py_DECREF(dict);
    return found;
}

// The handle that obj is or carries as its `this` (a proxy instance, whose `this` may itself be one);
// a new reference, or null.
static inline PyObject *SwigFindHandle(PyObject *obj)
{
    Py_INCREF(obj);
    for (int depth = 0; obj && depth < SWIG_THIS_DEPTH_LIMIT; depth++) {
        if (SwigIsHandle(obj)) {
            return obj;
        }
        PyObject *inner = SwigInstanceThis(obj);
        Py_DECREF(obj);
        obj = inner;
    }
    Py_XDECREF(obj);
    return NULL;
}

// The pointer of type ty that obj stands for: that of the first handle of its chain (its handle, then the
// ones appended to it) whose type is ty. *held is that handle, a new reference for the caller to release
// once it no longer uses the pointer: while it is held, no Python code can collect the handle and so
// destroy the object. None gives a null pointer (and no handle) unless SWIG_POINTER_NO_NULL. A handle
// whose object was released (deleted) is refused: its object is gone.
static inline int SwigConvertPtr(PyObject *obj, void **ptr, swig_type_info *ty, int flags, PyObject **held)
{
    *ptr = NULL;
    *held = NULL;
    if (obj == Py_None) {
        return (flags & SWIG_POINTER_NO_NULL) ? SWIG_ERROR : SWIG_OK;
    }
    PyObject *handle = SwigFindHandle(obj);
    PyObject *link = handle;
    while (link && !SwigSameType(((PySwigObject *)link)->ty, ty)) {
        link = ((PySwigObject *)link)->next;
    }
    Py_XINCREF(link);
    Py_XDECREF(handle);  // may run Python code: the link is held, and its pointer read after
    PySwigObject *found = (PySwigObject *)link;
    if (!found || !found->ptr) {
        Py_XDECREF(link);
        return SWIG_ERROR;
    }
    *ptr = found->ptr;
    if ((flags & SWIG_POINTER_RELEASE) == SWIG_POINTER_RELEASE) {
        found->own = 0;
        found->ptr = NULL;
    }
    *held = link;
    return SWIG_OK;
}

// The object that a call works on, from its handle argument: the pointer, and the handle that holds it,
// kept until the call is done (SwigCallInTurn, or SwigDropObject when the call is refused first). Python code
// that runs meanwhile, while the call converts its other arguments or waits for its turn, cannot collect the
// handle then, and the call refuses an object that such code deleted.
struct SwigObject {
    void *ptr;
    PyObject *handle;
};

// A handle argument for a call on its object; None is refused: there would be no object to work on.
static inline int SwigConvertObject(PyObject *obj, swig_type_info *ty, SwigObject *object)
{
    return SwigConvertPtr(obj, &object->ptr, ty, SWIG_POINTER_NO_NULL, &object->handle);
}

// Lets go of the call's object. The handle's collection, if this was its last reference, runs the destroy
// hook: never while the call is in the object, which the hook may call itself.
static inline void SwigDropObject(SwigObject *object)
{
    Py_CLEAR(object->handle);
}

// Whether the call's object is still the handle's: Python code that ran since the conversion may have
// released it.
static inline bool SwigObjectKept(const SwigObject &object)
{
    return ((PySwigObject *)object.handle)->ptr == object.ptr;
}

// A `char const *` argument: byte data (Python 2's str, Python 3's bytes, or a subclass), read in place
// up to its first zero byte by the callee, or a "char *" handle. None gives null unless
// SWIG_POINTER_NO_NULL. *size is the byte count. The pointer is valid while obj is, and a handle's while
// *held (a handle, or null) is held.
static inline int SwigAsCharPtrAndSize(PyObject *obj, const char **cptr, size_t *size, int flags, PyObject **held)
{
    *cptr = NULL;
    *size = 0;
    *held = NULL;
    if (SwigIsBytes(obj)) {
        char *buffer;
        Py_ssize_t length;
        if (SwigReadBytes(obj, &buffer, &length) < 0) {
            PyErr_Clear();
            return SWIG_TypeError;
        }
        *cptr = buffer;
        *size = (size_t)length;
        return SWIG_OK;
    }
    swig_type_info *charType = SwigTypeQuery("_p_char");
    void *vptr;
    if (!charType || SwigConvertPtr(obj, &vptr, charType, flags, held) != SWIG_OK) {
        return SWIG_TypeError;
    }
    *cptr = (const char *)vptr;
    *size = vptr ? strlen(*cptr) : 0;
    return SWIG_OK;
}

// A `std::string` argument, as the bytes it holds (zero bytes included): byte data, a "char *"
// handle (up to its first zero byte), or a "std::string *" handle when a module sharing our table has
// that type. None is refused. The bytes are valid while *held is held, and no Python code runs: copy
// them first.
static inline int SwigAsStringBytes(PyObject *obj, const char **bytes, size_t *size, PyObject **held)
{
    if (SwigAsCharPtrAndSize(obj, bytes, size, SWIG_POINTER_NO_NULL, held) == SWIG_OK) {
        return SWIG_OK;
    }
    swig_type_info *stringType = SwigTypeQuery("std::string *");
    void *vptr;
    if (!stringType || SwigConvertPtr(obj, &vptr, stringType, SWIG_POINTER_NO_NULL, held) != SWIG_OK) {
        return SWIG_TypeError;
    }
    const std::string *value = (const std::string *)vptr;
    *bytes = value->data();
    *size = value->size();
    return SWIG_OK;
}

#if SWIG_PYTHON3
// A text argument's characters, where obj is a text (a str), as UTF-16 units for the platform's
// wide-character calls, whatever they are (a lone surrogate stays, as Windows names may hold one): a
// zero-terminated copy from PyMem_Malloc. SWIG_ValueError for a NUL inside, which would cut the text short,
// as Python's own path functions refuse it; SWIG_TypeError for byte data, which is no text; SWIG_ERROR for
// anything else.
template <typename Unit>
static int SwigCopyText(PyObject *obj, Unit **units)
{
    static_assert(sizeof(Unit) == 2, "UTF-16 units");
    if (SwigIsBytes(obj)) {
        return SWIG_TypeError;
    }
    if (!PyUnicode_Check(obj)) {
        return SWIG_ERROR;
    }
    Py_ssize_t length = PyUnicode_GetLength(obj);
    if (length < 0) {
        PyErr_Clear();
        return SWIG_TypeError;
    }
    if (PyUnicode_FindChar(obj, 0, 0, length, 1) != -1) {
        PyErr_Clear();
        return SWIG_ValueError;
    }
    PyObject *encoded = PyUnicode_AsEncodedString(obj, "utf-16-le", "surrogatepass");
    char *data;
    Py_ssize_t size;
    if (!encoded || PyBytes_AsStringAndSize(encoded, &data, &size) < 0) {
        Py_XDECREF(encoded);
        PyErr_Clear();
        return SWIG_TypeError;
    }
    *units = (Unit *)PyMem_Malloc((size_t)size + sizeof(Unit));
    if (*units) {
        memcpy(*units, data, (size_t)size);  // the units are the platform's, little-endian on every target
        (*units)[size / 2] = 0;
    }
    Py_DECREF(encoded);
    return *units ? SWIG_OK : (PyErr_NoMemory(), SWIG_MemoryError);
}
#else
// Python 2's str is byte data, handed on as its bytes: there is no text to copy.
template <typename Unit>
static int SwigCopyText(PyObject *, Unit **)
{
    return SWIG_ERROR;
}
#endif

// A text argument (a path), copied, so that no Python code can change it while the lock is let go. A text
// (Python 3's str) goes to *units (SwigCopyText); otherwise byte data (Python 2's str) or a "char *"
// handle goes to *bytes as it is, up to its first zero byte, and None leaves both null unless
// SWIG_POINTER_NO_NULL. The copies end in a zero and are the caller's to free with PyMem_Free.
template <typename Unit>
static int SwigAsTextCopy(PyObject *obj, char **bytes, Unit **units, int flags)
{
    *bytes = NULL;
    *units = NULL;
    int res = SwigCopyText(obj, units);
    if (res != SWIG_ERROR) {
        return res;
    }
    const char *text;
    size_t size;
    PyObject *held;
    res = SwigAsCharPtrAndSize(obj, &text, &size, flags, &held);
    if (res == SWIG_OK && text) {
        *bytes = (char *)PyMem_Malloc(size + 1);
        if (*bytes) {
            memcpy(*bytes, text, size);
            (*bytes)[size] = '\0';
        } else {
            PyErr_NoMemory();
            res = SWIG_MemoryError;
        }
    }
    Py_XDECREF(held);
    return res;
}

#if SWIG_PYTHON3
// An `int` argument: a Python int (or subclass, so bool) within the signed 32-bit range; beyond it
// OverflowError, as Python 2 gives for an int wider than 32 bits.
static inline int SwigAsInt(PyObject *obj, int *value)
{
    *value = 0;
    if (!PyLong_Check(obj)) {
        return SWIG_TypeError;
    }
    long v = PyLong_AsLong(obj);
    if (v == -1 && PyErr_Occurred()) {
        PyErr_Clear();
        return SWIG_OverflowError;
    }
    if ((int)v != v) {
        return SWIG_OverflowError;
    }
    *value = (int)v;
    return SWIG_OK;
}

// A `ULONG` (unsigned 32-bit) argument: a Python int from 0 to 4294967295; beyond it OverflowError.
static inline int SwigAsUlong(PyObject *obj, unsigned int *value)
{
    *value = 0;
    if (!PyLong_Check(obj)) {
        return SWIG_TypeError;
    }
    unsigned long v = PyLong_AsUnsignedLong(obj);
    if (v == (unsigned long)-1 && PyErr_Occurred()) {
        PyErr_Clear();
        return SWIG_OverflowError;
    }
    if ((unsigned int)v != v) {
        return SWIG_OverflowError;
    }
    *value = (unsigned int)v;
    return SWIG_OK;
}
#else
// An `int` argument: a Python int (or subclass, so bool) or a long, within the signed 32-bit range.
static inline int SwigAsInt(PyObject *obj, int *value)
{
    *value = 0;
    long v;
    if (PyObject_TypeCheck(obj, &PyInt_Type)) {
        v = PyInt_AsLong(obj);
        if ((int)v != v) {
            return SWIG_OverflowError;  // only where a Python int is wider than 32 bits
        }
    } else if (PyObject_TypeCheck(obj, &PyLong_Type)) {
        v = PyLong_AsLong(obj);
        if (PyErr_Occurred()) {
            PyErr_Clear();
            return SWIG_TypeError;
        }
        if ((int)v != v) {
            return SWIG_TypeError;
        }
    } else {
        return SWIG_TypeError;
    }
    *value = (int)v;
    return SWIG_OK;
}

// A `ULONG` (unsigned 32-bit) argument: a Python int of 0 or more (a negative one overflows) or a long
// from 0 to 4294967295.
static inline int SwigAsUlong(PyObject *obj, unsigned int *value)
{
    *value = 0;
    unsigned long v;
    if (PyObject_TypeCheck(obj, &PyInt_Type)) {
        long signedValue = PyInt_AsLong(obj);
        v = (unsigned long)signedValue;
        if (signedValue < 0 || (unsigned int)v != v) {
            return SWIG_OverflowError;
        }
    } else if (PyObject_TypeCheck(obj, &PyLong_Type)) {
        v = PyLong_AsUnsignedLong(obj);
        if (PyErr_Occurred()) {
            PyErr_Clear();
            return SWIG_TypeError;
        }
        if ((unsigned int)v != v) {
            return SWIG_TypeError;
        }
    } else {
        return SWIG_TypeError;
    }
    *value = (unsigned int)v;
    return SWIG_OK;
}
#endif

// The wrapper's name from its argument format ("OO:Sealer_encrypt").
static inline const char *SwigFunctionName(const char *format)
{
    const char *colon = strchr(format, ':');
    return colon ? colon + 1 : format;
}

// Raises the refusal of an argument: "in method 'F', argument N of type 'T'" (a conversion that ran out of
// memory keeps its MemoryError; a text refused for a NUL inside says so). Returns null.
static inline PyObject *SwigArgFail(int code, const char *format, int argument, const char *typeName)
{
    if (code == SWIG_MemoryError) {
        return NULL;
    }
    PyObject *exception = code == SWIG_OverflowError ? PyExc_OverflowError
                          : code == SWIG_ValueError  ? PyExc_ValueError
                                                     : PyExc_TypeError;
    const char *reason = code == SWIG_ValueError ? ": embedded null character" : "";
    PyErr_Format(exception, "in method '%s', argument %d of type '%s'%s", SwigFunctionName(format), argument,
                 typeName, reason);
    return NULL;
}

// ---- Results ------------------------------------------------------------------------------------

// A `char *` result: str, in Python 3 decoded from UTF-8 with undecodable bytes kept as surrogates (as
// SWIG does); None for null.
static inline PyObject *SwigFromCharPtr(const char *text)
{
    if (!text) {
        Py_INCREF(Py_None);
        return Py_None;
    }
#if SWIG_PYTHON3
    return PyUnicode_DecodeUTF8(text, (Py_ssize_t)strlen(text), "surrogateescape");
#else
    return PyString_FromStringAndSize(text, (Py_ssize_t)strlen(text));
#endif
}

// A UTF-16 text result (a Windows `wchar_t *`, kept in 16-bit units where wchar_t is wider): unicode of
// the units up to the first zero one; None for null. Where Python's characters are 32-bit a surrogate
// pair becomes one character and a lone surrogate stays as it is, as it does in a 16-bit Python.
template <typename Unit>
static PyObject *SwigFromUtf16Ptr(const Unit *text)
{
    static_assert(sizeof(Unit) == 2, "UTF-16 units");
    if (!text) {
        Py_INCREF(Py_None);
        return Py_None;
    }
    size_t units = 0;
    while (text[units]) {
        units++;
    }
#if SWIG_PYTHON3
    int order = -1;  // the units are the platform's, little-endian on every target
    return PyUnicode_DecodeUTF16(reinterpret_cast<const char *>(text), (Py_ssize_t)(units * 2), "surrogatepass", &order);
#elif Py_UNICODE_SIZE == 2
    static_assert(sizeof(wchar_t) == 2, "a 16-bit Python with a wider wchar_t");
    return PyUnicode_FromWideChar(reinterpret_cast<const wchar_t *>(text), (Py_ssize_t)units);
#else
    auto isPair = [text, units](size_t i) {
        return i + 1 < units && (text[i] & 0xFC00) == 0xD800 && (text[i + 1] & 0xFC00) == 0xDC00;
    };
    size_t characters = 0;
    for (size_t i = 0; i < units; i += isPair(i) ? 2 : 1) {
        characters++;
    }
    PyObject *result = PyUnicode_FromUnicode(NULL, (Py_ssize_t)characters);
    if (!result) {
        return NULL;
    }
    Py_UNICODE *out = PyUnicode_AS_UNICODE(result);
    for (size_t i = 0; i < units; i++) {
        if (isPair(i)) {
            *out++ = 0x10000 + (((Py_UNICODE)text[i] - 0xD800) << 10) + ((Py_UNICODE)text[i + 1] - 0xDC00);
            i++;
        } else {
            *out++ = text[i];
        }
    }
    return result;
#endif
}

// ---- Calls on objects ---------------------------------------------------------------------------

// A call may let the interpreter lock go while it works on an object (a long cipher run, a device that
// takes its time), and other threads may reach the same object meanwhile. So a call enters its object
// before it works on it and leaves it after: calls on one object take turns, a later one waiting (with
// the lock let go) until the earlier one leaves, and a delete of an object that calls are in only marks
// it, for the last of them to delete as it leaves. The records exist while calls are in objects and are
// read and changed under the interpreter lock only.
//
// The hand-over between two calls is a lock that one thread closes and another opens: Python 2's own
// lock, or, since the stable ABI has none, a semaphore of the platform.
#if SWIG_PYTHON3
#ifdef _WIN32
typedef HANDLE SwigHandOver;

static inline SwigHandOver SwigNewHandOver()
{
    return CreateSemaphoreW(NULL, 0, 1, NULL);
}

static inline void SwigWaitHandOver(SwigHandOver handOver)
{
    WaitForSingleObject(handOver, INFINITE);
}

static inline void SwigOpenHandOver(SwigHandOver handOver)
{
    ReleaseSemaphore(handOver, 1, NULL);
}

static inline void SwigFreeHandOver(SwigHandOver handOver)
{
    CloseHandle(handOver);
}
#else
typedef sem_t *SwigHandOver;

static inline SwigHandOver SwigNewHandOver()
{
    sem_t *handOver = new (std::nothrow) sem_t;
    if (handOver && sem_init(handOver, 0, 0) != 0) {
        delete handOver;
        handOver = NULL;
    }
    return handOver;
}

static inline void SwigWaitHandOver(SwigHandOver handOver)
{
    while (sem_wait(handOver) != 0) {
        // interrupted by a signal: wait on
    }
}

static inline void SwigOpenHandOver(SwigHandOver handOver)
{
    sem_post(handOver);
}

static inline void SwigFreeHandOver(SwigHandOver handOver)
{
    sem_destroy(handOver);
    delete handOver;
}
#endif
#else
typedef PyThread_type_lock SwigHandOver;

static inline SwigHandOver SwigNewHandOver()
{
    PyThread_type_lock handOver = PyThread_allocate_lock();
    if (handOver) {
        PyThread_acquire_lock(handOver, WAIT_LOCK);  // free, so taken at once
    }
    return handOver;
}

static inline void SwigWaitHandOver(SwigHandOver handOver)
{
    PyThread_acquire_lock(handOver, WAIT_LOCK);
}

static inline void SwigOpenHandOver(SwigHandOver handOver)
{
    PyThread_release_lock(handOver);
}

static inline void SwigFreeHandOver(SwigHandOver handOver)
{
    PyThread_release_lock(handOver);  // a lock is freed open
    PyThread_free_lock(handOver);
}
#endif

struct SwigTurn {
    void *ptr;
    int waiting;                  // calls waiting for their turn
    SwigHandOver handOver;        // closed; opened to hand the object on to a waiting call. Made at the first wait
    void (*destroy)(void *);      // set by a delete while calls are in the object or wait for it
    SwigTurn *next;
};

static SwigTurn *swigTurns;

static inline SwigTurn *SwigFindTurn(void *ptr)
{
    SwigTurn *turn = swigTurns;
    while (turn && turn->ptr != ptr) {
        turn = turn->next;
    }
    return turn;
}

// Ends a call's turn: the object passes, as it is, to a waiting call, or else its record goes, and a
// deleted object with it.
static inline void SwigLeaveObject(SwigTurn *turn)
{
    if (turn->waiting > 0) {
        turn->waiting--;
        SwigOpenHandOver(turn->handOver);
        return;
    }
    SwigTurn **link = &swigTurns;
    while (*link != turn) {
        link = &(*link)->next;
    }
    *link = turn->next;
    if (turn->destroy) {
        turn->destroy(turn->ptr);
    }
    if (turn->handOver) {
        SwigFreeHandOver(turn->handOver);
    }
    delete turn;
}

// Enters the object for a call: at once if no call is in it, else after the calls before this one, with
// the interpreter lock let go while it waits. Null with the exception set when there was no memory for the
// record, or when the object was deleted since the call converted its handle (by Python code that ran
// meanwhile, or while this call waited): that is refused as a handle used after its delete is, with the
// wrapper's message for argument 1 (format and declared type).
static inline SwigTurn *SwigEnterObject(const SwigObject &object, const char *format, const char *typeName)
{
    if (!SwigObjectKept(object)) {
        SwigArgFail(SWIG_ERROR, format, 1, typeName);
        return NULL;
    }
    void *ptr = object.ptr;
    SwigTurn *turn = SwigFindTurn(ptr);
    if (!turn) {
        turn = new (std::nothrow) SwigTurn{ptr, 0, NULL, NULL, swigTurns};
        if (!turn) {
            PyErr_NoMemory();
            return NULL;
        }
        swigTurns = turn;
        return turn;
    }
    if (!turn->handOver) {
        turn->handOver = SwigNewHandOver();
        if (!turn->handOver) {
            PyErr_NoMemory();
            return NULL;
        }
    }
    turn->waiting++;
    Py_BEGIN_ALLOW_THREADS
    SwigWaitHandOver(turn->handOver);
    Py_END_ALLOW_THREADS
    if (turn->destroy || !SwigObjectKept(object)) {
        SwigLeaveObject(turn);
        SwigArgFail(SWIG_ERROR, format, 1, typeName);
        return NULL;
    }
    return turn;
}

// A call's work on its object, in the object's turn: enters it, runs work() (with the interpreter lock let
// go when `unlocked`: work must then touch no Python object), hands work's outcome to toPython with the lock
// taken again, leaves, whatever came of it, and lets go of the object. Null with the exception set when the
// call got no turn or toPython failed.
template <typename Work, typename ToPython>
static PyObject *SwigCallInTurn(SwigObject object, const char *format, const char *typeName, bool unlocked,
                                Work work, ToPython toPython)
{
    SwigTurn *turn = SwigEnterObject(object, format, typeName);
    if (!turn) {
        SwigDropObject(&object);
        return NULL;
    }
    PyThreadState *state = unlocked ? PyEval_SaveThread() : NULL;
    auto outcome = work();
    if (state) {
        PyEval_RestoreThread(state);
    }
    PyObject *result = toPython(outcome);
    SwigLeaveObject(turn);
    SwigDropObject(&object);
    return result;
}

// The same for work that gives no result: false with the exception set when the call got no turn.
template <typename Work>
static bool SwigRunInTurn(SwigObject object, const char *format, const char *typeName, bool unlocked, Work work)
{
    auto ran = [&] { return work(), Py_None; };  // borrowed: a mark of success, never handed to Python
    return SwigCallInTurn(object, format, typeName, unlocked, ran, [](PyObject *none) { return none; }) != NULL;
}

// Deletes the object now, or, when calls are in it or wait for it, marks it for the last of them to
// delete as it leaves: no call is left working on a deleted object.
static inline void SwigDeleteWhenLeft(void *ptr, void (*destroy)(void *))
{
    SwigTurn *turn = SwigFindTurn(ptr);
    if (turn) {
        turn->destroy = destroy;
    } else {
        destroy(ptr);
    }
}

// ---- Constructors and destructors ---------------------------------------------------------------

// The result of new_X: a handle that owns the new object, or None for no object. An object for which no
// handle could be made is deleted again.
template <typename T>
static PyObject *SwigNewObject(T *object, swig_type_info *ty)
{
    PyObject *handle = SwigNewPointerObj(object, ty, SWIG_POINTER_OWN);
    if (!handle) {
        delete object;
    }
    return handle;
}

template <typename T>
static void SwigDestroy(void *object)
{
    delete static_cast<T *>(object);
}

// delete_X(handle), with the wrapper's format and the argument's declared type. The handle gives its
// object up before the object is deleted, so neither its collection nor a later call through it (a second
// delete included) reaches the deleted object: they are refused. An object that calls are in is deleted
// when the last of them leaves it. None deletes nothing.
template <typename T>
static PyObject *SwigDeleteObject(PyObject *args, const char *format, swig_type_info *ty, const char *typeName)
{
    PyObject *handleArg;
    if (!PyArg_ParseTuple(args, format, &handleArg)) {
        return NULL;
    }
    void *object;
    PyObject *held;
    int res = SwigConvertPtr(handleArg, &object, ty, SWIG_POINTER_RELEASE, &held);
    if (res != SWIG_OK) {
        return SwigArgFail(res, format, 1, typeName);
    }
    Py_XDECREF(held);  // owning nothing now, its collection destroys nothing
    if (object) {
        SwigDeleteWhenLeft(object, SwigDestroy<T>);
    }
    Py_INCREF(Py_None);
    return Py_None;
}

// ---- Class registration -------------------------------------------------------------------------

// X_swigregister(cls): records cls as the class of the slot's type and its __swig_destroy__, where it
// has one, as the hook for owned objects whose handle is collected. The format is the module's own,
// "O:swigregister" or "O|swigregister"; with the second the parser would read further arguments into
// pointers that are not there, so more than one argument is refused first.
static inline PyObject *SwigRegisterClass(PyObject *args, const char *format, SwigTypeSlot *slot)
{
#if SWIG_PYTHON3
    Py_ssize_t count = PyTuple_Size(args);
#else
    Py_ssize_t count = PyTuple_GET_SIZE(args);  // as Python 2.5 modules read it, no call into the DLL
#endif
    if (strchr(format, '|') && count > 1) {
        PyErr_Format(PyExc_TypeError, "swigregister() takes at most 1 argument (%d given)", (int)count);
        return NULL;
    }
    PyObject *cls;
    if (!PyArg_ParseTuple(args, format, &cls)) {
        return NULL;
    }
    PyObject *destroy = PyObject_GetAttrString(cls, "__swig_destroy__");
    if (!destroy) {
        PyErr_Clear();
    }
    PySwigClientData *data = &slot->clientData;
    PyObject *oldClass = data->klass;
    PyObject *oldDestroy = data->destroy;
    Py_INCREF(cls);
    data->klass = cls;
    data->newraw = NULL;
    data->newargs = cls;  // SWIG 1.3 modules make instances of classic classes from this
    data->destroy = destroy;
    data->delargs = 1;
    data->implicitconv = 0;
    slot->type->clientdata = data;
    slot->type->owndata = 1;
    Py_XDECREF(oldClass);
    Py_XDECREF(oldDestroy);
    Py_INCREF(Py_None);
    return Py_None;
}

// ---- Module set-up ------------------------------------------------------------------------------

// The shared ring of modules under "swig_runtime_data<version>".type_pointer (in Python 3 in a capsule of
// the name below); null if there is none yet.
static const char SWIG_TYPE_CAPSULE[] = "swig_runtime_data" SWIG_RUNTIME_VERSION ".type_pointer";

static inline swig_module_info *SwigSharedModules()
{
    return (swig_module_info *)SwigSharedPointer(SWIG_RUNTIME_MODULE, SWIG_TYPE_CAPSULE);
}

// Registers the module's types with the table shared under the runtime version: joins the ring of
// modules (or starts it) and takes over the records that earlier modules made for the same names.
template <size_t N>
static int SwigInitModule(SwigTypeSlot (&slots)[N])
{
    static swig_type_info *types[N + 1];
    static swig_type_info *initial[N + 1];
    static swig_cast_info *casts[N + 1];
    static swig_module_info module = {types, N, NULL, initial, casts, NULL};
    if (swigModule) {
        return 0;
    }
    if (SwigReadyHandleType() < 0) {
        return -1;
    }
    for (size_t i = 0; i < N; i++) {
        if (i > 0 && strcmp(slots[i - 1].info.name, slots[i].info.name) >= 0) {
            PyErr_Format(PyExc_SystemError, "SWIG types out of order at '%s'", slots[i].info.name);
            return -1;
        }
        slots[i].casts[0].type = &slots[i].info;
        slots[i].info.cast = slots[i].casts;
        initial[i] = &slots[i].info;
        casts[i] = slots[i].casts;
    }
    swig_module_info *head = SwigSharedModules();
    if (head) {
        module.next = head->next;
        head->next = &module;
    } else {
        module.next = &module;
        if (SwigPublishPointer(SWIG_RUNTIME_MODULE, SWIG_TYPE_CAPSULE, &module) < 0) {
            return -1;
        }
    }
    swigModule = &module;
    for (size_t i = 0; i < N; i++) {
        swig_type_info *earlier = NULL;
        for (swig_module_info *m = module.next; m != &module && !earlier; m = m->next) {
            for (size_t j = 0; j < m->size && !earlier; j++) {
                if (strcmp(m->types[j]->name, slots[i].info.name) == 0) {
                    earlier = m->types[j];
                }
            }
        }
        types[i] = earlier ? earlier : &slots[i].info;
        slots[i].type = types[i];
    }
    return 0;
}

#if SWIG_PYTHON3
// The body of a module's initialiser: creates the module with its method table and registers its types.
// Null with the exception set when that fails, which fails the import.
template <size_t N>
static PyObject *SwigCreateModule(const char *name, PyMethodDef *methods, SwigTypeSlot (&slots)[N])
{
    static PyModuleDef definition = {PyModuleDef_HEAD_INIT, NULL, NULL, -1, NULL, NULL, NULL, NULL, NULL};
    definition.m_name = name;
    definition.m_methods = methods;
    PyObject *module = PyModule_Create(&definition);
    if (module && SwigInitModule(slots) < 0) {
        Py_CLEAR(module);
    }
    return module;
}
#else
// The body of a module's initialiser: creates the module with its method table (no docstring, Python
// 2.5's API version) and registers its types. A failure leaves its exception set, which fails the import,
// and takes the half-made module out of sys.modules again, where a second import would find it.
template <size_t N>
static void SwigCreateModule(const char *name, PyMethodDef *methods, SwigTypeSlot (&slots)[N])
{
    if (Py_InitModule4(name, methods, NULL, NULL, PYTHON25_API_VERSION) && SwigInitModule(slots) == 0) {
        return;
    }
    PyObject *excType, *excValue, *excTrace;
    PyErr_Fetch(&excType, &excValue, &excTrace);
    if (PyDict_DelItemString(PyImport_GetModuleDict(), name) < 0) {
        PyErr_Clear();  // it was never made
    }
    PyErr_Restore(excType, excValue, excTrace);
}
#endif

// A test module over the wrapper runtime: it makes "char *" and "std::string *" handles for the other
// modules of its runtime version to take, exposes the runtime's scalar and text conversions and lists the
// shared type table.
// Built three times: _runtime_probe (runtime version "4", as _sealer), _runtime_probe3 (version "3") and
// _runtime_probe2 (version "2", as _netopts); and once more as _runtime_probe_failing, whose initialiser
// fails.
#include "swig_runtime.h"

#include <string>

namespace {

// Sorted by mangled name; but for the failing initialiser, whose first type sorts after the second, which
// the runtime refuses.
enum { TYPE_CHAR, TYPE_STRING };
SwigTypeSlot probeTypes[] = {
#ifdef PROBE_INIT_FAILS
    SwigTypeSlot("_p_~", "~ *"),
#else
    SwigTypeSlot("_p_char", "char *"),
#endif
    SwigTypeSlot("_p_std__string", "std::string *"),
};

const size_t CHARS_CAPACITY = 256;
char chars[CHARS_CAPACITY];

// new_string(s) -> an owning "std::string *" handle holding a copy of all of s.
PyObject *NewString(PyObject *, PyObject *args)
{
    static const char FORMAT[] = "O:new_string";
    PyObject *arg;
    if (!PyArg_ParseTuple(args, FORMAT, &arg)) {
        return NULL;
    }
    const char *bytes;
    size_t size;
    PyObject *held;
    int res = SwigAsStringBytes(arg, &bytes, &size, &held);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 1, "std::string");
    }
    std::string *copy = new std::string(bytes, size);
    Py_XDECREF(held);
    return SwigNewObject(copy, probeTypes[TYPE_STRING].type);
}

PyObject *DeleteString(PyObject *, PyObject *args)
{
    return SwigDeleteObject<std::string>(args, "O:delete_string", probeTypes[TYPE_STRING].type, "std::string *");
}

PyObject *RegisterString(PyObject *, PyObject *args)
{
    return SwigRegisterClass(args, "O:swigregister", &probeTypes[TYPE_STRING]);
}

// The same with the format that takes further arguments as optional.
PyObject *RegisterStringOptional(PyObject *, PyObject *args)
{
    return SwigRegisterClass(args, "O|swigregister", &probeTypes[TYPE_STRING]);
}

// new_chars(b) -> a "char *" handle (not owning) to a copy of s in a static buffer, cut to fit.
PyObject *NewChars(PyObject *, PyObject *args)
{
    static const char FORMAT[] = "O:new_chars";
    PyObject *arg;
    const char *text;
    size_t length;
    if (!PyArg_ParseTuple(args, FORMAT, &arg)) {
        return NULL;
    }
    PyObject *held;
    int res = SwigAsStringBytes(arg, &text, &length, &held);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 1, "std::string");
    }
    size_t size = length < CHARS_CAPACITY - 1 ? length : CHARS_CAPACITY - 1;
    memmove(chars, text, size);  // the text may be these very chars
    chars[size] = '\0';
    Py_XDECREF(held);
    return SwigNewPointerObj(chars, probeTypes[TYPE_CHAR].type, 0);
}

// chars(p) -> the `char const *` conversion of p handed back as a `char *` result (None for null).
PyObject *Chars(PyObject *, PyObject *args)
{
    static const char FORMAT[] = "O:chars";
    PyObject *arg;
    if (!PyArg_ParseTuple(args, FORMAT, &arg)) {
        return NULL;
    }
    const char *text;
    size_t size;
    PyObject *held;
    int res = SwigAsCharPtrAndSize(arg, &text, &size, 0, &held);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 1, "char const *");
    }
    PyObject *result = SwigFromCharPtr(text);
    Py_XDECREF(held);
    return result;
}

// utf16(b) -> the UTF-16LE bytes b (up to a zero unit) handed back as a 16-bit `wchar_t *` result.
PyObject *Utf16(PyObject *, PyObject *args)
{
    static const char FORMAT[] = "O:utf16";
    PyObject *arg;
    const char *bytes;
    size_t length;
    if (!PyArg_ParseTuple(args, FORMAT, &arg)) {
        return NULL;
    }
    PyObject *held;
    int res = SwigAsStringBytes(arg, &bytes, &length, &held);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 1, "std::string");
    }
    std::u16string units;
    for (size_t i = 0; i + 1 < length; i += 2) {
        units.push_back((char16_t)((unsigned char)bytes[i] | (unsigned char)bytes[i + 1] << 8));
    }
    Py_XDECREF(held);
    return SwigFromUtf16Ptr(units.c_str());
}

// int_and_ulong(i, u) -> (i, u) after the `int` and `ULONG` conversions.
PyObject *IntAndUlong(PyObject *, PyObject *args)
{
    static const char FORMAT[] = "OO:int_and_ulong";
    PyObject *first;
    PyObject *second;
    if (!PyArg_ParseTuple(args, FORMAT, &first, &second)) {
        return NULL;
    }
    int i;
    int res = SwigAsInt(first, &i);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 1, "int");
    }
    unsigned int u;
    res = SwigAsUlong(second, &u);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 2, "ULONG");
    }
    return Py_BuildValue("(ik)", i, (unsigned long)u);
}

// The mangled and shown names of the types of one module of the shared ring, as a list of pairs.
PyObject *ModuleTypes(const swig_module_info *module)
{
    PyObject *types = PyList_New(0);
    for (size_t i = 0; types && i < module->size; i++) {
        PyObject *pair = Py_BuildValue("(ss)", module->types[i]->name, module->types[i]->str);
        if (!pair || PyList_Append(types, pair) < 0) {
            Py_CLEAR(types);
        }
        Py_XDECREF(pair);
    }
    return types;
}

// ring_types() -> [[(name, shown names), ...], ...]: the types of every module that shares this
// module's type table, this module first.
PyObject *RingTypes(PyObject *, PyObject *args)
{
    if (!PyArg_ParseTuple(args, ":ring_types")) {
        return NULL;
    }
    PyObject *ring = PyList_New(0);
    const swig_module_info *module = swigModule;
    do {
        PyObject *types = ring ? ModuleTypes(module) : NULL;
        if (!types || PyList_Append(ring, types) < 0) {
            Py_XDECREF(types);
            Py_CLEAR(ring);
            break;
        }
        Py_DECREF(types);
        module = module->next;
    } while (module != swigModule);
    return ring;
}

PyMethodDef probeMethods[] = {
    {"new_string", NewString, METH_VARARGS, NULL},
    {"delete_string", DeleteString, METH_VARARGS, NULL},
    {"string_swigregister", RegisterString, METH_VARARGS, NULL},
    {"string_swigregister_optional", RegisterStringOptional, METH_VARARGS, NULL},
    {"new_chars", NewChars, METH_VARARGS, NULL},
    {"chars", Chars, METH_VARARGS, NULL},
    {"utf16", Utf16, METH_VARARGS, NULL},
    {"int_and_ulong", IntAndUlong, METH_VARARGS, NULL},
    {"ring_types", RingTypes, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL},
};

}  // namespace

// The module's name is a macro: expanded before SWIG_DEFINE_MODULE pastes it.
#define PROBE_DEFINE_MODULE(name) SWIG_DEFINE_MODULE(name, probeMethods, probeTypes)
PROBE_DEFINE_MODULE(PROBE_MODULE)

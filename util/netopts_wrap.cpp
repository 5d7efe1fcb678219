// The Python module _netopts: the function setKeepaliveValues, as a SWIG 1.3 proxy module calls it.
#define SWIG_RUNTIME_VERSION "2"
#include "swig_runtime.h"

#include "netopts.h"

namespace {

// Pointer types of Windows scalar type names that the interface declares; no function takes one, but
// they are registered with the shared table as a SWIG 1.3 module of this interface registers them.
// Sorted by mangled name.
SwigTypeSlot netoptsTypes[] = {
    SwigTypeSlot("_p___int64", "__int64 *|LONGLONG *"),
    SwigTypeSlot("_p_char", "char *|CHAR *"),
    SwigTypeSlot("_p_double", "double *|DOUBLE *"),
    SwigTypeSlot("_p_float", "float *|FLOAT *"),
    SwigTypeSlot("_p_int", "int *|INT *"),
    SwigTypeSlot("_p_long", "long *|LONG *"),
    SwigTypeSlot("_p_long_long", "long long *|LONG64 *"),
    SwigTypeSlot("_p_short", "short *|SHORT *"),
    SwigTypeSlot("_p_signed___int64", "signed __int64 *|INT64 *"),
    SwigTypeSlot("_p_signed_char", "signed char *|INT8 *"),
    SwigTypeSlot("_p_unsigned___int64", "unsigned __int64 *|ULONGLONG *"),
    SwigTypeSlot("_p_unsigned_char", "unsigned char *|BYTE *"),
    SwigTypeSlot("_p_unsigned_int", "unsigned int *|UINT *"),
    SwigTypeSlot("_p_unsigned_long", "unsigned long *|ULONG *"),
    SwigTypeSlot("_p_unsigned_short", "unsigned short *|LANGID *"),
};

const char SOCK_ARG[] = "int";
const char SECONDS_ARG[] = "ULONG";

// setKeepaliveValues(sock, keepaliveTime, keepaliveInterval) -> 0 or the Winsock error code. Arguments
// are converted in order; a refused one raises and nothing reaches Winsock.
PyObject *SetKeepaliveValues(PyObject *, PyObject *args)
{
    static const char FORMAT[] = "OOO:setKeepaliveValues";
    PyObject *sockArg;
    PyObject *timeArg;
    PyObject *intervalArg;
    if (!PyArg_ParseTuple(args, FORMAT, &sockArg, &timeArg, &intervalArg)) {
        return NULL;
    }
    int sock;
    int res = SwigAsInt(sockArg, &sock);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 1, SOCK_ARG);
    }
    unsigned int keepaliveTime;
    res = SwigAsUlong(timeArg, &keepaliveTime);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 2, SECONDS_ARG);
    }
    unsigned int keepaliveInterval;
    res = SwigAsUlong(intervalArg, &keepaliveInterval);
    if (res != SWIG_OK) {
        return SwigArgFail(res, FORMAT, 3, SECONDS_ARG);
    }
    return SwigFromLong(setKeepaliveValues(sock, keepaliveTime, keepaliveInterval));
}

PyMethodDef netoptsMethods[] = {
    {"setKeepaliveValues", SetKeepaliveValues, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL},
};

}  // namespace

SWIG_DEFINE_MODULE(_netopts, netoptsMethods, netoptsTypes)

// The platform that the Linux build of _TessilDU answers its calls from (fullsync/storage_platform.h):
// scripted volumes (names, drive types, mount-path lists or a refused listing) and devices (an open error,
// or a reply or an error code for each I/O control), and a record of every call made. It is the Python
// module _storage_substitute, a shared library that _TessilDU.so is linked against, so the module the
// tests import and the platform the module calls are one and the same:
//
//   reset()                          forget every volume, device, open handle and recorded call
//   device(path, replies[, error])   path opens (or fails with error); replies maps an I/O control code
//                                    to its reply bytes (str; bytes in Python 3) or to the error code
//                                    (int) it fails with
//   volume(name, drive_type, paths)  the next volume of the search: name (unicode; str in Python 3), its
//                                    drive type, and its mount paths (a list of texts), or the error code (int) with
//                                    which their listing is refused
//   calls()                          the calls made since the last calls() or reset(), as text, such as
//                                    "DeviceIoControl(#1, 0x70050, null, 0, 16384, null)"
//   open_handles()                   device handles and volume searches opened and not yet closed
//   hold(path)                       opens of path wait, as on a hung device, until release()
//   held()                           the opens waiting now
//   release()                        lets the waiting opens go on
//
// It answers as Windows does where the tests depend on it: errors through GetLastError, kept per thread,
// and areas too small refused rather than overrun. The module runs its calls without the interpreter
// lock, so the script and the record are kept under a lock of their own.
#include "storage_platform.h"
#include "utf8_text.h"

#ifdef Py_LIMITED_API
#define PY_SSIZE_T_CLEAN
#endif
#include <Python.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

struct Reply {
    DWORD error;  // 0: the control succeeds with the bytes
    std::string bytes;
};

struct Device {
    DWORD openError;
    std::map<DWORD, Reply> replies;
};

struct Volume {
    std::u16string name;
    UINT driveType;
    DWORD listError;          // 0: the listing succeeds with pathList
    std::u16string pathList;  // each path with its terminator
};

std::map<std::string, Device> devices;
std::vector<Volume> volumes;
std::vector<std::string> calls;
std::map<HANDLE, std::string> openDevices;  // handle -> path
std::map<HANDLE, size_t> openSearches;      // handle -> index of the volume FindNextVolumeW gives
uintptr_t handlesMade;
thread_local DWORD lastError;

std::mutex platformLock;  // guards all of the above but lastError, and what follows
std::set<std::string> heldPaths;
int heldOpens;
std::condition_variable releasedOpens;
// How long a held open waits at most: a module that kept the interpreter lock meanwhile would keep the
// test from ever calling release(), and so fails it rather than hangs it.
const std::chrono::seconds HOLD_LIMIT(30);

HANDLE NewHandle()
{
    return (HANDLE)++handlesMade;
}

std::string HandleText(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? "INVALID_HANDLE_VALUE" : "#" + std::to_string((uintptr_t)handle);
}

// "volume N" for the scripted volume of that name, the name's place in the script.
std::string VolumeText(const WCHAR *name)
{
    for (size_t i = 0; name && i < volumes.size(); i++) {
        if (volumes[i].name == name) {
            return "volume " + std::to_string(i);
        }
    }
    return "unknown volume";
}

const Volume *FindVolume(const WCHAR *name)
{
    for (const Volume &volume : volumes) {
        if (name && volume.name == name) {
            return &volume;
        }
    }
    return NULL;
}

void Record(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Record(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    calls.push_back(text);
}

BOOL Fail(DWORD error)
{
    lastError = error;
    return 0;
}

HANDLE FailHandle(DWORD error)
{
    lastError = error;
    return INVALID_HANDLE_VALUE;
}

// Copies a volume name as the volume search does: whole, or refused when it does not fit.
BOOL CopyName(const Volume &volume, WCHAR *out, DWORD capacity)
{
    if (volume.name.size() + 1 > capacity) {
        return Fail(ERROR_FILENAME_EXCED_RANGE);
    }
    memcpy(out, volume.name.c_str(), (volume.name.size() + 1) * sizeof(WCHAR));
    return 1;
}

}  // namespace

namespace {

// Both opens: the device scripted under the path's bytes, which for the wide-character call are its text
// in UTF-8; recorded under the call's name.
HANDLE OpenDevice(const char *call, const char *fileName, DWORD access, DWORD shareMode, void *security,
                  DWORD disposition, DWORD flags, HANDLE templateFile)
{
    std::unique_lock<std::mutex> guard(platformLock);
    Record("%s(%s, 0x%x, 0x%x, %s, %u, 0x%x, %s)", call, fileName ? fileName : "null", access, shareMode,
           security ? "security" : "null", disposition, flags, templateFile ? "template" : "null");
    if (!fileName) {
        return FailHandle(ERROR_PATH_NOT_FOUND);  // what Wine answers
    }
    if (heldPaths.count(fileName)) {
        heldOpens++;
        releasedOpens.wait_for(guard, HOLD_LIMIT, [fileName] { return !heldPaths.count(fileName); });
        heldOpens--;
    }
    auto device = devices.find(fileName);
    if (device == devices.end()) {
        return FailHandle(ERROR_FILE_NOT_FOUND);
    }
    if (device->second.openError) {
        return FailHandle(device->second.openError);
    }
    HANDLE handle = NewHandle();
    openDevices[handle] = fileName;
    return handle;
}

}  // namespace

HANDLE CreateFileA(const char *fileName, DWORD access, DWORD shareMode, void *security, DWORD disposition,
                   DWORD flags, HANDLE templateFile)
{
    return OpenDevice("CreateFileA", fileName, access, shareMode, security, disposition, flags, templateFile);
}

HANDLE CreateFileW(const WCHAR *fileName, DWORD access, DWORD shareMode, void *security, DWORD disposition,
                   DWORD flags, HANDLE templateFile)
{
    std::string text;
    if (fileName) {
        text.resize(Utf8FromUtf16(fileName, NULL, 0));
        Utf8FromUtf16(fileName, &text[0], text.size() + 1);
    }
    return OpenDevice("CreateFileW", fileName ? text.c_str() : NULL, access, shareMode, security, disposition,
                      flags, templateFile);
}

BOOL DeviceIoControl(HANDLE device, DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                     DWORD *bytesReturned, void *overlapped)
{
    std::lock_guard<std::mutex> guard(platformLock);
    Record("DeviceIoControl(%s, 0x%x, %s, %u, %u, %s)", HandleText(device).c_str(), code, in ? "in" : "null",
           inSize, outSize, overlapped ? "overlapped" : "null");
    auto open = openDevices.find(device);
    if (open == openDevices.end()) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (!bytesReturned && !overlapped) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::map<DWORD, Reply> &replies = devices[open->second].replies;
    auto reply = replies.find(code);
    if (reply == replies.end()) {
        return Fail(ERROR_INVALID_FUNCTION);
    }
    if (reply->second.error) {
        return Fail(reply->second.error);
    }
    if (reply->second.bytes.size() > outSize) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    memcpy(out, reply->second.bytes.data(), reply->second.bytes.size());
    *bytesReturned = (DWORD)reply->second.bytes.size();
    return 1;
}

BOOL CloseHandle(HANDLE handle)
{
    std::lock_guard<std::mutex> guard(platformLock);
    Record("CloseHandle(%s)", HandleText(handle).c_str());
    return openDevices.erase(handle) ? 1 : Fail(ERROR_INVALID_HANDLE);
}

DWORD GetLastError()
{
    return lastError;
}

HANDLE FindFirstVolumeW(WCHAR *volumeName, DWORD capacity)
{
    std::lock_guard<std::mutex> guard(platformLock);
    Record("FindFirstVolumeW(%u)", capacity);
    if (volumes.empty()) {
        return FailHandle(ERROR_NO_MORE_FILES);
    }
    if (!CopyName(volumes[0], volumeName, capacity)) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE search = NewHandle();
    openSearches[search] = 1;
    return search;
}

BOOL FindNextVolumeW(HANDLE search, WCHAR *volumeName, DWORD capacity)
{
    std::lock_guard<std::mutex> guard(platformLock);
    Record("FindNextVolumeW(%s, %u)", HandleText(search).c_str(), capacity);
    auto open = openSearches.find(search);
    if (open == openSearches.end()) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (open->second >= volumes.size()) {
        return Fail(ERROR_NO_MORE_FILES);
    }
    return CopyName(volumes[open->second++], volumeName, capacity);
}

BOOL FindVolumeClose(HANDLE search)
{
    std::lock_guard<std::mutex> guard(platformLock);
    Record("FindVolumeClose(%s)", HandleText(search).c_str());
    return openSearches.erase(search) ? 1 : Fail(ERROR_INVALID_HANDLE);
}

BOOL GetVolumePathNamesForVolumeNameW(const WCHAR *volumeName, WCHAR *pathNames, DWORD capacity, DWORD *needed)
{
    std::lock_guard<std::mutex> guard(platformLock);
    Record("GetVolumePathNamesForVolumeNameW(%s, %u)", VolumeText(volumeName).c_str(), capacity);
    const Volume *volume = FindVolume(volumeName);
    if (!volume) {
        return Fail(ERROR_INVALID_NAME);
    }
    if (volume->listError) {
        return Fail(volume->listError);
    }
    // The list and the empty string that ends it.
    size_t units = volume->pathList.size() + 1;
    *needed = (DWORD)units;
    if (units > capacity) {
        return Fail(ERROR_MORE_DATA);
    }
    memcpy(pathNames, volume->pathList.c_str(), units * sizeof(WCHAR));
    return 1;
}

UINT GetDriveTypeW(const WCHAR *rootPath)
{
    std::lock_guard<std::mutex> guard(platformLock);
    Record("GetDriveTypeW(%s)", VolumeText(rootPath).c_str());
    const Volume *volume = FindVolume(rootPath);
    return volume ? volume->driveType : (UINT)DRIVE_NO_ROOT_DIR;
}

// ---- The Python module that scripts it ----------------------------------------------------------

namespace {

// The Python 3 build (stable ABI) under Python 2's names: byte replies are bytes there, texts str.
#if PY_MAJOR_VERSION >= 3
#define PyInt_Check PyLong_Check
#define PyInt_FromLong PyLong_FromLong
#define PyString_Check PyBytes_Check
#define PyString_AS_STRING PyBytes_AsString
#define PyString_GET_SIZE PyBytes_Size
// The calls' record holds paths as UTF-8, a lone surrogate too.
#define PyString_FromString(text) PyUnicode_DecodeUTF8((text), (Py_ssize_t)strlen(text), "surrogatepass")

bool ToUtf16(PyObject *text, std::u16string *units)
{
    PyObject *encoded = PyUnicode_Check(text) ? PyUnicode_AsEncodedString(text, "utf-16-le", "surrogatepass") : NULL;
    if (!encoded) {
        PyErr_SetString(PyExc_TypeError, "a str text is needed");
        return false;
    }
    const unsigned char *bytes = (const unsigned char *)PyBytes_AsString(encoded);
    for (Py_ssize_t i = 0; i + 1 < PyBytes_Size(encoded); i += 2) {
        units->push_back((char16_t)(bytes[i] | bytes[i + 1] << 8));
    }
    Py_DECREF(encoded);
    return true;
}
#else
// A unicode object's text in UTF-16 units; false with TypeError set for anything else.
bool ToUtf16(PyObject *text, std::u16string *units)
{
    if (!PyUnicode_Check(text)) {
        PyErr_SetString(PyExc_TypeError, "a unicode text is needed");
        return false;
    }
    const Py_UNICODE *characters = PyUnicode_AS_UNICODE(text);
    for (Py_ssize_t i = 0; i < PyUnicode_GET_SIZE(text); i++) {
        unsigned long c = characters[i];
        if (c > 0xFFFF) {
            units->push_back((char16_t)(0xD800 + ((c - 0x10000) >> 10)));
            units->push_back((char16_t)(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units->push_back((char16_t)c);
        }
    }
    return true;
}
#endif

// A Python int or long as a DWORD; false with an exception set when it is neither or out of range.
bool ToDword(PyObject *number, DWORD *value)
{
    if (!PyInt_Check(number) && !PyLong_Check(number)) {
        PyErr_SetString(PyExc_TypeError, "an integer is needed");
        return false;
    }
    long long v = PyLong_AsLongLong(number);
    if (PyErr_Occurred() || v < 0 || v > 0xFFFFFFFFll) {
        PyErr_Clear();
        PyErr_SetString(PyExc_OverflowError, "a 32-bit unsigned integer is needed");
        return false;
    }
    *value = (DWORD)v;
    return true;
}

PyObject *None()
{
    Py_INCREF(Py_None);
    return Py_None;
}

PyObject *Reset(PyObject *, PyObject *)
{
    std::lock_guard<std::mutex> guard(platformLock);
    devices.clear();
    volumes.clear();
    calls.clear();
    openDevices.clear();
    openSearches.clear();
    handlesMade = 0;
    lastError = 0;
    heldPaths.clear();
    releasedOpens.notify_all();
    return None();
}

PyObject *AddDevice(PyObject *, PyObject *args)
{
    const char *path;
    PyObject *replies;
    PyObject *openErrorArg = NULL;
    if (!PyArg_ParseTuple(args, "sO!|O:device", &path, &PyDict_Type, &replies, &openErrorArg)) {
        return NULL;
    }
    Device device = {0, {}};
    if (openErrorArg && !ToDword(openErrorArg, &device.openError)) {
        return NULL;
    }
    PyObject *codeArg;
    PyObject *replyArg;
    Py_ssize_t at = 0;
    while (PyDict_Next(replies, &at, &codeArg, &replyArg)) {
        DWORD code;
        if (!ToDword(codeArg, &code)) {
            return NULL;
        }
        Reply reply = {0, ""};
        if (PyString_Check(replyArg)) {
            reply.bytes.assign(PyString_AS_STRING(replyArg), (size_t)PyString_GET_SIZE(replyArg));
        } else if (!ToDword(replyArg, &reply.error)) {
            return NULL;
        }
        device.replies[code] = reply;
    }
    std::lock_guard<std::mutex> guard(platformLock);
    devices[path] = device;
    return None();
}

PyObject *AddVolume(PyObject *, PyObject *args)
{
    PyObject *nameArg;
    PyObject *typeArg;
    PyObject *pathsArg;
    if (!PyArg_ParseTuple(args, "OOO:volume", &nameArg, &typeArg, &pathsArg)) {
        return NULL;
    }
    Volume volume = {u"", 0, 0, u""};
    DWORD driveType;
    if (!ToUtf16(nameArg, &volume.name) || !ToDword(typeArg, &driveType)) {
        return NULL;
    }
    volume.driveType = driveType;
    if (PyList_Check(pathsArg)) {
        for (Py_ssize_t i = 0; i < PyList_Size(pathsArg); i++) {
            if (!ToUtf16(PyList_GetItem(pathsArg, i), &volume.pathList)) {
                return NULL;
            }
            volume.pathList.push_back(0);
        }
    } else if (!ToDword(pathsArg, &volume.listError)) {
        return NULL;
    }
    std::lock_guard<std::mutex> guard(platformLock);
    volumes.push_back(volume);
    return None();
}

PyObject *TakeCalls(PyObject *, PyObject *)
{
    std::vector<std::string> taken;
    {
        std::lock_guard<std::mutex> guard(platformLock);
        taken.swap(calls);
    }
    PyObject *list = PyList_New((Py_ssize_t)taken.size());
    if (!list) {
        return NULL;
    }
    for (size_t i = 0; i < taken.size(); i++) {
        PyObject *text = PyString_FromString(taken[i].c_str());
        if (!text) {
            Py_DECREF(list);
            return NULL;
        }
        PyList_SetItem(list, (Py_ssize_t)i, text);
    }
    return list;
}

PyObject *OpenHandles(PyObject *, PyObject *)
{
    std::lock_guard<std::mutex> guard(platformLock);
    return PyInt_FromLong((long)(openDevices.size() + openSearches.size()));
}

PyObject *Hold(PyObject *, PyObject *args)
{
    const char *path;
    if (!PyArg_ParseTuple(args, "s:hold", &path)) {
        return NULL;
    }
    std::lock_guard<std::mutex> guard(platformLock);
    heldPaths.insert(path);
    return None();
}

PyObject *Held(PyObject *, PyObject *)
{
    std::lock_guard<std::mutex> guard(platformLock);
    return PyInt_FromLong(heldOpens);
}

PyObject *Release(PyObject *, PyObject *)
{
    std::lock_guard<std::mutex> guard(platformLock);
    heldPaths.clear();
    releasedOpens.notify_all();
    return None();
}

PyMethodDef substituteMethods[] = {
    {"reset", Reset, METH_NOARGS, NULL},
    {"device", AddDevice, METH_VARARGS, NULL},
    {"volume", AddVolume, METH_VARARGS, NULL},
    {"calls", TakeCalls, METH_NOARGS, NULL},
    {"open_handles", OpenHandles, METH_NOARGS, NULL},
    {"hold", Hold, METH_VARARGS, NULL},
    {"held", Held, METH_NOARGS, NULL},
    {"release", Release, METH_NOARGS, NULL},
    {NULL, NULL, 0, NULL},
};

}  // namespace

#if PY_MAJOR_VERSION >= 3
extern "C" __attribute__((visibility("default"))) PyObject *PyInit__storage_substitute()
{
    static PyModuleDef definition = {PyModuleDef_HEAD_INIT, "_storage_substitute", NULL, -1, substituteMethods,
                                     NULL, NULL, NULL, NULL};
    return PyModule_Create(&definition);
}
#else
extern "C" __attribute__((visibility("default"))) void init_storage_substitute()
{
    Py_InitModule("_storage_substitute", substituteMethods);
}
#endif

// The host side of the seam, built into the Linux _netopts module that the Python tests load: there is
// no Winsock, so each call goes to the test's recorder, the Python module winsock_recorder, as
//   winsock_recorder.WSAIoctl(sock, controlCode, input, hasOutput, outputSize) -> error
// where input is the input buffer's bytes (str; bytes in Python 3) and error is 0 for success or the code WSAGetLastError is to
// give. The module call holds the interpreter lock, so Python can be called here.
#include "winsock_ioctl.h"

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace {

const char RECORDER_MODULE[] = "winsock_recorder";
#if PY_MAJOR_VERSION >= 3
const char RECORDER_ARGS[] = "iky#Ok";
#else
const char RECORDER_ARGS[] = "iks#Ok";
#endif
// WSASYSCALLFAILURE: what a call reports when the recorder is missing or fails.
constexpr int RECORDER_FAILED = 10107;

int lastError;

}  // namespace

int WinsockIoctl(int sock, uint32_t controlCode, const void *input, uint32_t inputSize, void *output,
                 uint32_t outputSize, uint32_t *bytesReturned)
{
    *bytesReturned = 0;
    lastError = RECORDER_FAILED;
    long error = -1;
    PyObject *result = NULL;
    PyObject *recorder = PyImport_ImportModule(RECORDER_MODULE);
    if (!recorder) {
        goto exit;
    }
    result = PyObject_CallMethod(recorder, (char *)"WSAIoctl", (char *)RECORDER_ARGS, sock,
                                 (unsigned long)controlCode, (const char *)input, (Py_ssize_t)inputSize,
                                 output ? Py_True : Py_False, (unsigned long)outputSize);
    if (!result) {
        goto exit;
    }
    error = PyLong_AsLong(result);
    if (error == -1 && PyErr_Occurred()) {
        goto exit;
    }
    lastError = (int)error;
exit:
    if (PyErr_Occurred()) {
        // The module's result cannot carry the exception: show it, and fail the call.
        PyErr_WriteUnraisable(recorder ? recorder : Py_None);
    }
    Py_XDECREF(result);
    Py_XDECREF(recorder);
    return lastError == 0 ? 0 : WINSOCK_CALL_FAILED;
}

int WinsockLastError()
{
    return lastError;
}

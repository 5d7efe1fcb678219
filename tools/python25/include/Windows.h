/* CPython includes <Windows.h>; mingw-w64 names its headers in lower case. */
#include <windows.h>

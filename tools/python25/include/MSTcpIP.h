/* CPython includes <MSTcpIP.h>; mingw-w64 names its headers in lower case. */
#include <mstcpip.h>

// Keeps the daemon loadable on Windows XP and Server 2003.
//
// mingw-w64's posix-thread runtime (winpthreads) comes in with libstdc++'s exception support and
// imports GetTickCount64, which only Vista and later export: the loader would refuse the whole
// program there. Defining the import's address slot here keeps the linker from taking it from
// kernel32's import library; the slot points at a function that calls the system's GetTickCount64
// where it exists and widens GetTickCount elsewhere (the runtime only uses it to measure time-outs).

#include <windows.h>

namespace {

typedef ULONGLONG(WINAPI *TickCount64Function)();

TickCount64Function FindSystemTickCount64()
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == NULL)
        return NULL;
    return reinterpret_cast<TickCount64Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "GetTickCount64")));
}

// Resolved during static initialisation, before any thread of ours runs; NULL until then.
const TickCount64Function systemTickCount64 = FindSystemTickCount64();

ULONGLONG WINAPI TickCount64()
{
    if (systemTickCount64 != NULL)
        return systemTickCount64();
    return GetTickCount();
}

}  // namespace

#ifdef _WIN64
#define TICK_COUNT64_IMPORT "__imp_GetTickCount64"
#else
#define TICK_COUNT64_IMPORT "__imp__GetTickCount64@0"
#endif

extern "C" TickCount64Function importedTickCount64 __asm__(TICK_COUNT64_IMPORT);
TickCount64Function importedTickCount64 = TickCount64;

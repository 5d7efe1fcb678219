#include "vss_api.h"

namespace {

const wchar_t kVssApiLibrary[] = L"vssapi.dll";

const char kCreateInternalName[] = "CreateVssBackupComponentsInternal";
const char kFreeInternalName[] = "VssFreeSnapshotPropertiesInternal";
// XP and Server 2003 export the creation function under its C++ name only, decorated per architecture.
#ifdef _WIN64
const char kCreateLegacyName[] = "?CreateVssBackupComponents@@YAJPEAPEAVIVssBackupComponents@@@Z";
#else
const char kCreateLegacyName[] = "?CreateVssBackupComponents@@YGJPAPAVIVssBackupComponents@@@Z";
#endif
const char kFreeLegacyName[] = "VssFreeSnapshotProperties";

// The HRESULT of the Win32 failure just reported; never a success, even if the error code got lost.
HRESULT HresultFromLastError()
{
    DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// GetProcAddress hands out a generic function pointer; casting through void (*)() says the
// conversion to the real signature is meant.
template <typename Function>
Function AsFunction(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The preferred export if the module has it, else the fallback; NULL with the last error set if neither.
FARPROC FindExport(HMODULE module, const char *preferred, const char *fallback)
{
    FARPROC function = GetProcAddress(module, preferred);
    if (function == NULL)
        function = GetProcAddress(module, fallback);
    return function;
}

}  // namespace

HRESULT ResolveVssApi(HMODULE vssapi, VssApi *api)
{
    FARPROC create;
    FARPROC freeProperties;

    api->createBackupComponents = NULL;
    api->freeSnapshotProperties = NULL;

    create = FindExport(vssapi, kCreateInternalName, kCreateLegacyName);
    if (create == NULL)
        return HresultFromLastError();
    freeProperties = FindExport(vssapi, kFreeInternalName, kFreeLegacyName);
    if (freeProperties == NULL)
        return HresultFromLastError();

    api->createBackupComponents = AsFunction<CreateBackupComponentsFunction>(create);
    api->freeSnapshotProperties = AsFunction<FreeSnapshotPropertiesFunction>(freeProperties);
    return S_OK;
}

HRESULT OpenVssApi(HMODULE *vssapi, VssApi *api)
{
    HMODULE module;
    HRESULT result;

    *vssapi = NULL;
    api->createBackupComponents = NULL;
    api->freeSnapshotProperties = NULL;

    module = LoadLibraryW(kVssApiLibrary);
    if (module == NULL)
        return HresultFromLastError();

    result = ResolveVssApi(module, api);
    if (FAILED(result)) {
        FreeLibrary(module);
        return result;
    }
    *vssapi = module;
    return S_OK;
}

#pragma once

// The Volume Shadow Copy backup interface as this program is built: the Windows XP edition when
// TESSIL_VSS_XP is set (TessilCPHwxp), else the Windows Server 2003 edition of the platform headers.
// The two differ only in vtable layout and in IVssAsync::Wait; everything else is shared.

#include <windows.h>

#if TESSIL_VSS_XP
#include "vsbackup_xp.h"
typedef VssXp::IVssBackupComponents VssBackupComponents;
typedef VssXp::IVssAsync VssAsync;
#else
#include <vsbackup.h>
typedef IVssBackupComponents VssBackupComponents;
typedef IVssAsync VssAsync;
#endif

// Waits for an asynchronous backup operation without a time-out, in the edition's own way.
inline HRESULT WaitForever(VssAsync *async)
{
#if TESSIL_VSS_XP
    return async->Wait();
#else
    return async->Wait(INFINITE);
#endif
}

typedef HRESULT(STDAPICALLTYPE *CreateBackupComponentsFunction)(VssBackupComponents **components);
typedef void(APIENTRY *FreeSnapshotPropertiesFunction)(VSS_SNAPSHOT_PROP *properties);

// The two vssapi.dll functions the snapshot code calls. They are looked up at run time: the platform
// header's inline versions import names that Windows XP and Server 2003 do not export.
struct VssApi {
    CreateBackupComponentsFunction createBackupComponents;
    FreeSnapshotPropertiesFunction freeSnapshotProperties;
};

// Finds both functions in a loaded vssapi.dll: the *Internal export where the module has it (Vista
// and later, Wine), else the name XP and Server 2003 export. Returns S_OK, or the HRESULT of the
// failed look-up with *api zeroed.
HRESULT ResolveVssApi(HMODULE vssapi, VssApi *api);

// Loads vssapi.dll and resolves its functions. On success the caller owns *vssapi and frees it with
// FreeLibrary once every object it handed out is released; on failure *vssapi and *api are zeroed and
// the HRESULT of the failed step is returned.
HRESULT OpenVssApi(HMODULE *vssapi, VssApi *api);

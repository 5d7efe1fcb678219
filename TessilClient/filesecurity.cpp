// The file system security edge (filesecurity.h) over kernel32 and advapi32.

#include "filesecurity.h"

#include <aclapi.h>

DWORD ReadVolumeFlags(const char *root, DWORD *flags)
{
    *flags = 0;
    return GetVolumeInformationA(root, NULL, 0, NULL, NULL, flags, NULL, 0) ? ERROR_SUCCESS : GetLastError();
}

DWORD ApplySecurity(HANDLE object, SECURITY_INFORMATION parts, PSID owner, PACL accessList)
{
    return SetSecurityInfo(object, SE_FILE_OBJECT, parts, owner, NULL, accessList, NULL);
}

DWORD ReadOwner(HANDLE object, PSECURITY_DESCRIPTOR *descriptor, PSID *owner)
{
    *descriptor = NULL;
    *owner = NULL;
    return GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, NULL, NULL, NULL, descriptor);
}

#pragma once

// File system security as the data directory's set-up (datadir.cpp) sees it: thin calls that each return 0
// or the Windows error code of the failing call, taken right at the call. The program implements them with
// the platform's calls (filesecurity.cpp); the Windows tests with a recording stand-in.

#include <windows.h>

// The file system flags (FILE_PERSISTENT_ACLS and others) of the volume whose root is `root`, e.g. "C:\".
DWORD ReadVolumeFlags(const char *root, DWORD *flags);
// Sets the parts of the object's security that `parts` names (OWNER_SECURITY_INFORMATION and others) on
// the open handle; inheritable entries of a directory's list reach what it holds.
DWORD ApplySecurity(HANDLE object, SECURITY_INFORMATION parts, PSID owner, PACL accessList);
// The owner of the open file or directory, in *descriptor (LocalFree it), which *owner points into.
DWORD ReadOwner(HANDLE object, PSECURITY_DESCRIPTOR *descriptor, PSID *owner);

#include "datadir.h"

#include <sddl.h>

#include <cstdio>
#include <cstring>

#include "filesecurity.h"
#include "log.h"

static const size_t DRIVE_ROOT_LENGTH = 3;  // "C:\"
static const size_t SYSTEM_DIRECTORY_SIZE = 1024;
static const char FALLBACK_DRIVE_ROOT[] = "C:\\";
static const char DATA_DIRECTORY_NAME[] = "Tessil";
static const char DEVICE_NAMESPACE_PREFIX[] = "\\\\.\\";

// Who may do what in the data directory and its logs directory, in the platform's descriptor language
// (SDDL): owned by Administrators (O:BA); SYSTEM and Administrators have full control (FA), Users may read
// and list (FR FX), so the log stays readable; no one else has any access. The list is protected (P), so
// nothing from the parent loosens it, and everything made inside inherits it (OI CI).
static const char DATA_DIRECTORY_SDDL[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

static bool IsRealDirectory(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// RemoveDirectoryA on a junction or a directory link and DeleteFileA on a file link remove the link, never
// what it points to.
static DWORD RemoveWhateverIsThere(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || IsRealDirectory(attributes))
        return ERROR_SUCCESS;
    BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path) : DeleteFileA(path);
    return removed ? ERROR_SUCCESS : GetLastError();
}

// What a directory's security is set to: its owner and its list, protected from what its parent holds.
static const SECURITY_INFORMATION SECURED_PARTS =
    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;

static DWORD SecureDirectory(const char *path, PSECURITY_DESCRIPTOR descriptor, PSID owner, PACL accessList,
                             bool keepsAccessLists)
{
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    BY_HANDLE_FILE_INFORMATION information;
    HANDLE directory = INVALID_HANDLE_VALUE;
    DWORD error = RemoveWhateverIsThere(path);

    if (error != ERROR_SUCCESS)
        goto exit;
    if (!CreateDirectoryA(path, &attributes) && (error = GetLastError()) != ERROR_ALREADY_EXISTS)
        goto exit;
    // Opened as the entry itself, never what a link that was swapped in points to: what is checked on this
    // handle is what gets secured. Without shared delete access, nobody can rename it away meanwhile.
    directory = CreateFileA(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (directory == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        goto exit;
    }
    if (!GetFileInformationByHandle(directory, &information)) {
        error = GetLastError();
        goto exit;
    }
    if (!IsRealDirectory(information.dwFileAttributes)) {
        error = ERROR_DIRECTORY;
        goto exit;
    }
    // An existing directory (an earlier install's, or one that anybody made before the service first ran)
    // is brought into line too; what it holds inherits the new list.
    error = keepsAccessLists ? ApplySecurity(directory, SECURED_PARTS, owner, accessList) : ERROR_SUCCESS;

exit:
    if (directory != INVALID_HANDLE_VALUE)
        CloseHandle(directory);
    return error;
}

DWORD SecureDataDirectory(const char *directory)
{
    char path[PATH_SIZE];
    char root[DRIVE_ROOT_LENGTH + 1];
    PSECURITY_DESCRIPTOR descriptor = NULL;
    PSID owner = NULL;
    PACL accessList = NULL;
    BOOL present = FALSE, defaulted = FALSE;
    DWORD error = ERROR_SUCCESS, volumeFlags = 0;
    bool keepsAccessLists;
    int length;

    length = snprintf(path, sizeof path, "%s", directory);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
        error = ERROR_BUFFER_OVERFLOW;
        goto exit;
    }
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(DATA_DIRECTORY_SDDL, SDDL_REVISION_1, &descriptor,
                                                              NULL) ||
        !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &accessList, &defaulted)) {
        error = GetLastError();
        goto exit;
    }
    // A volume that keeps no access lists (FAT32, where Windows XP may be installed) has none to set; the
    // checks against links still hold. Flags that cannot be read count as a volume that keeps lists:
    // skipping would leave a directory that anybody may have made open to them, and where there really are
    // no lists, setting one fails and start-up stops as for any other failure.
    snprintf(root, sizeof root, "%.*s", static_cast<int>(DRIVE_ROOT_LENGTH), directory);
    keepsAccessLists = ReadVolumeFlags(root, &volumeFlags) != ERROR_SUCCESS || (volumeFlags & FS_PERSISTENT_ACLS);
    error = SecureDirectory(path, descriptor, owner, accessList, keepsAccessLists);
    if (error != ERROR_SUCCESS)
        goto exit;
    length = snprintf(path, sizeof path, "%s\\%s", directory, LOGS_DIRECTORY);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
        error = ERROR_BUFFER_OVERFLOW;
        goto exit;
    }
    error = SecureDirectory(path, descriptor, owner, accessList, keepsAccessLists);

exit:
    if (descriptor)
        LocalFree(descriptor);
    if (error != ERROR_SUCCESS)
        LogMessage("Could not secure the directory %s, error %d.\n", path, static_cast<int>(error));
    return error;
}

DWORD SetUpDataDirectory(char directory[PATH_SIZE])
{
    char systemDirectory[SYSTEM_DIRECTORY_SIZE];
    UINT length = GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
    const char *root = length < DRIVE_ROOT_LENGTH || length >= sizeof systemDirectory ? FALLBACK_DRIVE_ROOT
                                                                                       : systemDirectory;
    snprintf(directory, PATH_SIZE, "%.*s%s", static_cast<int>(DRIVE_ROOT_LENGTH), root, DATA_DIRECTORY_NAME);
    // Before the log or the users file is touched there: until it is secured, anyone may have put anything
    // in its place.
    DWORD error = SecureDataDirectory(directory);
    if (error != ERROR_SUCCESS)
        return error;
    strcat(directory, "\\");
    snprintf(dataDirectory, sizeof dataDirectory, "%s%s", DEVICE_NAMESPACE_PREFIX, directory);
    return ERROR_SUCCESS;
}

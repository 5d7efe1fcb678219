#include "datadir.h"

#include <sddl.h>

#include <cstdio>
#include <cstring>

#include "filesecurity.h"
#include "log.h"
#include "takeover.h"

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

// Makes the directory, or opens the one there, on *directory: a real directory, nothing else.
static DWORD MakeAndOpenDirectory(const char *path, SECURITY_ATTRIBUTES *attributes, HANDLE *directory)
{
    BY_HANDLE_FILE_INFORMATION information;
    DWORD error = RemoveWhateverIsThere(path);
    *directory = INVALID_HANDLE_VALUE;

    if (error != ERROR_SUCCESS)
        return error;
    if (!CreateDirectoryA(path, attributes) && (error = GetLastError()) != ERROR_ALREADY_EXISTS)
        return error;
    // Opened as the entry itself, never what a link that was swapped in points to: what is checked on this
    // handle is what gets secured. Without shared delete access, nobody can rename it away meanwhile.
    *directory = CreateFileA(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (*directory == INVALID_HANDLE_VALUE)
        return GetLastError();
    if (!GetFileInformationByHandle(*directory, &information))
        return GetLastError();
    return IsRealDirectory(information.dwFileAttributes) ? ERROR_SUCCESS : ERROR_DIRECTORY;
}

// A directory that another account owns is moved aside (to movedPath) and made afresh: its owner could
// give itself access again whatever list is set.
static DWORD SecureDirectory(const char *path, PSECURITY_DESCRIPTOR descriptor, PSID owner, PACL accessList,
                             bool keepsAccessLists, char movedPath[PATH_SIZE])
{
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    HANDLE directory = INVALID_HANDLE_VALUE;
    bool trusted = true;  // where there are no lists there are no owners either
    DWORD error = MakeAndOpenDirectory(path, &attributes, &directory);

    movedPath[0] = '\0';
    if (error == ERROR_SUCCESS && keepsAccessLists)
        error = ReadTrust(directory, &trusted);
    if (error == ERROR_SUCCESS && !trusted) {
        CloseHandle(directory);
        directory = INVALID_HANDLE_VALUE;
        error = MoveAside(path, movedPath, PATH_SIZE);
        if (error == ERROR_SUCCESS)
            error = MakeAndOpenDirectory(path, &attributes, &directory);
        if (error == ERROR_SUCCESS)
            error = ReadTrust(directory, &trusted);
        if (error == ERROR_SUCCESS && !trusted)
            error = ERROR_INVALID_OWNER;  // someone made it again in between
    }
    // An existing directory (an earlier install's) is brought into line too; what it holds inherits the
    // new list.
    if (error == ERROR_SUCCESS && keepsAccessLists)
        error = ApplySecurity(directory, SECURED_PARTS, owner, accessList);
    if (directory != INVALID_HANDLE_VALUE)
        CloseHandle(directory);
    return error;
}

DWORD SecureDataDirectory(const char *directory, MovedAside *moved)
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

    moved->dataDirectory[0] = moved->logsDirectory[0] = '\0';
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
    error = SecureDirectory(path, descriptor, owner, accessList, keepsAccessLists, moved->dataDirectory);
    if (error != ERROR_SUCCESS)
        goto exit;
    length = snprintf(path, sizeof path, "%s\\%s", directory, LOGS_DIRECTORY);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
        error = ERROR_BUFFER_OVERFLOW;
        goto exit;
    }
    error = SecureDirectory(path, descriptor, owner, accessList, keepsAccessLists, moved->logsDirectory);

exit:
    if (descriptor)
        LocalFree(descriptor);
    if (error != ERROR_SUCCESS)
        LogMessage("Could not secure the directory %s, error %d.\n", path, static_cast<int>(error));
    return error;
}

DWORD SetUpDataDirectory(char directory[PATH_SIZE], char movedDataDirectory[PATH_SIZE])
{
    char systemDirectory[SYSTEM_DIRECTORY_SIZE];
    MovedAside moved;
    UINT length = GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
    const char *root = length < DRIVE_ROOT_LENGTH || length >= sizeof systemDirectory ? FALLBACK_DRIVE_ROOT
                                                                                       : systemDirectory;
    snprintf(directory, PATH_SIZE, "%.*s%s", static_cast<int>(DRIVE_ROOT_LENGTH), root, DATA_DIRECTORY_NAME);
    // Before the log or the users file is touched there: until it is secured, anyone may have put anything
    // in its place.
    DWORD error = SecureDataDirectory(directory, &moved);
    if (error != ERROR_SUCCESS)
        return error;
    strcpy(movedDataDirectory, moved.dataDirectory);
    strcat(directory, "\\");
    snprintf(dataDirectory, sizeof dataDirectory, "%s%s", DEVICE_NAMESPACE_PREFIX, directory);
    // Told only now, so that the log lies in the new directory.
    if (moved.dataDirectory[0])
        LogMessage(MOVED_ASIDE_MESSAGE, directory, moved.dataDirectory);
    if (moved.logsDirectory[0])
        LogMessage(MOVED_ASIDE_MESSAGE, LOGS_DIRECTORY, moved.logsDirectory);
    return ERROR_SUCCESS;
}

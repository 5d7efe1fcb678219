#pragma once

// The platform calls MetaStorage makes, and the names it uses for their types and constants. The
// Windows build calls Windows itself. The Linux build, which runs the module's tests, is linked against
// the tests' scripted platform (tests/python/storage_substitute.cpp), which answers the same calls under
// the same names, with volume names in 16-bit UTF-16 units as on Windows.

#ifdef _WIN32

#include <windows.h>

#include <winioctl.h>

#else

#include <cstdint>

typedef void *HANDLE;
typedef uint32_t DWORD;
typedef int BOOL;
typedef unsigned int UINT;
typedef char16_t WCHAR;

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

enum : DWORD {
    GENERIC_READ = 0x80000000,
    FILE_SHARE_READ = 0x1,
    FILE_SHARE_WRITE = 0x2,
    OPEN_EXISTING = 3,
    FILE_FLAG_NO_BUFFERING = 0x20000000,
};

enum : DWORD {
    IOCTL_DISK_GET_PARTITION_INFO_EX = 0x70048,
    IOCTL_DISK_GET_DRIVE_LAYOUT_EX = 0x70050,
    IOCTL_STORAGE_GET_DEVICE_NUMBER = 0x2D1080,
};

enum : UINT {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_REMOTE = 4,
    DRIVE_CDROM = 5,
    DRIVE_RAMDISK = 6,
};

enum : DWORD {
    ERROR_INVALID_FUNCTION = 1,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_INVALID_HANDLE = 6,
    ERROR_NO_MORE_FILES = 18,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_INVALID_NAME = 123,
    ERROR_FILENAME_EXCED_RANGE = 206,
    ERROR_MORE_DATA = 234,
};

HANDLE CreateFileA(const char *fileName, DWORD access, DWORD shareMode, void *security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
HANDLE CreateFileW(const WCHAR *fileName, DWORD access, DWORD shareMode, void *security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL DeviceIoControl(HANDLE device, DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                     DWORD *bytesReturned, void *overlapped);
BOOL CloseHandle(HANDLE handle);
DWORD GetLastError();
HANDLE FindFirstVolumeW(WCHAR *volumeName, DWORD capacity);
BOOL FindNextVolumeW(HANDLE search, WCHAR *volumeName, DWORD capacity);
BOOL FindVolumeClose(HANDLE search);
BOOL GetVolumePathNamesForVolumeNameW(const WCHAR *volumeName, WCHAR *pathNames, DWORD capacity,
                                      DWORD *needed);
UINT GetDriveTypeW(const WCHAR *rootPath);

#endif

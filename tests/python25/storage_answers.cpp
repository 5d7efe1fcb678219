// The platform's own answers to the calls behind _TessilDU, for its tests in the Windows interpreter, which
// has no other way to ask them. Prints one line per answer; texts are UTF-16LE in hex.
//   storage_answers volumes               "volume NAME DRIVE_TYPE PATHS" for each volume of the volume
//                                         search, PATHS the listing of its mount paths (each with its NUL,
//                                         then the empty one), or "refused:ERROR"
//   storage_answers ask PATH CODE SIZE    "ERROR REPLY": opens PATH ("-": a null path) as the queries do
//                                         and sends the control CODE into an area of SIZE bytes; ERROR is
//                                         the open's or the control's, 0 when it answered REPLY
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const DWORD VOLUME_NAME_UNITS = 2048;
const DWORD MOUNT_PATH_UNITS = 4096;
const DWORD REPLY_LIMIT = 65536;

void PrintHex(const void *data, size_t size)
{
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; i++) {
        printf("%02x", bytes[i]);
    }
}

size_t Units(const wchar_t *text)
{
    return wcslen(text) * sizeof(wchar_t);
}

int PrintVolumes()
{
    wchar_t name[VOLUME_NAME_UNITS];
    HANDLE search = FindFirstVolumeW(name, VOLUME_NAME_UNITS);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        printf("volume ");
        PrintHex(name, Units(name));
        printf(" %u ", GetDriveTypeW(name));
        wchar_t paths[MOUNT_PATH_UNITS];
        DWORD needed = 0;
        if (GetVolumePathNamesForVolumeNameW(name, paths, MOUNT_PATH_UNITS, &needed)) {
            size_t units = 0;
            while (paths[units]) {
                units += wcslen(paths + units) + 1;
            }
            PrintHex(paths, (units + 1) * sizeof(wchar_t));
        } else {
            printf("refused:%lu", GetLastError());
        }
        printf("\n");
    } while (FindNextVolumeW(search, name, VOLUME_NAME_UNITS));
    FindVolumeClose(search);
    return 0;
}

int Ask(const char *path, DWORD code, DWORD size)
{
    if (size > REPLY_LIMIT) {
        fprintf(stderr, "a reply area of at most %lu bytes\n", REPLY_LIMIT);
        return 2;
    }
    std::vector<unsigned char> reply(size);
    DWORD returned = 0;
    DWORD error = 0;
    HANDLE device = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_FLAG_NO_BUFFERING, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    } else {
        if (!DeviceIoControl(device, code, NULL, 0, reply.data(), size, &returned, NULL)) {
            error = GetLastError();
            returned = 0;
        }
        CloseHandle(device);
    }
    printf("%lu ", error);
    PrintHex(reply.data(), returned);
    printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && strcmp(argv[1], "volumes") == 0) {
        return PrintVolumes();
    }
    if (argc == 5 && strcmp(argv[1], "ask") == 0) {
        const char *path = strcmp(argv[2], "-") == 0 ? NULL : argv[2];
        return Ask(path, strtoul(argv[3], NULL, 0), strtoul(argv[4], NULL, 0));
    }
    fprintf(stderr, "usage: storage_answers volumes | ask PATH CODE SIZE\n");
    return 2;
}

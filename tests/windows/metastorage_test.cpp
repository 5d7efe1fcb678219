// MetaStorage against the platform's own calls under Wine: what it reports must be what the platform
// itself answers when asked directly. (Wine lists its drives as volumes but answers an unknown drive
// type for a volume name, answers the device number of \\.\C: and refuses the partition controls.)

#include "metastorage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char SYSTEM_VOLUME[] = "\\\\.\\C:";
const DWORD VOLUME_NAME_UNITS = 2048;
const DWORD MOUNT_PATH_UNITS = 4096;

// The fixed volumes as the enumeration must give them, from the volume search itself.
std::vector<std::wstring> FixedVolumesOfThePlatform(size_t *volumesSeen)
{
    std::vector<std::wstring> texts;
    *volumesSeen = 0;
    wchar_t name[VOLUME_NAME_UNITS];
    HANDLE search = FindFirstVolumeW(name, VOLUME_NAME_UNITS);
    if (search == INVALID_HANDLE_VALUE) {
        return texts;
    }
    do {
        ++*volumesSeen;
        UINT type = GetDriveTypeW(name);
        printf("platform volume %ls: drive type %u\n", name, type);
        if (type != DRIVE_FIXED) {
            continue;
        }
        wchar_t paths[MOUNT_PATH_UNITS];
        DWORD needed = 0;
        if (!GetVolumePathNamesForVolumeNameW(name, paths, MOUNT_PATH_UNITS, &needed)) {
            continue;  // passed over; Wine's lists are short
        }
        std::wstring text = name;
        for (const wchar_t *path = paths; *path; path += wcslen(path) + 1) {
            text += L"|" + std::wstring(path);
        }
        texts.push_back(text);
    } while (FindNextVolumeW(search, name, VOLUME_NAME_UNITS));
    FindVolumeClose(search);
    return texts;
}

// Asks the device one control as the queries do; the platform's error code, 0 on success.
DWORD AskDirectly(const char *path, DWORD code, void *reply, DWORD size)
{
    HANDLE device = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_FLAG_NO_BUFFERING, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    DWORD returned = 0;
    DWORD error = DeviceIoControl(device, code, NULL, 0, reply, size, &returned, NULL) ? 0 : GetLastError();
    CloseHandle(device);
    return error;
}

std::string Printed(char *(MetaStorage::*query)(char const *), MetaStorage *storage, const char *path,
                    const char **result)
{
    testing::internal::CaptureStdout();
    *result = (storage->*query)(path);
    return testing::internal::GetCapturedStdout();
}

TEST(MetaStorageUnderWine, EnumerationGivesThePlatformsFixedVolumes)
{
    size_t volumesSeen;
    std::vector<std::wstring> expected = FixedVolumesOfThePlatform(&volumesSeen);
    ASSERT_GT(volumesSeen, 0u) << "the platform lists no volume at all";

    MetaStorage storage;
    std::vector<std::wstring> found;
    for (WCHAR *text = storage.FirstVolume(); text; text = storage.NextVolume()) {
        found.push_back(text);
    }
    EXPECT_EQ(expected, found);
    // The search is closed now: this must not hand the platform an invalid search handle, on which it faults.
    EXPECT_EQ(NULL, storage.NextVolume());
    EXPECT_EQ(NULL, MetaStorage().NextVolume());
}

TEST(MetaStorageUnderWine, DeviceNumberOfTheSystemVolume)
{
    STORAGE_DEVICE_NUMBER number = {};
    ASSERT_EQ(0u, AskDirectly(SYSTEM_VOLUME, IOCTL_STORAGE_GET_DEVICE_NUMBER, &number, sizeof number));
    MetaStorage storage;
    const char *result;
    EXPECT_EQ("", Printed(&MetaStorage::DeviceNumber, &storage, SYSTEM_VOLUME, &result));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(std::to_string(number.DeviceNumber) + " " + std::to_string(number.PartitionNumber), result);
}

TEST(MetaStorageUnderWine, RefusedControlsGiveNullAfterTheirMessage)
{
    struct Case {
        const char *operation;
        char *(MetaStorage::*query)(char const *);
        DWORD code;
    };
    const Case cases[] = {
        {"PartitionTable", &MetaStorage::PartitionTable, IOCTL_DISK_GET_DRIVE_LAYOUT_EX},
        {"PartitionEntry", &MetaStorage::PartitionEntry, IOCTL_DISK_GET_PARTITION_INFO_EX},
    };
    MetaStorage storage;
    int refused = 0;
    for (const Case &c : cases) {
        static unsigned char reply[MetaStorage::LAYOUT_REPLY_SIZE];
        DWORD error = AskDirectly(SYSTEM_VOLUME, c.code, reply, sizeof reply);
        if (error == 0) {
            printf("%s: the platform answers on %s; nothing refused to check\n", c.operation, SYSTEM_VOLUME);
            continue;
        }
        refused++;
        const char *result;
        EXPECT_EQ(std::string(c.operation) + ": get partition data for \\\\.\\C: failed err " +
                      std::to_string(error) + ".\n",
                  Printed(c.query, &storage, SYSTEM_VOLUME, &result));
        EXPECT_EQ(nullptr, result);
    }
    if (refused == 0) {
        GTEST_SKIP() << "the platform answers every partition control on " << SYSTEM_VOLUME;
    }
}

TEST(MetaStorageUnderWine, OpenFailuresGiveNullAfterTheirMessage)
{
    static const char MISSING[] = "\\\\.\\TessilNoSuchDevice";
    char reply[12];
    DWORD missingError = AskDirectly(MISSING, IOCTL_STORAGE_GET_DEVICE_NUMBER, reply, sizeof reply);
    DWORD nullError = AskDirectly(NULL, IOCTL_STORAGE_GET_DEVICE_NUMBER, reply, sizeof reply);
    ASSERT_NE(0u, missingError);
    ASSERT_NE(0u, nullError);
    MetaStorage storage;
    const char *result;
    EXPECT_EQ("PartitionTable: drive open for \\\\.\\TessilNoSuchDevice failed err " + std::to_string(missingError) +
                  ".\n",
              Printed(&MetaStorage::PartitionTable, &storage, MISSING, &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ("DeviceNumber: drive open for (null) failed err " + std::to_string(nullError) + ".\n",
              Printed(&MetaStorage::DeviceNumber, &storage, NULL, &result));
    EXPECT_EQ(nullptr, result);
}

}  // namespace

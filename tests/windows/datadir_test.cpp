// SecureDataDirectory on scratch directories under Wine, which keeps no access lists of its own: the file
// system security calls are answered by a stand-in that records what would be applied to which directory,
// in SDDL.

#include "datadir.h"
#include "filesecurity.h"
#include "plainfile.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

typedef std::vector<std::pair<std::string, std::string>> Applied;  // directory, owner and list in SDDL

struct Recorder {
    DWORD volumeFlags = FILE_CASE_PRESERVED_NAMES | FILE_PERSISTENT_ACLS;  // as NTFS
    DWORD volumeError = ERROR_SUCCESS;
    std::string root;  // the volume asked about
    Applied applied;
    std::set<uint64_t> othersOwn;  // file indexes of what another account owns; Administrators own the rest
};

uint64_t FileIndex(HANDLE object)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    GetFileInformationByHandle(object, &information);
    return (uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
}

uint64_t FileIndex(const std::string &path)
{
    HANDLE object = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    uint64_t index = FileIndex(object);
    CloseHandle(object);
    return index;
}

Recorder recorder;

// Owner Administrators; protected list: SYSTEM and Administrators full control, Users read and execute
// (FR FX, which the platform writes as a number), all inherited.
const char SECURED[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

}  // namespace

DWORD ReadVolumeFlags(const char *root, DWORD *flags)
{
    recorder.root = root;
    *flags = recorder.volumeFlags;
    return recorder.volumeError;
}

DWORD ReadOwner(HANDLE object, PSECURITY_DESCRIPTOR *descriptor, PSID *owner)
{
    PSID sid = NULL;
    if (!ConvertStringSidToSidA(recorder.othersOwn.count(FileIndex(object)) ? "BU" : "BA", &sid))
        return GetLastError();
    *descriptor = sid;  // LocalFree releases it
    *owner = sid;
    return ERROR_SUCCESS;
}

DWORD ApplySecurity(HANDLE object, SECURITY_INFORMATION parts, PSID owner, PACL accessList)
{
    char path[MAX_PATH];
    DWORD length = GetFinalPathNameByHandleA(object, path, sizeof path, VOLUME_NAME_DOS);
    if (length == 0 || length >= sizeof path) {
        ADD_FAILURE() << "no path for the handle, error " << GetLastError();
        return ERROR_INVALID_HANDLE;
    }
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    if (parts & OWNER_SECURITY_INFORMATION)
        SetSecurityDescriptorOwner(&descriptor, owner, FALSE);
    if (parts & DACL_SECURITY_INFORMATION)
        SetSecurityDescriptorDacl(&descriptor, TRUE, accessList, FALSE);
    if (parts & PROTECTED_DACL_SECURITY_INFORMATION)
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    char *sddl = NULL;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(
            &descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &sddl, NULL)) {
        ADD_FAILURE() << "no SDDL for what was applied, error " << GetLastError();
        return ERROR_INVALID_PARAMETER;
    }
    const size_t longPathPrefix = 4;  // "\\?\" before the drive letter
    recorder.applied.emplace_back(std::string(path + longPathPrefix, length - longPathPrefix), sddl);
    LocalFree(sddl);
    return ERROR_SUCCESS;
}

namespace {

class DataDirectory : public ::testing::Test {
protected:
    std::string directory, logs, logFile;
    MovedAside moved;

    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        // Process ids repeat across runs in a lasting Wine prefix; with the start time the name does not.
        directory = std::string(temp) + "tessil-datadir-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        logs = directory + "\\logs";
        logFile = logs + "\\TessilCPH.log";
        recorder = Recorder();
    }

    void TearDown() override
    {
        for (const std::string &top : {directory, directory + ".untrusted-1"}) {
            DeleteFileA((top + "\\TessilUList.cfg").c_str());
            DeleteFileA((top + "\\logs\\TessilCPH.log").c_str());
            RemoveDirectoryA((top + "\\logs").c_str());
            RemoveDirectoryA(top.c_str());
        }
    }

    std::string ReadFile(const std::string &path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
};

TEST_F(DataDirectory, NewDirectoriesAreMadeAndSecured)
{
    ASSERT_EQ(0u, SecureDataDirectory(directory.c_str(), &moved));
    EXPECT_EQ(directory.substr(0, 3), recorder.root);
    EXPECT_EQ((Applied{{directory, SECURED}, {logs, SECURED}}), recorder.applied);
}

// An earlier install's directories, or ones a user made before the service first ran: kept with what
// they hold, and given the owner and list all the same.
TEST_F(DataDirectory, ExistingDirectoriesAreBroughtIntoLine)
{
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), NULL)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryA(logs.c_str(), NULL)) << GetLastError();
    std::ofstream(logFile) << "kept\n";

    ASSERT_EQ(0u, SecureDataDirectory(directory.c_str(), &moved));
    EXPECT_EQ((Applied{{directory, SECURED}, {logs, SECURED}}), recorder.applied);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(logFile.c_str()));
}

// FAT32, where Windows XP may be installed, has no lists: the directories are made and start-up goes on.
TEST_F(DataDirectory, VolumeWithoutAccessListsGetsTheDirectoriesOnly)
{
    recorder.volumeFlags = FILE_CASE_PRESERVED_NAMES;
    ASSERT_EQ(0u, SecureDataDirectory(directory.c_str(), &moved));
    EXPECT_EQ(Applied(), recorder.applied);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(logs.c_str()));
}

// Not knowing whether the volume keeps lists, the directories are secured as if it did.
TEST_F(DataDirectory, VolumeWhoseFlagsCannotBeReadIsTakenToKeepLists)
{
    recorder.volumeFlags = 0;
    recorder.volumeError = ERROR_NOT_READY;
    ASSERT_EQ(0u, SecureDataDirectory(directory.c_str(), &moved));
    EXPECT_EQ((Applied{{directory, SECURED}, {logs, SECURED}}), recorder.applied);
}

// A local user who made C:\Tessil before the service first ran (or the logs folder, or a file inside)
// keeps its ownership, and with it the power to give itself access again whatever list is set: what it owns
// goes aside, with what it holds, and is made afresh.
TEST_F(DataDirectory, WhatAnotherAccountOwnsIsMovedAsideAndMadeAfresh)
{
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), NULL)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryA(logs.c_str(), NULL)) << GetLastError();
    std::ofstream(directory + "\\TessilUList.cfg", std::ios::binary) << "alice\n";
    recorder.othersOwn = {FileIndex(directory)};
    ASSERT_EQ(0u, SecureDataDirectory(directory.c_str(), &moved));
    EXPECT_EQ(directory + ".untrusted-1", moved.dataDirectory);
    EXPECT_STREQ("", moved.logsDirectory);
    EXPECT_EQ((Applied{{directory, SECURED}, {logs, SECURED}}), recorder.applied);
    EXPECT_EQ("alice\n", ReadFile(std::string(moved.dataDirectory) + "\\TessilUList.cfg"));

    // A file is made afresh, empty.
    std::ofstream(logFile, std::ios::binary) << "forged\n";
    recorder.othersOwn = {FileIndex(logFile)};
    char movedFile[PATH_SIZE];
    FILE *log = OpenPlainFile(logFile.c_str(), PLAIN_FILE_APPEND, movedFile);
    ASSERT_NE(nullptr, log);
    fclose(log);
    EXPECT_EQ(logFile + ".untrusted-1", movedFile);
    EXPECT_EQ("", ReadFile(logFile));
    EXPECT_EQ("forged\n", ReadFile(movedFile));
    DeleteFileA(movedFile);
}

}  // namespace

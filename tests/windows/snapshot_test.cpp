// VolumeSnapshot against three kinds of vssapi.dll, one per ctest run (see CMakeLists.txt):
// the test substitute (SubstituteVss*, VssApiResolution*), Wine's own (WineVssapi*) and none at all
// (MissingVssapi*). Built once per backup interface edition, each beside a substitute of its layout.

#include "snapshot.h"
#include "vss_api.h"
#include "vss_substitute.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

#if TESSIL_VSS_XP
const char kWaitArgument[] = "";
#else
const char kWaitArgument[] = " 4294967295";  // INFINITE
#endif

const wchar_t kVolume[] = L"C:\\";
const char kVolumeText[] = "C:\\";

std::string BesideProgram(const char *name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return name;
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\') + 1) + name;
}

void WriteControl(const std::string &text)
{
    std::ofstream(BesideProgram(VSS_SUBSTITUTE_CONTROL_FILE), std::ios::binary | std::ios::trunc) << text;
}

void ForgetSubstituteFiles()
{
    std::remove(BesideProgram(VSS_SUBSTITUTE_CONTROL_FILE).c_str());
    std::remove(BesideProgram(VSS_SUBSTITUTE_RECORD_FILE).c_str());
}

// The calls recorded so far, without their object number, which goes to *number. All of them must
// belong to one backup components object.
std::vector<std::string> RecordedCalls(unsigned *number)
{
    std::vector<std::string> calls;
    std::ifstream record(BesideProgram(VSS_SUBSTITUTE_RECORD_FILE));
    std::string line;
    *number = 0;
    while (std::getline(record, line)) {
        size_t space = line.find(' ');
        unsigned lineNumber = static_cast<unsigned>(std::stoul(line.substr(0, space)));
        if (*number == 0)
            *number = lineNumber;
        EXPECT_EQ(*number, lineNumber) << "call of another object: " << line;
        calls.push_back(line.substr(space + 1));
    }
    return calls;
}

bool ThreadInSingleThreadedApartment()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier)))
        return false;
    return type == APTTYPE_STA || type == APTTYPE_MAINSTA;
}

template <typename Function>
Function ExportOf(HMODULE module, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string SetId(unsigned number)
{
    return VssSubstituteIdText(kVssSubstituteSetIdTag, number);
}

std::string SnapshotId(unsigned number)
{
    return VssSubstituteIdText(kVssSubstituteSnapshotIdTag, number);
}

// Every call Create makes when nothing fails, in order.
std::vector<std::string> CreateCalls(unsigned number)
{
    std::vector<std::string> calls = {
        "CreateVssBackupComponents &",
        "InitializeForBackup NULL",
        "StartSnapshotSet &",
        std::string("AddToSnapshotSet ") + kVolumeText + " {00000000-0000-0000-0000-000000000000} &",
        "SetBackupState 0 0 1 0",
    };
    for (const char *operation : {"PrepareForBackup", "DoSnapshotSet"}) {
        std::string name = operation;
        calls.push_back(name + " &");
        calls.push_back(name + ".Wait" + kWaitArgument);
        calls.push_back(name + ".QueryStatus & NULL");
        calls.push_back(name + ".Release 0");
    }
    calls.push_back("GetSnapshotProperties " + SnapshotId(number) + " &");
    calls.push_back("VssFreeSnapshotProperties " + SnapshotId(number));
    return calls;
}

// One way through Create: what the substitute is told, what Create must answer, where it stops and
// which release steps the destructor owes (the release table of the snapshot design).
struct StatusCase {
    const char *name;
    const char *control;
    int status;
    HRESULT lastResult;
    const char *lastCall;  // Create's calls end with the first one starting with this
    bool abortBackup;
    bool deleteSnapshots;
    bool releaseComponents;
};

std::ostream &operator<<(std::ostream &out, const StatusCase &c)
{
    return out << c.name;
}

const StatusCase kStatusCases[] = {
    {"Made", "", SNAPSHOT_MADE, S_OK, "VssFreeSnapshotProperties", true, true, true},
    {"CreateComponentsFails", "result CreateVssBackupComponents 80070005", SNAPSHOT_CREATE_COMPONENTS_FAILED,
     E_ACCESSDENIED, "CreateVssBackupComponents", false, false, false},
    {"InitializeFails", "result InitializeForBackup 80042301", SNAPSHOT_INITIALIZE_FAILED, VSS_E_BAD_STATE,
     "InitializeForBackup", false, false, true},
    {"StartSetFails", "result StartSnapshotSet 80042316", SNAPSHOT_START_SET_FAILED,
     VSS_E_SNAPSHOT_SET_IN_PROGRESS, "StartSnapshotSet", false, false, true},
    {"AddVolumeFails", "result AddToSnapshotSet 8004230C", SNAPSHOT_ADD_VOLUME_FAILED, VSS_E_VOLUME_NOT_SUPPORTED,
     "AddToSnapshotSet", false, true, true},
    {"SetBackupStateFails", "result SetBackupState 80042301", SNAPSHOT_SET_BACKUP_STATE_FAILED, VSS_E_BAD_STATE,
     "SetBackupState", false, true, true},
    {"PrepareFails", "result PrepareForBackup 8004230F", SNAPSHOT_PREPARE_FAILED, VSS_E_UNEXPECTED_PROVIDER_ERROR,
     "PrepareForBackup", false, true, true},
    {"PrepareWaitFails", "result PrepareForBackup.Wait 80042301", SNAPSHOT_PREPARE_WAIT_FAILED, VSS_E_BAD_STATE,
     "PrepareForBackup.Wait", true, true, true},
    {"PrepareStatusFails", "result PrepareForBackup.QueryStatus 8000FFFF", SNAPSHOT_PREPARE_STATUS_FAILED,
     E_UNEXPECTED, "PrepareForBackup.QueryStatus", true, true, true},
    // A cancellation is reported by a successful QueryStatus; that success is what lastResult keeps.
    {"PrepareCancelled", "status PrepareForBackup 4230B", SNAPSHOT_PREPARE_CANCELLED, S_OK,
     "PrepareForBackup.QueryStatus", true, true, true},
    // A preparation that ended in failure does not stop Create; the next failing call does.
    {"PreparationFailureGoesOn", "status PrepareForBackup 80042301\nresult DoSnapshotSet 80042316",
     SNAPSHOT_DO_SET_FAILED, VSS_E_SNAPSHOT_SET_IN_PROGRESS, "DoSnapshotSet", true, true, true},
    {"DoSetFails", "result DoSnapshotSet 80042316", SNAPSHOT_DO_SET_FAILED, VSS_E_SNAPSHOT_SET_IN_PROGRESS,
     "DoSnapshotSet", true, true, true},
    {"DoSetWaitFails", "result DoSnapshotSet.Wait 8004230F", SNAPSHOT_DO_SET_WAIT_FAILED,
     VSS_E_UNEXPECTED_PROVIDER_ERROR, "DoSnapshotSet.Wait", true, true, true},
    {"DoSetStatusFails", "result DoSnapshotSet.QueryStatus 80042301", SNAPSHOT_DO_SET_STATUS_FAILED,
     VSS_E_BAD_STATE, "DoSnapshotSet.QueryStatus", true, true, true},
    {"DoSetCancelled", "status DoSnapshotSet 4230B", SNAPSHOT_DO_SET_CANCELLED, S_OK, "DoSnapshotSet.QueryStatus",
     true, true, true},
    {"PropertiesFail", "result GetSnapshotProperties 80042308", SNAPSHOT_PROPERTIES_FAILED, VSS_E_OBJECT_NOT_FOUND,
     "GetSnapshotProperties", true, true, true},
    // Success codes other than S_OK are successes; lastResult ends as the properties' own result.
    {"SuccessCodesGoOn",
     "result InitializeForBackup 1\nresult SetBackupState 42309\nresult DoSnapshotSet.Wait 4230A\n"
     "result GetSnapshotProperties 1",
     SNAPSHOT_MADE, S_FALSE, "VssFreeSnapshotProperties", true, true, true},
};

// Create's calls up to its last one; when that was a step of an asynchronous operation, the release
// of its IVssAsync follows.
std::vector<std::string> ExpectedCreateCalls(const StatusCase &c, unsigned number)
{
    std::vector<std::string> all = CreateCalls(number);
    std::vector<std::string> calls;
    std::string last = c.lastCall;
    for (const std::string &call : all) {
        calls.push_back(call);
        if (call.compare(0, last.size(), last) == 0 && (call.size() == last.size() || call[last.size()] == ' '))
            break;
    }
    size_t dot = last.find('.');
    if (dot != std::string::npos)
        calls.push_back(last.substr(0, dot) + ".Release 0");
    return calls;
}

std::vector<std::string> ExpectedReleaseCalls(const StatusCase &c, unsigned number)
{
    std::vector<std::string> calls;
    if (c.abortBackup)
        calls.push_back("AbortBackup");
    if (c.deleteSnapshots)
        calls.push_back("DeleteSnapshots " + SetId(number) + " 2 0 & &");
    if (c.releaseComponents)
        calls.push_back("Release 0");
    return calls;
}

class SubstituteVss : public ::testing::Test {
protected:
    void SetUp() override { ForgetSubstituteFiles(); }
    void TearDown() override { ForgetSubstituteFiles(); }
};

class SubstituteVssStatus : public SubstituteVss, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(SubstituteVssStatus, CallsAndReleaseSteps)
{
    const StatusCase &c = GetParam();
    WriteControl(c.control);
    std::unique_ptr<VolumeSnapshot> snapshot(new VolumeSnapshot());
    unsigned number;

    EXPECT_EQ(c.status, snapshot->Create(kVolume));
    EXPECT_EQ(c.lastResult, snapshot->GetLastResult());
    EXPECT_TRUE(ThreadInSingleThreadedApartment()) << "COM stays initialised while the object lives";
    std::vector<std::string> recorded = RecordedCalls(&number);
    ASSERT_EQ(ExpectedCreateCalls(c, number), recorded) << "nothing is released before the object is destroyed";
    if (c.status == SNAPSHOT_MADE)
        EXPECT_EQ(VSS_SUBSTITUTE_DEVICE_PREFIX + std::to_wstring(number), snapshot->GetDeviceName());
    else
        EXPECT_EQ(L"", snapshot->GetDeviceName());

    snapshot.reset();
    EXPECT_FALSE(ThreadInSingleThreadedApartment()) << "CoUninitialize balances CoInitialize";
    std::vector<std::string> expected = ExpectedCreateCalls(c, number);
    std::vector<std::string> releases = ExpectedReleaseCalls(c, number);
    expected.insert(expected.end(), releases.begin(), releases.end());
    EXPECT_EQ(expected, RecordedCalls(&number));
}

INSTANTIATE_TEST_SUITE_P(Codes, SubstituteVssStatus, ::testing::ValuesIn(kStatusCases),
                         [](const ::testing::TestParamInfo<StatusCase> &info) { return info.param.name; });

TEST_F(SubstituteVss, EmptyVolumeNameTouchesNothing)
{
    unsigned number;
    {
        VolumeSnapshot snapshot;
        EXPECT_EQ(SNAPSHOT_NO_VOLUME, snapshot.Create(L""));
        EXPECT_EQ(S_OK, snapshot.GetLastResult());
        EXPECT_FALSE(ThreadInSingleThreadedApartment());
    }
    EXPECT_TRUE(RecordedCalls(&number).empty());
}

TEST_F(SubstituteVss, NeverCreatedReleasesNothing)
{
    unsigned number;
    { VolumeSnapshot snapshot; }
    EXPECT_TRUE(RecordedCalls(&number).empty());
}

// When this thread already belongs to the multithreaded apartment, CoInitialize fails; the object must
// not call CoUninitialize for it, or it would take the apartment away from its owner.
TEST_F(SubstituteVss, FailedComInitialisationIsNotBalanced)
{
    ASSERT_EQ(S_OK, CoInitializeEx(NULL, COINIT_MULTITHREADED));
    {
        VolumeSnapshot snapshot;
        EXPECT_EQ(SNAPSHOT_MADE, snapshot.Create(kVolume));
    }
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    EXPECT_EQ(S_OK, CoGetApartmentType(&type, &qualifier));
    EXPECT_EQ(APTTYPE_MTA, type);
    EXPECT_EQ(APTTYPEQUALIFIER_NONE, qualifier) << "the explicit initialisation is still in place";
    CoUninitialize();
}

TEST_F(SubstituteVss, ConcurrentSnapshotsAreIndependent)
{
    VolumeSnapshot first;
    VolumeSnapshot second;
    ASSERT_EQ(SNAPSHOT_MADE, first.Create(kVolume));
    ASSERT_EQ(SNAPSHOT_MADE, second.Create(L"D:\\"));
    EXPECT_NE(first.GetDeviceName(), second.GetDeviceName());
}

// Resolves the functions of the vssapi.dll this run loads and checks they are the named exports.
void ExpectResolvedTo(const char *createName, const char *freeName)
{
    HMODULE vssapi = LoadLibraryW(L"vssapi.dll");
    ASSERT_NE(nullptr, vssapi);
    VssApi api;
    EXPECT_EQ(S_OK, ResolveVssApi(vssapi, &api));
    EXPECT_NE(nullptr, api.createBackupComponents);
    EXPECT_EQ(ExportOf<CreateBackupComponentsFunction>(vssapi, createName), api.createBackupComponents);
    EXPECT_EQ(ExportOf<FreeSnapshotPropertiesFunction>(vssapi, freeName), api.freeSnapshotProperties);
    FreeLibrary(vssapi);
}

// Create fails at the backup components step with the given result; only COM is given back.
void ExpectCreateComponentsFailure(HRESULT expected)
{
    {
        VolumeSnapshot snapshot;
        EXPECT_EQ(SNAPSHOT_CREATE_COMPONENTS_FAILED, snapshot.Create(kVolume));
        EXPECT_EQ(expected, snapshot.GetLastResult());
        EXPECT_TRUE(ThreadInSingleThreadedApartment());
    }
    EXPECT_FALSE(ThreadInSingleThreadedApartment());
}

// The substitute exports only the names of XP and Server 2003, as those systems do.
TEST(VssApiResolution, LegacyExportsWhenNoInternalOnes)
{
#ifdef _WIN64
    ExpectResolvedTo("?CreateVssBackupComponents@@YAJPEAPEAVIVssBackupComponents@@@Z", "VssFreeSnapshotProperties");
#else
    ExpectResolvedTo("?CreateVssBackupComponents@@YGJPAPAVIVssBackupComponents@@@Z", "VssFreeSnapshotProperties");
#endif
}

TEST(VssApiResolution, NeitherExportIsAFailedLookUp)
{
    VssApi api;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND), ResolveVssApi(GetModuleHandleW(L"kernel32.dll"), &api));
    EXPECT_EQ(nullptr, api.createBackupComponents);
    EXPECT_EQ(nullptr, api.freeSnapshotProperties);
}

// Wine's vssapi has the *Internal exports (and, in 64 bits, not the x86-64 decorated name); its
// backup components function answers E_NOTIMPL.
TEST(WineVssapi, InternalExportsArePreferred)
{
    ExpectResolvedTo("CreateVssBackupComponentsInternal", "VssFreeSnapshotPropertiesInternal");
}

TEST(WineVssapi, CreateFailsWithWinesResult)
{
    ExpectCreateComponentsFailure(E_NOTIMPL);
}

TEST(MissingVssapi, CreateFailsWithTheLoadError)
{
    ExpectCreateComponentsFailure(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
}

}  // namespace

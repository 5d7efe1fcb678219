#include "snapshot.h"

#include "vss_api.h"

namespace {

// The status codes of the three ways an asynchronous operation can stop Create.
struct AsyncStatusCodes {
    int waitFailed;
    int statusFailed;
    int cancelled;
};

const AsyncStatusCodes kPrepareCodes = {
    SNAPSHOT_PREPARE_WAIT_FAILED, SNAPSHOT_PREPARE_STATUS_FAILED, SNAPSHOT_PREPARE_CANCELLED};
const AsyncStatusCodes kDoSetCodes = {
    SNAPSHOT_DO_SET_WAIT_FAILED, SNAPSHOT_DO_SET_STATUS_FAILED, SNAPSHOT_DO_SET_CANCELLED};

// Waits for one asynchronous operation, reads how it ended and releases it. Every result goes to
// *lastResult. Returns SNAPSHOT_MADE to go on, else the code of the step that stopped.
int FinishAsync(VssAsync *async, const AsyncStatusCodes &codes, HRESULT *lastResult)
{
    HRESULT operationStatus = S_OK;
    int status = SNAPSHOT_MADE;

    *lastResult = WaitForever(async);
    if (FAILED(*lastResult)) {
        status = codes.waitFailed;
        goto exit;
    }
    *lastResult = async->QueryStatus(&operationStatus, NULL);
    if (FAILED(*lastResult)) {
        status = codes.statusFailed;
        goto exit;
    }
    // Only a cancellation stops here; an operation that failed shows up as the failure of the next step.
    if (operationStatus == VSS_S_ASYNC_CANCELLED)
        status = codes.cancelled;

exit:
    async->Release();
    return status;
}

}  // namespace

VolumeSnapshot::VolumeSnapshot()
    : comInitialized(false),
      componentsCreated(false),
      backupPrepared(false),
      components(NULL),
      snapshotId(GUID_NULL),
      snapshotSetId(GUID_NULL),
      lastResult(S_OK),
      vssapi(NULL)
{
}

// Gives back whatever Create acquired, in this order; results are ignored, there is nothing left to
// try. The backup is aborted rather than completed even after a snapshot was made: the shadow copy
// only ever served reads.
VolumeSnapshot::~VolumeSnapshot()
{
    VssBackupComponents *backup = static_cast<VssBackupComponents *>(components);

    if (backupPrepared)
        backup->AbortBackup();
    if (snapshotSetId != GUID_NULL) {
        LONG deletedCount = 0;
        VSS_ID undeletedId = GUID_NULL;
        backup->DeleteSnapshots(snapshotSetId, VSS_OBJECT_SNAPSHOT_SET, FALSE, &deletedCount, &undeletedId);
    }
    if (componentsCreated)
        backup->Release();
    if (comInitialized)
        CoUninitialize();
    if (vssapi != NULL)
        FreeLibrary(vssapi);
}

// Every platform result goes into lastResult before it is tested. A failed step returns its code at
// once; what was acquired up to there stays recorded in the members and the destructor gives it back.
int VolumeSnapshot::Create(std::wstring volumeName)
{
    VssApi api;
    VssBackupComponents *backup = NULL;
    VssAsync *async = NULL;
    VSS_SNAPSHOT_PROP properties;
    int status;

    lastResult = S_OK;
    if (volumeName.empty())
        return SNAPSHOT_NO_VOLUME;

    // S_FALSE still needs its CoUninitialize; a failure (another apartment type on this thread) must
    // not get one, or the destructor would tear down COM under that apartment's owner.
    comInitialized = SUCCEEDED(CoInitialize(NULL));

    lastResult = OpenVssApi(&vssapi, &api);
    if (FAILED(lastResult))
        return SNAPSHOT_CREATE_COMPONENTS_FAILED;
    lastResult = api.createBackupComponents(&backup);
    if (FAILED(lastResult))
        return SNAPSHOT_CREATE_COMPONENTS_FAILED;
    components = backup;
    componentsCreated = true;

    lastResult = backup->InitializeForBackup(NULL);
    if (FAILED(lastResult))
        return SNAPSHOT_INITIALIZE_FAILED;
    lastResult = backup->StartSnapshotSet(&snapshotSetId);
    if (FAILED(lastResult))
        return SNAPSHOT_START_SET_FAILED;
    lastResult = backup->AddToSnapshotSet(&volumeName[0], GUID_NULL, &snapshotId);
    if (FAILED(lastResult))
        return SNAPSHOT_ADD_VOLUME_FAILED;
    lastResult = backup->SetBackupState(false, false, VSS_BT_FULL, false);
    if (FAILED(lastResult))
        return SNAPSHOT_SET_BACKUP_STATE_FAILED;

    lastResult = backup->PrepareForBackup(&async);
    if (FAILED(lastResult))
        return SNAPSHOT_PREPARE_FAILED;
    backupPrepared = true;
    status = FinishAsync(async, kPrepareCodes, &lastResult);
    if (status != SNAPSHOT_MADE)
        return status;

    lastResult = backup->DoSnapshotSet(&async);
    if (FAILED(lastResult))
        return SNAPSHOT_DO_SET_FAILED;
    status = FinishAsync(async, kDoSetCodes, &lastResult);
    if (status != SNAPSHOT_MADE)
        return status;

    lastResult = backup->GetSnapshotProperties(snapshotId, &properties);
    if (FAILED(lastResult))
        return SNAPSHOT_PROPERTIES_FAILED;
    if (properties.m_pwszSnapshotDeviceObject != NULL)
        deviceName = properties.m_pwszSnapshotDeviceObject;
    api.freeSnapshotProperties(&properties);
    return SNAPSHOT_MADE;
}

std::wstring VolumeSnapshot::GetDeviceName() const
{
    return deviceName;
}

HRESULT VolumeSnapshot::GetLastResult() const
{
    return lastResult;
}

#include "snapshot.h"

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
    if (backupPrepared)
        components->AbortBackup();
    if (snapshotSetId != GUID_NULL) {
        LONG deletedCount = 0;
        VSS_ID undeletedId = GUID_NULL;
        components->DeleteSnapshots(snapshotSetId, VSS_OBJECT_SNAPSHOT_SET, FALSE, &deletedCount, &undeletedId);
    }
    if (componentsCreated)
        components->Release();
    if (comInitialized)
        CoUninitialize();
    if (vssapi != NULL)
        FreeLibrary(vssapi);
}

// Waits for one asynchronous operation, reads how it ended and releases it. Returns SNAPSHOT_MADE to
// go on, else the code of the step that stopped.
int VolumeSnapshot::FinishAsync(VssAsync *async, const AsyncStatusCodes &codes)
{
    HRESULT operationStatus = S_OK;
    int status = SNAPSHOT_MADE;

    lastResult = WaitForever(async);
    if (FAILED(lastResult)) {
        status = codes.waitFailed;
        goto exit;
    }
    lastResult = async->QueryStatus(&operationStatus, NULL);
    if (FAILED(lastResult)) {
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

// Every platform result goes into lastResult before it is tested. A failed step returns its code at
// once; what was acquired up to there stays recorded in the members and the destructor gives it back.
int VolumeSnapshot::Create(std::wstring volumeName)
{
    static const AsyncStatusCodes kPrepareCodes = {
        SNAPSHOT_PREPARE_WAIT_FAILED, SNAPSHOT_PREPARE_STATUS_FAILED, SNAPSHOT_PREPARE_CANCELLED};
    static const AsyncStatusCodes kDoSetCodes = {
        SNAPSHOT_DO_SET_WAIT_FAILED, SNAPSHOT_DO_SET_STATUS_FAILED, SNAPSHOT_DO_SET_CANCELLED};
    VssApi api;
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
    lastResult = api.createBackupComponents(&components);
    if (FAILED(lastResult))
        return SNAPSHOT_CREATE_COMPONENTS_FAILED;
    componentsCreated = true;

    lastResult = components->InitializeForBackup(NULL);
    if (FAILED(lastResult))
        return SNAPSHOT_INITIALIZE_FAILED;
    lastResult = components->StartSnapshotSet(&snapshotSetId);
    if (FAILED(lastResult))
        return SNAPSHOT_START_SET_FAILED;
    lastResult = components->AddToSnapshotSet(&volumeName[0], GUID_NULL, &snapshotId);
    if (FAILED(lastResult))
        return SNAPSHOT_ADD_VOLUME_FAILED;
    lastResult = components->SetBackupState(false, false, VSS_BT_FULL, false);
    if (FAILED(lastResult))
        return SNAPSHOT_SET_BACKUP_STATE_FAILED;

    lastResult = components->PrepareForBackup(&async);
    if (FAILED(lastResult))
        return SNAPSHOT_PREPARE_FAILED;
    backupPrepared = true;
    status = FinishAsync(async, kPrepareCodes);
    if (status != SNAPSHOT_MADE)
        return status;

    lastResult = components->DoSnapshotSet(&async);
    if (FAILED(lastResult))
        return SNAPSHOT_DO_SET_FAILED;
    status = FinishAsync(async, kDoSetCodes);
    if (status != SNAPSHOT_MADE)
        return status;

    lastResult = components->GetSnapshotProperties(snapshotId, &properties);
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

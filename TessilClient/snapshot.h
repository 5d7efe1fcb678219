#pragma once

#include <windows.h>

#include <string>

// Snapshot status codes: what Create returns and the snapshot reply carries. Each failure code names
// the step whose call failed; 6 to 13 are not used.
enum SnapshotStatus {
    SNAPSHOT_MADE = 0,
    SNAPSHOT_NO_VOLUME = 1,
    SNAPSHOT_CREATE_COMPONENTS_FAILED = 2,
    SNAPSHOT_INITIALIZE_FAILED = 3,
    SNAPSHOT_START_SET_FAILED = 4,
    SNAPSHOT_ADD_VOLUME_FAILED = 5,
    SNAPSHOT_SET_BACKUP_STATE_FAILED = 14,
    SNAPSHOT_PREPARE_FAILED = 15,
    SNAPSHOT_PREPARE_WAIT_FAILED = 16,
    SNAPSHOT_PREPARE_STATUS_FAILED = 17,
    SNAPSHOT_PREPARE_CANCELLED = 18,
    SNAPSHOT_DO_SET_FAILED = 19,
    SNAPSHOT_DO_SET_WAIT_FAILED = 20,
    SNAPSHOT_DO_SET_STATUS_FAILED = 21,
    SNAPSHOT_DO_SET_CANCELLED = 22,
    SNAPSHOT_PROPERTIES_FAILED = 23,
};

// One Volume Shadow Copy snapshot of one volume, made by Create and held until the object is
// destroyed. Made, used and destroyed on one thread: Create initialises COM on it.
// The class looks the same in every build variant; only snapshot.cpp knows the backup interface
// edition, so the components object is held here through its IUnknown base.
class VolumeSnapshot {
public:
    VolumeSnapshot();
    ~VolumeSnapshot();
    VolumeSnapshot(const VolumeSnapshot &) = delete;
    VolumeSnapshot &operator=(const VolumeSnapshot &) = delete;

    // Makes a one-volume snapshot set; returns a SnapshotStatus. Call once per object.
    int Create(std::wstring volumeName);
    // The snapshot's device name, after Create returned SNAPSHOT_MADE.
    std::wstring GetDeviceName() const;
    // The HRESULT of the last platform call Create made (a success for the cancelled codes).
    HRESULT GetLastResult() const;

private:
    bool comInitialized;
    bool componentsCreated;
    bool backupPrepared;
    IUnknown *components;
    GUID snapshotId;
    GUID snapshotSetId;
    std::wstring deviceName;
    HRESULT lastResult;
    // vssapi.dll stays loaded while its backup components object lives.
    HMODULE vssapi;
};

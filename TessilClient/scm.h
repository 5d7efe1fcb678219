#pragma once

// The service control manager as the service entry (service.cpp) sees it: thin calls that each return 0 or
// the Windows error code of the failing call, taken right at the call. The program implements them with
// advapi32 (scm.cpp); the unit tests with a scripted stand-in.

#include <cstdint>

// Values of the platform's service interface used here (the program checks them against its headers).
constexpr uint32_t SCM_MANAGER_ALL_ACCESS = 0xF003F;
constexpr uint32_t SCM_SERVICE_ALL_ACCESS = 0xF01FF;
constexpr uint32_t SCM_UNINSTALL_ACCESS = 0x10024;  // DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS
constexpr uint32_t SCM_OWN_PROCESS = 0x10;
constexpr uint32_t SCM_AUTO_START = 2;
constexpr uint32_t SCM_ERROR_NORMAL = 1;
constexpr uint32_t SCM_ACCEPT_STOP_AND_SHUTDOWN = 5;
constexpr uint32_t SCM_STATE_STOPPED = 1;
constexpr uint32_t SCM_STATE_STOP_PENDING = 3;
constexpr uint32_t SCM_STATE_RUNNING = 4;
constexpr uint32_t SCM_CONTROL_STOP = 1;
constexpr uint32_t SCM_CONTROL_SHUTDOWN = 5;
constexpr uint32_t SCM_INFINITE = 0xFFFFFFFF;
constexpr uint32_t ERROR_CODE_BAD_PATHNAME = 161;

typedef struct ScmObject *ScmHandle;              // a manager or service handle; null = none
typedef struct ScmStatusObject *ScmStatusHandle;  // the handle status reports go to; null = none

// The fields of the service status record, in the platform's order.
struct ServiceStatus {
    uint32_t serviceType;
    uint32_t currentState;
    uint32_t controlsAccepted;
    uint32_t win32ExitCode;
    uint32_t serviceSpecificExitCode;
    uint32_t checkPoint;
    uint32_t waitHint;  // ms
};

struct ServiceDefinition {
    const char *name;
    const char *displayName;
    uint32_t access;
    uint32_t serviceType;
    uint32_t startType;
    uint32_t errorControl;
    const char *commandPath;
    const char *dependencies;  // names, each ended by a NUL, and one more NUL
};

// Local machine, default database.
uint32_t ScmOpenManager(uint32_t access, ScmHandle *manager);
uint32_t ScmCreateService(ScmHandle manager, const ServiceDefinition &definition, ScmHandle *service);
// Failure actions: one restart after `restartDelay` ms, the failure count reset after `resetPeriod` s.
uint32_t ScmSetRestartOnFailure(ScmHandle service, uint32_t resetPeriod, uint32_t restartDelay);
uint32_t ScmSetDescription(ScmHandle service, const char *description);
uint32_t ScmStartService(ScmHandle service);
uint32_t ScmOpenService(ScmHandle manager, const char *name, uint32_t access, ScmHandle *service);
uint32_t ScmQueryState(ScmHandle service, uint32_t *state);
// Sends the stop control; *state is the state the service reported with its answer.
uint32_t ScmSendStop(ScmHandle service, uint32_t *state);
uint32_t ScmDeleteService(ScmHandle service);
// Accepts null.
void ScmClose(ScmHandle handle);

// The service's main function, on the dispatcher's service thread with the start parameters, and its
// control handler, on the dispatcher's thread.
typedef void (*ServiceMainFunction)(uint32_t argc, char **argv);
typedef void (*ControlHandlerFunction)(uint32_t control);

// Registers the control handler for the service; null on failure.
ScmStatusHandle ScmRegisterControlHandler(const char *serviceName, ControlHandlerFunction handler);
uint32_t ScmReportStatus(ScmStatusHandle statusHandle, const ServiceStatus &status);
// Hands the calling thread to the dispatcher, which runs `serviceMain` for the service. The call's own
// result: nonzero after a service run, 0 when the process was not started by the service control manager.
int ScmRunDispatcher(const char *serviceName, ServiceMainFunction serviceMain);

// The program's own path: *length is what GetModuleFileNameA returned (size or more: it did not fit).
uint32_t OwnModulePath(char *buffer, uint32_t size, uint32_t *length);
void SleepMilliseconds(uint32_t milliseconds);

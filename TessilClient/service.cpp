#include "service.h"

#include <cstdio>
#include <cstring>

// Set once by ProgramEntry, before the dispatcher can call the service's functions.
static DaemonOperations daemonOperations;
// The service status record, as last reported.
static ServiceStatus serviceStatus;
static ScmStatusHandle statusHandle;

static void ServiceMain(uint32_t argc, char **argv);

int ProgramEntry(int argc, char **argv, const DaemonOperations &daemon)
{
    daemonOperations = daemon;
    // Only the number of arguments decides between the dispatcher and the one-argument forms.
    if (argc != 2)
        return ScmRunDispatcher(SERVICE_NAME, ServiceMain);
    if (strcmp(argv[1], INSTALL_SWITCH) == 0)
        return InstallService();
    if (strcmp(argv[1], UNINSTALL_SWITCH) == 0)
        return UninstallService();
    return daemonOperations.run(argc, argv);
}

void ReadDaemonSwitches(int argc, char **argv, int *scriptModeFlag, int *quietFlag)
{
    *scriptModeFlag = argc > 1 && strcmp(argv[1], SCRIPT_MODE_SWITCH) == 0;
    *quietFlag = argc == 1;
}

int InstallService()
{
    ScmHandle manager = NULL;
    ScmHandle service = NULL;
    char modulePath[INSTALL_PATH_SIZE];
    char commandPath[INSTALL_PATH_SIZE + 2];  // the path between double quotes
    uint32_t length = 0;
    ServiceDefinition definition = {SERVICE_NAME, SERVICE_NAME, SCM_SERVICE_ALL_ACCESS, SCM_OWN_PROCESS,
                                    SCM_AUTO_START, SCM_ERROR_NORMAL, commandPath, SERVICE_DEPENDENCIES};
    int result = static_cast<int>(ScmOpenManager(SCM_MANAGER_ALL_ACCESS, &manager));
    if (result != 0)
        goto exit;

    result = static_cast<int>(OwnModulePath(modulePath, sizeof modulePath, &length));
    if (result != 0)
        goto exit;
    if (length >= sizeof modulePath) {  // cut short: a service must not be made for part of the path
        result = ERROR_CODE_BAD_PATHNAME;
        goto exit;
    }
    snprintf(commandPath, sizeof commandPath, "\"%s\"", modulePath);

    result = static_cast<int>(ScmCreateService(manager, definition, &service));
    if (result != 0)
        goto exit;
    // Neither the failure actions nor the start decide the result: the service exists and is described.
    ScmSetRestartOnFailure(service, FAILURE_RESET_PERIOD, FAILURE_RESTART_DELAY);
    result = static_cast<int>(ScmSetDescription(service, SERVICE_DESCRIPTION_TEXT));
    if (result == 0)
        result = INSTALLED;
    ScmStartService(service);

exit:
    ScmClose(service);
    ScmClose(manager);
    return result;
}

// Stopped, stop pending, continue pending and paused: the service is not sent a stop.
static bool StopNotNeeded(uint32_t state)
{
    return state % 2 == 1;
}

int UninstallService()
{
    ScmHandle manager = NULL;
    ScmHandle service = NULL;
    uint32_t state = 0;
    uint32_t result = ScmOpenManager(SCM_MANAGER_ALL_ACCESS, &manager);
    if (result != 0)
        goto exit;
    result = ScmOpenService(manager, SERVICE_NAME, SCM_UNINSTALL_ACCESS, &service);
    if (result != 0)
        goto exit;
    result = ScmQueryState(service, &state);
    if (result != 0)
        goto exit;

    if (!StopNotNeeded(state)) {
        result = ScmSendStop(service, &state);
        if (result != 0)
            goto exit;
        while (state == SCM_STATE_STOP_PENDING) {
            SleepMilliseconds(STOP_POLL_INTERVAL);
            result = ScmQueryState(service, &state);
            if (result != 0)
                goto exit;
        }
    }
    result = ScmDeleteService(service);

exit:
    ScmClose(service);
    ScmClose(manager);
    return static_cast<int>(result);
}

// Every report carries the wait hint; every change of state after running advances the check point.
static void ReportState(uint32_t state)
{
    serviceStatus.currentState = state;
    serviceStatus.win32ExitCode = 0;
    ++serviceStatus.checkPoint;
    serviceStatus.waitHint = STATUS_WAIT_HINT;
    ScmReportStatus(statusHandle, serviceStatus);
}

static void ServiceCtrlHandler(uint32_t control)
{
    if (control == SCM_CONTROL_STOP || control == SCM_CONTROL_SHUTDOWN) {
        ReportState(SCM_STATE_STOP_PENDING);
        daemonOperations.stopSyncers();
        ReportState(SCM_STATE_STOPPED);
        return;
    }
    ScmReportStatus(statusHandle, serviceStatus);  // any other control: the record as it stands
}

static void ServiceMain(uint32_t argc, char **argv)
{
    statusHandle = ScmRegisterControlHandler(SERVICE_NAME, ServiceCtrlHandler);
    if (statusHandle == NULL)
        return;

    // Running at once: the daemon's start-up (even a listener that keeps retrying) is not waited for.
    serviceStatus = {SCM_OWN_PROCESS, SCM_STATE_RUNNING, SCM_ACCEPT_STOP_AND_SHUTDOWN, 0, 0, 0, STATUS_WAIT_HINT};
    if (ScmReportStatus(statusHandle, serviceStatus) == 0)
        daemonOperations.run(static_cast<int>(argc), argv);  // returns only when start-up gives up
    ReportState(SCM_STATE_STOPPED);
}

// The service control manager edge (scm.h) over advapi32.

#include "scm.h"

#include <windows.h>

static_assert(SCM_MANAGER_ALL_ACCESS == SC_MANAGER_ALL_ACCESS, "manager access");
static_assert(SCM_SERVICE_ALL_ACCESS == SERVICE_ALL_ACCESS, "service access");
static_assert(SCM_UNINSTALL_ACCESS == (DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS), "uninstall access");
static_assert(SCM_OWN_PROCESS == SERVICE_WIN32_OWN_PROCESS, "service type");
static_assert(SCM_AUTO_START == SERVICE_AUTO_START, "start type");
static_assert(SCM_ERROR_NORMAL == SERVICE_ERROR_NORMAL, "error control");
static_assert(SCM_ACCEPT_STOP_AND_SHUTDOWN == (SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN), "controls");
static_assert(SCM_STATE_STOPPED == SERVICE_STOPPED, "stopped");
static_assert(SCM_STATE_STOP_PENDING == SERVICE_STOP_PENDING, "stop pending");
static_assert(SCM_STATE_RUNNING == SERVICE_RUNNING, "running");
static_assert(SCM_CONTROL_STOP == SERVICE_CONTROL_STOP, "stop control");
static_assert(SCM_CONTROL_SHUTDOWN == SERVICE_CONTROL_SHUTDOWN, "shutdown control");
static_assert(SCM_INFINITE == INFINITE, "infinite");
static_assert(ERROR_CODE_BAD_PATHNAME == ERROR_BAD_PATHNAME, "bad path name");

static SC_HANDLE Native(ScmHandle handle)
{
    return reinterpret_cast<SC_HANDLE>(handle);
}

static ScmHandle Wrapped(SC_HANDLE handle)
{
    return reinterpret_cast<ScmHandle>(handle);
}

// 0 when the call succeeded, else the error it left.
static uint32_t Outcome(BOOL succeeded)
{
    return succeeded ? 0 : GetLastError();
}

uint32_t ScmOpenManager(uint32_t access, ScmHandle *manager)
{
    SC_HANDLE opened = OpenSCManagerA(NULL, NULL, access);
    uint32_t error = Outcome(opened != NULL);
    *manager = Wrapped(opened);
    return error;
}

uint32_t ScmCreateService(ScmHandle manager, const ServiceDefinition &definition, ScmHandle *service)
{
    SC_HANDLE created = CreateServiceA(Native(manager), definition.name, definition.displayName, definition.access,
                                       definition.serviceType, definition.startType, definition.errorControl,
                                       definition.commandPath, NULL, NULL, definition.dependencies, NULL, NULL);
    uint32_t error = Outcome(created != NULL);
    *service = Wrapped(created);
    return error;
}

uint32_t ScmSetRestartOnFailure(ScmHandle service, uint32_t resetPeriod, uint32_t restartDelay)
{
    SC_ACTION restart = {SC_ACTION_RESTART, restartDelay};
    SERVICE_FAILURE_ACTIONSA actions = {resetPeriod, NULL, NULL, 1, &restart};
    return Outcome(ChangeServiceConfig2A(Native(service), SERVICE_CONFIG_FAILURE_ACTIONS, &actions));
}

uint32_t ScmSetDescription(ScmHandle service, const char *description)
{
    SERVICE_DESCRIPTIONA record = {const_cast<char *>(description)};
    return Outcome(ChangeServiceConfig2A(Native(service), SERVICE_CONFIG_DESCRIPTION, &record));
}

uint32_t ScmStartService(ScmHandle service)
{
    return Outcome(StartServiceA(Native(service), 0, NULL));
}

uint32_t ScmOpenService(ScmHandle manager, const char *name, uint32_t access, ScmHandle *service)
{
    SC_HANDLE opened = OpenServiceA(Native(manager), name, access);
    uint32_t error = Outcome(opened != NULL);
    *service = Wrapped(opened);
    return error;
}

uint32_t ScmQueryState(ScmHandle service, uint32_t *state)
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    uint32_t error = Outcome(QueryServiceStatus(Native(service), &status));
    *state = status.dwCurrentState;
    return error;
}

uint32_t ScmSendStop(ScmHandle service, uint32_t *state)
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    uint32_t error = Outcome(ControlService(Native(service), SERVICE_CONTROL_STOP, &status));
    *state = status.dwCurrentState;
    return error;
}

uint32_t ScmDeleteService(ScmHandle service)
{
    return Outcome(DeleteService(Native(service)));
}

void ScmClose(ScmHandle handle)
{
    if (handle != NULL)
        CloseServiceHandle(Native(handle));
}

// The service's functions, for the entries the platform calls. Set before the dispatcher runs and before
// the handler is registered.
static ServiceMainFunction serviceMainFunction;
static ControlHandlerFunction controlHandlerFunction;

static VOID WINAPI ControlHandlerEntry(DWORD control)
{
    controlHandlerFunction(control);
}

static VOID WINAPI ServiceMainEntry(DWORD argc, LPSTR *argv)
{
    serviceMainFunction(argc, argv);
}

ScmStatusHandle ScmRegisterControlHandler(const char *serviceName, ControlHandlerFunction handler)
{
    controlHandlerFunction = handler;
    return reinterpret_cast<ScmStatusHandle>(RegisterServiceCtrlHandlerA(serviceName, ControlHandlerEntry));
}

uint32_t ScmReportStatus(ScmStatusHandle statusHandle, const ServiceStatus &status)
{
    SERVICE_STATUS record = {status.serviceType,   status.currentState,           status.controlsAccepted,
                             status.win32ExitCode, status.serviceSpecificExitCode, status.checkPoint,
                             status.waitHint};
    return Outcome(SetServiceStatus(reinterpret_cast<SERVICE_STATUS_HANDLE>(statusHandle), &record));
}

int ScmRunDispatcher(const char *serviceName, ServiceMainFunction serviceMain)
{
    serviceMainFunction = serviceMain;
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<char *>(serviceName), ServiceMainEntry}, {NULL, NULL}};
    return StartServiceCtrlDispatcherA(table);
}

uint32_t OwnModulePath(char *buffer, uint32_t size, uint32_t *length)
{
    *length = GetModuleFileNameA(NULL, buffer, size);
    if (*length == 0) {
        DWORD error = GetLastError();
        return error != 0 ? error : ERROR_BAD_PATHNAME;
    }
    return 0;
}

void SleepMilliseconds(uint32_t milliseconds)
{
    Sleep(milliseconds);
}

#pragma once

// The program entry of TessilCPH: install ("-i"), uninstall ("-u"), a console run (any other single
// argument) or a run under the service control manager, with the service's status reports and its stop.

#include <cstdint>

#include "scm.h"

constexpr char SERVICE_NAME[] = "Halvik Tessil Client Daemon";  // also the display name
constexpr char SERVICE_DESCRIPTION_TEXT[] =
    "Halvik Tessil Client Daemon. Identifies changed files and syncs them with Tessil server.";
// "SwPrv" and "Tcpip", each NUL-terminated, and the terminating empty name.
constexpr char SERVICE_DEPENDENCIES[] = "SwPrv\0Tcpip\0";

constexpr char INSTALL_SWITCH[] = "-i";
constexpr char UNINSTALL_SWITCH[] = "-u";
constexpr char SCRIPT_MODE_SWITCH[] = "-s";

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

constexpr uint32_t STATUS_WAIT_HINT = 64000;  // ms, sent with every report
constexpr uint32_t FAILURE_RESTART_DELAY = 0;  // ms
constexpr uint32_t FAILURE_RESET_PERIOD = SCM_INFINITE;
constexpr uint32_t STOP_POLL_INTERVAL = 1000;  // ms, while uninstalling waits for the stop
// InstallService's result after a full success: the outcome of the description step, which is 1, not 0.
constexpr int INSTALLED = 1;

// GetModuleFileNameA is given this much room for the program's path.
constexpr uint32_t INSTALL_PATH_SIZE = 261;

// The service status record, as last reported.
extern ServiceStatus serviceStatus;

// The program entry: the operation chosen by the command line, and the process exit status.
int ProgramEntry(int argc, char **argv);

// What the daemon takes from its arguments: the Python script form of the syncer only for "-s" as the
// first argument, and quiet only for a run without arguments (argc 1).
void ReadDaemonSwitches(int argc, char **argv, int *scriptModeFlag, int *quietFlag);

// Runs the daemon with the switches of its arguments; returns 0, and only when start-up gives up.
int DaemonEntry(int argc, char **argv);

// Creates, configures and starts the service. Returns INSTALLED, or the Windows error code of the step
// that failed (ERROR_CODE_BAD_PATHNAME when the program's path is too long, or that of the description).
int InstallService();

// Stops the service if it runs, waiting for the stop, and deletes it. Returns 0 or a Windows error code.
int UninstallService();

// The service's main function, on the dispatcher's service thread with the start parameters.
void ServiceMain(uint32_t argc, char **argv);

// The control handler, on the dispatcher's thread.
void ServiceCtrlHandler(uint32_t control);

// Terminates the syncers before the service reports stopped (supervisor.h).
void StopAllSyncers();

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

constexpr uint32_t STATUS_WAIT_HINT = 64000;  // ms, sent with every report
constexpr uint32_t FAILURE_RESTART_DELAY = 0;  // ms
constexpr uint32_t FAILURE_RESET_PERIOD = SCM_INFINITE;
constexpr uint32_t STOP_POLL_INTERVAL = 1000;  // ms, while uninstalling waits for the stop
// InstallService's result after a full success: the outcome of the description step, which is 1, not 0.
constexpr int INSTALLED = 1;

// GetModuleFileNameA is given this much room for the program's path.
constexpr uint32_t INSTALL_PATH_SIZE = 261;

// What the service runs: the daemon, and the stop of its syncers when the service stops.
struct DaemonOperations {
    // Runs the daemon with the switches of its arguments; returns 0, and only when start-up gives up.
    int (*run)(int argc, char **argv);
    // Terminates the syncers; the service reports stopped after it.
    void (*stopSyncers)();
};

// The program entry: the operation chosen by the command line, and the process exit status. A console run
// and the service run `daemon`.
int ProgramEntry(int argc, char **argv, const DaemonOperations &daemon);

// What the daemon takes from its arguments: the Python script form of the syncer only for "-s" as the
// first argument, and quiet only for a run without arguments (argc 1).
void ReadDaemonSwitches(int argc, char **argv, int *scriptModeFlag, int *quietFlag);

// Creates, configures and starts the service. Returns INSTALLED, or the Windows error code of the step
// that failed (ERROR_CODE_BAD_PATHNAME when the program's path is too long, or that of the description).
int InstallService();

// Stops the service if it runs, waiting for the stop, and deletes it. Returns 0 or a Windows error code.
int UninstallService();

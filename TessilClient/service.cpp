// Program entry of TessilCPH.

#include <cstring>

#include "protocol.h"

static const uint16_t DAEMON_PORT = 6063;
static const char SCRIPT_MODE_SWITCH[] = "-s";

// Runs the daemon: "-s" starts syncers as the Python script, and only a run without arguments (under the
// service control manager, argc 1) is quiet. Returns 0 when start-up gives up.
int DaemonEntry(int argc, char **argv)
{
    int scriptModeFlag = argc > 1 && strcmp(argv[1], SCRIPT_MODE_SWITCH) == 0;
    int quietFlag = argc == 1;
    RunDaemon(DAEMON_PORT, scriptModeFlag, quietFlag);
    return 0;
}

// One argument runs the daemon in the console. The service dispatcher and the install and uninstall
// switches join here with the service entry.
int main(int argc, char **argv)
{
    if (argc == 2)
        return DaemonEntry(argc, argv);
    return 0;
}

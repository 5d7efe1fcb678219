// TessilCPH: the Halvik Tessil Client Daemon, its installer and its console run.

#include "daemon.h"
#include "service.h"
#include "supervisor.h"

static const uint16_t DAEMON_PORT = 6063;

static int RunDaemonWithSwitches(int argc, char **argv)
{
    int scriptModeFlag, quietFlag;
    ReadDaemonSwitches(argc, argv, &scriptModeFlag, &quietFlag);
    RunDaemon(DAEMON_PORT, scriptModeFlag, quietFlag);
    return 0;
}

int main(int argc, char **argv)
{
    return ProgramEntry(argc, argv, {RunDaemonWithSwitches, StopAllSyncers});
}

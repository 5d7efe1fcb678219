// TessilCPH: the Halvik Tessil Client Daemon, its installer and its console run.

#include "protocol.h"
#include "service.h"

static const uint16_t DAEMON_PORT = 6063;

int DaemonEntry(int argc, char **argv)
{
    int scriptModeFlag, quietFlag;
    ReadDaemonSwitches(argc, argv, &scriptModeFlag, &quietFlag);
    RunDaemon(DAEMON_PORT, scriptModeFlag, quietFlag);
    return 0;
}

int main(int argc, char **argv)
{
    return ProgramEntry(argc, argv);
}

#include "settings.h"

int scriptMode;
int quiet;
char dataDirectory[PATH_SIZE];
uint32_t daemonProcessId;
AnsiCodePage ansiCodePage;

#include "syncercommand.h"

#include <cstdio>
#include <cstring>

int BuildSyncerPath(char syncerPath[SYNCER_PATH_SIZE], const char *modulePath)
{
    syncerPath[0] = '\0';
    const char *lastBackslash = std::strrchr(modulePath, '\\');
    if (!lastBackslash)
        return -1;
    size_t directoryLength = static_cast<size_t>(lastBackslash - modulePath) + 1;
    if (directoryLength + sizeof(SYNCER_PROGRAM_NAME) > SYNCER_PATH_SIZE)
        return -1;
    std::memcpy(syncerPath, modulePath, directoryLength);
    std::memcpy(syncerPath + directoryLength, SYNCER_PROGRAM_NAME, sizeof(SYNCER_PROGRAM_NAME));
    return 0;
}

int BuildSyncerCommandLine(char *commandLine, size_t size, int scriptMode, const char *syncerPath,
                           const char *name, uint32_t processId, const char *argument)
{
    unsigned id = processId;
    int written = scriptMode ? std::snprintf(commandLine, size, "%s \"%s\" %u", SYNCER_SCRIPT_PREFIX, name, id)
                             : std::snprintf(commandLine, size, "\"%s\" \"%s\" %u", syncerPath, name, id);
    bool fits = written >= 0 && static_cast<size_t>(written) < size;
    if (fits && argument) {
        size_t used = static_cast<size_t>(written);
        int more = std::snprintf(commandLine + used, size - used, " \"%s\"", argument);
        fits = more >= 0 && static_cast<size_t>(more) < size - used;
    }
    if (!fits && size > 0)
        commandLine[0] = '\0';
    return fits ? 0 : -1;
}

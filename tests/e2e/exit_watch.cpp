// Reports how processes end, for end-to-end tests that need a syncer's exit code.
//
//     exit_watch.exe SECONDS PID...
//
// Opens every process first and prints "watching" (or "cannot open PID ERROR" and exits 2), then waits up
// to SECONDS for all of them and prints "PID exited CODE" for each, or "PID running" for one still alive.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

static const DWORD MS_PER_SECOND = 1000;
static const int CANNOT_OPEN = 2;

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: exit_watch SECONDS PID...\n");
        return CANNOT_OPEN;
    }
    DWORD timeout = static_cast<DWORD>(atoi(argv[1])) * MS_PER_SECOND;
    std::vector<DWORD> ids;
    std::vector<HANDLE> processes;
    for (int i = 2; i < argc; ++i) {
        DWORD id = static_cast<DWORD>(strtoul(argv[i], NULL, 10));
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
        if (process == NULL) {
            DWORD error = GetLastError();
            printf("cannot open %lu %lu\n", id, error);
            return CANNOT_OPEN;
        }
        ids.push_back(id);
        processes.push_back(process);
    }
    printf("watching\n");
    fflush(stdout);

    DWORD start = GetTickCount();
    for (size_t i = 0; i < processes.size(); ++i) {
        DWORD spent = GetTickCount() - start;
        WaitForSingleObject(processes[i], spent < timeout ? timeout - spent : 0);
        DWORD code;
        if (GetExitCodeProcess(processes[i], &code) && code != STILL_ACTIVE)
            printf("%lu exited %lu\n", ids[i], code);
        else
            printf("%lu running\n", ids[i]);
        CloseHandle(processes[i]);
    }
    return 0;
}

// Stand-in for the syncer in end-to-end tests and benchmarks, placed beside the daemon as Tessil.exe (and
// as \Python25\python.exe for script mode). It records how it was started in
// <own directory>\standin-records\<process id>.txt, one "key<TAB>value" line each: program, commandline,
// cwd, argc and one argv line per argument. Then it does what <own directory>\standin-control.txt says for
// its user (a line "<user><TAB><action>"; the user "*" stands for any other): "exit <code>", "stay",
// "report <port>" (reports the port for its user, as a syncer does, and stays) or "child-report <port>"
// (has a child of its own report it); without a line it keeps running. Run as
// "Tessil.exe --report <user> <port>" it only reports the port, as any process may try.

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char RECORDS_DIRECTORY[] = "standin-records\\";
static const char CONTROL_FILE[] = "standin-control.txt";
static const char SCRIPT_NAME[] = "Tessil.py";
static const char ANY_USER[] = "*";
static const size_t PATH_SIZE = 1024;
static const size_t CONTROL_LINE_SIZE = 1024;
static const int FAILED_TO_RECORD = 99;
static const int FAILED_TO_REPORT = 98;
static const char REPORT_SWITCH[] = "--report";
static const char TCP_OWNERS_FILE[] = "tcp-owners.txt";
static const char BANNER[] = "Tessil PHC RPCW[v0002]";
static const int BANNER_LENGTH = sizeof BANNER - 1;
static const int32_t REQ_PORT = 2;
static const u_short DAEMON_PORT = 6063;
static const int USER_NAME_LIMIT = 256;

// The directory of this program, with its trailing backslash.
static void OwnDirectory(char directory[PATH_SIZE])
{
    DWORD length = GetModuleFileNameA(NULL, directory, PATH_SIZE);
    if (length == 0 || length >= PATH_SIZE)
        length = 0;
    directory[length] = '\0';
    char *lastBackslash = strrchr(directory, '\\');
    if (lastBackslash)
        lastBackslash[1] = '\0';
}

// Written under a temporary name and renamed, so a reader never sees half a record.
static int WriteRecord(const char *directory, int argc, char **argv)
{
    char recordDirectory[PATH_SIZE], temporary[PATH_SIZE], record[PATH_SIZE], cwd[PATH_SIZE];
    snprintf(recordDirectory, sizeof recordDirectory, "%s%s", directory, RECORDS_DIRECTORY);
    CreateDirectoryA(recordDirectory, NULL);
    snprintf(temporary, sizeof temporary, "%s%lu.tmp", recordDirectory, GetCurrentProcessId());
    snprintf(record, sizeof record, "%s%lu.txt", recordDirectory, GetCurrentProcessId());
    if (GetCurrentDirectoryA(sizeof cwd, cwd) == 0)
        cwd[0] = '\0';

    FILE *file = fopen(temporary, "wb");
    if (!file)
        return -1;
    fprintf(file, "program\t%s\ncommandline\t%s\ncwd\t%s\nargc\t%d\n", _pgmptr, GetCommandLineA(), cwd, argc);
    for (int i = 0; i < argc; ++i)
        fprintf(file, "argv\t%s\n", argv[i]);
    if (fclose(file) != 0 || !MoveFileA(temporary, record))
        return -1;
    return 0;
}

// The control file's action for this user, else for any user; empty when there is none.
static void ChosenAction(const char *directory, const char *user, char action[CONTROL_LINE_SIZE])
{
    char path[PATH_SIZE], line[CONTROL_LINE_SIZE], forAnyUser[CONTROL_LINE_SIZE] = "";
    snprintf(path, sizeof path, "%s%s", directory, CONTROL_FILE);
    action[0] = '\0';
    bool userListed = false;
    FILE *file = fopen(path, "r");
    if (!file)
        return;
    while (fgets(line, sizeof line, file)) {
        line[strcspn(line, "\r\n")] = '\0';
        char *tab = strchr(line, '\t');
        if (!tab)
            continue;
        *tab = '\0';
        if (strcmp(line, user) == 0) {
            snprintf(action, CONTROL_LINE_SIZE, "%s", tab + 1);
            userListed = true;
        } else if (strcmp(line, ANY_USER) == 0) {
            snprintf(forAnyUser, sizeof forAnyUser, "%s", tab + 1);
        }
    }
    fclose(file);
    if (!userListed)
        snprintf(action, CONTROL_LINE_SIZE, "%s", forAnyUser);
}

// REQ_PORT for the user, as a syncer reports the port it listens on; the connection is first declared as
// this process's in tcp-owners.txt for the tests' stand-in of the system's TCP table. Returns once the
// daemon has closed the connection (it has handled the report), 0 or -1.
static int ReportPort(const char *directory, const char *user, int32_t port)
{
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        return -1;
    SOCKET connection = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {}, own = {};
    int ownSize = sizeof own;
    address.sin_family = AF_INET;
    address.sin_port = htons(DAEMON_PORT);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (connection == INVALID_SOCKET || connect(connection, (sockaddr *)&address, sizeof address) != 0 ||
        getsockname(connection, (sockaddr *)&own, &ownSize) != 0)
        return -1;
    char path[PATH_SIZE];
    snprintf(path, sizeof path, "%s%s", directory, TCP_OWNERS_FILE);
    FILE *owners = fopen(path, "a");
    if (!owners)
        return -1;
    fprintf(owners, "%u %lu\n", ntohs(own.sin_port), GetCurrentProcessId());
    fclose(owners);

    char request[BANNER_LENGTH + 12 + USER_NAME_LIMIT];
    int32_t type = REQ_PORT, length = (int32_t)strnlen(user, USER_NAME_LIMIT);
    char *end = request;
    memcpy(end, BANNER, BANNER_LENGTH), end += BANNER_LENGTH;
    memcpy(end, &type, 4), end += 4;  // little-endian, as the protocol's integers
    memcpy(end, &length, 4), end += 4;
    memcpy(end, user, length), end += length;
    memcpy(end, &port, 4), end += 4;
    if (send(connection, request, (int)(end - request), 0) != end - request)
        return -1;
    while (recv(connection, request, sizeof request, 0) > 0) {
    }
    closesocket(connection);
    return 0;
}

// Starts this program as a child with REPORT_SWITCH and waits for it.
static int ReportPortFromChild(const char *user, int32_t port)
{
    char commandLine[PATH_SIZE];
    snprintf(commandLine, sizeof commandLine, "\"%s\" %s \"%s\" %d", _pgmptr, REPORT_SWITCH, user, (int)port);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child))
        return -1;
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return 0;
}

int main(int argc, char **argv)
{
    char directory[PATH_SIZE];
    OwnDirectory(directory);
    // Run as a syncer's child, or by a test as some other process: reports and ends, recording nothing.
    if (argc == 4 && strcmp(argv[1], REPORT_SWITCH) == 0)
        return ReportPort(directory, argv[2], atoi(argv[3])) == 0 ? 0 : FAILED_TO_REPORT;
    if (WriteRecord(directory, argc, argv) != 0)
        return FAILED_TO_RECORD;

    // Script form: python.exe TessilClient\Tessil.py "user" ...; program form: Tessil.exe "user" ...
    int userIndex = argc > 1 && strstr(argv[1], SCRIPT_NAME) ? 2 : 1;
    const char *user = userIndex < argc ? argv[userIndex] : "";
    char action[CONTROL_LINE_SIZE];
    ChosenAction(directory, user, action);
    if (strncmp(action, "exit ", 5) == 0)
        return atoi(action + 5);
    if (strncmp(action, "report ", 7) == 0)
        ReportPort(directory, user, atoi(action + 7));
    else if (strncmp(action, "child-report ", 13) == 0)
        ReportPortFromChild(user, atoi(action + 13));
    Sleep(INFINITE);
}

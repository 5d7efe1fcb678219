// Stand-in for the syncer in end-to-end tests and benchmarks, placed beside the daemon as Tessil.exe (and
// as \Python25\python.exe for script mode). It records how it was started in
// <own directory>\standin-records\<process id>.txt, one "key<TAB>value" line each: program, commandline,
// cwd, argc and one argv line per argument. Then it does what <own directory>\standin-control.txt says for
// its user (a line "<user><TAB>exit <code>" or "<user><TAB>stay"; the user "*" stands for any other);
// without a line it keeps running.

#include <windows.h>

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

static const int KEEP_RUNNING = -1;

// The control file's action for this user, else for any user: KEEP_RUNNING or the exit code.
static int ChosenExitCode(const char *directory, const char *user)
{
    char path[PATH_SIZE], line[CONTROL_LINE_SIZE];
    snprintf(path, sizeof path, "%s%s", directory, CONTROL_FILE);
    int forUser = KEEP_RUNNING, forAnyUser = KEEP_RUNNING;
    bool userListed = false;
    FILE *file = fopen(path, "r");
    if (!file)
        return KEEP_RUNNING;
    while (fgets(line, sizeof line, file)) {
        line[strcspn(line, "\r\n")] = '\0';
        char *tab = strchr(line, '\t');
        if (!tab)
            continue;
        *tab = '\0';
        const char *action = tab + 1;
        int code = strncmp(action, "exit ", 5) == 0 ? atoi(action + 5) : KEEP_RUNNING;
        if (strcmp(line, user) == 0) {
            forUser = code;
            userListed = true;
        } else if (strcmp(line, ANY_USER) == 0) {
            forAnyUser = code;
        }
    }
    fclose(file);
    return userListed ? forUser : forAnyUser;
}

int main(int argc, char **argv)
{
    char directory[PATH_SIZE];
    OwnDirectory(directory);
    if (WriteRecord(directory, argc, argv) != 0)
        return FAILED_TO_RECORD;

    // Script form: python.exe TessilClient\Tessil.py "user" ...; program form: Tessil.exe "user" ...
    int userIndex = argc > 1 && strstr(argv[1], SCRIPT_NAME) ? 2 : 1;
    const char *user = userIndex < argc ? argv[userIndex] : "";
    int exitCode = ChosenExitCode(directory, user);
    if (exitCode == KEEP_RUNNING)
        Sleep(INFINITE);
    return exitCode;
}

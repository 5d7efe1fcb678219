#include "userfile.h"

static const char LINE_END[] = "\r\n";

UserLineOutcome ReadUserLine(FILE *file, char line[USER_LINE_BUFFER_SIZE], bool *endsMidLine)
{
    size_t length = 0;  // characters read, the line feed included
    bool lineFeed = false;
    while (!lineFeed && length < USER_LINE_MAX_CHARACTERS) {
        int byte = std::getc(file);
        if (byte == EOF)
            break;
        if (byte == '\r') {
            int next = std::getc(file);
            if (next == '\n')
                byte = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        lineFeed = byte == '\n';
        line[length++] = static_cast<char>(byte);
    }
    if (length == USER_LINE_MAX_CHARACTERS)
        return USER_LINE_TOO_LONG;
    if (length == 0)
        return USER_LINES_ENDED;
    *endsMidLine = !lineFeed;
    line[lineFeed ? length - 1 : length] = '\0';
    return USER_LINE_READ;
}

int AppendUserLine(FILE *file, const char *name, bool *endsMidLine)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    if (*endsMidLine) {
        if (std::fputs(LINE_END, file) == EOF)
            return -1;
        *endsMidLine = false;
    }
    if (std::fputs(name, file) == EOF || std::fputs(LINE_END, file) == EOF || std::fflush(file) != 0)
        return -1;
    return 0;
}

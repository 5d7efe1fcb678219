#pragma once

// The users file: one user name per line, each line ended by CR LF, in order of registration. It is read
// and written as bytes, so that no byte ends it early: the text-mode reading of earlier versions stopped
// at byte 0x1A and lost every user after it.

#include <cstddef>
#include <cstdio>

// A line is read 255 characters at a time; a line that long (its line feed included) holds a name the
// daemon cannot take, and start-up stops.
constexpr int USER_LINE_BUFFER_SIZE = 256;
constexpr size_t USER_LINE_MAX_CHARACTERS = USER_LINE_BUFFER_SIZE - 1;

enum UserLineOutcome {
    USER_LINE_READ,      // the line holds a name, its line ending cut off
    USER_LINE_TOO_LONG,  // 255 characters came, the line feed not before them
    USER_LINES_ENDED,
};

// Reads the next line as text-mode reading did, CR LF being one line feed and a lone CR a character of the
// name. *endsMidLine tells whether the line is the last one and has no line feed.
UserLineOutcome ReadUserLine(FILE *file, char line[USER_LINE_BUFFER_SIZE], bool *endsMidLine);

// Appends the name and a CR LF at the end of the file and flushes it, first ending a last line that has no
// line feed (*endsMidLine, cleared then). Returns 0 or -1.
int AppendUserLine(FILE *file, const char *name, bool *endsMidLine);

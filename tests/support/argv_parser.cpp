#include "argv_parser.h"

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Appends the character at line[i] (both bytes of a double-byte one) and moves past it.
static void TakeCharacter(const std::string &line, size_t &i, const AnsiCodePage &codePage, std::string &to)
{
    if (codePage.leadByte[static_cast<unsigned char>(line[i])] && i + 1 < line.size())
        to += line[i++];
    to += line[i++];
}

std::vector<std::string> SplitWindowsCommandLine(const std::string &line, const AnsiCodePage &codePage)
{
    std::vector<std::string> arguments;
    size_t i = 0, end = line.size();

    // The program name: up to the next quote when quoted (no escapes), else up to a blank.
    std::string program;
    if (i < end && line[i] == '"') {
        for (++i; i < end && line[i] != '"';)
            TakeCharacter(line, i, codePage, program);
        if (i < end)
            ++i;
    } else {
        while (i < end && !IsBlank(line[i]))
            TakeCharacter(line, i, codePage, program);
    }
    arguments.push_back(program);

    for (;;) {
        while (i < end && IsBlank(line[i]))
            ++i;
        if (i >= end)
            break;
        std::string argument;
        bool quoted = false;
        while (i < end && (quoted || !IsBlank(line[i]))) {
            size_t backslashes = 0;
            while (i < end && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < end && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && i + 1 < end && line[i + 1] == '"') {
                    argument += '"';  // "" inside quotes is a literal quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(backslashes, '\\');
                if (i < end && (quoted || !IsBlank(line[i])))
                    TakeCharacter(line, i, codePage, argument);
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

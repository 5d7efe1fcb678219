#pragma once

// How a Windows C runtime splits a command line into arguments (the rules of the Microsoft C startup
// code and CommandLineToArgvW): used to check what a syncer would see. The line is read as text of the
// code page: a lead byte and the byte after it are one character, never a quote or a backslash.

#include <string>
#include <vector>

#include "names.h"

std::vector<std::string> SplitWindowsCommandLine(const std::string &commandLine, const AnsiCodePage &codePage);

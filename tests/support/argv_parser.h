#pragma once

// How a Windows C runtime splits a command line into arguments (the rules of the Microsoft C startup
// code and CommandLineToArgvW): used to check what a syncer would see.

#include <string>
#include <vector>

std::vector<std::string> SplitWindowsCommandLine(const std::string &commandLine);

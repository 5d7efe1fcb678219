#pragma once

// The ANSI code pages the tests read text in, described as the platform describes them to the daemon.

#include "names.h"

// The double-byte code pages that Windows uses as ANSI code pages.
constexpr int DOUBLE_BYTE_CODE_PAGES[] = {932, 936, 949, 950};

// The lead bytes of code page 932, 936, 949, 950 (the ranges GetCPInfo lists) or 1252 (none).
AnsiCodePage DescribeCodePage(int number);

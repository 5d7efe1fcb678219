#pragma once

// Case-insensitive comparison of user names: 0 when equal ignoring ASCII letter case.
int CompareNoCase(const char *a, const char *b);

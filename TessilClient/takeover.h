#pragma once

// What someone else made in the data directory is not taken over: the owner of a file or directory can
// always give itself access again, whatever list the service sets. Only SYSTEM, Administrators and the
// account the service runs as are trusted owners; anything else is moved aside and made afresh.

#include <windows.h>

#include <cstddef>

// Whether the owner of the open file or directory is trusted, in *trusted. Returns 0 or the Windows error
// code of reading the owner.
DWORD ReadTrust(HANDLE object, bool *trusted);

// Renames the entry at `path` (the entry itself, never what a link there points to) to a free name beside
// it, "<path>.untrusted-N", which is written to `movedPath`. Returns 0 or the Windows error code of the
// rename (a process holding the entry open without shared delete access makes it fail).
DWORD MoveAside(const char *path, char *movedPath, size_t movedPathSize);

// What the caller logs once an entry is moved aside: the path and the moved path.
constexpr char MOVED_ASIDE_MESSAGE[] = "%s was owned by another account: moved aside to %s.\n";

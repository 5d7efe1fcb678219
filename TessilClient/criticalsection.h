#pragma once

// How the daemon's locks are made ready: during static initialisation, before main, so that a lock may be
// taken from the first moment on any thread (the service control handler may stop the syncers as soon as it
// is registered, and anything may log). No static initialiser takes one. InitOnce* is avoided because the
// XP build must run on Windows XP.

#include <windows.h>

struct CriticalSectionInitialiser {
    explicit CriticalSectionInitialiser(CRITICAL_SECTION *section) { InitializeCriticalSection(section); }
};

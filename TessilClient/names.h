#pragma once

// Rules for user names and syncer arguments: comparison and what may be registered.

#include "userfile.h"

// Longest user name a request may register: with its line feed, one character short of the users file
// line that stops the daemon's start-up, so no registered name can block every later start-up.
constexpr int MAX_REGISTERED_NAME_LENGTH = USER_LINE_MAX_CHARACTERS - 2;
static_assert(MAX_REGISTERED_NAME_LENGTH == 253, "the length clients have always been held to");

// The system's ANSI code page as far as the checks need it: the bytes that begin a double-byte character
// (none on a single-byte code page). Command lines of processes are read as text of this code page, by
// the platform and by the syncer's C runtime alike.
struct AnsiCodePage {
    bool leadByte[256];
};

// Why a registration is refused. Names and arguments end up between double quotes on the command line of
// a process started as LocalSystem, and names end up as lines of the users file.
enum RegistrationRefusal {
    REGISTRATION_ACCEPTED = 0,
    REFUSED_NAME_TOO_LONG,
    REFUSED_NAME_CONTROL_CHARACTER,
    REFUSED_NAME_NOT_TEXT,
    REFUSED_NAME_QUOTE,
    REFUSED_NAME_TRAILING_BACKSLASH,
    REFUSED_ARGUMENT_NOT_TEXT,
    REFUSED_ARGUMENT_QUOTE,
    REFUSED_ARGUMENT_TRAILING_BACKSLASH,
    REFUSED_TABLE_FULL,
    REFUSED_OUT_OF_MEMORY,
};

// Case-insensitive comparison of user names: 0 when equal ignoring ASCII letter case.
int CompareNoCase(const char *a, const char *b);

// REGISTRATION_ACCEPTED when the name (and the argument, when there is one) can go between double quotes
// on a syncer's command line as they are, read as characters of the code page; otherwise the first reason
// to refuse. Names loaded from the users file are held to this alone: the loader has its own length limit.
RegistrationRefusal CheckQuoting(const AnsiCodePage &codePage, const char *name, const char *argument);

// CheckQuoting, and first what a name registered by request must not bring into the users file or the log.
RegistrationRefusal CheckRegistration(const AnsiCodePage &codePage, const char *name, const char *argument);

// The reason in words, for the log line that reports a refusal.
const char *RefusalText(RegistrationRefusal refusal);

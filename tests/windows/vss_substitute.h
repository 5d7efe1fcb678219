#pragma once

// The test stand-in for vssapi.dll (vss_substitute.cpp), as its users see it. It is loaded instead of
// Wine's vssapi (which has no shadow copy service) from beside the program with
// WINEDLLOVERRIDES=vssapi=n,b.
//
// Control: the text file "vssapi.control" beside the DLL, read at every CreateVssBackupComponents
// call, so each backup components object keeps the settings it was made with. Lines:
//   result <call> <hresult>        the call returns <hresult> (hexadecimal); its outputs are written
//                                  only when that is a success code
//   status <operation> <hresult>   QueryStatus of that operation's IVssAsync reports <hresult>
// <call> is CreateVssBackupComponents, a method name (InitializeForBackup, ...) or
// <operation>.Wait / <operation>.QueryStatus, where <operation> is PrepareForBackup or DoSnapshotSet.
// Without the file every call succeeds and both operations report VSS_S_ASYNC_FINISHED.
//
// Record: every call, with its arguments, is appended as one line to "vssapi.record" beside the DLL:
//   <n> <call> <arguments...>
// where <n> numbers the backup components object the call belongs to (from 1 in each process).
// Pointer arguments appear as "&" or "NULL", identifiers in registry form. Object n hands out the
// snapshot set identifier VssSubstituteIdText(kVssSubstituteSetIdTag, n), the snapshot identifier
// VssSubstituteIdText(kVssSubstituteSnapshotIdTag, n) and the device name
// VSS_SUBSTITUTE_DEVICE_PREFIX followed by n in decimal. A call through a vtable
// slot the service never uses records "UnexpectedSlot <slot>" and ends the process with exit code
// kVssSubstituteUnexpectedSlotExit: returning through an unknown signature would corrupt the stack.

#include <cstdio>
#include <string>

#define VSS_SUBSTITUTE_CONTROL_FILE "vssapi.control"
#define VSS_SUBSTITUTE_RECORD_FILE "vssapi.record"
#define VSS_SUBSTITUTE_DEVICE_PREFIX L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy"

const unsigned kVssSubstituteUnexpectedSlotExit = 86;

// Object n's identifiers are {<tag>-0000-0000-0000-<n in 12 hex digits>}.
const unsigned long kVssSubstituteSetIdTag = 0x5E75E700;
const unsigned long kVssSubstituteSnapshotIdTag = 0x5A95A900;

inline std::string VssSubstituteIdText(unsigned long tag, unsigned n)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-0000-0000-0000-%012X}", tag, n);
    return text;
}

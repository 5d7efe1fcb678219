#pragma once

// The Linux build's stand-in for the platform calls of storage_platform.h: scripted volumes (names,
// drive types, mount-path lists or a refused listing) and devices (an open error, or a reply or an error
// code for each I/O control), and a record of every call made. Tests script it through the Python module
// "_storage_substitute", which the Linux build of _TessilDU sets up beside itself when it is imported:
//
//   reset()                          forget every volume, device, open handle and recorded call
//   device(path, replies[, error])   path opens (or fails with error); replies maps an I/O control code
//                                    to its reply bytes (str) or to the error code (int) it fails with
//   volume(name, drive_type, paths)  the next volume of the search: name (unicode), its drive type, and
//                                    its mount paths (a list of unicode), or the error code (int) with
//                                    which their listing is refused
//   calls()                          the calls made since the last calls() or reset(), as text, such as
//                                    "DeviceIoControl(#1, 0x70050, null, 0, 16384, null)"
//   open_handles()                   device handles and volume searches opened and not yet closed

// Creates "_storage_substitute"; false with the Python exception set when that fails.
bool InitStorageSubstitute();

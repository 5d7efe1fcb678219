#pragma once

#include "storage_platform.h"

#include <cstddef>

// A device path as the caller named it: 8-bit characters, handed to the platform's ANSI call as they are,
// or UTF-16 text for its wide-character call, so that it names the file it says whatever its characters.
// At most one is set; neither is a null path, which fails to open.
struct DevicePath {
    const char *bytes;
    const WCHAR *text;
};

// Facts about the machine's storage as short texts for the client's Python code: a disk's partition
// table, one partition's entry and a device's disk and partition numbers (each query opens the device,
// asks one I/O control and closes it again), and the fixed volumes with their mount paths, one per call.
//
// Results point into the object: a query's text stays valid until the next query, a volume's text until
// the next enumeration call. A null result is a failure; the queries report theirs on standard output.
// One object serves one call at a time.
class MetaStorage {
public:
    MetaStorage();
    ~MetaStorage();
    MetaStorage(const MetaStorage &) = delete;
    MetaStorage &operator=(const MetaStorage &) = delete;

    // A disk line ("style count signature" for MBR, "style count " otherwise), then one entry line per
    // partition of the layout.
    char *PartitionTable(DevicePath path);
    // One entry line: "style start length number " then "type boot hidden" for MBR.
    char *PartitionEntry(DevicePath path);
    // "disk partition", without a line feed.
    char *DeviceNumber(DevicePath path);
    // The same, for a path in 8-bit characters. The messages show a path as it was given: its bytes, or a
    // text in UTF-8.
    char *PartitionTable(char const *path) { return PartitionTable(DevicePath{path, NULL}); }
    char *PartitionEntry(char const *path) { return PartitionEntry(DevicePath{path, NULL}); }
    char *DeviceNumber(char const *path) { return DeviceNumber(DevicePath{path, NULL}); }

    // The first or next fixed volume: its volume name, then "|" and a mount path for each of its mount
    // paths. Null at the end of the volumes, when the search fails or (NextVolume) when none is open. A
    // volume whose mount paths the platform will not list is passed over.
    WCHAR *FirstVolume();
    WCHAR *NextVolume();

    // The partition table's reply area: 16384 bytes, of which the entries of 144 bytes each take all but
    // the first 48; so it holds 113 entries.
    static constexpr DWORD LAYOUT_REPLY_SIZE = 16384;
    static constexpr DWORD LAYOUT_ENTRIES_OFFSET = 48;
    static constexpr DWORD PARTITION_ENTRY_SIZE = 144;
    static constexpr DWORD LAYOUT_ENTRY_LIMIT = (LAYOUT_REPLY_SIZE - LAYOUT_ENTRIES_OFFSET) / PARTITION_ENTRY_SIZE;

private:
    // Units that the volume search may write for one volume name, its terminator included.
    static constexpr DWORD VOLUME_NAME_CAPACITY = 2048;
    // Units of the area a volume's list of mount paths is first asked into. A longer list is asked for
    // again with the size the platform names, up to the limit (as many units as Windows' longest path
    // takes, so a volume mounted at one such folder still fits), in at most so many asks, since the list
    // may grow between two of them.
    static constexpr DWORD MOUNT_PATHS_CAPACITY = 4096;
    static constexpr DWORD MOUNT_PATHS_LIMIT = 32768;
    static constexpr int MOUNT_PATHS_ASKS = 3;
    // AppendMountPaths' result when the platform refuses the listing.
    static constexpr int MOUNT_PATHS_REFUSED = 101;

    bool IsListedFixedVolume();
    int AppendMountPaths();
    void CloseSearch();

    // The volume text: a name with its terminator, then a list of mount paths of up to the limit, which is
    // asked into the area right after the name and joined to it in place: each terminator but the last
    // becomes a "|".
    static constexpr size_t VOLUME_TEXT_CAPACITY = VOLUME_NAME_CAPACITY + MOUNT_PATHS_LIMIT;

    // Characters of the longest decimal forms of the fields.
    static constexpr size_t BYTE_TEXT_MAX = 3;
    static constexpr size_t UINT32_TEXT_MAX = 10;
    static constexpr size_t INT32_TEXT_MAX = 11;
    static constexpr size_t INT64_TEXT_MAX = 20;
    // "style count signature\n" and "style start length number type boot hidden\n".
    static constexpr size_t DISK_LINE_MAX = 2 * (INT32_TEXT_MAX + 1) + UINT32_TEXT_MAX + 1;
    static constexpr size_t ENTRY_LINE_MAX =
        3 * (INT32_TEXT_MAX + 1) + 2 * (INT64_TEXT_MAX + 1) + 2 * (BYTE_TEXT_MAX + 1);
    // The longest text a query can form, so a returned text is always whole: the disk line and as many of
    // the longest entry lines as the reply area holds, and the terminator.
    static constexpr size_t RESULT_TEXT_SIZE = DISK_LINE_MAX + LAYOUT_ENTRY_LIMIT * ENTRY_LINE_MAX + 1;

    HANDLE FindHandle;
    WCHAR VolumeName[VOLUME_TEXT_CAPACITY];
    char ResultText[RESULT_TEXT_SIZE];
};

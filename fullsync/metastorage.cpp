#include "metastorage.h"

#include "utf8_text.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef __MINGW_PRINTF_FORMAT
#define TEXT_FORMAT(index, first) __attribute__((format(__MINGW_PRINTF_FORMAT, index, first)))
#else
#define TEXT_FORMAT(index, first) __attribute__((format(printf, index, first)))
#endif

namespace {

// The diagnostic messages are printed while this is set; it is set when the module is loaded.
int Verbose = 1;

// Partition styles of layouts and entries.
enum : DWORD {
    STYLE_MBR = 0,
    STYLE_GPT = 1,
    STYLE_RAW = 2,
};

// Byte offsets of the fields read from the replies (DRIVE_LAYOUT_INFORMATION_EX, PARTITION_INFORMATION_EX
// and STORAGE_DEVICE_NUMBER), read as bytes so that the Linux build reads what Windows would.
enum : size_t {
    LAYOUT_STYLE = 0,
    LAYOUT_COUNT = 4,
    LAYOUT_MBR_SIGNATURE = 8,
    ENTRY_STYLE = 0,
    ENTRY_START = 8,
    ENTRY_LENGTH = 16,
    ENTRY_NUMBER = 24,
    ENTRY_MBR_TYPE = 32,
    ENTRY_MBR_BOOT = 33,
    ENTRY_MBR_HIDDEN_SECTORS = 36,
    DEVICE_NUMBER_DEVICE = 4,
    DEVICE_NUMBER_PARTITION = 8,
    DEVICE_NUMBER_SIZE = 12,
};

#ifdef _WIN32
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionCount) == LAYOUT_COUNT, "layout");
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, Mbr.Signature) == LAYOUT_MBR_SIGNATURE, "layout");
static_assert(offsetof(PARTITION_INFORMATION_EX, StartingOffset) == ENTRY_START, "entry");
static_assert(offsetof(PARTITION_INFORMATION_EX, PartitionLength) == ENTRY_LENGTH, "entry");
static_assert(offsetof(PARTITION_INFORMATION_EX, PartitionNumber) == ENTRY_NUMBER, "entry");
static_assert(offsetof(PARTITION_INFORMATION_EX, Mbr.PartitionType) == ENTRY_MBR_TYPE, "entry");
static_assert(offsetof(PARTITION_INFORMATION_EX, Mbr.BootIndicator) == ENTRY_MBR_BOOT, "entry");
static_assert(offsetof(PARTITION_INFORMATION_EX, Mbr.HiddenSectors) == ENTRY_MBR_HIDDEN_SECTORS, "entry");
static_assert(offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber) == DEVICE_NUMBER_DEVICE, "device number");
static_assert(offsetof(STORAGE_DEVICE_NUMBER, PartitionNumber) == DEVICE_NUMBER_PARTITION, "device number");
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == DEVICE_NUMBER_SIZE, "device number");
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry) == MetaStorage::LAYOUT_ENTRIES_OFFSET, "layout");
static_assert(sizeof(PARTITION_INFORMATION_EX) == MetaStorage::PARTITION_ENTRY_SIZE, "entry");
#endif

DWORD ReadDword(const unsigned char *at)
{
    DWORD value;
    memcpy(&value, at, sizeof value);
    return value;
}

int64_t ReadInt64(const unsigned char *at)
{
    int64_t value;
    memcpy(&value, at, sizeof value);
    return value;
}

bool IsKnownStyle(DWORD style)
{
    return style == STYLE_MBR || style == STYLE_GPT || style == STYLE_RAW;
}

// Messages go to the process's standard output through this module's own C runtime, whose buffer is
// not the interpreter's: each is flushed at once so it appears where it happened.
void Report(const char *format, ...) TEXT_FORMAT(1, 2);
void Report(const char *format, ...)
{
    if (!Verbose) {
        return;
    }
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
}

// A failed step's message, with the path as it was given: its bytes as they are, or its text in UTF-8
// ("(null)" for a null path, which the Python layer hands on for None).
void ReportFailure(const char *operation, const char *step, DevicePath path, DWORD error)
{
    char *shown = NULL;
    if (path.text) {
        size_t size = Utf8FromUtf16(path.text, NULL, 0) + 1;
        shown = (char *)malloc(size);
        if (shown) {
            Utf8FromUtf16(path.text, shown, size);
        }
    }
    const char *text = path.text ? (shown ? shown : "(a path, with no memory to show it)")
                       : path.bytes ? path.bytes : "(null)";
    Report("%s: %s for %s failed err %d.\n", operation, step, text, (int)error);
    free(shown);
}

HANDLE OpenDevice(DevicePath path)
{
    const DWORD access = GENERIC_READ;
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (path.text) {
        return CreateFileW(path.text, access, sharing, NULL, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, NULL);
    }
    return CreateFileA(path.bytes, access, sharing, NULL, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, NULL);
}

// A text formed piece by piece at its current end, always terminated. The area it writes to is sized
// for the longest text the queries form, so nothing is ever cut; were it, the text would still end
// inside the area.
struct TextWriter {
    char *text;
    size_t size;
    size_t used;
};

TextWriter StartText(char *text, size_t size)
{
    text[0] = '\0';
    return TextWriter{text, size, 0};
}

void Append(TextWriter *writer, const char *format, ...) TEXT_FORMAT(2, 3);
void Append(TextWriter *writer, const char *format, ...)
{
    size_t room = writer->size - writer->used;
    va_list args;
    va_start(args, format);
    int length = vsnprintf(writer->text + writer->used, room, format, args);
    va_end(args);
    if (length > 0) {
        writer->used += (size_t)length < room ? (size_t)length : room - 1;
    }
}

// One entry line; false after the operation's message when the entry's style is unknown.
bool AppendEntryLine(const char *operation, TextWriter *writer, const unsigned char *entry)
{
    DWORD style = ReadDword(entry + ENTRY_STYLE);
    if (!IsKnownStyle(style)) {
        Report("%s: invalid partition style %d\n", operation, (int)style);
        return false;
    }
    Append(writer, "%d %" PRId64 " %" PRId64 " %d ", (int)style, ReadInt64(entry + ENTRY_START),
           ReadInt64(entry + ENTRY_LENGTH), (int)ReadDword(entry + ENTRY_NUMBER));
    if (style == STYLE_MBR) {
        Append(writer, "%d %d %d\n", entry[ENTRY_MBR_TYPE], entry[ENTRY_MBR_BOOT],
               (int)ReadDword(entry + ENTRY_MBR_HIDDEN_SECTORS));
    } else {
        Append(writer, "\n");
    }
    return true;
}

// The layout's text: the disk line, then an entry line for each entry. False after the message when a
// style is unknown or the count is more than the reply area holds.
bool FormatLayout(const unsigned char *reply, TextWriter *writer)
{
    static const char OPERATION[] = "PartitionTable";
    DWORD style = ReadDword(reply + LAYOUT_STYLE);
    DWORD count = ReadDword(reply + LAYOUT_COUNT);
    if (!IsKnownStyle(style)) {
        Report("%s: invalid partition style %d\n", OPERATION, (int)style);
        return false;
    }
    // The count is the reply's word: entries beyond the area are never read.
    if (count > MetaStorage::LAYOUT_ENTRY_LIMIT) {
        Report("%s: partition count %u exceeds the %u entries of the reply\n", OPERATION, (unsigned)count,
               (unsigned)MetaStorage::LAYOUT_ENTRY_LIMIT);
        return false;
    }
    Append(writer, "%d %d ", (int)style, (int)count);
    if (style == STYLE_MBR) {
        Append(writer, "%u\n", (unsigned)ReadDword(reply + LAYOUT_MBR_SIGNATURE));
    } else {
        Append(writer, "\n");
    }
    for (DWORD i = 0; i < count; i++) {
        const unsigned char *entry =
            reply + MetaStorage::LAYOUT_ENTRIES_OFFSET + i * MetaStorage::PARTITION_ENTRY_SIZE;
        if (!AppendEntryLine(OPERATION, writer, entry)) {
            return false;
        }
    }
    return true;
}

// Opens the device, asks it the one control (synchronous, no input, the whole reply area) and closes it
// again. False after the operation's message when the open or the request fails; a reply area that could
// not be had fails as a refused request.
bool AskDevice(const char *operation, DevicePath path, DWORD code, void *reply, DWORD size)
{
    HANDLE device = OpenDevice(path);
    if (device == INVALID_HANDLE_VALUE) {
        ReportFailure(operation, "drive open", path, GetLastError());
        return false;
    }
    DWORD returned = 0;
    bool answered = reply && DeviceIoControl(device, code, NULL, 0, reply, size, &returned, NULL);
    if (!answered) {
        ReportFailure(operation, "get partition data", path, GetLastError());
    }
    CloseHandle(device);  // answered or refused; a failed close leaves nothing to do
    return answered;
}

}  // namespace

MetaStorage::MetaStorage() : FindHandle(INVALID_HANDLE_VALUE)
{
}

MetaStorage::~MetaStorage()
{
    CloseSearch();
}

char *MetaStorage::PartitionTable(DevicePath path)
{
    // Zeroed, so that no byte the driver did not write is read as a field.
    unsigned char *reply = (unsigned char *)calloc(1, LAYOUT_REPLY_SIZE);
    TextWriter writer = StartText(ResultText, sizeof ResultText);
    bool formed = AskDevice("PartitionTable", path, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, reply, LAYOUT_REPLY_SIZE) &&
                  FormatLayout(reply, &writer);
    free(reply);
    return formed ? ResultText : NULL;
}

char *MetaStorage::PartitionEntry(DevicePath path)
{
    static const char OPERATION[] = "PartitionEntry";
    unsigned char entry[PARTITION_ENTRY_SIZE] = {};
    if (!AskDevice(OPERATION, path, IOCTL_DISK_GET_PARTITION_INFO_EX, entry, sizeof entry)) {
        return NULL;
    }
    TextWriter writer = StartText(ResultText, sizeof ResultText);
    return AppendEntryLine(OPERATION, &writer, entry) ? ResultText : NULL;
}

char *MetaStorage::DeviceNumber(DevicePath path)
{
    unsigned char reply[DEVICE_NUMBER_SIZE] = {};
    if (!AskDevice("DeviceNumber", path, IOCTL_STORAGE_GET_DEVICE_NUMBER, reply, sizeof reply)) {
        return NULL;
    }
    TextWriter writer = StartText(ResultText, sizeof ResultText);
    Append(&writer, "%d %d", (int)ReadDword(reply + DEVICE_NUMBER_DEVICE),
           (int)ReadDword(reply + DEVICE_NUMBER_PARTITION));
    return ResultText;
}

WCHAR *MetaStorage::FirstVolume()
{
    // Only the new search's handle is kept, so an earlier one is closed rather than lost.
    CloseSearch();
    FindHandle = FindFirstVolumeW(VolumeName, VOLUME_NAME_CAPACITY);
    if (FindHandle == INVALID_HANDLE_VALUE) {
        return NULL;
    }
    return IsListedFixedVolume() ? VolumeName : NextVolume();
}

WCHAR *MetaStorage::NextVolume()
{
    // With no search open FindNextVolumeW is not called at all: the platform reads its search record
    // through the handle, and given INVALID_HANDLE_VALUE it faults (Wine does) instead of failing.
    while (FindHandle != INVALID_HANDLE_VALUE && FindNextVolumeW(FindHandle, VolumeName, VOLUME_NAME_CAPACITY)) {
        if (IsListedFixedVolume()) {
            return VolumeName;
        }
    }
    CloseSearch();
    return NULL;
}

// A fixed volume, with its mount paths appended. A fixed volume whose mount paths the platform will not
// list is passed over like any other volume: ending the search there would hide every later volume.
bool MetaStorage::IsListedFixedVolume()
{
    return GetDriveTypeW(VolumeName) == DRIVE_FIXED && AppendMountPaths() == 0;
}

int MetaStorage::AppendMountPaths()
{
    size_t nameLength = 0;
    while (nameLength < VOLUME_NAME_CAPACITY - 1 && VolumeName[nameLength]) {
        nameLength++;
    }
    VolumeName[nameLength] = 0;
    // The list goes right after the name, to be joined to it; the room there is at least the limit.
    WCHAR *list = VolumeName + nameLength + 1;
    DWORD capacity = MOUNT_PATHS_CAPACITY;
    DWORD needed = 0;
    for (int ask = 1; !GetVolumePathNamesForVolumeNameW(VolumeName, list, capacity, &needed); ask++) {
        // A volume mounted at many folders: asked again with the size the platform needs.
        if (GetLastError() != ERROR_MORE_DATA || needed <= capacity || needed > MOUNT_PATHS_LIMIT ||
            ask == MOUNT_PATHS_ASKS) {
            return MOUNT_PATHS_REFUSED;
        }
        capacity = needed;
    }
    // The list is read no further than its area, whatever it holds.
    list[capacity - 1] = 0;
    if (!list[0]) {
        return 0;
    }
    VolumeName[nameLength] = WCHAR('|');
    for (DWORD at = 0; at + 1 < capacity && (list[at] || list[at + 1]); at++) {
        if (!list[at]) {
            list[at] = WCHAR('|');
        }
    }
    return 0;
}

void MetaStorage::CloseSearch()
{
    if (FindHandle != INVALID_HANDLE_VALUE) {
        FindVolumeClose(FindHandle);  // the search is over either way
        FindHandle = INVALID_HANDLE_VALUE;
    }
}

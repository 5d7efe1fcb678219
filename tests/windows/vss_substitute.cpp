// A stand-in for vssapi.dll that the snapshot tests load in place of Wine's, which has no shadow copy
// service. It serves the backup components and async objects through hand-built vtables whose slot
// numbers come from the platform documentation, not from the service's headers, so a service built
// against the wrong method order calls a slot this file does not expect. Built with TESSIL_VSS_XP for
// the Windows XP layout (and an IVssAsync::Wait without argument), else the Server 2003 layout.
// How tests steer it and read what it saw: vss_substitute.h.

#include "vss_substitute.h"

#include <windows.h>
#include <vss.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

#if TESSIL_VSS_XP
enum ComponentsSlot {
    kInitializeForBackupSlot = 5,
    kSetBackupStateSlot = 6,
    kPrepareForBackupSlot = 13,
    kAbortBackupSlot = 14,
    kStartSnapshotSetSlot = 33,
    kAddToSnapshotSetSlot = 34,
    kDoSnapshotSetSlot = 35,
    kDeleteSnapshotsSlot = 36,
    kGetSnapshotPropertiesSlot = 40,
    kComponentsSlotCount = 47,
};
#else
enum ComponentsSlot {
    kInitializeForBackupSlot = 5,
    kSetBackupStateSlot = 6,
    kPrepareForBackupSlot = 14,
    kAbortBackupSlot = 15,
    kStartSnapshotSetSlot = 36,
    kAddToSnapshotSetSlot = 37,
    kDoSnapshotSetSlot = 38,
    kDeleteSnapshotsSlot = 39,
    kGetSnapshotPropertiesSlot = 42,
    kComponentsSlotCount = 51,
};
#endif

enum UnknownSlot { kQueryInterfaceSlot = 0, kAddRefSlot = 1, kReleaseSlot = 2 };
enum AsyncSlot { kCancelSlot = 3, kWaitSlot = 4, kQueryStatusSlot = 5, kAsyncSlotCount = 6 };

const size_t kMaxSettings = 32;
const size_t kMaxControlBytes = 4096;
const size_t kMaxCallName = 48;
const size_t kMaxRecordLine = 1024;
const size_t kMaxTextArgument = 1024;

typedef void (*Slot)();

template <typename Function>
Slot AsSlot(Function function)
{
    return reinterpret_cast<Slot>(function);
}

// One "result" or "status" line of the control file.
struct Setting {
    bool isStatus;
    char call[kMaxCallName];
    HRESULT value;
};

struct Settings {
    Setting entries[kMaxSettings];
    size_t count;
};

// What the backup components object and the async objects have in common, at the start of both.
struct Object {
    const Slot *vtable;
    LONG references;
    unsigned number;
    const char *prefix;  // "" for the components object, "<operation>." for an async one
    void (*destroy)(Object *object);
};

struct Components {
    Object object;
    Settings settings;
};

struct Async {
    Object object;
    HRESULT waitResult;
    HRESULT queryStatusResult;
    HRESULT status;
};

CRITICAL_SECTION recordLock;
char controlPath[MAX_PATH];
char recordPath[MAX_PATH];
LONG lastNumber;

// Appends one line "<number> <text>" to the record; lines of concurrent callers do not interleave.
void Record(unsigned number, const char *format, ...)
{
    char line[kMaxRecordLine];
    int length = std::snprintf(line, sizeof line, "%u ", number);
    va_list arguments;
    va_start(arguments, format);
    int text = std::vsnprintf(line + length, sizeof line - length - 1, format, arguments);
    va_end(arguments);
    if (text < 0)
        return;
    length = static_cast<int>(std::strlen(line));
    line[length++] = '\n';

    EnterCriticalSection(&recordLock);
    HANDLE file = CreateFileA(recordPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, line, static_cast<DWORD>(length), &written, NULL);
        CloseHandle(file);
    }
    LeaveCriticalSection(&recordLock);
}

struct GuidText {
    char text[40];
};

GuidText FormatGuid(const GUID &id)
{
    GuidText result;
    std::snprintf(result.text, sizeof result.text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return result;
}

struct WideText {
    char text[kMaxTextArgument];
};

// A wide string argument in UTF-8, "NULL" for a null pointer. A name longer than the buffer is cut:
// a failed conversion leaves the buffer without its terminator.
WideText FormatWide(const wchar_t *wide)
{
    WideText result = {"NULL"};
    if (wide != NULL && WideCharToMultiByte(CP_UTF8, 0, wide, -1, result.text, sizeof result.text, NULL, NULL) == 0)
        result.text[sizeof result.text - 1] = '\0';
    return result;
}

GUID SubstituteId(unsigned long tag, unsigned number)
{
    GUID id = {};
    id.Data1 = tag;
    for (int i = 7; i >= 2; --i, number >>= 8)
        id.Data4[i] = static_cast<unsigned char>(number & 0xFF);
    return id;
}

// The object number inside an identifier this substitute handed out.
unsigned NumberOfId(const GUID &id)
{
    unsigned number = 0;
    for (int i = 2; i < 8; ++i)
        number = (number << 8) | id.Data4[i];
    return number;
}

void ReadSettings(Settings *settings)
{
    char text[kMaxControlBytes + 1];
    DWORD size = 0;

    settings->count = 0;
    HANDLE file = CreateFileA(controlPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    if (!ReadFile(file, text, kMaxControlBytes, &size, NULL))
        size = 0;
    CloseHandle(file);
    text[size] = '\0';

    for (char *line = std::strtok(text, "\r\n"); line != NULL && settings->count < kMaxSettings;
         line = std::strtok(NULL, "\r\n")) {
        char keyword[16];
        Setting *setting = &settings->entries[settings->count];
        unsigned long value;
        if (std::sscanf(line, "%15s %47s %lx", keyword, setting->call, &value) != 3)
            continue;
        setting->isStatus = std::strcmp(keyword, "status") == 0;
        if (!setting->isStatus && std::strcmp(keyword, "result") != 0)
            continue;
        setting->value = static_cast<HRESULT>(value);
        ++settings->count;
    }
}

// The configured value for a call (or an operation's status), else the given default.
HRESULT Configured(const Settings &settings, bool isStatus, const char *call, HRESULT otherwise)
{
    for (size_t i = 0; i < settings.count; ++i) {
        if (settings.entries[i].isStatus == isStatus && std::strcmp(settings.entries[i].call, call) == 0)
            return settings.entries[i].value;
    }
    return otherwise;
}

HRESULT ResultOf(const Components *self, const char *call)
{
    return Configured(self->settings, false, call, S_OK);
}

// --- IUnknown, shared by both kinds of object ---

HRESULT STDMETHODCALLTYPE QueryInterface(Object *self, REFIID iid, void **out)
{
    Record(self->number, "%sQueryInterface %s %s", self->prefix, FormatGuid(iid).text, out ? "&" : "NULL");
    if (out != NULL)
        *out = NULL;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddRef(Object *self)
{
    LONG references = InterlockedIncrement(&self->references);
    Record(self->number, "%sAddRef %ld", self->prefix, references);
    return static_cast<ULONG>(references);
}

ULONG STDMETHODCALLTYPE Release(Object *self)
{
    LONG references = InterlockedDecrement(&self->references);
    Record(self->number, "%sRelease %ld", self->prefix, references);
    if (references == 0)
        self->destroy(self);
    return static_cast<ULONG>(references);
}

// Object is the first member of both kinds of object.
template <typename Kind>
void Destroy(Object *object)
{
    delete reinterpret_cast<Kind *>(object);
}

template <unsigned SlotNumber>
HRESULT STDMETHODCALLTYPE UnexpectedSlot(Object *self)
{
    Record(self->number, "%sUnexpectedSlot %u", self->prefix, SlotNumber);
    ExitProcess(kVssSubstituteUnexpectedSlotExit);
}

template <unsigned... Numbers>
std::array<Slot, sizeof...(Numbers)> UnexpectedSlots(std::integer_sequence<unsigned, Numbers...>)
{
    return {{AsSlot(&UnexpectedSlot<Numbers>)...}};
}

template <size_t Count>
std::array<Slot, Count> VtableWithUnknown()
{
    std::array<Slot, Count> vtable = UnexpectedSlots(std::make_integer_sequence<unsigned, Count>());
    vtable[kQueryInterfaceSlot] = AsSlot(&QueryInterface);
    vtable[kAddRefSlot] = AsSlot(&AddRef);
    vtable[kReleaseSlot] = AsSlot(&Release);
    return vtable;
}

// --- IVssAsync ---

HRESULT STDMETHODCALLTYPE Cancel(Async *self)
{
    Record(self->object.number, "%sCancel", self->object.prefix);
    return S_OK;
}

#if TESSIL_VSS_XP
HRESULT STDMETHODCALLTYPE Wait(Async *self)
{
    Record(self->object.number, "%sWait", self->object.prefix);
    return self->waitResult;
}
#else
HRESULT STDMETHODCALLTYPE Wait(Async *self, DWORD milliseconds)
{
    Record(self->object.number, "%sWait %lu", self->object.prefix, static_cast<unsigned long>(milliseconds));
    return self->waitResult;
}
#endif

HRESULT STDMETHODCALLTYPE QueryStatus(Async *self, HRESULT *status, INT *reserved)
{
    Record(self->object.number, "%sQueryStatus %s %s", self->object.prefix, status ? "&" : "NULL",
           reserved ? "&" : "NULL");
    if (SUCCEEDED(self->queryStatusResult) && status != NULL)
        *status = self->status;
    return self->queryStatusResult;
}

std::array<Slot, kAsyncSlotCount> MakeAsyncVtable()
{
    std::array<Slot, kAsyncSlotCount> vtable = VtableWithUnknown<kAsyncSlotCount>();
    vtable[kCancelSlot] = AsSlot(&Cancel);
    vtable[kWaitSlot] = AsSlot(&Wait);
    vtable[kQueryStatusSlot] = AsSlot(&QueryStatus);
    return vtable;
}

const std::array<Slot, kAsyncSlotCount> asyncVtable = MakeAsyncVtable();

// A new async object for an operation ("PrepareForBackup", "DoSnapshotSet") of a components object,
// with the owner's settings for it.
Async *NewAsync(const Components *owner, const char *operation, const char *prefix)
{
    char call[kMaxCallName];
    Async *async = new Async();
    async->object.vtable = asyncVtable.data();
    async->object.references = 1;
    async->object.number = owner->object.number;
    async->object.prefix = prefix;
    async->object.destroy = Destroy<Async>;
    std::snprintf(call, sizeof call, "%sWait", prefix);
    async->waitResult = ResultOf(owner, call);
    std::snprintf(call, sizeof call, "%sQueryStatus", prefix);
    async->queryStatusResult = ResultOf(owner, call);
    async->status = Configured(owner->settings, true, operation, VSS_S_ASYNC_FINISHED);
    return async;
}

// --- IVssBackupComponents: the methods the service uses ---

HRESULT STDMETHODCALLTYPE InitializeForBackup(Components *self, BSTR xml)
{
    Record(self->object.number, "InitializeForBackup %s", FormatWide(xml).text);
    return ResultOf(self, "InitializeForBackup");
}

HRESULT STDMETHODCALLTYPE SetBackupState(Components *self, boolean selectComponents, boolean bootableSystemState,
                                         VSS_BACKUP_TYPE backupType, boolean partialFileSupport)
{
    Record(self->object.number, "SetBackupState %d %d %d %d", selectComponents, bootableSystemState,
           static_cast<int>(backupType), partialFileSupport);
    return ResultOf(self, "SetBackupState");
}

HRESULT StartOperation(Components *self, const char *operation, const char *prefix, Async **out)
{
    Record(self->object.number, "%s %s", operation, out ? "&" : "NULL");
    HRESULT result = ResultOf(self, operation);
    if (SUCCEEDED(result) && out != NULL)
        *out = NewAsync(self, operation, prefix);
    return result;
}

HRESULT STDMETHODCALLTYPE PrepareForBackup(Components *self, Async **out)
{
    return StartOperation(self, "PrepareForBackup", "PrepareForBackup.", out);
}

HRESULT STDMETHODCALLTYPE DoSnapshotSet(Components *self, Async **out)
{
    return StartOperation(self, "DoSnapshotSet", "DoSnapshotSet.", out);
}

HRESULT STDMETHODCALLTYPE AbortBackup(Components *self)
{
    Record(self->object.number, "AbortBackup");
    return ResultOf(self, "AbortBackup");
}

HRESULT STDMETHODCALLTYPE StartSnapshotSet(Components *self, VSS_ID *setId)
{
    Record(self->object.number, "StartSnapshotSet %s", setId ? "&" : "NULL");
    HRESULT result = ResultOf(self, "StartSnapshotSet");
    if (SUCCEEDED(result) && setId != NULL)
        *setId = SubstituteId(kVssSubstituteSetIdTag, self->object.number);
    return result;
}

HRESULT STDMETHODCALLTYPE AddToSnapshotSet(Components *self, VSS_PWSZ volume, VSS_ID provider, VSS_ID *snapshotId)
{
    Record(self->object.number, "AddToSnapshotSet %s %s %s", FormatWide(volume).text, FormatGuid(provider).text,
           snapshotId ? "&" : "NULL");
    HRESULT result = ResultOf(self, "AddToSnapshotSet");
    if (SUCCEEDED(result) && snapshotId != NULL)
        *snapshotId = SubstituteId(kVssSubstituteSnapshotIdTag, self->object.number);
    return result;
}

HRESULT STDMETHODCALLTYPE DeleteSnapshots(Components *self, VSS_ID sourceId, VSS_OBJECT_TYPE sourceType,
                                          BOOL forceDelete, LONG *deletedCount, VSS_ID *undeletedId)
{
    Record(self->object.number, "DeleteSnapshots %s %d %d %s %s", FormatGuid(sourceId).text,
           static_cast<int>(sourceType), forceDelete, deletedCount ? "&" : "NULL", undeletedId ? "&" : "NULL");
    HRESULT result = ResultOf(self, "DeleteSnapshots");
    if (SUCCEEDED(result) && deletedCount != NULL && undeletedId != NULL) {
        *deletedCount = 1;
        *undeletedId = GUID_NULL;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE GetSnapshotProperties(Components *self, VSS_ID snapshotId, VSS_SNAPSHOT_PROP *properties)
{
    Record(self->object.number, "GetSnapshotProperties %s %s", FormatGuid(snapshotId).text,
           properties ? "&" : "NULL");
    HRESULT result = ResultOf(self, "GetSnapshotProperties");
    if (FAILED(result) || properties == NULL)
        return result;
    if (snapshotId != SubstituteId(kVssSubstituteSnapshotIdTag, self->object.number))
        return VSS_E_OBJECT_NOT_FOUND;

    std::wstring device = VSS_SUBSTITUTE_DEVICE_PREFIX + std::to_wstring(self->object.number);
    size_t bytes = (device.size() + 1) * sizeof(wchar_t);
    std::memset(properties, 0, sizeof *properties);
    properties->m_SnapshotId = snapshotId;
    properties->m_SnapshotSetId = SubstituteId(kVssSubstituteSetIdTag, self->object.number);
    properties->m_lSnapshotsCount = 1;
    properties->m_pwszSnapshotDeviceObject = static_cast<VSS_PWSZ>(CoTaskMemAlloc(bytes));
    if (properties->m_pwszSnapshotDeviceObject == NULL)
        return E_OUTOFMEMORY;
    std::memcpy(properties->m_pwszSnapshotDeviceObject, device.c_str(), bytes);
    properties->m_eStatus = VSS_SS_CREATED;
    return result;
}

std::array<Slot, kComponentsSlotCount> MakeComponentsVtable()
{
    std::array<Slot, kComponentsSlotCount> vtable = VtableWithUnknown<kComponentsSlotCount>();
    vtable[kInitializeForBackupSlot] = AsSlot(&InitializeForBackup);
    vtable[kSetBackupStateSlot] = AsSlot(&SetBackupState);
    vtable[kPrepareForBackupSlot] = AsSlot(&PrepareForBackup);
    vtable[kAbortBackupSlot] = AsSlot(&AbortBackup);
    vtable[kStartSnapshotSetSlot] = AsSlot(&StartSnapshotSet);
    vtable[kAddToSnapshotSetSlot] = AsSlot(&AddToSnapshotSet);
    vtable[kDoSnapshotSetSlot] = AsSlot(&DoSnapshotSet);
    vtable[kDeleteSnapshotsSlot] = AsSlot(&DeleteSnapshots);
    vtable[kGetSnapshotPropertiesSlot] = AsSlot(&GetSnapshotProperties);
    return vtable;
}

const std::array<Slot, kComponentsSlotCount> componentsVtable = MakeComponentsVtable();

// Text after the last backslash of a path is replaced by name.
void PathBeside(const char *modulePath, const char *name, char *path)
{
    std::snprintf(path, MAX_PATH, "%s", modulePath);
    char *separator = std::strrchr(path, '\\');
    size_t directory = separator ? static_cast<size_t>(separator - path + 1) : 0;
    std::snprintf(path + directory, MAX_PATH - directory, "%s", name);
}

}  // namespace

// Exported under the names of the system's vssapi.dll by vss_substitute_*.def.
extern "C" HRESULT STDAPICALLTYPE SubstituteCreateVssBackupComponents(Components **out)
{
    unsigned number = static_cast<unsigned>(InterlockedIncrement(&lastNumber));
    Components *components = new Components();
    components->object.vtable = componentsVtable.data();
    components->object.references = 1;
    components->object.number = number;
    components->object.prefix = "";
    components->object.destroy = Destroy<Components>;
    ReadSettings(&components->settings);

    Record(number, "CreateVssBackupComponents %s", out ? "&" : "NULL");
    HRESULT result = ResultOf(components, "CreateVssBackupComponents");
    if (FAILED(result) || out == NULL) {
        delete components;
        return result;
    }
    *out = components;
    return result;
}

extern "C" void APIENTRY SubstituteVssFreeSnapshotProperties(VSS_SNAPSHOT_PROP *properties)
{
    if (properties == NULL) {
        Record(0, "VssFreeSnapshotProperties NULL");
        return;
    }
    Record(NumberOfId(properties->m_SnapshotId), "VssFreeSnapshotProperties %s",
           FormatGuid(properties->m_SnapshotId).text);
    CoTaskMemFree(properties->m_pwszSnapshotDeviceObject);
    CoTaskMemFree(properties->m_pwszOriginalVolumeName);
    CoTaskMemFree(properties->m_pwszOriginatingMachine);
    CoTaskMemFree(properties->m_pwszServiceMachine);
    CoTaskMemFree(properties->m_pwszExposedName);
    CoTaskMemFree(properties->m_pwszExposedPath);
    std::memset(properties, 0, sizeof *properties);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        // The service loads vssapi.dll for each request and frees it after; staying loaded keeps the
        // object numbers counting up for the life of the process.
        HMODULE pinned;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                reinterpret_cast<LPCWSTR>(&lastNumber), &pinned))
            return FALSE;
        char modulePath[MAX_PATH];
        DWORD length = GetModuleFileNameA(module, modulePath, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return FALSE;
        PathBeside(modulePath, VSS_SUBSTITUTE_CONTROL_FILE, controlPath);
        PathBeside(modulePath, VSS_SUBSTITUTE_RECORD_FILE, recordPath);
        InitializeCriticalSection(&recordLock);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&recordLock);
    }
    return TRUE;
}

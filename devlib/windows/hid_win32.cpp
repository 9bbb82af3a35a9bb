// hid_win32.cpp - the HID operations on Windows, through the HID and
// device-setup services.
//
// The walk is the device-interface list of the HID class that
// SetupDiGetClassDevsA gives; a device path is the interface's DevicePath. A
// channel is a file handle from CreateFileA, the read event a manual-reset
// event, and a read is an overlapped ReadFile whose completion the event
// signals. Hid_None is INVALID_HANDLE_VALUE.
//
// A HID handle cannot be locked, so the module lock is a named mutex whose
// name is made from the device path (case folded and hashed: a path holds
// backslashes, which a name may not). The system gives up a mutex whose
// holder ended without releasing it, and the next waiter gets it as
// abandoned: a process that dies does not keep the module locked.
//
// Windows hands over an input report of a device without numbered reports
// with report ID 0 in front, and takes the report ID as the first byte of a
// write: the 17-byte layout crosses the seam unchanged.
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "hid_backend.h"
#include "hid_win32_internal.h"

// The sizes the services check in cbSize: the platform's own, never the
// 32-bit figures written into a 64-bit build.
#if defined(_WIN64)
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32);
#else
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28);
#endif
static_assert(sizeof(HIDD_ATTRIBUTES) == 12);

struct Hid_Device_List {
    GUID hid_guid{};
    HDEVINFO set = INVALID_HANDLE_VALUE;
};

// The platform's record of one overlapped read, the buffer it fills and
// whether it may still be in flight.
struct Hid_Read_Record {
    OVERLAPPED overlapped{};
    HANDLE file = INVALID_HANDLE_VALUE;
    std::uint8_t* buffer = nullptr;
    std::size_t size = 0;
    bool started = false;  // started and not yet known to have ended
};

namespace {

HANDLE To_Handle(Hid_Handle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}
Hid_Handle From_Handle(HANDLE handle)
{
    return reinterpret_cast<Hid_Handle>(handle);
}

thread_local Hid_Open_Failure Last_Open_Failure = Hid_Open_Failure::None;

Hid_Open_Failure Open_Failure_Of(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED: return Hid_Open_Failure::Denied;
    case ERROR_SHARING_VIOLATION: return Hid_Open_Failure::Busy;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED: return Hid_Open_Failure::Missing;
    default: return Hid_Open_Failure::Other;
    }
}

// Waits until a started read has ended, one way or the other, so that its
// buffer and its OVERLAPPED record may be used again.
void Finish_Read(Hid_Read_Record& record)
{
    if (!record.started) return;
    DWORD transferred = 0;
    if (!GetOverlappedResult(record.file, &record.overlapped, &transferred, TRUE)) {
        // The wait itself failed (the event gone): the record still says
        // whether the read is in flight; a cancelled read ends shortly.
        while (!HasOverlappedIoCompleted(&record.overlapped)) Sleep(1);
    }
    record.started = false;
}

}  // namespace

void Hid_Read_Record_Release::operator()(Hid_Read_Record* record) const
{
    std::unique_ptr<Hid_Read_Record> owned{record};
    if (owned && owned->started) {
        CancelIo(owned->file);
        Finish_Read(*owned);
    }
}

// ---------------------------------------------------------------------------
// Device list
// ---------------------------------------------------------------------------

Hid_Device_List* Hid_Get_Device_List()
{
    auto list = std::make_unique<Hid_Device_List>();
    HidD_GetHidGuid(&list->hid_guid);
    list->set = SetupDiGetClassDevsA(&list->hid_guid, nullptr, nullptr,
                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list->set == INVALID_HANDLE_VALUE) return nullptr;
    return list.release();
}

Hid_Item_Result Hid_Get_Device_Interface(Hid_Device_List* list, std::uint32_t index,
                                         Hid_Interface_Data& /*data*/, Hid_Interface_Detail& detail)
{
    if (list == nullptr) return Hid_Item_Result::End;
    SP_DEVICE_INTERFACE_DATA interface_data{};
    interface_data.cbSize = sizeof interface_data;
    if (!SetupDiEnumDeviceInterfaces(list->set, nullptr, &list->hid_guid, index, &interface_data))
        return Hid_Item_Result::End;

    // First the size the detail record needs, then the record itself.
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(list->set, &interface_data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return Hid_Item_Result::Unreadable;

    // Allocated as the record's own type so that its alignment holds.
    const std::size_t records = (required + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) - 1) /
                                sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    auto buffer = std::make_unique<SP_DEVICE_INTERFACE_DETAIL_DATA_A[]>(records);
    SP_DEVICE_INTERFACE_DETAIL_DATA_A* record = buffer.get();
    record->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(list->set, &interface_data, record, required, nullptr,
                                          nullptr))
        return Hid_Item_Result::Unreadable;

    // DevicePath runs to the end of the buffer; never read past it.
    const std::size_t path_room =
        required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    detail.DevicePath.assign(record->DevicePath, strnlen(record->DevicePath, path_room));
    return Hid_Item_Result::Found;
}

void Hid_Destroy_Device_List(Hid_Device_List* list)
{
    std::unique_ptr<Hid_Device_List> owned{list};
    if (owned && owned->set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(owned->set);
}

// ---------------------------------------------------------------------------
// Channels
// ---------------------------------------------------------------------------

Hid_Handle Hid_Open(const char* path, Hid_Access access)
{
    DWORD rights = GENERIC_READ | GENERIC_WRITE;
    DWORD flags = 0;
    switch (access) {
    case Hid_Access::Probe: break;
    case Hid_Access::Read:
        rights = GENERIC_READ;
        flags = FILE_FLAG_OVERLAPPED;
        break;
    case Hid_Access::Write: rights = GENERIC_WRITE; break;
    }
    const HANDLE handle = CreateFileA(path, rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, flags, nullptr);
    Last_Open_Failure =
        handle == INVALID_HANDLE_VALUE ? Open_Failure_Of(GetLastError()) : Hid_Open_Failure::None;
    return From_Handle(handle);
}

Hid_Open_Failure Hid_Last_Open_Failure()
{
    return Last_Open_Failure;
}

bool Hid_Get_Attributes(Hid_Handle probe, Hid_Attributes& attributes)
{
    HIDD_ATTRIBUTES record{};
    record.Size = sizeof record;
    // Only exactly TRUE counts.
    if (probe == Hid_None || HidD_GetAttributes(To_Handle(probe), &record) != TRUE) return false;
    attributes.VendorID = record.VendorID;
    attributes.ProductID = record.ProductID;
    attributes.VersionNumber = record.VersionNumber;
    return true;
}

bool Hid_Close(Hid_Handle handle)
{
    return handle != Hid_None && CloseHandle(To_Handle(handle)) != 0;
}

// ---------------------------------------------------------------------------
// Read event
// ---------------------------------------------------------------------------

Hid_Handle Hid_Create_Event()
{
    const HANDLE event = CreateEventA(nullptr, TRUE, TRUE, "");
    return event == nullptr ? Hid_None : From_Handle(event);
}

void Hid_Reset_Event(Hid_Handle event)
{
    if (event != Hid_None) ResetEvent(To_Handle(event));
}

// ---------------------------------------------------------------------------
// Reports
// ---------------------------------------------------------------------------

bool Hid_Write(Hid_Handle write_channel, Hid_Const_Report report)
{
    if (write_channel == Hid_None) return false;
    DWORD written = 0;
    return WriteFile(To_Handle(write_channel), report.data(), static_cast<DWORD>(report.size()),
                     &written, nullptr) != 0;
}

bool Hid_Start_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped, Hid_Report buffer)
{
    if (read_channel == Hid_None) return false;
    if (!overlapped.read) overlapped.read.reset(std::make_unique<Hid_Read_Record>().release());
    Hid_Read_Record& record = *overlapped.read;
    // A record is never reused while a read on it may still write.
    if (record.started) {
        CancelIo(record.file);
        Finish_Read(record);
    }

    // File position 0, both halves: a HID read channel has no other.
    record.overlapped = OVERLAPPED{};
    record.overlapped.Offset = 0;
    record.overlapped.OffsetHigh = 0;
    record.overlapped.hEvent = To_Handle(overlapped.hEvent);
    record.file = To_Handle(read_channel);
    record.buffer = buffer.data();
    record.size = buffer.size();

    const BOOL done = ReadFile(record.file, record.buffer, static_cast<DWORD>(record.size), nullptr,
                               &record.overlapped);
    // Pending or done at once, the event tells the end; any other error
    // means no read was started.
    if (!done && GetLastError() != ERROR_IO_PENDING) return false;
    record.started = true;
    return true;
}

Hid_Wait_Result Hid_Wait_Read(Hid_Overlapped& overlapped, std::uint32_t limit_ms)
{
    if (!overlapped.read || !overlapped.read->started) return Hid_Wait_Result::Failed;
    Hid_Read_Record& record = *overlapped.read;
    switch (WaitForSingleObject(record.overlapped.hEvent, limit_ms)) {
    case WAIT_OBJECT_0: {
        DWORD transferred = 0;
        const BOOL ok = GetOverlappedResult(record.file, &record.overlapped, &transferred, FALSE);
        if (ok || HasOverlappedIoCompleted(&record.overlapped)) record.started = false;
        return ok ? Hid_Wait_Result::Completed : Hid_Wait_Result::Failed;
    }
    case WAIT_TIMEOUT: return Hid_Wait_Result::Timeout;
    default: return Hid_Wait_Result::Failed;
    }
}

void Hid_Cancel_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped)
{
    if (!overlapped.read || !overlapped.read->started) return;
    Hid_Read_Record& record = *overlapped.read;
    CancelIo(To_Handle(read_channel));
    // CancelIo only asks: the read may still be finishing, and would then
    // write into the buffer and the record after the caller has moved on.
    Finish_Read(record);
    // Whatever a read that was given up on delivered is no reply.
    std::memset(record.buffer, 0, record.size);
}

void Hid_Discard_Input(Hid_Handle read_channel)
{
    if (read_channel == Hid_None) return;
    const HANDLE file = To_Handle(read_channel);
    if (HidD_FlushQueue(file)) return;

    // A HID stack without the flush (wine's answers ERROR_NOT_SUPPORTED):
    // read what is queued until a read would have to wait. A read that
    // waits is cancelled, and whatever it still got is dropped too. The
    // HID class keeps a few hundred reports per handle at most.
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) return;
    std::array<std::uint8_t, Hid_Report_Size> report{};
    for (int reads = 0; reads < 1024; ++reads) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event;
        ResetEvent(event);
        DWORD got = 0;
        if (!ReadFile(file, report.data(), static_cast<DWORD>(report.size()), nullptr,
                      &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) break;
            if (WaitForSingleObject(event, 0) != WAIT_OBJECT_0) {
                CancelIo(file);
                GetOverlappedResult(file, &overlapped, &got, TRUE);
                break;
            }
        }
        if (!GetOverlappedResult(file, &overlapped, &got, TRUE)) break;
    }
    CloseHandle(event);
}

// ---------------------------------------------------------------------------
// Module lock
// ---------------------------------------------------------------------------

std::string Win32_Lock_Name(const char* path)
{
    // FNV-1a over the path with ASCII letters folded: Windows paths are not
    // case-sensitive, so two spellings of one device name one lock.
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char* c = path; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte >= 'A' && byte <= 'Z') byte = static_cast<unsigned char>(byte - 'A' + 'a');
        hash = (hash ^ byte) * 0x100000001B3ull;
    }
    char name[40];
    std::snprintf(name, sizeof name, "Global\\KX418-%016llx",
                  static_cast<unsigned long long>(hash));
    return name;
}

Hid_Lock_Result Hid_Lock_Device(const char* path, std::uint32_t limit_ms, Hid_Handle& lock)
{
    lock = Hid_None;
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, Win32_Lock_Name(path).c_str());
    if (mutex == nullptr) return Hid_Lock_Result::Failed;
    switch (WaitForSingleObject(mutex, limit_ms)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder ended without releasing it
        lock = From_Handle(mutex);
        return Hid_Lock_Result::Acquired;
    case WAIT_TIMEOUT: CloseHandle(mutex); return Hid_Lock_Result::Held;
    default: CloseHandle(mutex); return Hid_Lock_Result::Failed;
    }
}

void Hid_Release_Lock(Hid_Handle lock)
{
    if (lock == Hid_None) return;
    ReleaseMutex(To_Handle(lock));
    CloseHandle(To_Handle(lock));
}

bool Win32_Read_In_Flight(const Hid_Overlapped& overlapped)
{
    return overlapped.read && !HasOverlappedIoCompleted(&overlapped.read->overlapped);
}

// hid_backend.h - the HID operations the device library's logic needs.
//
// The logic (kx418.cpp) walks the devices, probes, opens, writes and reads
// through these few functions only; each platform backend implements all of
// them in one file (linux/hid_hidraw.cpp and windows/hid_win32.cpp ship;
// fake/hid_fake.cpp stands in for a device in tests). Nothing here knows
// about the module, its IDs or its report layout.
#ifndef KX418_HID_BACKEND_H
#define KX418_HID_BACKEND_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

// A channel to a device or a read event. A slot that holds nothing holds
// Hid_None, the platform's invalid-handle value.
using Hid_Handle = std::intptr_t;
inline constexpr Hid_Handle Hid_None = -1;

// What one open of a device path is for.
enum class Hid_Access {
    Probe,  // read and write, blocking: to read the attributes
    Read,   // read only, completion signalled through the read event
    Write,  // write only, blocking
};

struct Hid_Attributes {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

// One entry of the list of present HID interfaces, as the walk hands it to
// its visitor. What tells one interface from another is its detail: the
// record itself carries nothing the logic reads.
struct Hid_Interface_Data {};

// The interface's detail: its device path, as long as the platform gives it.
struct Hid_Interface_Detail {
    std::string DevicePath;
};

// The list of HID interfaces present when it was taken. Backend-owned.
struct Hid_Device_List;

enum class Hid_Item_Result {
    Found,       // interface and detail filled
    Unreadable,  // the interface exists but its detail could not be read
    End,         // index past the last interface, or the walk cannot go on
};

// The backend's own record of the read in flight on the read channel: on
// Windows the platform's OVERLAPPED record, elsewhere what the backend needs
// to finish the read. Made by the backend's Hid_Start_Read, released with
// the Hid_Overlapped that holds it; the logic never looks inside.
struct Hid_Read_Record;
struct Hid_Read_Record_Release {
    void operator()(Hid_Read_Record* record) const;
};

// The read record bound to the read event, as the logic sets it up: the
// event that signals a completed read. A HID read channel has no position
// but the start: where the platform's record asks for a file position, the
// backend gives 0. `read` belongs to the backend.
struct Hid_Overlapped {
    Hid_Handle hEvent = Hid_None;
    std::unique_ptr<Hid_Read_Record, Hid_Read_Record_Release> read;
};

enum class Hid_Wait_Result {
    Completed,  // the read finished; its bytes are in the buffer
    Timeout,    // no report within the limit; the read is still pending
    Failed,     // the wait or the read failed (device removed, bad handle)
};

// Every report crossing the seam is exactly this long: the report ID
// position followed by the module's 16-byte report. Report buffers cross
// as spans of this extent, so a report of another length does not compile.
inline constexpr std::size_t Hid_Report_Size = 17;
using Hid_Report = std::span<std::uint8_t, Hid_Report_Size>;
using Hid_Const_Report = std::span<const std::uint8_t, Hid_Report_Size>;

// --- device list -----------------------------------------------------------
// nullptr when the list cannot be had.
Hid_Device_List* Hid_Get_Device_List();
Hid_Item_Result Hid_Get_Device_Interface(Hid_Device_List* list, std::uint32_t index,
                                         Hid_Interface_Data& data, Hid_Interface_Detail& detail);
void Hid_Destroy_Device_List(Hid_Device_List* list);

// --- channels ---------------------------------------------------------------
// Hid_None when the path cannot be opened for that use.
Hid_Handle Hid_Open(const char* path, Hid_Access access);
// true only when all three attributes were read.
bool Hid_Get_Attributes(Hid_Handle probe, Hid_Attributes& attributes);
// Closes a channel or the read event; true when the close succeeded.
bool Hid_Close(Hid_Handle handle);
// Why the most recent Hid_Open on this thread returned Hid_None.
enum class Hid_Open_Failure { None, Denied, Busy, Missing, Other };
Hid_Open_Failure Hid_Last_Open_Failure();

// --- read event -------------------------------------------------------------
// Manual reset, initially signalled. Hid_None on failure.
Hid_Handle Hid_Create_Event();
void Hid_Reset_Event(Hid_Handle event);

// --- reports ----------------------------------------------------------------
// Writes one whole report (byte 0 the report ID) and returns when done;
// false on any failure.
bool Hid_Write(Hid_Handle write_channel, Hid_Const_Report report);
// Starts the read of one input report into `buffer` (byte 0 is set to the
// report ID 0, bytes 1.. receive the report). Returns false when the read
// cannot be started (device gone, bad handle).
bool Hid_Start_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped, Hid_Report buffer);
// Waits at most `limit_ms` for the started read to finish.
Hid_Wait_Result Hid_Wait_Read(Hid_Overlapped& overlapped, std::uint32_t limit_ms);
// Abandons the read that is still pending on the channel and returns once
// it has ended: afterwards nothing of it lands in its buffer any more.
void Hid_Cancel_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped);
// Drops every input report already queued on the read channel, without
// waiting for more: what arrives afterwards is what the next read sees.
void Hid_Discard_Input(Hid_Handle read_channel);

// --- module lock ------------------------------------------------------------
// One holder at a time per device path, among the programs that take this
// lock (those built on this library). A lock handle is none of the channel
// kinds: it is released with Hid_Release_Lock only, and a process that ends
// gives up the locks it holds.
enum class Hid_Lock_Result {
    Acquired,  // `lock` holds the lock
    Held,      // another holder kept it for the whole limit
    Failed,    // the lock could not be asked for (path gone, no resources)
};
// Waits at most `limit_ms` for the lock on `path` (0: one try only). `lock`
// is Hid_None unless the result is Acquired.
Hid_Lock_Result Hid_Lock_Device(const char* path, std::uint32_t limit_ms, Hid_Handle& lock);
void Hid_Release_Lock(Hid_Handle lock);

#endif  // KX418_HID_BACKEND_H

// kx418.cpp - the KX418 device library: finding and opening the module, and
// the configuration report exchange. Platform work goes through
// hid_backend.h; everything here is the same on every platform.
#include "kx418.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

#include "kx418_logic.h"

// The definitions below must match the pointer types the program binds.
static_assert(std::is_same_v<decltype(&KX418_Open), KX418_Open_Fn>);
static_assert(std::is_same_v<decltype(&KX418_Close), KX418_Close_Fn>);
static_assert(std::is_same_v<decltype(&KX418_Send_Cfg), KX418_Send_Cfg_Fn>);
static_assert(std::is_same_v<decltype(&KX418_Get_Reply), KX418_Get_Reply_Fn>);

Hid_Handle Read_Handle = Hid_None;
Hid_Handle Write_Handle = Hid_None;
Hid_Handle Read_Event = Hid_None;
Hid_Handle Lock_Handle = Hid_None;
bool Exchange_Ended = false;
Hid_Overlapped Read_Overlapped{};
std::array<std::uint8_t, Hid_Report_Size> Report_Buffer{};

// ---------------------------------------------------------------------------
// Discovery, open and close
// ---------------------------------------------------------------------------

namespace {

struct Device_List_Release {
    void operator()(Hid_Device_List* list) const { Hid_Destroy_Device_List(list); }
};
using Device_List = std::unique_ptr<Hid_Device_List, Device_List_Release>;

int Match_Device_Visitor(const Hid_Interface_Data& data, const Hid_Interface_Detail& detail,
                         void* context)
{
    return Match_Device(data, detail, *static_cast<Device_Match*>(context));
}

// Closes a handle slot that holds something and sets it to none.
// `last` takes the result of the close, when one was performed.
void Close_Slot(Hid_Handle& slot, bool& last)
{
    if (slot == Hid_None) return;
    last = Hid_Close(slot);
    slot = Hid_None;
}

Open_Failure Open_Failure_Now = Open_Failure::None;
std::string Held_Path;  // of the device the last failed open passed over as held

// Records why an open found nothing.
void Set_Failure(const Device_Match& match)
{
    Open_Failure_Now = match.held_passed > 0 ? Open_Failure::Held : Open_Failure::Not_Found;
    Held_Path = match.held_path;
}

void Release_Lock()
{
    if (Lock_Handle == Hid_None) return;
    Hid_Release_Lock(Lock_Handle);
    Lock_Handle = Hid_None;
}

}  // namespace

void Enum_HID_Devices(Enum_Visitor visitor, void* context)
{
    Device_List list{Hid_Get_Device_List()};
    if (!list) return;

    int go_on = 1;
    std::uint32_t member_index = 0;
    do {
        Hid_Interface_Data data;
        Hid_Interface_Detail detail;
        const Hid_Item_Result item =
            Hid_Get_Device_Interface(list.get(), member_index, data, detail);
        if (item == Hid_Item_Result::End) break;
        // An interface whose detail cannot be read is skipped unvisited.
        if (item == Hid_Item_Result::Found) go_on = visitor(data, detail, context);
        ++member_index;
    } while (go_on != 0);
}

Device_Match Make_Device_Match(std::int32_t wanted_index, std::uint16_t vendor_id,
                               std::uint16_t product_id, std::uint16_t version_number,
                               std::int32_t match_flags)
{
    Device_Match match;
    match.wanted_index = wanted_index;
    match.vendor_id = vendor_id;
    match.product_id = product_id;
    match.version_number = version_number;
    match.match_flags = match_flags;
    return match;
}

bool Attributes_Match(const Hid_Attributes& attributes, const Device_Match& match)
{
    return !((match.match_flags & Match_Vendor_ID) && attributes.VendorID != match.vendor_id) &&
           !((match.match_flags & Match_Product_ID) && attributes.ProductID != match.product_id) &&
           !((match.match_flags & Match_Version_Number) &&
             attributes.VersionNumber != match.version_number);
}

int Match_Device(const Hid_Interface_Data& /*data*/, const Hid_Interface_Detail& detail,
                 Device_Match& match)
{
    Device_Look& look = match.look;
    look = Device_Look{};
    // A path that does not fit the path buffer, or whose text a zero would
    // end early (an empty one among them), is passed over as if the device
    // were absent: it is neither truncated nor opened.
    const std::string& path = detail.DevicePath;
    if (path.empty() || path.size() >= Device_Path_Size || path.find('\0') != std::string::npos)
        return 1;
    look.path_fits = true;

    Hid_Handle probe = Hid_Open(path.c_str(), Hid_Access::Probe);
    if (probe == Hid_None) {
        look.failure = Hid_Last_Open_Failure();
        return 1;
    }
    look.opened = true;

    look.attributes_read = Hid_Get_Attributes(probe, look.attributes);
    if (!look.attributes_read) {
        Hid_Close(probe);
        return 1;
    }

    look.matches = Attributes_Match(look.attributes, match);
    if (!look.matches) {
        Hid_Close(probe);
        return 1;
    }

    if (match.matches_passed == match.wanted_index) {
        // One transfer at a time on a module: one that another program
        // keeps past the limit is passed over as if absent, not counted.
        Hid_Handle lock = Hid_None;
        const Hid_Lock_Result locked = Hid_Lock_Device(path.c_str(), Lock_Limit_Ms, lock);
        if (locked != Hid_Lock_Result::Acquired) {
            Hid_Close(probe);
            if (locked == Hid_Lock_Result::Held && match.held_passed++ == 0) match.held_path = path;
            return 1;
        }
        match.lock_handle = lock;
        match.device_handle = probe;
        std::fill(match.device_path.begin(), match.device_path.end(), '\0');
        std::copy(path.begin(), path.end(), match.device_path.begin());
        return 0;
    }

    Hid_Close(probe);
    ++match.matches_passed;
    return 1;
}

int Find_Device(std::int32_t wanted_index, std::uint16_t vendor_id, std::uint16_t product_id,
                std::uint16_t version_number, std::int32_t match_flags,
                std::span<char, Device_Path_Size> path)
{
    Device_Match match =
        Make_Device_Match(wanted_index, vendor_id, product_id, version_number, match_flags);

    Enum_HID_Devices(Match_Device_Visitor, &match);
    if (match.device_handle == Hid_None) {
        Set_Failure(match);
        return 0;
    }

    // The probe channel is not reused: the module is opened anew for each use.
    Hid_Close(match.device_handle);
    Release_Lock();
    Lock_Handle = match.lock_handle;
    Open_Failure_Now = Open_Failure::None;
    std::copy(match.device_path.begin(), match.device_path.end(), path.begin());
    return 1;
}

int Open_Device(std::int32_t wanted_index, std::uint16_t vendor_id, std::uint16_t product_id,
                std::uint16_t version_number, std::int32_t match_flags)
{
    Close_Device();

    std::array<char, Device_Path_Size> path{};
    if (!Find_Device(wanted_index, vendor_id, product_id, version_number, match_flags, path))
        return 0;
    if (Open_Channels(path.data())) return 1;
    Open_Failure_Now = Open_Failure::Not_Found;
    return 0;
}

int Open_Channels(const char* path)
{
    Read_Handle = Hid_Open(path, Hid_Access::Read);
    if (Read_Handle == Hid_None) return 0;

    Read_Event = Hid_Create_Event();
    if (Read_Event == Hid_None) return 0;

    // File position 0 is the backend's: a HID read channel has no other.
    Read_Overlapped = Hid_Overlapped{};
    Read_Overlapped.hEvent = Read_Event;

    Write_Handle = Hid_Open(path, Hid_Access::Write);
    if (Write_Handle == Hid_None) return 0;

    return 1;
}

int Close_Device()
{
    // Nothing open: there is nothing that could have failed to close.
    bool last = true;
    Close_Slot(Read_Event, last);
    Close_Slot(Read_Handle, last);
    Close_Slot(Write_Handle, last);
    Read_Overlapped.hEvent = Hid_None;
    Release_Lock();
    Exchange_Ended = false;
    return last ? 1 : 0;
}

Open_Failure Last_Open_Failure()
{
    return Open_Failure_Now;
}

const char* Last_Held_Path()
{
    return Open_Failure_Now == Open_Failure::Held ? Held_Path.c_str() : "";
}

bool Device_Held(const char* path)
{
    Hid_Handle lock = Hid_None;
    switch (Hid_Lock_Device(path, 0, lock)) {
    case Hid_Lock_Result::Acquired: Hid_Release_Lock(lock); return false;
    case Hid_Lock_Result::Held: return true;
    case Hid_Lock_Result::Failed: break;
    }
    return false;
}

void End_Exchange()
{
    Release_Lock();
    Exchange_Ended = true;
}

extern "C" KX418_API int32_t KX418_CALL KX418_Open(void)
{
    if (!Open_Device(0, KX418_Vendor_ID, KX418_Product_ID, KX418_Version_Number,
                     KX418_Match_Flags)) {
        Close_Device();
        return 0;
    }
    return 1;
}

extern "C" KX418_API int32_t KX418_CALL KX418_Close(void)
{
    return Close_Device();
}

// ---------------------------------------------------------------------------
// Configuration report exchange
// ---------------------------------------------------------------------------

void Crc8_Byte(std::uint8_t data, std::uint8_t& crc)
{
    for (int bit = 0; bit < 8; ++bit) {
        if ((data ^ crc) & 0x01)
            crc = static_cast<std::uint8_t>((crc >> 1) ^ 0x8C);
        else
            crc = static_cast<std::uint8_t>(crc >> 1);
        data = static_cast<std::uint8_t>(data >> 1);
    }
}

std::uint8_t Crc8_Block(std::span<const std::uint8_t> bytes)
{
    std::uint8_t crc = 0xDE;
    for (std::uint8_t byte : bytes) Crc8_Byte(byte, crc);
    return crc;
}

int Write_Report(Hid_Const_Report bytes)
{
    if (Write_Handle == Hid_None || Exchange_Ended) return 0;
    // Only an input report that arrives after this report went out may
    // answer it: whatever is queued already (a late or repeated answer to
    // an earlier report) is dropped first.
    if (Read_Handle != Hid_None) Hid_Discard_Input(Read_Handle);
    return Hid_Write(Write_Handle, bytes) ? 1 : 0;
}

int Read_Report(Hid_Report buffer)
{
    if (Read_Handle == Hid_None || Read_Event == Hid_None || Exchange_Ended) return 0;

    if (!Hid_Start_Read(Read_Handle, Read_Overlapped, buffer)) {
        // Device gone or channel broken: fail now rather than sit out the limit.
        Hid_Reset_Event(Read_Event);
        return 0;
    }

    switch (Hid_Wait_Read(Read_Overlapped, Reply_Limit_Ms)) {
    case Hid_Wait_Result::Completed: Hid_Reset_Event(Read_Event); return 1;
    case Hid_Wait_Result::Timeout:
    case Hid_Wait_Result::Failed:
        // A read that may still be pending is abandoned in both cases, so
        // no late report lands in the buffer after the call has returned.
        Hid_Cancel_Read(Read_Handle, Read_Overlapped);
        Hid_Reset_Event(Read_Event);
        return 0;
    }
    return 0;
}

namespace {

void Put_Le32(std::span<std::uint8_t, 4> out, std::uint32_t value)
{
    for (std::uint8_t& byte : out) {
        byte = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

}  // namespace

void Build_Report(std::uint32_t function_number, std::uint32_t setting, std::uint32_t first_time_ms,
                  std::uint32_t second_time_ms, std::span<std::uint8_t, KX418_Report_Size> report)
{
    report[0] = 0;
    report[2] = static_cast<std::uint8_t>(function_number & 0xFF);
    report[3] = static_cast<std::uint8_t>(setting & 0xFF);
    Put_Le32(report.subspan<4, 4>(), first_time_ms);
    Put_Le32(report.subspan<8, 4>(), second_time_ms);
    report[1] = Crc8_Block(report.subspan<2, 10>());
    // The tail of the buffer may still hold the last reply: it goes out as zero.
    std::fill(report.begin() + 12, report.end(), std::uint8_t{0});
}

extern "C" KX418_API int32_t KX418_CALL KX418_Send_Cfg(uint32_t function_number, uint32_t setting,
                                                       uint32_t first_time_ms,
                                                       uint32_t second_time_ms)
{
    Build_Report(function_number, setting, first_time_ms, second_time_ms, Report_Buffer);
    if (Write_Report(Report_Buffer)) return 1;
    // A report that may not have reached the module ends the exchange.
    End_Exchange();
    return 0;
}

extern "C" KX418_API int32_t KX418_CALL KX418_Get_Reply(void)
{
    Report_Buffer.fill(0);
    if (Read_Report(Report_Buffer) && Report_Buffer[1] == Reply_Ack) return 1;
    // An answer still on its way must not count for a later report, and
    // the module must not stay locked while the caller leaves it open.
    End_Exchange();
    return 0;
}

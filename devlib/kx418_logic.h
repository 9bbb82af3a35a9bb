// kx418_logic.h - the device library's inner operations and state.
//
// Not part of the library's interface: the shared library exports only the
// four functions of kx418.h. The tests link the logic statically against a
// backend and reach these names directly; the command-line tool uses
// kx418_devices.h only.
#ifndef KX418_LOGIC_H
#define KX418_LOGIC_H

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "hid_backend.h"
#include "kx418_devices.h"

static_assert(KX418_Report_Size == Hid_Report_Size);

// The module's identity as KX418_Open looks for it.
inline constexpr std::uint16_t KX418_Vendor_ID = 0x2B5D;
inline constexpr std::uint16_t KX418_Product_ID = 0x0418;
inline constexpr std::uint16_t KX418_Version_Number = 1;

inline constexpr std::uint32_t Match_Vendor_ID = 1;
inline constexpr std::uint32_t Match_Product_ID = 2;
inline constexpr std::uint32_t Match_Version_Number = 4;
// KX418_Open compares the vendor and product IDs, not the version number.
inline constexpr std::int32_t KX418_Match_Flags = Match_Vendor_ID | Match_Product_ID;

// A device path buffer: 255 characters and the terminating zero.
inline constexpr std::size_t Device_Path_Size = 256;

// How long KX418_Get_Reply waits for the module's answer.
inline constexpr std::uint32_t Reply_Limit_Ms = 2000;

// The first byte of an acknowledging input report.
inline constexpr std::uint8_t Reply_Ack = '!';

// What a search's match found at one device path.
struct Device_Look {
    bool path_fits = false;  // 1 to 255 characters, none of them zero: it is probed
    bool opened = false;     // the probe opened
    Hid_Open_Failure failure = Hid_Open_Failure::None;  // why not, where it did not
    bool attributes_read = false;
    Hid_Attributes attributes;  // where read
    bool matches = false;       // the attributes match the search's identity
};

// One search over the present devices.
struct Device_Match {
    std::int32_t matches_passed = 0;  // matching devices passed over so far
    std::int32_t wanted_index = 0;    // which matching device to select, from 0
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::uint16_t version_number = 0;
    std::int32_t match_flags = 0;                      // Match_Vendor_ID | Match_Product_ID | ...
    Hid_Handle device_handle = Hid_None;               // the selected device's probe channel
    std::array<char, Device_Path_Size> device_path{};  // zero-terminated
    Hid_Handle lock_handle = Hid_None;                 // the selected device's lock
    std::int32_t held_passed = 0;  // matching devices passed over as held elsewhere
    std::string held_path;         // the first of them
    Device_Look look;              // what the match found at the device it saw last
};

// Why the most recent open returned 0.
enum class Open_Failure {
    None,       // it succeeded
    Not_Found,  // no matching device could be opened
    Held,       // a matching device was passed over only because another
                // program kept it locked for Lock_Limit_Ms
};

// Visitor of Enum_HID_Devices: returns non-zero to go on, 0 to stop.
using Enum_Visitor = int (*)(const Hid_Interface_Data& data, const Hid_Interface_Detail& detail,
                             void* context);

// Library-wide state.
extern Hid_Handle Read_Handle;
extern Hid_Handle Write_Handle;
extern Hid_Handle Read_Event;
extern Hid_Handle Lock_Handle;  // the open module's lock; none once the exchange ended
// Set by a failed write or reply: no further report goes out and no reply is
// awaited on this open. Cleared by the next open and by Close_Device.
extern bool Exchange_Ended;
extern Hid_Overlapped Read_Overlapped;
extern std::array<std::uint8_t, Hid_Report_Size> Report_Buffer;

void Enum_HID_Devices(Enum_Visitor visitor, void* context);
int Match_Device(const Hid_Interface_Data& data, const Hid_Interface_Detail& detail,
                 Device_Match& match);
int Find_Device(std::int32_t wanted_index, std::uint16_t vendor_id, std::uint16_t product_id,
                std::uint16_t version_number, std::int32_t match_flags,
                std::span<char, Device_Path_Size> path);
int Open_Device(std::int32_t wanted_index, std::uint16_t vendor_id, std::uint16_t product_id,
                std::uint16_t version_number, std::int32_t match_flags);
int Close_Device();
Open_Failure Last_Open_Failure();
// The path of the device the most recent open passed over as held; empty
// unless Last_Open_Failure() is Held.
const char* Last_Held_Path();
// Whether another holder has the lock on `path` right now; does not wait.
bool Device_Held(const char* path);
// Releases the lock and refuses further reports until the next open; the
// channels stay open.
void End_Exchange();

// A search record: matches passed 0, no device selected yet.
Device_Match Make_Device_Match(std::int32_t wanted_index, std::uint16_t vendor_id,
                               std::uint16_t product_id, std::uint16_t version_number,
                               std::int32_t match_flags);
// Whether a device's attributes match a search's identity under its flags.
bool Attributes_Match(const Hid_Attributes& attributes, const Device_Match& match);
// The read channel, read event and write channel on a device path;
// 1 when all three are open.
int Open_Channels(const char* path);

void Crc8_Byte(std::uint8_t data, std::uint8_t& crc);
std::uint8_t Crc8_Block(std::span<const std::uint8_t> bytes);

int Write_Report(Hid_Const_Report bytes);
int Read_Report(Hid_Report buffer);

#endif  // KX418_LOGIC_H

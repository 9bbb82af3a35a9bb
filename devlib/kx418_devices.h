// kx418_devices.h - what the command-line tool needs of the device library:
// the present devices as the open sees them, the open of one chosen module
// with one failure contract, and the bytes of a configuration report.
//
// Not part of the library's interface: the shared library exports only the
// four functions of kx418.h. The tool links the logic in statically and
// reaches the library through this header and kx418.h only.
#ifndef KX418_DEVICES_H
#define KX418_DEVICES_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A configuration report and a reply: the report ID position and the
// module's 16 bytes.
inline constexpr std::size_t KX418_Report_Size = 17;

// How long an open waits for a module that another program holds: a whole
// single-report transfer there (its walk, one write and at most the 2000 ms
// reply wait) and a second for its walk and close on a slow machine. Still
// held after that, the module is passed over as if absent.
inline constexpr std::uint32_t Lock_Limit_Ms = 3000;

// The IDs a device gives in its HID attributes.
struct Device_Attributes {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

// Why the platform would not open a device.
enum class Open_Refusal {
    Denied,   // this user may not
    Busy,     // another program holds it exclusively
    Missing,  // no device at that path (any more)
    Other,
};

// One present device, as the walk of an open sees it.
struct Present_Device {
    std::string path;
    bool opened = false;                         // its probe opened
    Open_Refusal refusal = Open_Refusal::Other;  // why not, where it did not
    bool attributes_read = false;
    Device_Attributes attributes;  // where read
    bool module = false;           // a KX418: the open would count it
    std::int32_t index = -1;       // a module's index, as the open counts them; -1 for others
    bool busy = false;             // a module that another program holds now
};

// Every device of the walk, in its order, each looked at by the same match
// as the open's. A module's index counts the modules before it, busy or
// not. Leaves nothing open.
std::vector<Present_Device> Survey_Devices();

// Which module an open is for.
struct Module_Choice {
    enum class By { First, Index, Path } by = By::First;
    std::int32_t index = 0;  // By::Index: as Survey_Devices numbers it
    std::string path;        // By::Path
};

// Why an open of the module returned 0.
struct Module_Failure {
    enum class Why {
        None,         // it opened
        Not_Found,    // no module selected; nothing more to say
        Held,         // another program kept it for Lock_Limit_Ms
        Not_Module,   // the device at the path is another device
        Cannot_Open,  // the device at the path would not be opened
    } why = Why::None;
    std::string path;                            // Held: the module another program holds
    Device_Attributes attributes;                // Not_Module: the IDs it gives
    Open_Refusal refusal = Open_Refusal::Other;  // Cannot_Open: why not
};

// Opens the chosen module's channels as KX418_Open opens the first one,
// after releasing whatever an earlier open left. The first: as
// KX418_Open. By index: the module Survey_Devices numbers so, busy or not,
// so that a module another program holds is waited for and then told as
// held, never swapped for the one after it. By path: that device, when it
// is a module. Returns 1, or 0 with `failure` saying why; after 0 nothing
// is open. KX418_Send_Cfg, KX418_Get_Reply and KX418_Close work on what
// it opened.
int Open_Module(const Module_Choice& choice, Module_Failure& failure);

// The bytes of a configuration report, as KX418_Send_Cfg writes them.
void Build_Report(std::uint32_t function_number, std::uint32_t setting, std::uint32_t first_time_ms,
                  std::uint32_t second_time_ms, std::span<std::uint8_t, KX418_Report_Size> report);

#endif  // KX418_DEVICES_H

// win32_support.h - what the tests of the Windows backend share.
#ifndef KX418_TESTS_WIN32_SUPPORT_H
#define KX418_TESTS_WIN32_SUPPORT_H

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "hid_backend.h"
#include "kx418_devices.h"
#include "kx418_logic.h"

// Handles this process holds now: a channel or event left open shows here.
inline DWORD Process_Handles()
{
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

inline bool Report_Buffer_Is_Zero()
{
    return std::all_of(Report_Buffer.begin(), Report_Buffer.end(),
                       [](std::uint8_t byte) { return byte == 0; });
}

inline bool Event_Signalled(Hid_Handle event)
{
    return WaitForSingleObject(reinterpret_cast<HANDLE>(event), 0) == WAIT_OBJECT_0;
}

// One present HID device as the walk gives it, with its attributes where
// its probe opened.
struct Seen_Device {
    std::string path;
    bool probed = false;
    Hid_Attributes attributes;
};

inline std::vector<Seen_Device> Present_Devices()
{
    std::vector<Seen_Device> devices;
    for (const Present_Device& present : Survey_Devices()) {
        Seen_Device& device = devices.emplace_back();
        device.path = present.path;
        device.probed = present.attributes_read;
        device.attributes = {present.attributes.VendorID, present.attributes.ProductID,
                             present.attributes.VersionNumber};
    }
    return devices;
}

#endif  // KX418_TESTS_WIN32_SUPPORT_H

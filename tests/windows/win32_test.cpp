// The Windows backend through the real Windows API under wine, with only
// wine's own HID devices present (no module).
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <gtest/gtest.h>

#include "hid_win32_internal.h"
#include "kx418.h"
#include "kx418_logic.h"
#include "win32_support.h"

namespace {

TEST(Win32_Backend, NoneIsTheInvalidHandleValue) {
    EXPECT_EQ(Hid_None, reinterpret_cast<Hid_Handle>(INVALID_HANDLE_VALUE));
    EXPECT_EQ(Read_Handle, Hid_None);
    EXPECT_EQ(Write_Handle, Hid_None);
    EXPECT_EQ(Read_Event, Hid_None);
}

TEST(Win32_Backend, BeforeOpenNothingIsSentOrRead) {
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 0);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_TRUE(Report_Buffer_Is_Zero());
    EXPECT_NE(KX418_Close(), 0);
}

TEST(Win32_Backend, WithOnlyWinesOwnDevicesOpenPassesOverBothAndLeavesNothingOpen) {
    const std::vector<Seen_Device> devices = Present_Devices();
    ASSERT_EQ(devices.size(), 2u) << "wine's own two HID devices";
    for (const Seen_Device& device : devices) {
        ASSERT_TRUE(device.probed) << device.path;
        EXPECT_NE(device.attributes.VendorID, KX418_Vendor_ID) << device.path;

        // The visitor passes each one over, counts none and keeps nothing.
        Device_Match match;
        match.vendor_id = KX418_Vendor_ID;
        match.product_id = KX418_Product_ID;
        match.match_flags = Match_Vendor_ID | Match_Product_ID;
        EXPECT_EQ(Match_Device({}, {device.path}, match), 1) << device.path;
        EXPECT_EQ(match.matches_passed, 0);
        EXPECT_EQ(match.device_handle, Hid_None);
    }

    const DWORD handles = Process_Handles();
    EXPECT_EQ(KX418_Open(), 0);
    EXPECT_EQ(Process_Handles(), handles) << "a channel, an event or the list left open";
    EXPECT_EQ(Read_Handle, Hid_None);
    EXPECT_EQ(Write_Handle, Hid_None);
    EXPECT_EQ(Read_Event, Hid_None);
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 0);
    EXPECT_EQ(KX418_Get_Reply(), 0);
}

TEST(Win32_Backend, OpenFailureTellsWhy) {
    EXPECT_EQ(Hid_Open("\\\\?\\hid#vid_2b5d&pid_0418#absent", Hid_Access::Probe), Hid_None);
    EXPECT_EQ(Hid_Last_Open_Failure(), Hid_Open_Failure::Missing);

    const std::vector<Seen_Device> devices = Present_Devices();
    ASSERT_FALSE(devices.empty());
    const Hid_Handle probe = Hid_Open(devices.front().path.c_str(), Hid_Access::Probe);
    ASSERT_NE(probe, Hid_None);
    EXPECT_EQ(Hid_Last_Open_Failure(), Hid_Open_Failure::None);
    EXPECT_TRUE(Hid_Close(probe));
}

// The detail record's cbSize is the platform's own size. The 32-bit figure
// in a 64-bit build is refused, so no device would ever be found with it.
TEST(Win32_Backend, DetailRecordSizeIsThePlatformsOwn) {
    GUID hid_guid;
    HidD_GetHidGuid(&hid_guid);
    HDEVINFO set = SetupDiGetClassDevsA(&hid_guid, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA interface_data{};
    interface_data.cbSize = sizeof interface_data;
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &hid_guid, 0, &interface_data));
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &interface_data, nullptr, 0, &required, nullptr);
    std::vector<SP_DEVICE_INTERFACE_DETAIL_DATA_A> buffer(required / sizeof buffer[0] + 1);

    const DWORD sizes[] = {5, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)};
    for (DWORD size : sizes) {
        buffer[0].cbSize = size;
        const bool filled = SetupDiGetDeviceInterfaceDetailA(set, &interface_data, buffer.data(),
                                                             required, nullptr, nullptr);
        if (size == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            EXPECT_TRUE(filled);
            EXPECT_STRNE(buffer[0].DevicePath, "");
        } else if (sizeof(void*) == 8) {
            EXPECT_FALSE(filled);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
        }
    }
    SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

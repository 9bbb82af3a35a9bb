// The Windows backend through the real Windows API under wine, with only
// wine's own HID devices present (no module).
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "hid_win32_internal.h"
#include "kx418.h"
#include "kx418_logic.h"
#include "win32_support.h"

namespace {

TEST(Win32_Backend, NoneIsTheInvalidHandleValue)
{
    EXPECT_EQ(Hid_None, reinterpret_cast<Hid_Handle>(INVALID_HANDLE_VALUE));
    EXPECT_EQ(Read_Handle, Hid_None);
    EXPECT_EQ(Write_Handle, Hid_None);
    EXPECT_EQ(Read_Event, Hid_None);
}

TEST(Win32_Backend, BeforeOpenNothingIsSentOrRead)
{
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 0);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_TRUE(Report_Buffer_Is_Zero());
    EXPECT_NE(KX418_Close(), 0);
}

TEST(Win32_Backend, WithOnlyWinesOwnDevicesOpenPassesOverBothAndLeavesNothingOpen)
{
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

TEST(Win32_Backend, OpenFailureTellsWhy)
{
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
TEST(Win32_Backend, DetailRecordSizeIsThePlatformsOwn)
{
    GUID hid_guid;
    HidD_GetHidGuid(&hid_guid);
    HDEVINFO set =
        SetupDiGetClassDevsA(&hid_guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
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

// Only a read of the attributes that the service reports as done counts:
// a handle that is no HID device yields none, and what the record held
// before stays as it was.
TEST(Win32_Backend, AttributesOfAHandleThatIsNoHidDeviceAreRefused)
{
    char folder[MAX_PATH];
    char name[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof folder, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "kx4", 0, name), 0u);
    const HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);

    Hid_Attributes attributes;
    attributes.VendorID = 0x1111;
    attributes.ProductID = 0x2222;
    attributes.VersionNumber = 0x3333;
    EXPECT_FALSE(Hid_Get_Attributes(reinterpret_cast<Hid_Handle>(file), attributes));
    EXPECT_EQ(attributes.VendorID, 0x1111);
    EXPECT_EQ(attributes.ProductID, 0x2222);
    EXPECT_EQ(attributes.VersionNumber, 0x3333);
    CloseHandle(file);

    // The walk's probe of such a path passes it over.
    Device_Match match;
    match.vendor_id = 0;
    match.product_id = 0;
    match.match_flags = Match_Vendor_ID | Match_Product_ID;
    EXPECT_EQ(Match_Device({}, {"NUL"}, match), 1);
    EXPECT_EQ(match.device_handle, Hid_None);
}

// The read event is made signalled and stays so through any number of
// waits until it is reset: the reply wait relies on both.
TEST(Win32_Backend, ReadEventIsManualResetAndSignalledAtFirst)
{
    const Hid_Handle event = Hid_Create_Event();
    ASSERT_NE(event, Hid_None);
    EXPECT_TRUE(Event_Signalled(event)) << "not signalled when made";
    EXPECT_TRUE(Event_Signalled(event)) << "a wait reset it: not manual-reset";
    Hid_Reset_Event(event);
    EXPECT_FALSE(Event_Signalled(event));
    EXPECT_FALSE(Event_Signalled(event));
    EXPECT_TRUE(Hid_Close(event));
}

// The device-setup service the walk reads detail records with, replaced
// in this program's import table for one test. The backend is linked into
// this program, so its calls go through the same entry.
using Detail_Service = decltype(&SetupDiGetDeviceInterfaceDetailA);
extern "C" Detail_Service __imp_SetupDiGetDeviceInterfaceDetailA;

std::function<BOOL(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD,
                   PDWORD, PSP_DEVINFO_DATA)>
    Detail_Stand_In;

BOOL WINAPI Detail_Through_Stand_In(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                    PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                    PDWORD required, PSP_DEVINFO_DATA info)
{
    return Detail_Stand_In(set, data, detail, size, required, info);
}

// Puts the stand-in into the import table for its lifetime.
class Detail_Service_Replaced {
public:
    explicit Detail_Service_Replaced(decltype(Detail_Stand_In) stand_in)
    {
        Detail_Stand_In = std::move(stand_in);
        original_ = Swap(&Detail_Through_Stand_In);
    }
    ~Detail_Service_Replaced()
    {
        Swap(original_);
        Detail_Stand_In = nullptr;
    }
    Detail_Service_Replaced(const Detail_Service_Replaced&) = delete;
    Detail_Service_Replaced& operator=(const Detail_Service_Replaced&) = delete;
    Detail_Service original() const { return original_; }

private:
    static Detail_Service Swap(Detail_Service with)
    {
        Detail_Service* entry = &__imp_SetupDiGetDeviceInterfaceDetailA;
        DWORD was = 0;
        VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &was);
        const Detail_Service before = *entry;
        *entry = with;
        VirtualProtect(entry, sizeof *entry, was, &was);
        return before;
    }
    Detail_Service original_ = nullptr;
};

// An interface whose detail record cannot be read is passed over, and the
// walk goes on to the next: whether the size request or the fetch fails.
TEST(Win32_Backend, InterfaceWhoseDetailCannotBeReadIsPassedOver)
{
    const std::vector<Seen_Device> devices = Present_Devices();
    ASSERT_GE(devices.size(), 2u) << "wine's own two HID devices";

    struct Case {
        const char* name;
        bool fail_size_request;
    };
    for (const Case& test : {Case{"size request", true}, Case{"fetch", false}}) {
        SCOPED_TRACE(test.name);
        int failed = 0;
        Detail_Service original = nullptr;
        // The first interface asked about is the one whose detail fails.
        bool seen_first = false;
        ULONG_PTR first_id = 0;
        Detail_Service_Replaced replaced([&](HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                             PDWORD required, PSP_DEVINFO_DATA info) -> BOOL {
            if (!seen_first) {
                seen_first = true;
                first_id = data->Reserved;
            }
            const bool size_request = detail == nullptr;
            if (data->Reserved == first_id && size_request == test.fail_size_request) {
                ++failed;
                if (required != nullptr) *required = 0;
                SetLastError(ERROR_INVALID_USER_BUFFER);
                return FALSE;
            }
            return original(set, data, detail, size, required, info);
        });
        original = replaced.original();

        std::vector<std::string> visited;
        Enum_HID_Devices(
            [](const Hid_Interface_Data&, const Hid_Interface_Detail& detail, void* context) {
                static_cast<std::vector<std::string>*>(context)->push_back(detail.DevicePath);
                return 1;
            },
            &visited);
        EXPECT_EQ(failed, 1);
        ASSERT_EQ(visited.size(), devices.size() - 1) << "the walk ended at the unreadable one";
        for (std::size_t i = 0; i < visited.size(); ++i) EXPECT_EQ(visited[i], devices[i + 1].path);
    }
    EXPECT_EQ(Present_Devices().size(), devices.size()) << "the service is back";
}

}  // namespace

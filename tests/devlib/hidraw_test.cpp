// The hidraw backend on what needs no device node: a folder of plain files
// for the walk, pipes for reading and writing reports.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "hidraw_internal.h"
#include "kx418.h"
#include "file_text.h"
#include "kx418_logic.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// A folder of its own, standing in for /dev.
class Device_Folder {
public:
    const fs::path& path() const { return folder_.Path(); }
    void Touch(const std::string& name) const { support::Write_File(folder_ / name, "x"); }

private:
    support::Temp_Folder folder_{"kx418-hidraw"};
};

struct Pipe {
    Pipe()
    {
        if (pipe2(fds.data(), O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2");
    }
    ~Pipe()
    {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void Close_Writer()
    {
        close(fds[1]);
        fds[1] = -1;
    }
    std::array<int, 2> fds{-1, -1};
};

std::vector<std::string> Listed_Paths()
{
    std::vector<std::string> paths;
    Hid_Device_List* list = Hid_Get_Device_List();
    if (list == nullptr) return {"<no list>"};
    Hid_Interface_Data data;
    Hid_Interface_Detail detail;
    for (std::uint32_t i = 0;
         Hid_Get_Device_Interface(list, i, data, detail) == Hid_Item_Result::Found; ++i)
        paths.push_back(detail.DevicePath);
    Hid_Destroy_Device_List(list);
    return paths;
}

int Open_Descriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

class Hidraw : public ::testing::Test {
protected:
    void TearDown() override { Hidraw_Set_Device_Folder("/dev"); }
};

TEST_F(Hidraw, WalkListsHidrawNodesInAscendingNumber)
{
    Device_Folder folder;
    for (const char* name : {"hidraw10", "hidraw2", "hidraw0", "hidraw", "hidrawx", "hidraw1a",
                             "hidraw-1", "event3", "hidraw11"})
        folder.Touch(name);
    Hidraw_Set_Device_Folder(folder.path().string());
    const std::string base = folder.path().string() + "/";
    EXPECT_EQ(Listed_Paths(), (std::vector<std::string>{base + "hidraw0", base + "hidraw2",
                                                        base + "hidraw10", base + "hidraw11"}));
}

TEST_F(Hidraw, MissingFolderMeansNoList)
{
    Hidraw_Set_Device_Folder("/nonexistent-kx418-folder");
    EXPECT_EQ(Hid_Get_Device_List(), nullptr);
}

TEST_F(Hidraw, NodesWithoutHidAttributesArePassedOverLeavingNothingOpen)
{
    Device_Folder folder;
    folder.Touch("hidraw0");
    folder.Touch("hidraw1");
    Hidraw_Set_Device_Folder(folder.path().string());
    const int before = Open_Descriptors();
    EXPECT_EQ(KX418_Open(), 0);  // plain files answer no HIDIOCGRAWINFO
    EXPECT_EQ(Open_Descriptors(), before);
}

TEST(HidrawAttributes, IdsAboveSignedRangeCompareAsUnsigned)
{
    hidraw_devinfo info{};
    info.bustype = 3;
    info.vendor = static_cast<__s16>(0xFFFE);
    info.product = static_cast<__s16>(0x8001);
    const Hid_Attributes attributes = Hidraw_Attributes_From_Info(info);
    EXPECT_EQ(attributes.VendorID, 0xFFFE);
    EXPECT_EQ(attributes.ProductID, 0x8001);
}

TEST(HidrawChannels, AFailedOpenSaysWhy)
{
    EXPECT_EQ(Hid_Open("/nonexistent/hidraw0", Hid_Access::Probe), Hid_None);
    EXPECT_EQ(Hid_Last_Open_Failure(), Hid_Open_Failure::Missing);
    // A folder cannot be opened for writing: a reason of no other kind.
    EXPECT_EQ(Hid_Open("/tmp", Hid_Access::Write), Hid_None);
    EXPECT_EQ(Hid_Last_Open_Failure(), Hid_Open_Failure::Other);
    const Hid_Handle opened = Hid_Open("/dev/null", Hid_Access::Probe);
    ASSERT_NE(opened, Hid_None);
    EXPECT_EQ(Hid_Last_Open_Failure(), Hid_Open_Failure::None);
    Hid_Close(opened);
}

TEST(HidrawChannels, EveryDescriptorIsCloseOnExecAndOnlyTheReadChannelNonBlocking)
{
    Device_Folder folder;
    folder.Touch("hidraw0");
    const std::string path = (folder.path() / "hidraw0").string();
    struct Case {
        Hid_Access access;
        int mode;
        bool non_blocking;
    };
    for (const Case& c :
         {Case{Hid_Access::Probe, O_RDWR, false}, Case{Hid_Access::Read, O_RDONLY, true},
          Case{Hid_Access::Write, O_WRONLY, false}}) {
        const Hid_Handle handle = Hid_Open(path.c_str(), c.access);
        ASSERT_NE(handle, Hid_None);
        const int fd = static_cast<int>(handle);
        EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
        EXPECT_EQ(fcntl(fd, F_GETFL) & O_ACCMODE, c.mode);
        EXPECT_EQ((fcntl(fd, F_GETFL) & O_NONBLOCK) != 0, c.non_blocking);
        EXPECT_TRUE(Hid_Close(handle));
    }
    const Hid_Handle event = Hid_Create_Event();
    ASSERT_NE(event, Hid_None);
    EXPECT_TRUE(fcntl(static_cast<int>(event), F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(Hid_Close(event));
    EXPECT_EQ(Hid_Open((folder.path() / "absent").c_str(), Hid_Access::Probe), Hid_None);
}

// A read channel that is a pipe: the test writes what a device would hand up.
class HidrawRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        event = Hid_Create_Event();
        ASSERT_NE(event, Hid_None);
        overlapped.hEvent = event;
        buffer.fill(0xEE);
    }
    void TearDown() override { Hid_Close(event); }

    Hid_Wait_Result Read(std::uint32_t limit_ms)
    {
        if (!Hid_Start_Read(pipe.fds[0], overlapped, buffer)) return Hid_Wait_Result::Failed;
        return Hid_Wait_Read(overlapped, limit_ms);
    }

    Pipe pipe;
    Hid_Handle event = Hid_None;
    Hid_Overlapped overlapped;
    std::array<std::uint8_t, Hid_Report_Size> buffer{};
};

TEST_F(HidrawRead, InputReportLandsAfterAReportIdByteOfZero)
{
    std::array<std::uint8_t, 16> report{};
    for (std::size_t i = 0; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(0x21 + i);
    ASSERT_EQ(write(pipe.fds[1], report.data(), report.size()), 16);
    ASSERT_EQ(Read(2000), Hid_Wait_Result::Completed);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), buffer.begin() + 1));
}

TEST_F(HidrawRead, ReportArrivingDuringTheWaitCompletesIt)
{
    ASSERT_TRUE(Hid_Start_Read(pipe.fds[0], overlapped, buffer));
    const std::uint8_t ack = '!';
    std::thread device([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        (void)!write(pipe.fds[1], &ack, 1);
    });
    EXPECT_EQ(Hid_Wait_Read(overlapped, 2000), Hid_Wait_Result::Completed);
    device.join();
    EXPECT_EQ(buffer[1], '!');
}

TEST_F(HidrawRead, SilenceTimesOutAfterTheLimit)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(50), Hid_Wait_Result::Timeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST_F(HidrawRead, HangUpFailsWithoutWaitingOutTheLimit)
{
    pipe.Close_Writer();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(10000), Hid_Wait_Result::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(HidrawWrite, WritesExactlyOneWholeReport)
{
    Pipe pipe;
    std::array<std::uint8_t, Hid_Report_Size> report{};
    report[1] = 0x57;
    // A report of another length is refused by its type: it cannot be passed.
    static_assert(
        !std::is_invocable_v<decltype(&Hid_Write), Hid_Handle, std::span<const std::uint8_t, 16>>);
    static_assert(
        !std::is_invocable_v<decltype(&Hid_Write), Hid_Handle, std::span<const std::uint8_t>>);
    ASSERT_TRUE(Hid_Write(pipe.fds[1], report));
    std::array<std::uint8_t, 32> got{};
    EXPECT_EQ(read(pipe.fds[0], got.data(), got.size()), 17);
    EXPECT_EQ(got[1], 0x57);
}

}  // namespace

// The Windows backend against the virtual module, seen through wine's HID
// stack. Run by tools/wine-session, which sets KX418_MODULE_LOG to the
// module's log: suite Module with the nodes hidraw0:vendor=1234,
// hidraw1:product=5678, hidraw2 (the module); suite Late_Answer with
// hidraw0:delay=2500; suite Repeated_Answer with
// hidraw0:answer-first,answer-twice.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "hid_win32_internal.h"
#include "kx418.h"
#include "kx418_logic.h"
#include "win32_support.h"

namespace {

using Clock = std::chrono::steady_clock;

long long Ms_Since(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The module's log lines of one node's reports, in order.
std::vector<std::string> Reports_Of(const std::string& node)
{
    const char* log = std::getenv("KX418_MODULE_LOG");
    std::vector<std::string> lines;
    if (log == nullptr) {
        ADD_FAILURE() << "KX418_MODULE_LOG is not set: run this under tools/wine-session module";
        return lines;
    }
    std::ifstream file(std::string("Z:") + log);
    for (std::string line; std::getline(file, line);)
        if (line.starts_with(node + " report ")) lines.push_back(line);
    return lines;
}

bool Ends_With(const std::string& text, const std::string& end)
{
    return text.ends_with(end);
}

class Module : public ::testing::Test {
protected:
    void SetUp() override
    {
        handles = Process_Handles();
        ASSERT_EQ(KX418_Open(), 1);
    }
    void TearDown() override
    {
        KX418_Close();
        EXPECT_EQ(Process_Handles(), handles) << "a channel or the event left open";
        EXPECT_FALSE(Win32_Read_In_Flight(Read_Overlapped));
    }
    DWORD handles = 0;
};

TEST_F(Module, WorkedExampleGoesOutByteForByteAndIsAcknowledged)
{
    const std::size_t before = Reports_Of("hidraw2").size();
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
    const std::vector<std::string> reports = Reports_Of("hidraw2");
    ASSERT_EQ(reports.size(), before + 1);
    EXPECT_TRUE(Ends_With(reports.back(),
                          "checksum 57 ok raw 00 57 01 00 e8 03 00 00 00 00 00 00 00 00 00 00 00"))
        << reports.back();
    // The answer as read: report ID 0, "!", then the module's echo.
    EXPECT_EQ(Report_Buffer[0], 0);
    EXPECT_EQ(Report_Buffer[1], '!');
    EXPECT_EQ(Report_Buffer[2], 0x57);
    EXPECT_EQ(Report_Buffer[16], 0xFF);
    EXPECT_FALSE(Event_Signalled(Read_Event));
}

TEST_F(Module, FunctionThreeSettingOneHasChecksumD5)
{
    EXPECT_EQ(KX418_Send_Cfg(3, 1, 5000, 2500), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
    const std::vector<std::string> reports = Reports_Of("hidraw2");
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(Ends_With(reports.back(),
                          "function 3 setting 1 time1 5000 ms time2 2500 ms checksum d5 ok "
                          "raw 00 d5 03 01 88 13 00 00 c4 09 00 00 00 00 00 00 00"))
        << reports.back();
}

TEST_F(Module, ForeignDevicesArePassedOver)
{
    // Both foreign devices are there and readable, so passing them over is
    // the match's doing.
    std::vector<std::pair<int, int>> ids;
    for (const Seen_Device& device : Present_Devices())
        if (device.probed)
            ids.emplace_back(device.attributes.VendorID, device.attributes.ProductID);
    EXPECT_NE(std::find(ids.begin(), ids.end(), std::pair(0x1234, 0x0418)), ids.end());
    EXPECT_NE(std::find(ids.begin(), ids.end(), std::pair(0x2B5D, 0x5678)), ids.end());

    EXPECT_EQ(KX418_Send_Cfg(5, 0, 100, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
    EXPECT_TRUE(Reports_Of("hidraw0").empty());
    EXPECT_TRUE(Reports_Of("hidraw1").empty());
}

TEST_F(Module, NackIsNoAcknowledgement)
{
    // A report whose checksum is wrong: the module answers "?".
    std::array<std::uint8_t, Hid_Report_Size> report{0, 0x00, 1, 0, 0xE8, 0x03};
    ASSERT_TRUE(Hid_Write(Write_Handle, report));
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_EQ(Report_Buffer[1], '?') << "the answer stays in the buffer";
    EXPECT_FALSE(Event_Signalled(Read_Event));
    ASSERT_FALSE(Reports_Of("hidraw2").empty());
    EXPECT_NE(Reports_Of("hidraw2").back().find("checksum 00 bad"), std::string::npos);
}

TEST_F(Module, SilenceReturnsZeroAfterTheLimit)
{
    Report_Buffer.fill(0xAA);
    const auto start = Clock::now();
    EXPECT_EQ(KX418_Get_Reply(), 0);
    const long long waited = Ms_Since(start);
    EXPECT_GE(waited, 2000);
    EXPECT_LT(waited, 2500);
    EXPECT_TRUE(Report_Buffer_Is_Zero());
    EXPECT_FALSE(Win32_Read_In_Flight(Read_Overlapped)) << "the cancelled read has ended";
    EXPECT_FALSE(Event_Signalled(Read_Event));
}

TEST_F(Module, NineReportsInARow)
{
    const std::size_t before = Reports_Of("hidraw2").size();
    const std::uint32_t functions[] = {91, 92, 93, 94, 95, 96, 97, 98, 9};
    for (std::uint32_t i = 0; i < 9; ++i) {
        EXPECT_EQ(KX418_Send_Cfg(functions[i], i, 1000 * i, 1000 * i + 500), 1) << i;
        EXPECT_EQ(KX418_Get_Reply(), 1) << i;
    }
    const std::vector<std::string> reports = Reports_Of("hidraw2");
    ASSERT_EQ(reports.size(), before + 9);
    for (std::size_t i = 0; i < 9; ++i) {
        const std::string& line = reports[before + i];
        EXPECT_NE(line.find("function " + std::to_string(functions[i]) + " setting " +
                            std::to_string(i) + " "),
                  std::string::npos)
            << line;
        EXPECT_NE(line.find(" ok raw "), std::string::npos) << line;
    }
}

TEST_F(Module, OpenAfterAnUnclosedFailedTransfer)
{
    const DWORD open_handles = Process_Handles();
    EXPECT_EQ(KX418_Get_Reply(), 0);  // silence: the transfer fails, the module stays open
    EXPECT_EQ(KX418_Open(), 1);
    EXPECT_EQ(Process_Handles(), open_handles) << "the first open's channels were released";
    EXPECT_EQ(KX418_Send_Cfg(2, 0, 3000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
}

// The answer comes 2500 ms after the report, when the wait has given up.
class Late_Answer : public Module {};

TEST_F(Late_Answer, NothingLandsInTheBufferAfterTheReplyWaitReturned)
{
    const std::size_t before = Reports_Of("hidraw0").size();
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_FALSE(Win32_Read_In_Flight(Read_Overlapped));
    EXPECT_TRUE(Report_Buffer_Is_Zero());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the answer has come
    EXPECT_TRUE(Report_Buffer_Is_Zero());

    // The exchange ended with the failure: the late answer acknowledges
    // nothing, and nothing more goes out or is awaited on this open.
    const auto start = Clock::now();
    EXPECT_EQ(KX418_Send_Cfg(2, 0, 1000, 0), 0);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_LT(Ms_Since(start), 500);
    EXPECT_EQ(Reports_Of("hidraw0").size(), before + 1);

    // Opened again, the answer that is still queued on the old read
    // channel is not seen, and the stale input is dropped before the write.
    ASSERT_EQ(KX418_Open(), 1);
    EXPECT_EQ(KX418_Send_Cfg(3, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 0) << "answered only after its own wait";
    // Its answer comes 0.5 s from now: let it come here, not in the next
    // test's wait (an answer after the next report went out is taken for
    // that report's; nothing in the protocol tells them apart).
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
}

TEST_F(Late_Answer, NothingLandsInTheBufferAfterClose)
{
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    KX418_Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(Report_Buffer_Is_Zero());
    EXPECT_EQ(KX418_Open(), 1);  // for TearDown's close
}

// Suite Repeated_Answer, with hidraw0:answer-first,answer-twice: the
// repeat of report 1's answer, queued by the time report 2 goes out, is
// dropped before it is written.
class Repeated_Answer : public Module {};

TEST_F(Repeated_Answer, TheRepeatDoesNotAcknowledgeTheNextReport)
{
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
    // The repeat has reached the read channel's queue.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(KX418_Send_Cfg(2, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_EQ(Reports_Of("hidraw0").size(), 2u);
}

}  // namespace

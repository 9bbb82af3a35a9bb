// node_test.cpp - the virtual nodes themselves, through the system calls a
// hidraw client makes: what a read, a poll, a write and an ioctl give, how
// a removed node fails, and how the program starts and stops.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "temp_folder.h"
#include "virtual_fixture.h"

namespace {

using virtual_module::Running_Module;
using Clock = std::chrono::steady_clock;
using Report = std::array<std::uint8_t, 17>;

// Function 1, setting 0, 1000 ms, 0 ms, with its checksum 0x57.
constexpr Report Worked_Example{0x00, 0x57, 0x01, 0x00, 0xE8, 0x03};

ssize_t Write_Report(int fd, const Report& report)
{
    return write(fd, report.data(), report.size());
}

int Poll_Events(int fd, int limit_ms)
{
    pollfd wait{fd, POLLIN, 0};
    return poll(&wait, 1, limit_ms) == 1 ? wait.revents : 0;
}

using Node_Test = Virtual_Module_Test;

TEST_F(Node_Test, ReadGivesOneQueuedInputReportAndEagainWhenNoneIsQueued)
{
    Running_Module& module = Start({"hidraw0"});
    Fd reader{open(module.Node_Path("hidraw0").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    Fd writer{open(module.Node_Path("hidraw0").c_str(), O_WRONLY | O_CLOEXEC)};
    ASSERT_GE(reader.get(), 0);
    ASSERT_GE(writer.get(), 0);

    std::array<std::uint8_t, 64> input{};
    EXPECT_EQ(read(reader.get(), input.data(), input.size()), -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(Poll_Events(reader.get(), 0), 0);

    ASSERT_EQ(Write_Report(writer.get(), Worked_Example), 17);
    EXPECT_EQ(Poll_Events(reader.get(), 1000) & POLLIN, POLLIN);
    // 16 bytes, no report-ID byte: "!", the report's bytes 1..11, 0xFF x4.
    ASSERT_EQ(read(reader.get(), input.data(), input.size()), 16);
    const std::array<std::uint8_t, 16> expected{'!', 0x57, 0x01, 0x00, 0xE8, 0x03, 0,    0,
                                                0,   0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), input.begin()));
    EXPECT_EQ(read(reader.get(), input.data(), input.size()), -1);
    EXPECT_EQ(errno, EAGAIN);
}

TEST_F(Node_Test, ALateAnswerWakesAWaitingPollerAndABlockingReader)
{
    Running_Module& module = Start({"hidraw0:delay=200"});
    Fd reader{open(module.Node_Path("hidraw0").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    Fd blocking{open(module.Node_Path("hidraw0").c_str(), O_RDWR | O_CLOEXEC)};
    ASSERT_GE(reader.get(), 0);
    ASSERT_GE(blocking.get(), 0);

    ASSERT_EQ(Write_Report(blocking.get(), Worked_Example), 17);
    auto started = Clock::now();
    EXPECT_EQ(Poll_Events(reader.get(), 2000) & POLLIN, POLLIN);
    // Woken when the answer came, not found by the last look at the limit.
    EXPECT_GE(Elapsed_Ms(started), 150);
    EXPECT_LT(Elapsed_Ms(started), 1000);

    // The answer went to every file open on the node, once to each.
    std::array<std::uint8_t, 16> input{};
    ASSERT_EQ(read(reader.get(), input.data(), input.size()), 16);
    EXPECT_EQ(read(reader.get(), input.data(), input.size()), -1);
    EXPECT_EQ(errno, EAGAIN);
    ASSERT_EQ(read(blocking.get(), input.data(), input.size()), 16);

    ASSERT_EQ(Write_Report(blocking.get(), Worked_Example), 17);
    started = Clock::now();
    ASSERT_EQ(read(blocking.get(), input.data(), input.size()), 16);
    EXPECT_GE(Elapsed_Ms(started), 150);
    EXPECT_EQ(input[0], '!');
}

// The answer policies, each one node setting: how many answers three
// reports get in all, and what a fresh open finds queued.
TEST_F(Node_Test, AnswerPoliciesAsConfigured)
{
    struct Case {
        const char* setting;
        int queued_at_open;
        int answers;  // to three reports
    };
    const Case cases[] = {
        {"", 0, 3},
        {":answer-first", 0, 1},
        {":answer-twice", 0, 6},
        {":answer-first,answer-twice", 0, 2},
        {":queued-at-open", 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        Running_Module& module = Start({std::string("hidraw0") + c.setting});
        Fd node{open(module.Node_Path("hidraw0").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)};
        ASSERT_GE(node.get(), 0);
        std::array<std::uint8_t, 16> input{};
        const auto drain = [&] {
            int count = 0;
            while (read(node.get(), input.data(), input.size()) == 16) {
                EXPECT_EQ(input[0], '!');
                ++count;
            }
            return count;
        };
        EXPECT_EQ(drain(), c.queued_at_open);
        for (int report = 0; report < 3; ++report)
            ASSERT_EQ(Write_Report(node.get(), Worked_Example), 17);
        EXPECT_EQ(drain(), c.answers);
        int logged = 0;
        for (const std::string& line : module.Log_Lines())
            logged += line.starts_with("hidraw0 answered report ");
        EXPECT_EQ(logged, c.answers);
    }
}

TEST_F(Node_Test, ChecksRepliesAndRejectsWhatIsNoReport)
{
    Running_Module& module = Start({"hidraw0"});
    Fd node{open(module.Node_Path("hidraw0").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)};
    ASSERT_GE(node.get(), 0);

    Report bad_checksum = Worked_Example;
    bad_checksum[1] = 0x58;
    ASSERT_EQ(Write_Report(node.get(), bad_checksum), 17);
    std::array<std::uint8_t, 16> input{};
    ASSERT_EQ(Poll_Events(node.get(), 1000) & POLLIN, POLLIN);
    ASSERT_EQ(read(node.get(), input.data(), input.size()), 16);
    EXPECT_EQ(input[0], '?');

    EXPECT_EQ(write(node.get(), Worked_Example.data(), 16), -1);
    EXPECT_EQ(errno, EINVAL);
    Report numbered = Worked_Example;
    numbered[0] = 1;
    EXPECT_EQ(Write_Report(node.get(), numbered), -1);
    EXPECT_EQ(errno, EINVAL);

    const auto lines = module.Log_Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0],
              "hidraw0 report 1: function 1 setting 0 time1 1000 ms time2 0 ms checksum 58 bad "
              "raw 00 58 01 00 e8 03 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(lines[1], "hidraw0 answered report 1");
    EXPECT_TRUE(lines[2].starts_with("hidraw0 rejected write of 16 bytes")) << lines[2];
    EXPECT_TRUE(lines[3].starts_with("hidraw0 rejected write of 17 bytes: raw 01 57")) << lines[3];
}

TEST_F(Node_Test, OpenAndAttributesAsConfigured)
{
    Running_Module& module =
        Start({"hidraw0:refuse-open=eacces", "hidraw1:refuse-open=ebusy", "hidraw2:attributes-fail",
               "hidraw3", "hidraw4:vendor=abcd,product=8001"});
    struct Case {
        const char* node;
        int open_error;        // 0: opens
        int attributes_error;  // 0: attributes read
        std::uint16_t vendor, product;
    };
    const Case cases[] = {
        {"hidraw0", EACCES, 0, 0, 0},      {"hidraw1", EBUSY, 0, 0, 0},
        {"hidraw2", 0, EIO, 0, 0},         {"hidraw3", 0, 0, 0x2B5D, 0x0418},
        {"hidraw4", 0, 0, 0xABCD, 0x8001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        Fd node{open(module.Node_Path(c.node).c_str(), O_RDWR | O_CLOEXEC)};
        if (c.open_error != 0) {
            EXPECT_EQ(node.get(), -1);
            EXPECT_EQ(errno, c.open_error);
            continue;
        }
        ASSERT_GE(node.get(), 0);
        hidraw_devinfo info{};
        const int result = ioctl(node.get(), HIDIOCGRAWINFO, &info);
        if (c.attributes_error != 0) {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(errno, c.attributes_error);
            continue;
        }
        ASSERT_EQ(result, 0);
        EXPECT_EQ(info.bustype, 3u);  // USB
        EXPECT_EQ(static_cast<std::uint16_t>(info.vendor), c.vendor);
        EXPECT_EQ(static_cast<std::uint16_t>(info.product), c.product);
    }
}

TEST_F(Node_Test, ARemovedNodeFailsLikeAnUnpluggedOne)
{
    Running_Module& module = Start({"hidraw0:remove-after=1", "hidraw1"});
    const std::string path = module.Node_Path("hidraw0");
    Fd reader{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    Fd writer{open(path.c_str(), O_RDWR | O_CLOEXEC)};
    Fd waiting{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    ASSERT_GE(reader.get(), 0);
    ASSERT_GE(writer.get(), 0);
    ASSERT_GE(waiting.get(), 0);

    // A blocking read waiting when the node goes ends with EIO.
    auto blocked_read = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 16> input{};
        const ssize_t got = read(waiting.get(), input.data(), input.size());
        return got < 0 ? -errno : static_cast<int>(got);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    ASSERT_EQ(Write_Report(writer.get(), Worked_Example), 17);
    const auto started = Clock::now();
    EXPECT_EQ(Poll_Events(reader.get(), 2000) & (POLLERR | POLLHUP), POLLERR | POLLHUP);
    EXPECT_LT(Elapsed_Ms(started), 1000);
    EXPECT_EQ(blocked_read.get(), -EIO);

    std::array<std::uint8_t, 16> input{};
    EXPECT_EQ(read(reader.get(), input.data(), input.size()), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(Write_Report(writer.get(), Worked_Example), -1);
    EXPECT_EQ(errno, ENODEV);
    hidraw_devinfo info{};
    EXPECT_EQ(ioctl(writer.get(), HIDIOCGRAWINFO, &info), -1);
    EXPECT_EQ(errno, ENODEV);

    EXPECT_EQ(open(path.c_str(), O_RDWR | O_CLOEXEC), -1);
    EXPECT_EQ(errno, ENOENT);
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(module.Folder()))
        listed.push_back(entry.path().filename());
    EXPECT_EQ(listed, std::vector<std::string>{"hidraw1"});
    EXPECT_EQ(module.Log_Lines().back(), "hidraw0 removed");
}

TEST_F(Node_Test, StopsCleanlyOnSigint)
{
    Running_Module& module = Start({"hidraw0"});
    // Left open while the module stops: the unmount must not wait for it.
    Fd node{open(module.Node_Path("hidraw0").c_str(), O_RDWR | O_CLOEXEC)};
    ASSERT_GE(node.get(), 0);
    EXPECT_TRUE(process::Exited_Cleanly(module.Stop(SIGINT)));
    EXPECT_FALSE(module.Mounted());
}

TEST_F(Node_Test, StopsCleanlyWhenNothingReadsItsStdoutAnyMore)
{
    // As when the test that started it crashes: the reader of the pipe
    // goes away, here `head` after the first line.
    const support::Temp_Folder made("kx418-virtual", "/tmp");
    const std::string folder = made.String();
    std::string output;
    const int status = process::Run_Program(
        {"sh", "-c",
         "{ timeout 10 \"$0\" \"$1\" --node hidraw0; echo \"exit $?\" >&2; } | head -n 1",
         KX418_VIRTUAL_MODULE_PROGRAM, folder},
        output);
    std::ifstream mounts("/proc/self/mounts");
    const std::string mounted{std::istreambuf_iterator<char>(mounts), {}};
    EXPECT_EQ(mounted.find(folder), std::string::npos) << folder << " is still mounted";
    if (mounted.find(folder) != std::string::npos) umount2(folder.c_str(), MNT_DETACH);
    EXPECT_TRUE(process::Exited_Cleanly(status)) << status;
    EXPECT_EQ(output, "ready\nexit 0\n");
}

TEST(Node_Program, RejectsAnUnknownSettingInOneLine)
{
    std::string output;
    const int status = process::Run_Program(
        {KX418_VIRTUAL_MODULE_PROGRAM, "/nonexistent", "--node", "hidraw0:sticky"}, output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_EQ(output, "kx418-virtual-module: unknown node setting \"sticky\" (see --help)\n");
}

TEST(Node_Program, SaysInOneLineWhenFuseIsMissing)
{
    if (geteuid() != 0)
        SKIP_OR_FAIL_WITHOUT("hiding /dev/fuse takes a private mount namespace, so root");
    // /dev replaced by an empty tmpfs inside a private mount namespace.
    std::string output;
    const int status =
        process::Run_Program({"unshare", "-m", "--propagation", "private", "sh", "-c",
                              "mount -t tmpfs none /dev || exit 77; exec \"$0\" \"$@\"",
                              KX418_VIRTUAL_MODULE_PROGRAM, "/tmp", "--node", "hidraw0"},
                             output);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) SKIP_OR_FAIL_WITHOUT(output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << ": " << output;
    EXPECT_EQ(
        output,
        "kx418-virtual-module: FUSE is not available (/dev/fuse: No such file or directory)\n");
}

}  // namespace

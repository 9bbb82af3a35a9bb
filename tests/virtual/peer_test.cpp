// peer_test.cpp - a hidraw client written elsewhere, hidapi's hidraw
// backend, exchanging reports with the virtual nodes: they behave like
// hidraw nodes, not only like what the device library expects.
#include <hidapi/hidapi.h>

#include <array>
#include <chrono>
#include <memory>

#include "virtual_fixture.h"

namespace {

using virtual_module::Running_Module;
using Clock = std::chrono::steady_clock;

struct Hid_Close {
    void operator()(hid_device* device) const { hid_close(device); }
};
using Hid_Device = std::unique_ptr<hid_device, Hid_Close>;

constexpr std::array<unsigned char, 17> Worked_Example{0x00, 0x57, 0x01, 0x00, 0xE8, 0x03};

class Peer_Test : public Virtual_Module_Test {
protected:
    void SetUp() override
    {
        Virtual_Module_Test::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(hid_init(), 0);
    }
    void TearDown() override
    {
        hid_exit();
        Virtual_Module_Test::TearDown();
    }
};

TEST_F(Peer_Test, HidapiExchangesReports)
{
    Running_Module& module = Start({"hidraw0", "hidraw1:delay=200", "hidraw2:refuse-open=ebusy"});
    struct Case {
        const char* node;
        long long at_least_ms;
    };
    for (const Case c : {Case{"hidraw0", 0}, Case{"hidraw1", 150}}) {
        SCOPED_TRACE(c.node);
        Hid_Device device{hid_open_path(module.Node_Path(c.node).c_str())};
        ASSERT_TRUE(device) << "hid_open_path failed";
        ASSERT_EQ(hid_write(device.get(), Worked_Example.data(), Worked_Example.size()), 17);
        std::array<unsigned char, 64> input{};
        const auto started = Clock::now();
        ASSERT_EQ(hid_read_timeout(device.get(), input.data(), input.size(), 2000), 16);
        // A late answer wakes the wait when it comes, well before the limit.
        EXPECT_GE(Elapsed_Ms(started), c.at_least_ms);
        EXPECT_LT(Elapsed_Ms(started), c.at_least_ms + 1000);
        EXPECT_EQ(input[0], '!');
        EXPECT_EQ(input[1], 0x57);
        // Nothing more is queued.
        EXPECT_EQ(hid_read_timeout(device.get(), input.data(), input.size(), 0), 0);

        const auto reports = module.Reports_Of(c.node);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("checksum 57 ok"), std::string::npos) << reports[0];
    }
    EXPECT_FALSE(Hid_Device{hid_open_path(module.Node_Path("hidraw2").c_str())});
}

TEST_F(Peer_Test, HidapiSeesTheRemovalAtOnce)
{
    Running_Module& module = Start({"hidraw0:remove-after=1"});
    Hid_Device device{hid_open_path(module.Node_Path("hidraw0").c_str())};
    ASSERT_TRUE(device);
    ASSERT_EQ(hid_write(device.get(), Worked_Example.data(), Worked_Example.size()), 17);
    std::array<unsigned char, 64> input{};
    const auto started = Clock::now();
    EXPECT_EQ(hid_read_timeout(device.get(), input.data(), input.size(), 2000), -1);
    EXPECT_LT(Elapsed_Ms(started), 1000);
    EXPECT_EQ(hid_write(device.get(), Worked_Example.data(), Worked_Example.size()), -1);
}

}  // namespace

// Finding, opening and closing the module, over scripted devices.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hid_fake.h"
#include "kx418.h"
#include "kx418_logic.h"

namespace {

using fake_hid::state;
using Paths = std::vector<std::string>;

constexpr std::uint16_t Vendor = 0x2B5D;
constexpr std::uint16_t Product = 0x0418;

class Walk : public ::testing::Test {
protected:
    void SetUp() override { fake_hid::Reset(); }
    void TearDown() override
    {
        KX418_Close();
        EXPECT_EQ(fake_hid::Open_Count(), 0) << "handles left open";
        EXPECT_EQ(fake_hid::Locked_Paths(), Paths{}) << "lock left held";
        EXPECT_EQ(state.lists_open, 0) << "device list not released";
    }

    // Open: exactly the module at `path` holds its read channel, its event
    // and its write channel, and no probe channel is left.
    static void Expect_Open_On(const std::string& path)
    {
        EXPECT_EQ(fake_hid::Open_Paths(Hid_Access::Read), Paths{path});
        EXPECT_EQ(fake_hid::Open_Paths(Hid_Access::Write), Paths{path});
        EXPECT_EQ(fake_hid::Events_Open(), 1);
        EXPECT_EQ(fake_hid::Open_Count(Hid_Access::Probe), 0);
        EXPECT_EQ(fake_hid::Open_Count(), 3);
        EXPECT_EQ(fake_hid::Locked_Paths(), Paths{path});
        EXPECT_EQ(Read_Overlapped.hEvent, Read_Event);
    }

    static void Expect_Closed()
    {
        EXPECT_EQ(fake_hid::Open_Count(), 0);
        EXPECT_EQ(Read_Handle, Hid_None);
        EXPECT_EQ(Write_Handle, Hid_None);
        EXPECT_EQ(Read_Event, Hid_None);
        EXPECT_EQ(fake_hid::Locked_Paths(), Paths{});
        EXPECT_EQ(Lock_Handle, Hid_None);
    }

    static int Probes_Of(const std::string& path)
    {
        int count = 0;
        for (const std::string& call : state.calls) count += call == "open Probe " + path;
        return count;
    }
};

TEST_F(Walk, NoDevicesAttached)
{
    EXPECT_EQ(KX418_Open(), 0);
    Expect_Closed();
}

TEST_F(Walk, OtherDevicesArePassedOverAndTheModuleOfAnyVersionIsOpened)
{
    fake_hid::Add_Device("/dev/vendor-only", Vendor, 0x0419);
    fake_hid::Add_Device("/dev/product-only", 0x2B5C, Product);
    fake_hid::Add_Device("/dev/module", Vendor, Product, /*version=*/0x0207);
    EXPECT_EQ(KX418_Open(), 1);
    Expect_Open_On("/dev/module");
}

TEST_F(Walk, TwoModulesOnlyTheFirstIsOpenedAndTheWalkStops)
{
    fake_hid::Add_Device("/dev/first", Vendor, Product);
    fake_hid::Add_Device("/dev/second", Vendor, Product);
    EXPECT_EQ(KX418_Open(), 1);
    Expect_Open_On("/dev/first");
    EXPECT_EQ(Probes_Of("/dev/second"), 0);
}

TEST_F(Walk, DevicesThatCannotBeProbedArePassedOverAndNotCounted)
{
    fake_hid::Add_Device("/dev/held", Vendor, Product).refuse_probe = true;
    fake_hid::Add_Device("/dev/mute", Vendor, Product).attributes_fail = true;
    fake_hid::Add_Device("/dev/unreadable", Vendor, Product).detail_unreadable = true;
    fake_hid::Add_Device("/dev/module", Vendor, Product);
    EXPECT_EQ(KX418_Open(), 1);
    Expect_Open_On("/dev/module");
    EXPECT_EQ(Probes_Of("/dev/unreadable"), 0);
}

TEST_F(Walk, WantedIndexOneSelectsTheSecondMatch)
{
    fake_hid::Add_Device("/dev/other", 0x1234, 0x5678);
    fake_hid::Add_Device("/dev/first", Vendor, Product);
    fake_hid::Add_Device("/dev/another", 0x1234, 0x5678);
    fake_hid::Add_Device("/dev/second", Vendor, Product);
    fake_hid::Add_Device("/dev/third", Vendor, Product);

    std::array<char, Device_Path_Size> path{};
    EXPECT_EQ(Find_Device(1, Vendor, Product, 1, Match_Vendor_ID | Match_Product_ID, path), 1);
    EXPECT_STREQ(path.data(), "/dev/second");
    EXPECT_EQ(fake_hid::Open_Count(), 0) << "the selected probe channel is closed too";
}

TEST_F(Walk, VersionIsComparedOnlyWhenItsFlagIsSet)
{
    fake_hid::Add_Device("/dev/v2", Vendor, Product, 2);
    fake_hid::Add_Device("/dev/v1", Vendor, Product, 1);
    std::array<char, Device_Path_Size> path{};
    EXPECT_EQ(Find_Device(0, Vendor, Product, 1,
                          Match_Vendor_ID | Match_Product_ID | Match_Version_Number, path),
              1);
    EXPECT_STREQ(path.data(), "/dev/v1");
}

TEST_F(Walk, PathThatDoesNotFitIsPassedOverUnopened)
{
    const std::string too_long = "/dev/" + std::string(251, 'x');  // 256 characters
    const std::string fits = "/dev/" + std::string(250, 'y');      // 255 characters
    fake_hid::Add_Device(too_long, Vendor, Product);
    fake_hid::Add_Device(fits, Vendor, Product);
    EXPECT_EQ(KX418_Open(), 1);
    Expect_Open_On(fits);
    EXPECT_EQ(Probes_Of(too_long), 0);
}

TEST_F(Walk, OpenTwiceReplacesTheChannels)
{
    fake_hid::Add_Device("/dev/module", Vendor, Product);
    ASSERT_EQ(KX418_Open(), 1);
    const Hid_Handle first_read = Read_Handle;
    const Hid_Handle first_write = Write_Handle;
    const Hid_Handle first_event = Read_Event;

    EXPECT_EQ(KX418_Open(), 1);
    Expect_Open_On("/dev/module");
    EXPECT_EQ(state.open.count(first_read) + state.open.count(first_write) +
                  state.open.count(first_event),
              0u);
}

TEST_F(Walk, OpenAfterAnUnclosedFailedTransferWorksAsFromClosed)
{
    fake_hid::Add_Device("/dev/module", Vendor, Product);
    ASSERT_EQ(KX418_Open(), 1);
    ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    ASSERT_EQ(KX418_Get_Reply(), 0);  // silence; the caller leaves it open
    state.devices[0].acknowledge = true;

    ASSERT_EQ(KX418_Open(), 1);
    Expect_Open_On("/dev/module");
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
}

TEST_F(Walk, CloseTwice)
{
    fake_hid::Add_Device("/dev/module", Vendor, Product);
    ASSERT_EQ(KX418_Open(), 1);
    EXPECT_EQ(KX418_Close(), 1);
    Expect_Closed();
    const std::size_t calls = state.calls.size();
    EXPECT_EQ(KX418_Close(), 1) << "nothing open counts as closed";
    EXPECT_EQ(state.calls.size(), calls) << "the second close closes nothing";
    Expect_Closed();
}

TEST_F(Walk, CloseReleasesEventThenReadThenWriteThenTheLock)
{
    fake_hid::Add_Device("/dev/m", Vendor, Product);
    ASSERT_EQ(KX418_Open(), 1);
    state.calls.clear();
    KX418_Close();
    EXPECT_EQ(state.calls,
              (Paths{"close Event", "close Read /dev/m", "close Write /dev/m", "unlock /dev/m"}));
}

TEST_F(Walk, TheSelectedModuleIsLockedWhileItsProbeIsOpenWaitingTheBound)
{
    fake_hid::Add_Device("/dev/m", Vendor, Product);
    ASSERT_EQ(KX418_Open(), 1);
    Expect_Open_On("/dev/m");
    const auto at = [](const std::string& call) {
        return std::find(state.calls.begin(), state.calls.end(), call) - state.calls.begin();
    };
    EXPECT_LT(at("attributes"), at("lock /dev/m 3000"));
    EXPECT_LT(at("lock /dev/m 3000"), at("close Probe /dev/m"));
    EXPECT_LT(at("close Probe /dev/m"), at("open Read /dev/m"));
    // A second open lets go of the first lock before it asks again.
    state.calls.clear();
    ASSERT_EQ(KX418_Open(), 1);
    EXPECT_LT(at("unlock /dev/m"), at("lock /dev/m 3000"));
    Expect_Open_On("/dev/m");
}

// A module another program keeps locked past the bound counts as absent,
// and the open says that it was held, and where.
TEST_F(Walk, AHeldModuleIsPassedOverUncountedAndTheOpenSaysSo)
{
    struct Case {
        const char* name;
        std::vector<bool> held;  // one module each, /dev/0, /dev/1, ...
        std::int32_t wanted_index;
        const char* opened;  // nullptr: nothing
        ::Open_Failure failure;
        const char* held_path;
    };
    const std::vector<Case> cases = {
        {"the only module held", {true}, 0, nullptr, ::Open_Failure::Held, "/dev/0"},
        {"the first of two held", {true, false}, 0, "/dev/1", ::Open_Failure::None, ""},
        // Only the device to select is locked: one before it counts as ever.
        {"index 1, the first held", {true, false}, 1, "/dev/1", ::Open_Failure::None, ""},
        {"index 1, the second held", {false, true, false}, 1, "/dev/2", ::Open_Failure::None, ""},
        {"none held, none at index 2", {false, false}, 2, nullptr, ::Open_Failure::Not_Found, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake_hid::Reset();
        for (std::size_t i = 0; i < c.held.size(); ++i)
            fake_hid::Add_Device("/dev/" + std::to_string(i), Vendor, Product).held = c.held[i];
        const int opened =
            Open_Device(c.wanted_index, Vendor, Product, 1, Match_Vendor_ID | Match_Product_ID);
        EXPECT_EQ(Last_Open_Failure(), c.failure);
        EXPECT_STREQ(Last_Held_Path(), c.held_path);
        if (c.opened) {
            EXPECT_EQ(opened, 1);
            Expect_Open_On(c.opened);
        } else {
            EXPECT_EQ(opened, 0);
            Close_Device();
            Expect_Closed();
        }
        EXPECT_EQ(Device_Held("/dev/0"), c.held[0]);
        KX418_Close();
    }
}

// Every way KX418_Open can fail ends Closed with nothing left open.
struct Open_Failure {
    const char* name;
    void (*arrange)();
    std::vector<std::string> last_calls;  // the tail of the recorded calls
};

TEST_F(Walk, EveryOpenFailureEndsClosed)
{
    const std::vector<Open_Failure> failures = {
        {"device list cannot be had", [] { state.list_fails = true; }, {"list"}},
        {"no candidate can be probed",
         [] {
             fake_hid::Add_Device("/dev/a", Vendor, Product).refuse_probe = true;
             fake_hid::Add_Device("/dev/b", Vendor, Product).attributes_fail = true;
         },
         {"list released"}},
        {"read channel cannot be opened",
         [] { fake_hid::Add_Device("/dev/m", Vendor, Product).refuse_read = true; },
         {"open Read /dev/m", "unlock /dev/m"}},
        {"read event cannot be created",
         [] {
             fake_hid::Add_Device("/dev/m", Vendor, Product);
             state.event_fails = true;
         },
         {"create event", "close Read /dev/m", "unlock /dev/m"}},
        {"write channel cannot be opened",
         [] { fake_hid::Add_Device("/dev/m", Vendor, Product).refuse_write = true; },
         {"open Write /dev/m", "close Event", "close Read /dev/m", "unlock /dev/m"}},
    };
    for (const Open_Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        fake_hid::Reset();
        failure.arrange();
        EXPECT_EQ(KX418_Open(), 0);
        Expect_Closed();
        EXPECT_EQ(state.lists_open, 0);
        ASSERT_GE(state.calls.size(), failure.last_calls.size());
        EXPECT_EQ(Paths(state.calls.end() - static_cast<std::ptrdiff_t>(failure.last_calls.size()),
                        state.calls.end()),
                  failure.last_calls);
    }
}

}  // namespace

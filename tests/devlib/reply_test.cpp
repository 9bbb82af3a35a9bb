// Sending reports and judging the module's answer, over scripted devices.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hid_fake.h"
#include "kx418.h"
#include "kx418_logic.h"

namespace {

using fake_hid::state;
using Calls = std::vector<std::string>;

class Reply : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_hid::Reset();
        module = &fake_hid::Add_Device("/dev/module", 0x2B5D, 0x0418);
        ASSERT_EQ(KX418_Open(), 1);
        state.calls.clear();
    }
    void TearDown() override
    {
        KX418_Close();
        EXPECT_EQ(fake_hid::Open_Count(), 0);
    }

    bool Event_Signalled() const { return state.open.at(Read_Event).signalled; }
    static bool Buffer_Is_Zero()
    {
        return std::all_of(Report_Buffer.begin(), Report_Buffer.end(),
                           [](std::uint8_t b) { return b == 0; });
    }

    fake_hid::Device* module = nullptr;
};

TEST_F(Reply, OnlyAnExclamationMarkInTheFirstReportByteAcknowledges)
{
    struct Case {
        const char* name;
        fake_hid::Input_Report reply;
        int expected;
    };
    const std::vector<Case> cases = {
        {"\"!\" alone", fake_hid::Make_Reply({'!'}), 1},
        {"\"!\" with other bytes set",
         fake_hid::Make_Reply({'!', 0xFF, 'x', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x55}), 1},
        {"\"!\" only in a later byte", fake_hid::Make_Reply({'?', '!', '!'}), 0},
        {"\"!\" only in the last byte",
         fake_hid::Make_Reply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '!'}), 0},
        {"all zero", fake_hid::Make_Reply({}), 0},
    };
    for (const Case& c : cases) {
        // A reply that is no acknowledgement ends the exchange: each case opens anew.
        ASSERT_EQ(KX418_Open(), 1);
        module->replies.push_back(c.reply);
        EXPECT_EQ(KX418_Get_Reply(), c.expected) << c.name;
        EXPECT_EQ(Report_Buffer[0], 0) << c.name;
        EXPECT_TRUE(std::equal(c.reply.begin(), c.reply.end(), Report_Buffer.begin() + 1))
            << c.name << ": the reply stays in the buffer";
        EXPECT_FALSE(Event_Signalled()) << c.name;
    }
}

TEST_F(Reply, SilenceWaitsTheLimitThenCancelsAndResetsBeforeReturning)
{
    Report_Buffer.fill(0xAA);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_EQ(state.calls, (Calls{"start read", "wait 2000", "cancel read", "reset event",
                                  "unlock /dev/module"}));
    EXPECT_FALSE(Event_Signalled());
    EXPECT_TRUE(Buffer_Is_Zero());
}

TEST_F(Reply, ReadErrorsFailAtOnceWithTheBufferZero)
{
    struct Case {
        const char* name;
        bool fake_hid::Device::*fault;
        Calls calls;
    };
    const std::vector<Case> cases = {
        {"read cannot be started",
         &fake_hid::Device::read_start_fails,
         {"start read", "reset event", "unlock /dev/module"}},
        // The wait failing otherwise than by time-out abandons the read too.
        {"wait fails",
         &fake_hid::Device::wait_fails,
         {"start read", "wait 2000", "cancel read", "reset event", "unlock /dev/module"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(KX418_Open(), 1);
        module->*c.fault = true;
        module->replies.push_back(fake_hid::Make_Reply({'!'}));
        state.calls.clear();
        Report_Buffer.fill(0xAA);
        EXPECT_EQ(KX418_Get_Reply(), 0);
        EXPECT_EQ(state.calls, c.calls);
        EXPECT_TRUE(Buffer_Is_Zero());
        EXPECT_FALSE(Event_Signalled());
        module->*c.fault = false;
        module->replies.clear();
    }
}

TEST_F(Reply, FailedWriteReturnsZeroAndLeavesTheModuleOpen)
{
    module->write_fails = true;
    EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 0);
    EXPECT_EQ(state.calls, (Calls{"discard input", "write", "unlock /dev/module"})) << "no retry";
    EXPECT_EQ(fake_hid::Open_Count(), 3) << "the channels stay open";
}

TEST_F(Reply, SeveralReportsInARowEachGetTheirOwnChecksumAndLimit)
{
    module->acknowledge = true;
    for (std::uint32_t n = 1; n <= 9; ++n) {
        ASSERT_EQ(KX418_Send_Cfg(90 + n, 0, n * 1000, n * 500), 1);
        ASSERT_EQ(KX418_Get_Reply(), 1) << "report " << n;
    }
    ASSERT_EQ(state.written.size(), 9u);
    for (const auto& report : state.written)
        EXPECT_EQ(report.bytes[1], Crc8_Block(std::span(report.bytes).subspan(2, 10)));
    EXPECT_EQ(std::count(state.calls.begin(), state.calls.end(), "wait 2000"), 9);
}

// Whatever is queued when a report goes out (a late or repeated answer to
// an earlier one) is dropped first: only the report's own answer counts.
TEST_F(Reply, InputQueuedBeforeAReportIsDiscardedRightBeforeItIsWritten)
{
    struct Case {
        const char* name;
        std::vector<fake_hid::Input_Report> stale;
        bool answers;
        int expected;
    };
    const std::vector<Case> cases = {
        {"a stale \"!\", no answer", {fake_hid::Make_Reply({'!'})}, false, 0},
        {"three stale answers, no answer",
         {fake_hid::Make_Reply({'!'}), fake_hid::Make_Reply({'!'}), fake_hid::Make_Reply({'?'})},
         false,
         0},
        {"a stale \"?\", then the answer", {fake_hid::Make_Reply({'?'})}, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(KX418_Open(), 1);
        module->acknowledge = c.answers;
        module->replies.assign(c.stale.begin(), c.stale.end());
        state.calls.clear();
        ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
        EXPECT_EQ(KX418_Get_Reply(), c.expected);
        ASSERT_GE(state.calls.size(), 2u);
        EXPECT_EQ(state.calls[0], "discard input");
        EXPECT_EQ(state.calls[1], "write");
    }
}

// A failed write or reply ends the exchange on that open: the lock goes at
// once, the channels stay, and nothing more is written or awaited until
// the module is opened again.
TEST_F(Reply, AFailureEndsTheExchangeUntilTheNextOpen)
{
    struct Case {
        const char* name;
        void (*arrange)(fake_hid::Device& module);
        bool write_fails;
    };
    const std::vector<Case> cases = {
        {"write fails", [](fake_hid::Device& m) { m.write_fails = true; }, true},
        {"no answer", [](fake_hid::Device& m) { m.acknowledge = false; }, false},
        {"an answer that is no acknowledgement",
         [](fake_hid::Device& m) {
             m.acknowledge = false;
             m.replies.push_back(fake_hid::Make_Reply({'?'}));
         },
         false},
        {"read cannot be started", [](fake_hid::Device& m) { m.read_start_fails = true; }, false},
    };
    const auto healthy = [&] {
        module->write_fails = module->read_start_fails = false;
        module->acknowledge = true;
        module->replies.clear();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(KX418_Open(), 1);
        healthy();
        // One good pair first: the exchange goes on while it succeeds.
        ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
        ASSERT_EQ(KX418_Get_Reply(), 1);
        c.arrange(*module);
        if (c.write_fails) {
            EXPECT_EQ(KX418_Send_Cfg(2, 0, 1000, 0), 0);
        } else {
            ASSERT_EQ(KX418_Send_Cfg(2, 0, 1000, 0), 1);
            module->replies.clear();
            c.arrange(*module);
            EXPECT_EQ(KX418_Get_Reply(), 0);
        }
        EXPECT_EQ(fake_hid::Locked_Paths(), std::vector<std::string>{}) << "lock released at once";
        EXPECT_EQ(fake_hid::Open_Count(), 3) << "the channels stay open";

        healthy();
        module->replies.push_back(fake_hid::Make_Reply({'!'}));
        state.calls.clear();
        const std::size_t written = state.written.size();
        EXPECT_EQ(KX418_Send_Cfg(3, 0, 1000, 0), 0);
        EXPECT_EQ(KX418_Get_Reply(), 0);
        EXPECT_EQ(state.calls, Calls{}) << "nothing written, nothing awaited";
        EXPECT_EQ(state.written.size(), written);

        ASSERT_EQ(KX418_Open(), 1) << "the next open works as from Closed";
        EXPECT_EQ(KX418_Send_Cfg(3, 0, 1000, 0), 1);
        EXPECT_EQ(KX418_Get_Reply(), 1);
    }
}

TEST(ReplyWhenClosed, SendAndReplyReturnZeroBeforeOpenAndAfterClose)
{
    fake_hid::Reset();
    fake_hid::Add_Device("/dev/module", 0x2B5D, 0x0418).acknowledge = true;
    KX418_Close();
    for (const char* when : {"before open", "after close"}) {
        SCOPED_TRACE(when);
        state.calls.clear();
        Report_Buffer.fill(0xAA);
        EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 0);
        EXPECT_EQ(Report_Buffer[1], 0x57) << "the report stays built";
        EXPECT_EQ(KX418_Get_Reply(), 0);
        EXPECT_TRUE(std::all_of(Report_Buffer.begin(), Report_Buffer.end(),
                                [](std::uint8_t b) { return b == 0; }));
        EXPECT_TRUE(state.calls.empty()) << "nothing reaches a device";
        ASSERT_EQ(KX418_Open(), 1);
        ASSERT_EQ(KX418_Close(), 1);
    }
}

}  // namespace

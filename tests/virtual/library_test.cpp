// library_test.cpp - the device library with its hidraw backend, pointed at
// virtual nodes: discovery, the report bytes as they arrive, the reply wait
// and its failures, and what stays open afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "hidraw_internal.h"
#include "kx418.h"
#include "virtual_fixture.h"

namespace {

using virtual_module::Running_Module;
using Clock = std::chrono::steady_clock;

class Library_Test : public Virtual_Module_Test {
protected:
    void SetUp() override
    {
        Virtual_Module_Test::SetUp();
        baseline_descriptors_ = Open_Descriptors();
    }
    void TearDown() override
    {
        KX418_Close();
        Hidraw_Set_Device_Folder("/dev");
        Virtual_Module_Test::TearDown();
    }
    static void Use(const Running_Module& module) { Hidraw_Set_Device_Folder(module.Folder()); }
    // Descriptors opened since the test began, not counting the modules'
    // own pipes.
    int Descriptors_Added(int modules_started) const
    {
        return Open_Descriptors() - baseline_descriptors_ - modules_started;
    }

private:
    int baseline_descriptors_ = 0;
};

// The raw bytes a log line ends with, after "raw ".
std::string Raw_Of(const std::string& line)
{
    const std::size_t at = line.find(" raw ");
    return at == std::string::npos ? std::string{} : line.substr(at + 5);
}

TEST_F(Library_Test, ReportsArriveByteForByte)
{
    struct Case {
        std::uint32_t function, setting, time1, time2;
        const char* decoded;
        const char* raw;
    };
    // Sent in this order on one open module: the later ones follow a reply
    // whose tail is not zero, and must go out with a zero tail all the same.
    const Case cases[] = {
        {1, 0, 1000, 0, "function 1 setting 0 time1 1000 ms time2 0 ms checksum 57 ok",
         "00 57 01 00 e8 03 00 00 00 00 00 00 00 00 00 00 00"},
        {3, 1, 5000, 2500, "function 3 setting 1 time1 5000 ms time2 2500 ms checksum d5 ok",
         "00 d5 03 01 88 13 00 00 c4 09 00 00 00 00 00 00 00"},
        // Only the low 8 bits of function and setting reach the report.
        {0x105, 0x2FF, 0xFFFFFFFF, 256,
         "function 5 setting 255 time1 4294967295 ms time2 256 ms checksum 1f ok",
         "00 1f 05 ff ff ff ff ff 00 01 00 00 00 00 00 00 00"},
    };
    Running_Module& module = Start({"hidraw0"});
    Use(module);
    ASSERT_EQ(KX418_Open(), 1);
    for (const Case& c : cases) {
        ASSERT_EQ(KX418_Send_Cfg(c.function, c.setting, c.time1, c.time2), 1) << c.raw;
        EXPECT_EQ(KX418_Get_Reply(), 1) << c.raw;
    }
    EXPECT_EQ(KX418_Close(), 1);

    const std::vector<std::string> reports = module.Reports_Of("hidraw0");
    ASSERT_EQ(reports.size(), std::size(cases));
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(Raw_Of(reports[i]), cases[i].raw);
        EXPECT_NE(reports[i].find(cases[i].decoded), std::string::npos) << reports[i];
    }
    EXPECT_EQ(Descriptors_Added(1), 0);
}

struct Discovery_Case {
    const char* name;
    std::vector<std::string> nodes;
    const char* chosen;  // the node the report reaches; nullptr: no module found
};

class Discovery_Test : public Library_Test, public ::testing::WithParamInterface<Discovery_Case> {};

TEST_P(Discovery_Test, OpensTheFirstMatchingNodeOrNothing)
{
    const Discovery_Case& c = GetParam();
    Running_Module& module = Start(c.nodes);
    Use(module);

    if (c.chosen == nullptr) {
        EXPECT_EQ(KX418_Open(), 0);
        EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 0);
        EXPECT_EQ(Descriptors_Added(1), 0) << "a failed open left something open";
        return;
    }
    ASSERT_EQ(KX418_Open(), 1);
    // Read channel, read event, write channel and the lock; every probe
    // closed again.
    EXPECT_EQ(Descriptors_Added(1), 4);
    ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
    EXPECT_EQ(KX418_Close(), 1);
    EXPECT_EQ(Descriptors_Added(1), 0);

    for (const std::string& node : c.nodes) {
        const std::string name = node.substr(0, node.find(':'));
        EXPECT_EQ(module.Reports_Of(name).size(), name == c.chosen ? 1u : 0u) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, Discovery_Test,
    ::testing::Values(
        Discovery_Case{"NoNode", {}, nullptr},
        Discovery_Case{
            "OnlyOtherDevices", {"hidraw0:vendor=2b5e", "hidraw1:product=0419"}, nullptr},
        Discovery_Case{"OnlyNodesThatAreNotHidraw", {"event0", "hidrawX", "hidraw"}, nullptr},
        Discovery_Case{
            "RefusedWithEaccesPassedOver", {"hidraw0:refuse-open=eacces", "hidraw1"}, "hidraw1"},
        Discovery_Case{
            "RefusedWithEbusyPassedOver", {"hidraw0:refuse-open=ebusy", "hidraw1"}, "hidraw1"},
        Discovery_Case{
            "AttributesFailingPassedOver", {"hidraw0:attributes-fail", "hidraw1"}, "hidraw1"},
        Discovery_Case{"OtherVendorAndOtherProductPassedOver",
                       {"hidraw0:vendor=2b5e", "hidraw1:product=0419", "hidraw2"},
                       "hidraw2"},
        Discovery_Case{"ProductFromAnotherVendorPassedOver",
                       {"hidraw0:vendor=1234,product=0418", "hidraw1"},
                       "hidraw1"},
        Discovery_Case{"AnyVersionAccepted", {"hidraw0:version=0200"}, "hidraw0"},
        Discovery_Case{"TwoModulesFirstChosen", {"hidraw0", "hidraw1"}, "hidraw0"},
        Discovery_Case{"WalkOrderIsNumeric", {"hidraw10", "hidraw2"}, "hidraw2"}),
    [](const ::testing::TestParamInfo<Discovery_Case>& info) { return info.param.name; });

struct Reply_Case {
    const char* name;
    const char* node;
    int acknowledged;
    long long at_least_ms;  // a late answer is timed by the module from a little earlier
};

class Reply_Test : public Library_Test, public ::testing::WithParamInterface<Reply_Case> {};

TEST_P(Reply_Test, JudgesTheNextInputReport)
{
    const Reply_Case& c = GetParam();
    Running_Module& module = Start({c.node});
    Use(module);
    ASSERT_EQ(KX418_Open(), 1);
    ASSERT_EQ(KX418_Send_Cfg(2, 0, 1500, 0), 1);
    const auto started = Clock::now();
    EXPECT_EQ(KX418_Get_Reply(), c.acknowledged);
    const long long waited = Elapsed_Ms(started);
    EXPECT_GE(waited, c.at_least_ms);
    // An answer that comes ends the wait when it comes, not at the limit.
    EXPECT_LT(waited, c.at_least_ms + 1050);
    EXPECT_EQ(module.Reports_Of("hidraw0").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Reply_Test,
    ::testing::Values(Reply_Case{"Acknowledged", "hidraw0", 1, 0},
                      Reply_Case{"AcknowledgedLate", "hidraw0:delay=300", 1, 250},
                      Reply_Case{"WrongAnswer", "hidraw0:wrong-answer", 0, 0},
                      Reply_Case{"WrongAnswerLate", "hidraw0:wrong-answer,delay=300", 0, 250},
                      // The one wait that sits out the whole 2000 ms limit.
                      Reply_Case{"SilenceEndsAtTheLimit", "hidraw0:silent", 0, 2000}),
    [](const ::testing::TestParamInfo<Reply_Case>& info) { return info.param.name; });

TEST_F(Library_Test, RemovalInTheMiddleOfNineReportsFailsPromptly)
{
    Running_Module& module = Start({"hidraw0:remove-after=5"});
    Use(module);
    ASSERT_EQ(KX418_Open(), 1);
    for (std::uint32_t report = 1; report <= 4; ++report) {
        ASSERT_EQ(KX418_Send_Cfg(90 + report, 0, report * 1000, report * 2000), 1) << report;
        ASSERT_EQ(KX418_Get_Reply(), 1) << report;
    }
    // The fifth report arrives, then the module is unplugged before answering.
    ASSERT_EQ(KX418_Send_Cfg(95, 0, 5000, 10000), 1);
    const auto started = Clock::now();
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_LT(Elapsed_Ms(started), 1000) << "the removal was sat out instead of failing";
    EXPECT_EQ(KX418_Send_Cfg(96, 0, 6000, 12000), 0);
    EXPECT_EQ(KX418_Get_Reply(), 0);
    EXPECT_EQ(module.Reports_Of("hidraw0").size(), 5u);

    // The module stays open after the failure; the next open releases it
    // and finds nothing.
    EXPECT_EQ(KX418_Open(), 0);
    EXPECT_EQ(Descriptors_Added(1), 0);
}

TEST_F(Library_Test, OpenAfterAFailedTransferLeftOpenWorks)
{
    Running_Module& failing = Start({"hidraw0:wrong-answer"});
    Running_Module& good = Start({"hidraw0"});
    Use(failing);
    ASSERT_EQ(KX418_Open(), 1);
    ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    ASSERT_EQ(KX418_Get_Reply(), 0);
    // Not closed, as the program leaves it after a failure.

    Use(good);
    ASSERT_EQ(KX418_Open(), 1);
    // Read channel, event, write channel and the lock.
    EXPECT_EQ(Descriptors_Added(2), 4) << "the earlier channels were not released";
    ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
    EXPECT_EQ(KX418_Get_Reply(), 1);
    EXPECT_EQ(KX418_Close(), 1);
    EXPECT_EQ(good.Reports_Of("hidraw0").size(), 1u);
    EXPECT_EQ(failing.Reports_Of("hidraw0").size(), 1u);
    EXPECT_EQ(Descriptors_Added(2), 0);
}

TEST_F(Library_Test, NoDescriptorLeaksOverManyGoodAndFailedCycles)
{
    Running_Module& good = Start({"hidraw0:refuse-open=ebusy", "hidraw1:vendor=1234", "hidraw2"});
    Running_Module& wrong = Start({"hidraw0:wrong-answer"});
    Running_Module& empty = Start({"hidraw0:attributes-fail", "hidraw1:product=0419"});
    const int before = Open_Descriptors();

    Use(good);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_EQ(KX418_Open(), 1) << cycle;
        ASSERT_EQ(KX418_Send_Cfg(1, 0, static_cast<std::uint32_t>(cycle), 0), 1) << cycle;
        ASSERT_EQ(KX418_Get_Reply(), 1) << cycle;
        ASSERT_EQ(KX418_Close(), 1) << cycle;
    }
    EXPECT_EQ(Open_Descriptors(), before);

    // Failed ones: a wrong answer with the module left open, and an open
    // that finds nothing.
    for (int cycle = 0; cycle < 100; ++cycle) {
        if (cycle % 2 == 0) {
            Use(wrong);
            ASSERT_EQ(KX418_Open(), 1) << cycle;
            ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1) << cycle;
            ASSERT_EQ(KX418_Get_Reply(), 0) << cycle;
        } else {
            Use(empty);
            ASSERT_EQ(KX418_Open(), 0) << cycle;
        }
    }
    EXPECT_EQ(Open_Descriptors(), before);
    EXPECT_EQ(good.Reports_Of("hidraw2").size(), 1000u);
    EXPECT_EQ(wrong.Reports_Of("hidraw0").size(), 50u);
}

}  // namespace

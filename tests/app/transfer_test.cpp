// Settings transfers as the program makes them: the millisecond rule, the
// outcome boxes and what is left open, the eight function pages and the
// sequencer pressed through their real buttons, and the time converter.
// The device library is a stand-in, bound by the real Load_KX418, that
// records every call; message boxes are recorded into the same list, so the
// order of calls and boxes shows.
#include "KX418.h"
#include "KX418_DLL.h"
#include "recording_kx418.h"
#include "ui_driver.h"
#include "ui_runtime.h"
#include "ui_test_hooks.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

const std::string Info_Sent = "box Info: Die Einstellungen wurden abgeschickt!";
const std::string Not_Found = "box Fehler: Das Geraet wurde nicht gefunden!";
const std::string Send_Error = "box Fehler: Sendefehler!";
const std::string Reply_Error = "box Fehler: Empfangsfehler!";
const std::string Library_Missing = "box Fehler: Die Geraetebibliothek wurde nicht gefunden!";

TEST(SecToMs, TruncatesTowardZeroOverTheWholePanelRange)
{
    struct Case {
        double seconds;
        std::uint32_t ms;
    };
    const Case cases[] = {
        {0.0, 0},
        {0.1, 100},
        {1.5, 1500},
        {32.3, 32299},  // 32299.999999999996 before truncation
        {64.1, 64099},
        {2147483.6, 2147483600u},  // below 2^31 ms
        {2147483.7, 2147483700u},  // from 2^31 ms up
        {2678400.0, 2678400000u},  // the panel's largest time, 0x9FA52400
    };
    for (const Case& c : cases) EXPECT_EQ(Sec_To_Ms(c.seconds), c.ms) << c.seconds << " s";
}

class Transfer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StartUiForTests();
        ASSERT_EQ(Load_KX418(), 0) << "the recording library was not found by its file name";
        using State_Fn = Recording_KX418* (*)();
        auto state_fn =
            reinterpret_cast<State_Fn>(dlsym(KX418_Handle.get(), "Recording_KX418_State"));
        ASSERT_NE(state_fn, nullptr) << "libkx418.so.1 found is not the recording library";
        library = state_fn();
    }

    void SetUp() override
    {
        *library = Recording_KX418{};
        bound = {KX418_Open, KX418_Close, KX418_Send_Cfg, KX418_Get_Reply};
        Panel_Handle = LoadPanel(0, "KX418.uir", PANEL);
        ASSERT_GE(Panel_Handle, 0);
        ASSERT_GE(DisplayPanel(Panel_Handle), 0);
        UiTest_SetPopupObserver([](const std::string& title, const std::string& message) {
            library->calls.push_back("box " + title + ": " + message);
            return true;  // dismissed as a user would, with OK
        });
    }

    void TearDown() override
    {
        UiTest_SetPopupObserver({});
        DiscardPanel(Panel_Handle);
        Restore_Binding();
    }

    void Restore_Binding() const
    {
        KX418_Open = bound.open;
        KX418_Close = bound.close;
        KX418_Send_Cfg = bound.send_cfg;
        KX418_Get_Reply = bound.get_reply;
    }

    static int Page(int index) { return PageHandle(Panel_Handle, PANEL_TAB, index); }

    static void Set(int page, int control, double seconds)
    {
        ASSERT_EQ(SetCtrlAttribute(Page(page), control, ATTR_CTRL_VAL, seconds), 0);
    }

    // Brings the page to the front and presses its button.
    static void Press_On_Page(int page, int button)
    {
        ASSERT_EQ(SetCtrlAttribute(Panel_Handle, PANEL_TAB, ATTR_CTRL_VAL, std::int32_t{page}), 0);
        Press(Page(page), button);
    }

    static Calls Take_Calls()
    {
        Calls calls = library->calls;
        library->calls.clear();
        return calls;
    }

    static std::string Send(int function, int setting, std::uint32_t t1, std::uint32_t t2)
    {
        return "send " + std::to_string(function) + " " + std::to_string(setting) + " " +
               std::to_string(t1) + " " + std::to_string(t2);
    }

    static Recording_KX418* library;
    struct {
        KX418_Open_Fn open;
        KX418_Close_Fn close;
        KX418_Send_Cfg_Fn send_cfg;
        KX418_Get_Reply_Fn get_reply;
    } bound{};
};

Recording_KX418* Transfer::library = nullptr;

TEST_F(Transfer, EachOutcomeShowsOneBoxAndLeavesTheModuleAsItShould)
{
    struct Case {
        const char* name;
        int open_result, failing_send, failing_reply;
        int result;
        Calls calls;
        bool left_open;
    };
    Fn_Num = 3;
    Fn_Setting = 0;
    Time1 = 10000;
    Time2 = 20000;
    const std::string report = Send(3, 0, 10000, 20000);
    const Case cases[] = {
        {"module not found", 0, 0, 0, 0, {"open", Not_Found}, false},
        {"report not written", 1, 1, 0, 0, {"open", report, Send_Error}, true},
        {"no acknowledgement", 1, 0, 1, 0, {"open", report, "reply", Reply_Error}, true},
        // Closed before the success box is shown.
        {"acknowledged", 1, 0, 0, 1, {"open", report, "reply", "close", Info_Sent}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *library = Recording_KX418{};
        library->open_result = c.open_result;
        library->failing_send = c.failing_send;
        library->failing_reply = c.failing_reply;
        EXPECT_EQ(Send_Cfg(), c.result);
        EXPECT_EQ(Take_Calls(), c.calls);
        EXPECT_EQ(library->open, c.left_open);
    }
}

TEST_F(Transfer, AfterAFailedSendTheNextTransferOpensAgainAndWorks)
{
    Fn_Num = 1;
    Fn_Setting = 0;
    Time1 = 1500;
    Time2 = 0;
    library->failing_send = 1;
    EXPECT_EQ(Send_Cfg(), 0);
    EXPECT_EQ(Take_Calls(), (Calls{"open", Send(1, 0, 1500, 0), Send_Error}));
    EXPECT_EQ(Send_Cfg(), 1);
    EXPECT_EQ(Take_Calls(), (Calls{"open", Send(1, 0, 1500, 0), "reply", "close", Info_Sent}));
}

TEST_F(Transfer, OneReportOnAnOpenModuleTellsOnlyOfFailures)
{
    Fn_Num = 91;
    Fn_Setting = 0;
    Time1 = 100;
    Time2 = 200;
    EXPECT_EQ(Send_Cfg_F9(), 1);
    EXPECT_EQ(Take_Calls(), (Calls{Send(91, 0, 100, 200), "reply"})) << "no box, no open or close";
    library->failing_reply = 2;
    EXPECT_EQ(Send_Cfg_F9(), 0);
    EXPECT_EQ(Take_Calls(), (Calls{Send(91, 0, 100, 200), "reply", Reply_Error}));
    library->failing_send = 3;
    EXPECT_EQ(Send_Cfg_F9(), 0);
    EXPECT_EQ(Take_Calls(), (Calls{Send(91, 0, 100, 200), Send_Error}));
}

TEST_F(Transfer, WithoutTheWholeLibraryNothingIsCalledAndOneBoxTellsWhy)
{
    struct Case {
        const char* name;
        void (*unbind)();
    };
    const Case cases[] = {
        {"library not loaded",
         [] {
             KX418_Open = nullptr;
             KX418_Close = nullptr;
             KX418_Send_Cfg = nullptr;
             KX418_Get_Reply = nullptr;
         }},
        {"KX418_Open missing", [] { KX418_Open = nullptr; }},
        {"KX418_Close missing", [] { KX418_Close = nullptr; }},
        {"KX418_Send_Cfg missing", [] { KX418_Send_Cfg = nullptr; }},
        {"KX418_Get_Reply missing", [] { KX418_Get_Reply = nullptr; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.unbind();
        EXPECT_EQ(Send_Cfg(), 0);
        EXPECT_EQ(Take_Calls(), Calls{Library_Missing});
        EXPECT_EQ(Send_Cfg_F9(), 0);
        EXPECT_EQ(Take_Calls(), Calls{Library_Missing});
        EXPECT_EQ(Send_F9(Page(8), TAB_FN9_BUTTON_SEND_FN9, EVENT_COMMIT, nullptr, 0, 0), 1);
        EXPECT_EQ(Take_Calls(), Calls{Library_Missing});
        Restore_Binding();
    }
}

TEST_F(Transfer, EachPageSendsItsFunctionAndTimes)
{
    // In this order, so that a one-time page follows pages with two times
    // and the pages without times follow one that set dTime1 and dTime2.
    struct Case {
        int page;
        int button;
        std::vector<std::pair<int, double>> times;  // control, seconds
        std::string report;
    };
    const Case cases[] = {
        {2,
         TAB_FN3_BUTTON_SEND_FN3,
         {{TAB_FN3_NUMERIC_T1_F3, 10}, {TAB_FN3_NUMERIC_T2_F3, 20}},
         Send(3, 0, 10000, 20000)},
        {0, TAB_FN1_BUTTON_SEND_FN1, {{TAB_FN1_NUMERIC_T1_F1, 1.5}}, Send(1, 0, 1500, 0)},
        {7,
         TAB_FN8_BUTTON_SEND_FN8,
         {{TAB_FN8_NUMERIC_T1_F8, 0.1}, {TAB_FN8_NUMERIC_T2_F8, 0.1}},
         Send(8, 0, 100, 100)},
        {1,
         TAB_FN2_BUTTON_SEND_FN2,
         {{TAB_FN2_NUMERIC_T1_F2, 2678400.0}},
         Send(2, 0, 2678400000u, 0)},
        {3, TAB_FN4_BUTTON_SEND_FN4, {{TAB_FN4_NUMERIC_T1_F4, 32.3}}, Send(4, 0, 32299, 0)},
        {7,
         TAB_FN8_BUTTON_SEND_FN8,
         {{TAB_FN8_NUMERIC_T1_F8, 7}, {TAB_FN8_NUMERIC_T2_F8, 0.5}},
         Send(8, 0, 7000, 500)},
        {4, TAB_FN5_BUTTON_SEND_FN5, {{TAB_FN5_NUMERIC_T1_F5, 64.1}}, Send(5, 0, 64099, 0)},
        {5, TABPANEL_6_BUTTON_SEND_FN6, {}, Send(6, 0, 0, 0)},
        {6, TAB_FN7_BUTTON_SEND_FN7, {}, Send(7, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        for (const auto& [control, seconds] : c.times) Set(c.page, control, seconds);
        const double before1 = dTime1;
        const double before2 = dTime2;
        Press_On_Page(c.page, c.button);
        EXPECT_EQ(Take_Calls(), (Calls{"open", c.report, "reply", "close", Info_Sent}));
        if (c.times.empty()) {
            EXPECT_EQ(dTime1, before1) << "a page without times leaves dTime1";
            EXPECT_EQ(dTime2, before2) << "a page without times leaves dTime2";
        }
    }
    EXPECT_EQ(dTime1, 64.1) << "F6 and F7 kept what F5 read";
    EXPECT_EQ(dTime2, 0.5) << "F6 and F7 kept what F8 read";
}

TEST_F(Transfer, PagesActOnTheCommitEventOnly)
{
    for (int event : {0, 2, 11}) {
        EXPECT_EQ(Send_F1(Page(0), TAB_FN1_BUTTON_SEND_FN1, event, nullptr, 0, 0), 0);
        EXPECT_EQ(Send_F6(Page(5), TABPANEL_6_BUTTON_SEND_FN6, event, nullptr, 0, 0), 0);
        EXPECT_EQ(Send_F9(Page(8), TAB_FN9_BUTTON_SEND_FN9, event, nullptr, 0, 0), 0);
        EXPECT_EQ(Time_Calc(Panel_Handle, PANEL_BUTTON_CALC_TIME, event, nullptr, 0, 0), 0);
    }
    EXPECT_TRUE(Take_Calls().empty());
}

// ---- the sequencer ---------------------------------------------------------

struct Channel_Controls {
    int start, stop;
};
constexpr Channel_Controls Channels[8] = {
    {TAB_FN9_NUMERIC_T1_START_F9, TAB_FN9_NUMERIC_T1_STOP_F9},
    {TAB_FN9_NUMERIC_T2_START_F9, TAB_FN9_NUMERIC_T2_STOP_F9},
    {TAB_FN9_NUMERIC_T3_START_F9, TAB_FN9_NUMERIC_T3_STOP_F9},
    {TAB_FN9_NUMERIC_T4_START_F9, TAB_FN9_NUMERIC_T4_STOP_F9},
    {TAB_FN9_NUMERIC_T5_START_F9, TAB_FN9_NUMERIC_T5_STOP_F9},
    {TAB_FN9_NUMERIC_T6_START_F9, TAB_FN9_NUMERIC_T6_STOP_F9},
    {TAB_FN9_NUMERIC_T7_START_F9, TAB_FN9_NUMERIC_T7_STOP_F9},
    {TAB_FN9_NUMERIC_T8_START_F9, TAB_FN9_NUMERIC_T8_STOP_F9},
};

TEST_F(Transfer, SequencerSendsNineReportsInOrderWithAutoRestart)
{
    // Every channel different; channel 2 stops before it starts, channel 3
    // overlaps channel 2: sent as entered.
    const double times[8][2] = {{1, 2},   {5, 3},           {2.5, 6}, {32.3, 40},
                                {0, 0.1}, {100, 2678400.0}, {7, 8},   {9.9, 10}};
    for (int n = 0; n < 8; ++n) {
        Set(8, Channels[n].start, times[n][0]);
        Set(8, Channels[n].stop, times[n][1]);
    }
    Calls expected = {"open"};
    for (int n = 0; n < 8; ++n) {
        expected.push_back(Send(91 + n, 0, Sec_To_Ms(times[n][0]), Sec_To_Ms(times[n][1])));
        expected.push_back("reply");
    }
    ASSERT_EQ(expected[7], Send(94, 0, 32299, 40000));
    ASSERT_EQ(expected[11], Send(96, 0, 100000, 2678400000u));

    struct Case {
        const char* name;
        int setting;
    };
    for (const Case& c : {Case{"auto-restart on", 1}, Case{"auto-restart off", 0}}) {
        SCOPED_TRACE(c.name);
        Press_On_Page(8, TAB_FN9_AUTORESTART_F9);  // off -> on, then on -> off
        std::int32_t toggle = -1;
        ASSERT_EQ(GetCtrlAttribute(Page(8), TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, &toggle), 0);
        ASSERT_EQ(toggle != 0, c.setting == 1);

        Press_On_Page(8, TAB_FN9_BUTTON_SEND_FN9);
        Calls whole = expected;
        whole.insert(whole.end(), {Send(9, c.setting, 0, 0), "reply", "close", Info_Sent});
        EXPECT_EQ(Take_Calls(), whole);
        EXPECT_FALSE(library->open);
        EXPECT_EQ(dTime1, 9.9) << "the last channel read";
        EXPECT_EQ(Fn_Num, 9);
    }
}

TEST_F(Transfer, SequencerWithAllTimesZeroStillSendsNine)
{
    EXPECT_EQ(Send_F9(Page(8), TAB_FN9_BUTTON_SEND_FN9, EVENT_COMMIT, nullptr, 0, 0), 0);
    Calls expected = {"open"};
    for (int n = 1; n <= 8; ++n) expected.insert(expected.end(), {Send(90 + n, 0, 0, 0), "reply"});
    expected.insert(expected.end(), {Send(9, 0, 0, 0), "reply", "close", Info_Sent});
    EXPECT_EQ(Take_Calls(), expected);
}

TEST_F(Transfer, SequencerStopsAtTheFirstFailureWithOneBox)
{
    for (int n = 0; n < 8; ++n) {
        Set(8, Channels[n].start, n + 1);
        Set(8, Channels[n].stop, 10 * (n + 1));
    }
    library->failing_reply = 3;
    dTime1 = -1;
    EXPECT_EQ(Send_F9(Page(8), TAB_FN9_BUTTON_SEND_FN9, EVENT_COMMIT, nullptr, 0, 0), 1);
    EXPECT_EQ(Take_Calls(),
              (Calls{"open", Send(91, 0, 1000, 10000), "reply", Send(92, 0, 2000, 20000), "reply",
                     Send(93, 0, 3000, 30000), "reply", Reply_Error}));
    EXPECT_TRUE(library->open) << "left open after the failure";
    EXPECT_EQ(dTime1, 3.0) << "channels after the failing one are not read";
    EXPECT_EQ(dTime2, 30.0);

    // The next send, from any page, opens the module afresh and works.
    Set(0, TAB_FN1_NUMERIC_T1_F1, 1.5);
    Press_On_Page(0, TAB_FN1_BUTTON_SEND_FN1);
    EXPECT_EQ(Take_Calls(), (Calls{"open", Send(1, 0, 1500, 0), "reply", "close", Info_Sent}));

    library->open_result = 0;
    EXPECT_EQ(Send_F9(Page(8), TAB_FN9_BUTTON_SEND_FN9, EVENT_COMMIT, nullptr, 0, 0), 1);
    EXPECT_EQ(Take_Calls(), (Calls{"open", Not_Found})) << "nothing read or sent";
}

// ---- the time converter ----------------------------------------------------

TEST_F(Transfer, ConverterShowsTheTotalInSecondsAndSendsNothing)
{
    struct Case {
        std::uint8_t days, hours, minutes, seconds;
        std::uint32_t total;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0}, {1, 0, 0, 0, 86400}, {0, 1, 1, 1, 3661}, {30, 23, 59, 59, 2678399}};
    auto result = [] {
        std::uint32_t value = 12345;
        EXPECT_EQ(GetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL, &value),
                  0);
        return value;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.total);
        SetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_DAY, ATTR_CTRL_VAL, c.days);
        SetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_HOUR, ATTR_CTRL_VAL, c.hours);
        SetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_MINUTE, ATTR_CTRL_VAL, c.minutes);
        SetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_SECOND, ATTR_CTRL_VAL, c.seconds);
        Press(Panel_Handle, PANEL_BUTTON_CALC_TIME);
        EXPECT_EQ(result(), c.total);
    }
    // A changed input without a press leaves the total shown.
    SetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_DAY, ATTR_CTRL_VAL, std::uint8_t{2});
    EXPECT_EQ(result(), 2678399u);
    EXPECT_TRUE(Take_Calls().empty()) << "the converter needs no module";
}

}  // namespace

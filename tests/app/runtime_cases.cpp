// The runtime's operations on the loaded panel, one set of cases for every
// runtime (Qt and Win32), driven through runtime_driver.h: limits that hold
// whatever is typed, pasted or clicked, exact value types, callbacks bound
// by name and called with the holding panel's handle, closing, message
// boxes, the event loop, loading and discarding.
#include "KX418.h"
#include "recording_callbacks.h"
#include "runtime_driver.h"
#include "ui_runtime.h"
#include "ui_test_hooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>

namespace {

class Runtime : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartUiForTests(); }

    void SetUp() override
    {
        RecordedCalls().clear();
        panel_ = LoadPanel(0, "KX418.uir", PANEL);
        ASSERT_GE(panel_, 0);
        ASSERT_GE(DisplayPanel(panel_), 0);
        Settle();
    }
    void TearDown() override
    {
        UiTest_SetPopupObserver({});
        UiTest_SetLoopObserver({});
        if (panel_ >= 0) DiscardPanel(panel_);
    }
    int Page(int index) const
    {
        int handle = -1;
        EXPECT_EQ(GetPanelHandleFromTabPage(panel_, PANEL_TAB, index, &handle), 0);
        return handle;
    }
    void Show(int index)
    {
        ASSERT_EQ(SetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, index), 0);
        Settle();
    }

    double Time(int page, int control) const
    {
        double value = -1.0;
        EXPECT_EQ(GetCtrlAttribute(page, control, ATTR_CTRL_VAL, &value), 0);
        return value;
    }

    int panel_ = -1;
};

struct TimeControl {
    int page;
    int control;
    double lower;
};
const TimeControl kTimes[] = {
    {0, TAB_FN1_NUMERIC_T1_F1, 0.0},       {2, TAB_FN3_NUMERIC_T2_F3, 0.0},
    {3, TAB_FN4_NUMERIC_T1_F4, 0.1},       {7, TAB_FN8_NUMERIC_T2_F8, 0.1},
    {8, TAB_FN9_NUMERIC_T1_START_F9, 0.0}, {8, TAB_FN9_NUMERIC_T8_STOP_F9, 0.0},
};
constexpr double kMaxTime = 2678400.0;

std::string Name(const TimeControl& t)
{
    return "page " + std::to_string(t.page) + " control " + std::to_string(t.control);
}

TEST_F(Runtime, TimeStaysWithinLimitsByArrows)
{
    for (const TimeControl& t : kTimes) {
        Show(t.page);
        const int page = Page(t.page);
        SCOPED_TRACE(Name(t));
        Click_Arrow(page, t.control, false);
        EXPECT_EQ(Time(page, t.control), t.lower) << "below the lower limit";
        Click_Arrow(page, t.control, true);
        EXPECT_NEAR(Time(page, t.control), t.lower + 0.1, 1e-9) << "one arrow step";
        ASSERT_EQ(SetCtrlAttribute(page, t.control, ATTR_CTRL_VAL, kMaxTime - 0.1), 0);
        Click_Arrow(page, t.control, true);
        EXPECT_EQ(Time(page, t.control), kMaxTime);
        Click_Arrow(page, t.control, true);
        EXPECT_EQ(Time(page, t.control), kMaxTime) << "above the upper limit";
    }
}

TEST_F(Runtime, TimeStaysWithinLimitsWhateverIsTyped)
{
    // Above the upper limit, typed key by key: the limit.
    const char* const above[] = {"2678400.1", "9999999", "2678401"};
    const char* const typed[] = {"-1", "-0.1", "1e9", "abc"};
    for (const TimeControl& t : kTimes) {
        Show(t.page);
        const int page = Page(t.page);
        for (const char* text : above) {
            SCOPED_TRACE(Name(t) + " typed " + text);
            Type_Into(page, t.control, text);
            EXPECT_EQ(Time(page, t.control), kMaxTime);
        }
        for (const char* text : typed) {
            SCOPED_TRACE(Name(t) + " typed " + text);
            Type_Into(page, t.control, text);
            const double value = Time(page, t.control);
            EXPECT_GE(value, t.lower);
            EXPECT_LE(value, kMaxTime);
        }
        // A value within the limits is taken as typed; the first lower
        // limit 0.0 or 0.1 can be typed exactly.
        Type_Into(page, t.control, "2678400.0");
        EXPECT_EQ(Time(page, t.control), kMaxTime);
        Type_Into(page, t.control, t.lower == 0.0 ? "0" : "0.1");
        EXPECT_EQ(Time(page, t.control), t.lower);
        Type_Into(page, t.control, "32.3");
        EXPECT_EQ(Time(page, t.control), 32.3);
        // Typed and read at once, the field not left: the value typed.
        Type_Into(page, t.control, "12.5", false);
        EXPECT_EQ(Time(page, t.control), 12.5);
    }
    // Below the lower limit of 0.1: 0.0 is never taken.
    Show(3);
    Type_Into(Page(3), TAB_FN4_NUMERIC_T1_F4, "5");
    Type_Into(Page(3), TAB_FN4_NUMERIC_T1_F4, "0.0");
    EXPECT_GE(Time(Page(3), TAB_FN4_NUMERIC_T1_F4), 0.1);
}

// A number beyond a limit, pasted, is brought to that limit (above it at
// once, below it when taken); text that is no number of this control is
// refused. The field shows the value held.
TEST_F(Runtime, PastedValueOutsideTheLimitsBecomesTheLimit)
{
    Show(3);
    const int page = Page(3);
    const auto value = [&] { return Time(page, TAB_FN4_NUMERIC_T1_F4); };
    struct Paste {
        const char* text;
        double held;
        const char* shown;
    };
    const Paste pastes[] = {
        {"99999999", kMaxTime, "2678400.0"},
        {"7", 7.0, "7.0"},
        {"99999999.9", kMaxTime, "2678400.0"},
        {"abc", kMaxTime, "2678400.0"},
        {"0", 0.1, "0.1"},
        {"-5", 0.1, "0.1"},
    };
    for (const Paste& p : pastes) {
        SCOPED_TRACE(p.text);
        Paste_Into(page, TAB_FN4_NUMERIC_T1_F4, p.text);
        EXPECT_EQ(value(), p.held);
        EXPECT_EQ(Shown_Text(page, TAB_FN4_NUMERIC_T1_F4), p.shown);
    }
}

TEST_F(Runtime, ConverterInputsStopAtTheirLimits)
{
    struct Input {
        int control;
        int max;
    };
    const Input inputs[] = {{PANEL_NUMERIC_DAY, 30},
                            {PANEL_NUMERIC_HOUR, 23},
                            {PANEL_NUMERIC_MINUTE, 59},
                            {PANEL_NUMERIC_SECOND, 59}};
    for (const Input& in : inputs) {
        SCOPED_TRACE("control " + std::to_string(in.control));
        std::uint8_t value = 99;
        Click_Arrow(panel_, in.control, false);
        ASSERT_EQ(GetCtrlAttribute(panel_, in.control, ATTR_CTRL_VAL, &value), 0);
        EXPECT_EQ(value, 0);
        Type_Into(panel_, in.control, "300");
        ASSERT_EQ(GetCtrlAttribute(panel_, in.control, ATTR_CTRL_VAL, &value), 0);
        EXPECT_LE(value, in.max);
        ASSERT_EQ(
            SetCtrlAttribute(panel_, in.control, ATTR_CTRL_VAL, static_cast<std::uint8_t>(in.max)),
            0);
        Click_Arrow(panel_, in.control, true);
        ASSERT_EQ(GetCtrlAttribute(panel_, in.control, ATTR_CTRL_VAL, &value), 0);
        EXPECT_EQ(value, in.max);
    }
}

TEST_F(Runtime, ValuesOnlyInTheControlsOwnType)
{
    const int fn1 = Page(0), fn9 = Page(8);
    // Right types are read and written.
    EXPECT_EQ(SetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, 1.5), 0);
    EXPECT_EQ(Time(fn1, TAB_FN1_NUMERIC_T1_F1), 1.5);
    EXPECT_EQ(
        SetCtrlAttribute(panel_, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL, std::uint32_t{2678399}),
        0);
    std::uint32_t total = 0;
    EXPECT_EQ(GetCtrlAttribute(panel_, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL, &total), 0);
    EXPECT_EQ(total, 2678399u);
    EXPECT_EQ(Shown_Text(panel_, PANEL_NUMERIC_TIME_RESULT), "2678399");
    EXPECT_EQ(SetCtrlAttribute(panel_, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL,
                               std::uint32_t{4294967295u}),
              0);
    EXPECT_EQ(GetCtrlAttribute(panel_, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL, &total), 0);
    EXPECT_EQ(total, 4294967295u);
    Show(8);
    EXPECT_EQ(Shown_Text(fn9, TAB_FN9_AUTORESTART_F9), "Aus");
    Press(fn9, TAB_FN9_AUTORESTART_F9);
    std::int32_t on = 0;
    EXPECT_EQ(GetCtrlAttribute(fn9, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, &on), 0);
    EXPECT_NE(on, 0);
    EXPECT_EQ(Shown_Text(fn9, TAB_FN9_AUTORESTART_F9), "Ein");

    // Wrong types are refused, reported, and leave the variable alone.
    std::uint8_t byte = 0xA5;
    std::int32_t word = 0x5A5A5A5A;
    std::uint32_t uword = 0xA5A5A5A5;
    double real = -7.0;
    struct Refusal {
        const char* what;
        int rc;
    };
    const Refusal refusals[] = {
        {"time as byte", GetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, &byte)},
        {"time as int32", GetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, &word)},
        {"time as uint32", GetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, &uword)},
        {"day as double", GetCtrlAttribute(panel_, PANEL_NUMERIC_DAY, ATTR_CTRL_VAL, &real)},
        {"day as int32", GetCtrlAttribute(panel_, PANEL_NUMERIC_DAY, ATTR_CTRL_VAL, &word)},
        {"toggle as double", GetCtrlAttribute(fn9, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, &real)},
        {"toggle as byte", GetCtrlAttribute(fn9, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, &byte)},
        {"result as int32",
         GetCtrlAttribute(panel_, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL, &word)},
        {"result set as int32",
         SetCtrlAttribute(panel_, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL, 5)},
        {"time set as int32", SetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, 5)},
        {"day set as double", SetCtrlAttribute(panel_, PANEL_NUMERIC_DAY, ATTR_CTRL_VAL, 5.0)},
    };
    for (const Refusal& r : refusals) EXPECT_EQ(r.rc, UI_ERR_VALUE_TYPE) << r.what;
    EXPECT_EQ(byte, 0xA5);
    EXPECT_EQ(word, 0x5A5A5A5A);
    EXPECT_EQ(uword, 0xA5A5A5A5u);
    EXPECT_EQ(real, -7.0);
    EXPECT_EQ(Time(fn1, TAB_FN1_NUMERIC_T1_F1), 1.5);
    EXPECT_EQ(total, 4294967295u);
    EXPECT_NE(UiTest_LastError().find("unsigned 8-bit"), std::string::npos) << UiTest_LastError();

    // Values outside the limits, other attributes, unknown addresses.
    EXPECT_EQ(SetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, kMaxTime + 0.1),
              UI_ERR_OUT_OF_RANGE);
    EXPECT_EQ(SetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, -0.1),
              UI_ERR_OUT_OF_RANGE);
    EXPECT_EQ(SetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, std::nan("")),
              UI_ERR_OUT_OF_RANGE);
    EXPECT_EQ(SetCtrlAttribute(panel_, PANEL_NUMERIC_DAY, ATTR_CTRL_VAL, std::uint8_t{31}),
              UI_ERR_OUT_OF_RANGE);
    EXPECT_EQ(Time(fn1, TAB_FN1_NUMERIC_T1_F1), 1.5);
    EXPECT_EQ(GetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, 631, &real), UI_ERR_ATTRIBUTE);
    EXPECT_EQ(GetCtrlAttribute(fn1, TAB_FN1_TEXTMSG, ATTR_CTRL_VAL, &word), UI_ERR_ATTRIBUTE);
    EXPECT_EQ(GetCtrlAttribute(fn1, 5, ATTR_CTRL_VAL, &real), UI_ERR_NO_SUCH_CONTROL);
    EXPECT_EQ(GetCtrlAttribute(fn1, 1, ATTR_CTRL_VAL, &real), UI_ERR_NO_SUCH_CONTROL);
    EXPECT_EQ(GetCtrlAttribute(9999, 3, ATTR_CTRL_VAL, &real), UI_ERR_BAD_HANDLE);
    EXPECT_EQ(real, -7.0);
}

TEST_F(Runtime, ButtonsCallTheirCallbacksByNameWithTheHoldingPanel)
{
    struct Button {
        int page;
        int control;
        const char* callback;
    };
    const Button buttons[] = {
        {-1, PANEL_BUTTON_QUIT, "Quit"},         {-1, PANEL_BUTTON_CALC_TIME, "Time_Calc"},
        {0, TAB_FN1_BUTTON_SEND_FN1, "Send_F1"}, {1, TAB_FN2_BUTTON_SEND_FN2, "Send_F2"},
        {2, TAB_FN3_BUTTON_SEND_FN3, "Send_F3"}, {3, TAB_FN4_BUTTON_SEND_FN4, "Send_F4"},
        {4, TAB_FN5_BUTTON_SEND_FN5, "Send_F5"}, {5, TABPANEL_6_BUTTON_SEND_FN6, "Send_F6"},
        {6, TAB_FN7_BUTTON_SEND_FN7, "Send_F7"}, {7, TAB_FN8_BUTTON_SEND_FN8, "Send_F8"},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.callback);
        RecordedCalls().clear();
        if (b.page >= 0) Show(b.page);
        const int holder = b.page < 0 ? panel_ : Page(b.page);
        Press(holder, b.control);
        ASSERT_EQ(RecordedCalls().size(), 1u);
        const RecordedCall& call = RecordedCalls().front();
        EXPECT_EQ(call.name, b.callback);
        EXPECT_EQ(call.panel, holder);
        EXPECT_EQ(call.control, b.control);
        EXPECT_EQ(call.event, EVENT_COMMIT);
    }
    // "Send_F9" is not in this table: its button is bound to nothing.
    RecordedCalls().clear();
    Show(8);
    Press(Page(8), TAB_FN9_BUTTON_SEND_FN9);
    EXPECT_TRUE(RecordedCalls().empty());
}

TEST_F(Runtime, ValuesTogglesAndPagesCallNothing)
{
    Show(8);
    Press(Page(8), TAB_FN9_AUTORESTART_F9);
    Click_Arrow(Page(8), TAB_FN9_NUMERIC_T1_START_F9, true);
    Click_Arrow(panel_, PANEL_NUMERIC_DAY, true);
    Click_Tab(panel_, PANEL_TAB, 2);
    std::int32_t front = -1;
    EXPECT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &front), 0);
    EXPECT_EQ(front, 2);
    EXPECT_TRUE(RecordedCalls().empty());
}

TEST_F(Runtime, ClosingTheWindowAsksThePanelCallback)
{
    Close_Window(panel_);
    EXPECT_TRUE(Is_Shown(panel_)) << "the window stays until the program discards it";
    ASSERT_EQ(RecordedCalls().size(), 1u);
    EXPECT_EQ(RecordedCalls()[0].name, "panelCB");
    EXPECT_EQ(RecordedCalls()[0].panel, panel_);
    EXPECT_EQ(RecordedCalls()[0].event, EVENT_CLOSE);
}

TEST_F(Runtime, MessagePopupIsModalAndShowsTitleAndMessage)
{
    struct Seen {
        std::string title, message;
        Shown_Box box;
        int count = 0;
    };
    Seen seen;
    UiTest_SetPopupObserver([&seen](const std::string& title, const std::string& message) {
        ++seen.count;
        seen.title = title;
        seen.message = message;
        seen.box = Box_Now();
        return true;
    });
    EXPECT_EQ(MessagePopup("Fehler", "Das Geraet wurde nicht gefunden!"), 0);
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, "Fehler");
    EXPECT_EQ(seen.message, "Das Geraet wurde nicht gefunden!");
    EXPECT_TRUE(seen.box.shown);
    EXPECT_TRUE(seen.box.modal);
    EXPECT_EQ(seen.box.title, "Fehler");
    EXPECT_EQ(seen.box.message, "Das Geraet wurde nicht gefunden!");
    Settle();
    EXPECT_FALSE(Box_Now().shown) << "dismissed";
}

TEST_F(Runtime, EventLoopRunsUntilQuit)
{
    EXPECT_EQ(QuitUserInterface(0), UI_ERR_NOT_RUNNING);
    int observed = 0;
    UiTest_SetLoopObserver([&observed] {
        ++observed;
        QuitUserInterface(7);
    });
    EXPECT_EQ(RunUserInterface(), 7);
    EXPECT_EQ(observed, 1);
}

TEST_F(Runtime, LoadingFindsThePanelFileByNameAndPanelNumber)
{
    const int second = LoadPanel(0, "kx418.UIR", PANEL);  // names ignore case
    EXPECT_GE(second, 0);
    EXPECT_NE(second, panel_);
    EXPECT_EQ(DiscardPanel(second), 0);
    EXPECT_EQ(LoadPanel(0, "OTHER.uir", PANEL), UI_ERR_PANEL_FILE);
    EXPECT_EQ(LoadPanel(0, "KX418.uir", 99), UI_ERR_NO_SUCH_PANEL);
    EXPECT_EQ(LoadPanel(0, "KX418.uir", TAB_FN1), UI_ERR_NO_SUCH_PANEL)
        << "a page is not top-level";
    EXPECT_EQ(LoadPanel(panel_, "KX418.uir", PANEL), UI_ERR_NOT_TOP_LEVEL);
}

TEST_F(Runtime, DiscardingAPanelEndsItsPagesHandles)
{
    const int page = Page(0);
    EXPECT_EQ(DiscardPanel(page), UI_ERR_NOT_TOP_LEVEL);
    EXPECT_EQ(DisplayPanel(page), UI_ERR_NOT_TOP_LEVEL);
    ASSERT_EQ(DiscardPanel(panel_), 0);
    double value = -1.0;
    EXPECT_EQ(GetCtrlAttribute(page, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, &value),
              UI_ERR_BAD_HANDLE);
    EXPECT_FALSE(Has_Window(panel_));
    EXPECT_EQ(DiscardPanel(panel_), UI_ERR_BAD_HANDLE);
    panel_ = -1;
}

}  // namespace

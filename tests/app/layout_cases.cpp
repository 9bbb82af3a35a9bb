// The loaded main panel against its layout, one set of cases for every
// runtime (Qt and Win32), driven and read through runtime_driver.h: every
// control of every panel with its number, constant, texts, value type,
// default, limits, place and size; the window, the tabs and the pages; the
// state of a fresh panel. Then reach: real input at the places a person
// clicks (each control's centre, a numeric's field and arrows, each tab)
// must reach that control and change it, and texts and frames, wherever
// they lie, never take the point.
#include "KX418.h"
#include "access_table.h"
#include "panel_layout_table.h"
#include "recording_callbacks.h"
#include "runtime_driver.h"
#include "ui_runtime.h"
#include "ui_test_hooks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace panel_layout;

constexpr std::uint32_t kFace = 0xECE9D8;  // the panels' and the result's colour

class MainPanel : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartUiForTests(); }

    void SetUp() override
    {
        panel_ = LoadPanel(0, "KX418.uir", PANEL);
        ASSERT_GE(panel_, 0);
        ASSERT_GE(DisplayPanel(panel_), 0);
        Settle();
        RecordedCalls().clear();
    }
    void TearDown() override
    {
        if (panel_ >= 0) DiscardPanel(panel_);
    }
    int Page(int index) const
    {
        int handle = -1;
        if (GetPanelHandleFromTabPage(panel_, PANEL_TAB, index, &handle) < 0) return -1;
        return handle;
    }
    int PageIndex(const std::string& page) const
    {
        for (int i = 0; i < 9; ++i)
            if (page == kPages[i].constant) return i;
        return -1;
    }
    int Handle(const std::string& page) const
    {
        return page == "PANEL" ? panel_ : Page(PageIndex(page));
    }

    int panel_ = -1;
};

// The text a numeric shows for a value, in its precision.
std::string Shown(const Row& row, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", row.precision, value);
    return text;
}

// A numeric's value in its own type only; its limits held, what lies
// beyond them refused.
void CheckNumericValue(int handle, const Row& row)
{
    if (row.type == V::Double) {
        double value = -1;
        EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
        EXPECT_EQ(value, row.def);
        std::int32_t wrong = 0;
        EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &wrong), UI_ERR_VALUE_TYPE);
        EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, row.max + 0.1),
                  UI_ERR_OUT_OF_RANGE);
        EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, row.min - 0.1),
                  UI_ERR_OUT_OF_RANGE);
        EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, row.max), 0);
        EXPECT_EQ(Shown_Text(handle, row.number), Shown(row, row.max));
        EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, row.min), 0);
        EXPECT_EQ(Shown_Text(handle, row.number), Shown(row, row.min));
    } else {
        ASSERT_EQ(row.type, V::UInt8);
        std::uint8_t value = 99;
        EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
        EXPECT_EQ(value, row.def);
        double wrong = 0;
        EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &wrong), UI_ERR_VALUE_TYPE);
        const auto max = static_cast<std::uint8_t>(row.max);
        EXPECT_EQ(
            SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, static_cast<std::uint8_t>(max + 1)),
            UI_ERR_OUT_OF_RANGE);
        EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, max), 0);
        EXPECT_EQ(Shown_Text(handle, row.number), Shown(row, row.max));
        EXPECT_EQ(
            SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, static_cast<std::uint8_t>(row.def)),
            0);
    }
    EXPECT_EQ(Field_Colour(handle, row.number), 0xFFFFFFu);
    EXPECT_FALSE(Is_Read_Only(handle, row.number));
}

// The arrows at the left of the field, stacked, the upper one on top.
void CheckArrows(int handle, const Row& row)
{
    const Panel_Rect up = Arrow_Place(handle, row.number, true);
    const Panel_Rect down = Arrow_Place(handle, row.number, false);
    EXPECT_EQ(up.left, down.left) << "stacked";
    EXPECT_EQ(up.width, down.width);
    EXPECT_LE(up.top + up.height, down.top + 1) << "the upper arrow above the lower";
    EXPECT_GE(up.left, row.left);
    EXPECT_GE(up.top, row.top);
    EXPECT_LE(down.top + down.height, row.top + row.height);
    EXPECT_LE(up.left + up.width, row.left + row.width / 3) << "at the left of the field";
    if (const int width = Fixed_Arrows_Width(); width > 0) {
        EXPECT_EQ(up, (Panel_Rect{row.left, row.top, width, row.height / 2}));
        EXPECT_EQ(down.top + down.height, row.top + row.height);
    }
}

TEST_F(MainPanel, EveryControlAsLaidOut)
{
    // Every control is in the table, once: the pages' counts are complete.
    std::map<std::string, int> per_panel;
    for (const Row& row : Layout()) ++per_panel[row.page];
    EXPECT_EQ(per_panel["PANEL"], 11);
    EXPECT_EQ(per_panel["TAB_FN3"], 4);
    EXPECT_EQ(per_panel["TAB_FN8"], 4);
    EXPECT_EQ(per_panel["TAB_FN9"], 27);
    const int standard_font = Font_Pixels(panel_, PANEL_BUTTON_QUIT);

    for (const Row& row : Layout()) {
        SCOPED_TRACE(row.page + " " + row.name);
        EXPECT_EQ(row.constant, row.number) << "header constant";
        const int handle = Handle(row.page);
        ASSERT_GE(handle, 0);
        ASSERT_TRUE(Has_Control(handle, row.number));
        EXPECT_TRUE(In_Own_Panel(handle, row.number)) << "placed within its own panel";
        EXPECT_EQ(Place_Of(handle, row.number),
                  (Panel_Rect{row.left, row.top, row.width, row.height}));

        const Shown_Label label = Label_Of(handle, row.number);
        EXPECT_EQ(label.shown, !row.label.empty());
        EXPECT_EQ(label.text, row.label);
        if (label.shown) {
            EXPECT_EQ(label.left, row.label_left);
            EXPECT_EQ(label.top, row.label_top);
            if (row.label_left < row.left && row.label_top < row.top + row.height) {
                EXPECT_LT(label.left + label.width, row.left)
                    << "a label left of its control keeps clear of it";
            }
        }

        switch (row.kind) {
        case K::Numeric:
            EXPECT_EQ(Shown_Text(handle, row.number), Shown(row, row.def));
            CheckNumericValue(handle, row);
            CheckArrows(handle, row);
            break;
        case K::Indicator: {
            EXPECT_TRUE(Is_Read_Only(handle, row.number));
            EXPECT_EQ(Field_Colour(handle, row.number), kFace);
            std::uint32_t value = 99;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
            EXPECT_EQ(value, 0u);
            EXPECT_EQ(Shown_Text(handle, row.number), "0");
            EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, std::uint32_t{2678399}),
                      0);
            EXPECT_EQ(Shown_Text(handle, row.number), "2678399");
            break;
        }
        case K::Command:
        case K::Toggle: {
            EXPECT_EQ(Shown_Text(handle, row.number), row.text);
            std::int32_t value = 99;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
            EXPECT_EQ(value, 0);
            break;
        }
        case K::Text:
            EXPECT_EQ(Shown_Text(handle, row.number), row.text);
            EXPECT_EQ(Font_Pixels(handle, row.number),
                      row.font_pixels != 0 ? row.font_pixels : standard_font);
            break;
        case K::Tab: EXPECT_EQ(Tab_Count(handle, row.number), 9); break;
        case K::Decoration: break;
        }
        if (row.type == V::None) {
            double value = 0;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value),
                      UI_ERR_ATTRIBUTE);
        }
        // The runtime knows the control by its name: a value asked for in
        // a type it does not hold is refused in its name.
        if (row.type == V::Double) {
            std::uint32_t wrong = 0;
            EXPECT_LT(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &wrong), 0);
        } else {
            double wrong = 0;
            EXPECT_LT(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &wrong), 0);
        }
        EXPECT_NE(UiTest_LastError().find("(" + row.name + ")"), std::string::npos)
            << UiTest_LastError();
    }

    // The toggle names its state.
    const int fn9 = Page(8);
    EXPECT_EQ(SetCtrlAttribute(fn9, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, std::int32_t{1}), 0);
    EXPECT_EQ(Shown_Text(fn9, TAB_FN9_AUTORESTART_F9), "Ein");
    EXPECT_EQ(SetCtrlAttribute(fn9, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, std::int32_t{0}), 0);
    EXPECT_EQ(Shown_Text(fn9, TAB_FN9_AUTORESTART_F9), "Aus");
}

TEST_F(MainPanel, WindowTitleSizeColourAndPlace)
{
    EXPECT_EQ(Window_Title(panel_), "KX418 Configurator v1.0, (c) 2026 KX418 project");
    const Panel_Rect window = Panel_Place(panel_);
    EXPECT_EQ(window.width, 700);
    EXPECT_EQ(window.height, 523);
    EXPECT_LT(window.left, 100);
    EXPECT_LT(window.top, 100);
    EXPECT_EQ(Panel_Colour(panel_), kFace);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(Panel_Colour(Page(i)), kFace) << kPages[i].label;
}

TEST_F(MainPanel, NinePagesInTabOrderEachAPanelOfItsOwn)
{
    ASSERT_EQ(Tab_Count(panel_, PANEL_TAB), 9);
    std::vector<int> handles;
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(kPages[i].label);
        EXPECT_EQ(Tab_Label(panel_, PANEL_TAB, i), kPages[i].label);
        const int page = Page(i);
        ASSERT_GE(page, 0);
        EXPECT_NE(page, panel_);
        for (int other : handles) EXPECT_NE(page, other);
        handles.push_back(page);
        EXPECT_TRUE(Has_Window(page));
        EXPECT_EQ(Panel_Place(page), (Panel_Rect{15, 32, 671, 354}));
        // Each page holds its own controls.
        for (const Row& row : Layout()) {
            if (row.page == kPages[i].constant) {
                EXPECT_TRUE(Has_Control(page, row.number)) << row.name;
            }
        }
    }
    // The sixth tab shows the page TABPANEL_6; its numbers are its own.
    EXPECT_TRUE(Has_Control(handles[5], TABPANEL_6_TEXTMSG));
    EXPECT_FALSE(Has_Control(handles[5], 4));
    EXPECT_FALSE(Has_Control(panel_, 13));
}

TEST_F(MainPanel, FreshPanelState)
{
    std::int32_t front = -1;
    ASSERT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &front), 0);
    EXPECT_EQ(front, 0);
    EXPECT_TRUE(Is_Shown(Page(0)));
    for (int i = 1; i < 9; ++i) EXPECT_FALSE(Is_Shown(Page(i))) << kPages[i].label;

    struct Fresh {
        int page;
        int control;
        const char* text;
    };
    const Fresh fresh[] = {
        {0, TAB_FN1_NUMERIC_T1_F1, "0.0"},
        {1, TAB_FN2_NUMERIC_T1_F2, "0.0"},
        {2, TAB_FN3_NUMERIC_T1_F3, "0.0"},
        {2, TAB_FN3_NUMERIC_T2_F3, "0.0"},
        {3, TAB_FN4_NUMERIC_T1_F4, "0.1"},
        {4, TAB_FN5_NUMERIC_T1_F5, "0.1"},
        {7, TAB_FN8_NUMERIC_T1_F8, "0.1"},
        {7, TAB_FN8_NUMERIC_T2_F8, "0.1"},
        {8, TAB_FN9_NUMERIC_T1_START_F9, "0.0"},
        {8, TAB_FN9_NUMERIC_T8_STOP_F9, "0.0"},
        {-1, PANEL_NUMERIC_DAY, "0"},
        {-1, PANEL_NUMERIC_HOUR, "0"},
        {-1, PANEL_NUMERIC_MINUTE, "0"},
        {-1, PANEL_NUMERIC_SECOND, "0"},
        {-1, PANEL_NUMERIC_TIME_RESULT, "0"},
        {8, TAB_FN9_AUTORESTART_F9, "Aus"},
    };
    for (const Fresh& f : fresh) {
        const int handle = f.page < 0 ? panel_ : Page(f.page);
        EXPECT_EQ(Shown_Text(handle, f.control), f.text)
            << "page " << f.page << " control " << f.control;
    }
}

// ---- reach ------------------------------------------------------------------

class Reach : public MainPanel {
protected:
    static int CentreX(const Panel_Rect& r) { return r.left + r.width / 2; }
    static int CentreY(const Panel_Rect& r) { return r.top + r.height / 2; }

    // The point reaches the control.
    static void ExpectReached(int handle, int x, int y, int control, const char* where)
    {
        std::string found;
        EXPECT_TRUE(Reaches(handle, x, y, control, found))
            << where << " (" << x << ", " << y << ") reaches " << found;
    }

    // Brings page `index` to the front by a click on its tab.
    void ClickTab(int index) const
    {
        const Panel_Rect tab = Tab_Place(panel_, PANEL_TAB, index);
        ExpectReached(panel_, CentreX(tab), CentreY(tab), PANEL_TAB, "tab");
        Mouse_At(panel_, CentreX(tab), CentreY(tab), Mouse::Click);
        std::int32_t shown = -1;
        EXPECT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &shown), 0);
        EXPECT_EQ(shown, index) << "a click on tab " << index;
        EXPECT_TRUE(Is_Shown(Page(index))) << "page " << index;
    }

    static double Value(int handle, const Row& row)
    {
        if (row.type == V::Double) {
            double value = -1;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
            return value;
        }
        std::uint8_t value = 99;
        EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
        return value;
    }
    static void SetValue(int handle, const Row& row, double value)
    {
        if (row.type == V::Double) {
            ASSERT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, value), 0);
        } else {
            ASSERT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL,
                                       static_cast<std::uint8_t>(value)),
                      0);
        }
    }

    // The field gives it the keyboard; the upper arrow steps up by one
    // increment and no further than the upper limit, the lower one back
    // down and no further than the lower limit.
    static void CheckNumeric(int handle, const Row& row)
    {
        const Panel_Rect up = Arrow_Place(handle, row.number, true);
        const Panel_Rect down = Arrow_Place(handle, row.number, false);
        const int field_left = up.left + up.width;
        const int field_x = field_left + (row.left + row.width - field_left) / 2;
        const int y = row.top + row.height / 2;

        ExpectReached(handle, field_x, y, row.number, "field");
        Drop_Keyboard(handle);
        Mouse_At(handle, field_x, y, Mouse::Click);
        EXPECT_TRUE(Has_Keyboard(handle, row.number))
            << "a click into the field does not give it the keyboard";

        const auto arrow = [&](const Panel_Rect& a, const char* where) {
            ExpectReached(handle, CentreX(a), CentreY(a), row.number, where);
            Mouse_At(handle, CentreX(a), CentreY(a), Mouse::Click);
        };
        const double before = Value(handle, row);
        arrow(up, "upper arrow");
        EXPECT_NEAR(Value(handle, row), before + row.step, 1e-9) << "upper arrow";
        arrow(down, "lower arrow");
        EXPECT_NEAR(Value(handle, row), before, 1e-9) << "lower arrow";
        SetValue(handle, row, row.max);
        arrow(up, "upper arrow at the upper limit");
        EXPECT_EQ(Value(handle, row), row.max) << "above the upper limit";
        SetValue(handle, row, row.min);
        arrow(down, "lower arrow at the lower limit");
        EXPECT_EQ(Value(handle, row), row.min) << "below the lower limit";
        SetValue(handle, row, row.def);
    }

    // Held down at its centre, a button shows itself pressed; let go, it
    // calls its callback (a name bound to nothing calls nothing); a toggle
    // turns on and off again.
    static void CheckButton(int handle, const Row& row)
    {
        const int x = CentreX(Panel_Rect{row.left, row.top, row.width, row.height});
        const int y = row.top + row.height / 2;
        ExpectReached(handle, x, y, row.number, "centre");
        RecordedCalls().clear();
        Mouse_At(handle, x, y, Mouse::Down);
        EXPECT_TRUE(Looks_Pressed(handle, row.number)) << "held down at its centre";
        Mouse_At(handle, x, y, Mouse::Up);
        EXPECT_FALSE(Looks_Pressed(handle, row.number));
        if (row.kind == K::Toggle) {
            std::int32_t on = -1;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &on), 0);
            EXPECT_EQ(on, 1) << "a click turns it on";
            Mouse_At(handle, x, y, Mouse::Click);
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &on), 0);
            EXPECT_EQ(on, 0) << "a second click turns it off";
            return;
        }
        std::int32_t value = -1;
        EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
        EXPECT_EQ(value, 0) << "a command button holds no state";
        const std::size_t expected =
            row.name == "BUTTON_SEND_FN9" ? 0 : 1;  // "Send_F9" is bound to nothing
        ASSERT_EQ(RecordedCalls().size(), expected) << "a click at the centre does not press it";
        if (expected == 1) {
            EXPECT_EQ(RecordedCalls()[0].panel, handle);
            EXPECT_EQ(RecordedCalls()[0].control, row.number);
            EXPECT_EQ(RecordedCalls()[0].event, EVENT_COMMIT);
        }
    }

    // The result's text can be selected by a double click, to copy it.
    static void CheckIndicator(int handle, const Row& row)
    {
        const int x = row.left + row.width / 2, y = row.top + row.height / 2;
        ExpectReached(handle, x, y, row.number, "centre");
        ASSERT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, std::uint32_t{86400}), 0);
        Mouse_At(handle, x, y, Mouse::Double_Click);
        EXPECT_EQ(Selected_Text(handle, row.number), "86400")
            << "a double click does not select the result";
    }
};

TEST_F(Reach, RealInputAtEveryControlReachesIt)
{
    int checked = 0;
    for (const Row& row : Layout()) {
        SCOPED_TRACE(row.page + " " + row.name);
        const int index = PageIndex(row.page);
        std::int32_t front = -1;
        ASSERT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &front), 0);
        if (index >= 0 && front != index) ClickTab(index);
        const int handle = Handle(row.page);
        switch (row.kind) {
        case K::Numeric: CheckNumeric(handle, row); break;
        case K::Command:
        case K::Toggle: CheckButton(handle, row); break;
        case K::Indicator: CheckIndicator(handle, row); break;
        case K::Tab:
            for (int tab = Tab_Count(panel_, PANEL_TAB) - 1; tab >= 0; --tab) ClickTab(tab);
            break;
        case K::Text:
        case K::Decoration: {
            // They only draw: the point goes to what lies beneath.
            std::string found;
            EXPECT_FALSE(Reaches(handle, row.left + row.width / 2, row.top + row.height / 2,
                                 row.number, found))
                << "a drawing took the point";
            continue;
        }
        }
        ++checked;
    }
    // The main panel's 8 and the pages' 34 controls that take input.
    EXPECT_EQ(checked, 42);
}

// The control number of a constant on a panel ("PANEL" or a page).
int Number_Of(const std::string& page, const std::string& constant)
{
    for (const Row& row : Layout())
        if (row.page == page && row.name == constant) return row.number;
    ADD_FAILURE() << "no " << constant << " on " << page;
    return -1;
}

// Every control a person uses is named as the table says, as a screen
// reader reads it; the pages by their tabs, the window by its title.
TEST_F(Reach, EveryControlIsNamedByTheTextBesideIt)
{
    for (const Access_Name_Row& row : Access_Names()) {
        const int index = PageIndex(row.panel);
        if (index >= 0) ClickTab(index);
        EXPECT_EQ(Accessible_Name(Handle(row.panel), Number_Of(row.panel, row.constant)), row.name)
            << row.panel << "." << row.constant;
    }
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Accessible_Panel_Name(Page(i)), Access_Page_Names().at(i)) << i;
    EXPECT_EQ(Accessible_Panel_Name(panel_), Window_Title(panel_));
}

// With each page in front, Tab goes round the window in reading order: the
// tab strip, the page's fields and its button, the converter's inputs,
// "Zeit umrechnen", the result, "Beenden".
TEST_F(Reach, TabGoesRoundTheWindowInReadingOrder)
{
    std::vector<std::string> main_order;
    for (const Access_Order_Row& row : Access_Orders())
        if (row.panel == "PANEL") main_order = row.constants;
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(kPages[i].label);
        ClickTab(i);
        std::vector<Stop> expected;
        for (const std::string& constant : main_order) {
            expected.push_back({panel_, Number_Of("PANEL", constant)});
            if (constant != "TAB") continue;
            for (const Access_Order_Row& row : Access_Orders())
                if (row.panel == kPages[i].constant)
                    for (const std::string& c : row.constants)
                        expected.push_back({Page(i), Number_Of(row.panel, c)});
        }
        EXPECT_EQ(Tab_Stops(panel_), expected);
    }
}

}  // namespace

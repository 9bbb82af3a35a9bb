// What only the Win32 runtime's tests look at: the window moved to a screen
// of another DPI; what a screen reader hears beyond names (the toggle as a
// check box, the new result). The cases both runtimes share (the layout table, reach,
// and the behaviour: limits by arrows, typing and pasting, value types,
// callbacks, the message box) are tests/app/layout_cases.cpp and
// tests/app/runtime_cases.cpp over runtime_driver_win32.cpp.
#include "KX418.h"
#include "panel_layout_table.h"
#include "runtime_driver.h"
#include "ui_runtime.h"
#include "win32/ui_win32_access.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace panel_layout;

class Win32Panel : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartUiForTests();
        panel_ = LoadPanel(0, "KX418.uir", PANEL);
        ASSERT_GE(panel_, 0);
        ASSERT_EQ(DisplayPanel(panel_), 0);
        Settle();
    }
    void TearDown() override
    {
        if (panel_ >= 0) DiscardPanel(panel_);
    }
    int Handle(const std::string& page) const
    {
        if (page == "PANEL") return panel_;
        for (int i = 0; i < 9; ++i) {
            int handle = -1;
            if (page == kPages[i].constant &&
                GetPanelHandleFromTabPage(panel_, PANEL_TAB, i, &handle) == 0)
                return handle;
        }
        return -1;
    }
    int panel_ = -1;
};

// Moved to a screen of another DPI, the window gets WM_DPICHANGED: the
// client area, every control, arrow and label and the fonts scale to it, and
// back again.
TEST_F(Win32Panel, ScalesWhenMovedToAScreenOfAnotherDpi)
{
    HWND top = UiWin32_PanelWindow(panel_);
    const auto move_to = [&](int dpi) {
        RECT window;
        GetWindowRect(top, &window);  // where the system suggests: here, where it is
        SendMessageA(top, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
        Settle();
    };
    for (const int dpi : {144, 192, 96}) {
        SCOPED_TRACE(dpi);
        move_to(dpi);
        const auto s = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
        RECT client;
        GetClientRect(top, &client);
        EXPECT_EQ(client.right, s(700));
        // The frame is sized for a caption at the new DPI; the test's window
        // stays on the one screen, whose caption may be lower.
        EXPECT_GE(client.bottom, s(523));
        EXPECT_LE(client.bottom, s(523) + s(30));
        for (const Row& row : Layout()) {
            SCOPED_TRACE(row.page + " " + row.name);
            const int handle = Handle(row.page);
            EXPECT_EQ(Place_Of(handle, row.number),
                      (Panel_Rect{s(row.left), s(row.top), s(row.width), s(row.height)}));
            if (row.kind == K::Numeric) {
                const Panel_Rect up = Arrow_Place(handle, row.number, true);
                EXPECT_EQ(up.left, s(row.left));
                EXPECT_EQ(up.width, s(Fixed_Arrows_Width()));
            }
            if (row.font_pixels > 0) {
                EXPECT_EQ(Font_Pixels(handle, row.number), s(row.font_pixels));
            }
            if (!row.label.empty()) {
                const Shown_Label label = Label_Of(handle, row.number);
                EXPECT_EQ(label.left, s(row.label_left));
                EXPECT_EQ(label.top, s(row.label_top));
                if (row.label_left < row.left && row.label_top < row.top + row.height) {
                    EXPECT_LT(label.left + label.width, s(row.left))
                        << "a label left of its control keeps clear of it";
                }
            }
        }
    }
}

// A screen reader meets the toggle as a check box that is checked when it is
// on, and hears of each new converter result.
std::vector<HWND> changed;  // windows whose value changed, as the system told it

void CALLBACK ValueChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (object == OBJID_CLIENT && child == CHILDID_SELF) changed.push_back(window);
}

TEST_F(Win32Panel, ScreenReaderMeetsTheToggleAsACheckBoxAndHearsTheNewResult)
{
    const int fn9 = Handle("TAB_FN9");
    Click_Tab(panel_, PANEL_TAB, 8);
    HWND toggle = UiWin32_ControlWindow(fn9, TAB_FN9_AUTORESTART_F9);
    ASSERT_NE(toggle, nullptr);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const auto read = [&](LONG& role, LONG& state) {
        IAccessible* object = nullptr;
        ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(toggle, static_cast<DWORD>(OBJID_CLIENT),
                                                         __uuidof(IAccessible),
                                                         reinterpret_cast<void**>(&object))));
        VARIANT self{}, value{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        ASSERT_TRUE(SUCCEEDED(object->get_accRole(self, &value)));
        role = value.lVal;
        ASSERT_TRUE(SUCCEEDED(object->get_accState(self, &value)));
        state = value.lVal;
        object->Release();
    };
    LONG role = 0, state = 0;
    read(role, state);
    EXPECT_EQ(role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(state & STATE_SYSTEM_CHECKED, 0) << "off";
    Press(fn9, TAB_FN9_AUTORESTART_F9);
    read(role, state);
    EXPECT_NE(state & STATE_SYSTEM_CHECKED, 0) << "on after a click";
    CoUninitialize();

    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, ValueChanged,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    changed.clear();
    ASSERT_EQ(
        SetCtrlAttribute(panel_, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL, std::uint32_t{86400}),
        0);
    Settle();
    UnhookWinEvent(hook);
    HWND result = UiWin32_ControlWindow(panel_, PANEL_NUMERIC_TIME_RESULT);
    EXPECT_NE(std::find(changed.begin(), changed.end(), result), changed.end())
        << "no value change told of the result";
}

}  // namespace

// What only the Win32 runtime's tests look at: the window moved to a screen
// of another DPI. The cases both runtimes share (the layout table, reach,
// and the behaviour: limits by arrows, typing and pasting, value types,
// callbacks, the message box) are tests/app/layout_cases.cpp and
// tests/app/runtime_cases.cpp over runtime_driver_win32.cpp.
#include "KX418.h"
#include "panel_layout_table.h"
#include "runtime_driver.h"
#include "ui_runtime.h"
#include "win32/ui_win32_access.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace

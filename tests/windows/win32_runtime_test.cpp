// The Win32 runtime with the loaded main panel under wine, on an X server:
// the same layout table as the Qt runtime's tests (every control's number,
// kind, texts, value type, default, limits, place and size) and every
// control reached where it is drawn, read from the Win32 windows. The
// behaviour cases both runtimes share (limits by arrows, typing and
// pasting, value types, callbacks, the message box) are
// tests/app/runtime_cases.cpp over runtime_driver_win32.cpp.
#include "KX418.h"
#include "panel_layout_table.h"
#include "recording_callbacks.h"
#include "runtime_driver.h"
#include "uiruntime/ui_runtime.h"
#include "uiruntime/win32/ui_win32_access.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using namespace panel_layout;

std::string TextOf(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A window's rectangle within the client area of `panel_window`.
RECT PlaceIn(HWND window, HWND panel_window)
{
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, panel_window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

POINT CentreOnScreen(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class Win32Panel : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartUiForTests();
        panel_ = LoadPanel(0, "KX418.uir", PANEL);
        ASSERT_GE(panel_, 0);
        ASSERT_EQ(DisplayPanel(panel_), 0);
        Settle();
        RecordedCalls().clear();
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
            if (page == kPages[i].constant && GetPanelHandleFromTabPage(panel_, PANEL_TAB, i, &handle) == 0)
                return handle;
        }
        return -1;
    }
    void ShowPageOf(const std::string& page)
    {
        for (int i = 0; i < 9; ++i)
            if (page == kPages[i].constant) SetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, std::int32_t{i});
        Settle();
    }
    int panel_ = -1;
};

TEST_F(Win32Panel, EveryControlAsLaidOutWithItsValueType)
{
    RECT client;
    GetClientRect(UiWin32_PanelWindow(panel_), &client);
    EXPECT_EQ(client.right, 700);
    EXPECT_EQ(client.bottom, 523);
    for (const Row& row : Layout()) {
        SCOPED_TRACE(row.page + " " + row.name);
        const int handle = Handle(row.page);
        ASSERT_GE(handle, 0);
        HWND panel_window = UiWin32_PanelWindow(handle);
        HWND w = UiWin32_ControlWindow(handle, row.number);
        ASSERT_NE(w, nullptr);
        RECT r = PlaceIn(w, panel_window);
        if (HWND arrows = UiWin32_ControlArrows(handle, row.number)) {
            const RECT a = PlaceIn(arrows, panel_window);
            EXPECT_EQ(a.left, row.left) << "the arrows at the left of the field";
            EXPECT_EQ(a.right, r.left);
            r.left = a.left;
        }
        if (row.kind == K::Decoration) {
            EXPECT_LE(r.top, row.top) << "a group box draws its edge below its top";
            r.top = row.top;
        }
        EXPECT_EQ(r.left, row.left);
        EXPECT_EQ(r.top, row.top);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, row.height);
        if (row.kind == K::Command || row.kind == K::Text) {
            EXPECT_EQ(TextOf(w), row.text);
        }
        if (!row.label.empty()) {
            HWND label = UiWin32_ControlLabel(handle, row.number);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(TextOf(label), row.label);
            const RECT l = PlaceIn(label, panel_window);
            EXPECT_EQ(l.left, row.label_left);
            EXPECT_EQ(l.top, row.label_top);
        }
        // The value in its own type only; numerics refuse what lies outside.
        switch (row.type) {
        case V::Double: {
            double v = -1;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &v), 0);
            EXPECT_EQ(v, row.def);
            std::int32_t wrong = 0;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &wrong), UI_ERR_VALUE_TYPE);
            EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, row.max + 0.1), UI_ERR_OUT_OF_RANGE);
            EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, row.min - 0.1), UI_ERR_OUT_OF_RANGE);
            EXPECT_EQ(TextOf(w), row.def == 0.0 ? "0.0" : "0.1");
            break;
        }
        case V::UInt8: {
            std::uint8_t v = 99;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &v), 0);
            EXPECT_EQ(v, 0);
            double wrong = 0;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &wrong), UI_ERR_VALUE_TYPE);
            EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL,
                                       static_cast<std::uint8_t>(row.max + 1)), UI_ERR_OUT_OF_RANGE);
            break;
        }
        case V::UInt32: {
            std::uint32_t v = 99;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &v), 0);
            EXPECT_EQ(v, 0u);
            EXPECT_EQ(SetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, std::uint32_t{2678399}), 0);
            EXPECT_EQ(TextOf(w), "2678399");
            break;
        }
        case V::Int32: {
            std::int32_t v = 99;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &v), 0);
            EXPECT_EQ(v, 0);
            break;
        }
        case V::None: {
            double v = 0;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &v), UI_ERR_ATTRIBUTE);
            break;
        }
        }
    }
    HWND toggle = UiWin32_ControlWindow(Handle("TAB_FN9"), TAB_FN9_AUTORESTART_F9);
    EXPECT_EQ(TextOf(toggle), "Aus");
    SetCtrlAttribute(Handle("TAB_FN9"), TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, std::int32_t{1});
    EXPECT_EQ(TextOf(toggle), "Ein");
}

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
            HWND panel_window = UiWin32_PanelWindow(handle);
            HWND w = UiWin32_ControlWindow(handle, row.number);
            RECT r = PlaceIn(w, panel_window);
            if (HWND arrows = UiWin32_ControlArrows(handle, row.number)) {
                const RECT a = PlaceIn(arrows, panel_window);
                EXPECT_EQ(a.left, s(row.left));
                EXPECT_EQ(a.right, r.left);
                r.left = a.left;
            }
            if (row.kind == K::Decoration) {
                EXPECT_LE(r.top, s(row.top));
                r.top = s(row.top);
            }
            EXPECT_EQ(r.left, s(row.left));
            EXPECT_EQ(r.top, s(row.top));
            EXPECT_EQ(r.right - r.left, s(row.width));
            EXPECT_EQ(r.bottom - r.top, s(row.height));
            LOGFONTA font{};
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)), sizeof font, &font);
            if (row.font_pixels > 0) {
                EXPECT_EQ(font.lfHeight, -s(row.font_pixels));
            }
            if (!row.label.empty()) {
                const RECT l = PlaceIn(UiWin32_ControlLabel(handle, row.number), panel_window);
                EXPECT_EQ(l.left, s(row.label_left));
                EXPECT_EQ(l.top, s(row.label_top));
                if (row.label_left < row.left && row.label_top < row.top + row.height) {
                    EXPECT_LT(l.right, r.left) << "a label left of its control keeps clear of it";
                }
            }
        }
    }
}

// What a person points at is what answers: every control at its centre,
// every numeric's arrows at theirs; a text or frame never takes the point.
TEST_F(Win32Panel, EveryControlAnswersWhereItIsDrawn)
{
    for (const Row& row : Layout()) {
        SCOPED_TRACE(row.page + " " + row.name);
        ShowPageOf(row.page);
        const int handle = Handle(row.page);
        HWND w = UiWin32_ControlWindow(handle, row.number);
        HWND hit = WindowFromPoint(CentreOnScreen(w));
        if (row.kind == K::Text || row.kind == K::Decoration) {
            EXPECT_NE(hit, w) << "a drawing took the point";
        } else if (row.kind == K::Tab) {
            EXPECT_TRUE(hit == w || GetParent(hit) == UiWin32_PanelWindow(panel_));
        } else {
            EXPECT_EQ(hit, w);
        }
        if (HWND arrows = UiWin32_ControlArrows(handle, row.number)) {
            RECT a;
            GetWindowRect(arrows, &a);
            EXPECT_EQ(WindowFromPoint({(a.left + a.right) / 2, a.top + 3}), arrows);
            EXPECT_EQ(WindowFromPoint({(a.left + a.right) / 2, a.bottom - 3}), arrows);
        }
    }
}

}  // namespace

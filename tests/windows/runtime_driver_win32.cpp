// runtime_driver_win32.cpp - the shared runtime cases' input on the Win32
// runtime's windows: mouse and key messages at the place a person uses,
// the clipboard for pastes, what the windows show.
#include "runtime_driver.h"

#include "uiruntime/ui_runtime.h"
#include "uiruntime/win32/ui_win32_access.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string TextOf(HWND window)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A left click at a point of the window's client area.
void ClickAt(HWND window, int x, int y)
{
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Settle();
}

HWND Field(int panel, int control)
{
    HWND field = UiWin32_ControlWindow(panel, control);
    EXPECT_NE(field, nullptr) << "panel " << panel << " control " << control;
    return field;
}

void Enter(HWND field)
{
    SendMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(field, WM_KEYUP, VK_RETURN, 0);
    Settle();
}

}  // namespace

void StartUiForTests()
{
    ASSERT_EQ(InitCVIRTEEx(nullptr, nullptr, nullptr), 1);
}

void Settle()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Press(int panel, int control)
{
    HWND window = UiWin32_ControlWindow(panel, control);
    ASSERT_NE(window, nullptr) << "panel " << panel << " control " << control;
    ASSERT_TRUE(IsWindowVisible(window)) << "panel " << panel << " control " << control << " is not shown";
    RECT r;
    GetClientRect(window, &r);
    ClickAt(window, r.right / 2, r.bottom / 2);
}

void Click_Arrow(int panel, int control, bool up)
{
    HWND arrows = UiWin32_ControlArrows(panel, control);
    ASSERT_NE(arrows, nullptr) << "panel " << panel << " control " << control << " has no arrows";
    RECT a;
    GetClientRect(arrows, &a);
    ClickAt(arrows, a.right / 2, up ? 2 : a.bottom - 2);
}

void Type_Into(int panel, int control, const std::string& text, bool commit)
{
    HWND field = Field(panel, control);
    ASSERT_NE(field, nullptr);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_KEYDOWN, VK_DELETE, 0);
    SendMessageA(field, WM_KEYUP, VK_DELETE, 0);
    for (char c : text) SendMessageA(field, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
    Settle();
    if (commit) Enter(field);
}

void Paste_Into(int panel, int control, const std::string& text)
{
    HWND field = Field(panel, control);
    ASSERT_NE(field, nullptr);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    ASSERT_NE(data, nullptr);
    std::memcpy(GlobalLock(data), text.c_str(), text.size() + 1);
    GlobalUnlock(data);
    SetClipboardData(CF_TEXT, data);  // the clipboard owns it now
    CloseClipboard();
    SendMessageA(field, WM_PASTE, 0, 0);
    Settle();
    Enter(field);
}

void Click_Tab(int panel, int tab_control, int index)
{
    HWND tab = UiWin32_ControlWindow(panel, tab_control);
    ASSERT_NE(tab, nullptr);
    RECT r{};
    ASSERT_TRUE(SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
    ClickAt(tab, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::string Shown_Text(int panel, int control)
{
    HWND window = UiWin32_ControlWindow(panel, control);
    EXPECT_NE(window, nullptr) << "panel " << panel << " control " << control;
    return window != nullptr ? TextOf(window) : std::string();
}

void Close_Window(int panel)
{
    HWND window = UiWin32_PanelWindow(panel);
    ASSERT_NE(window, nullptr);
    SendMessageA(window, WM_CLOSE, 0, 0);
    Settle();
}

bool Has_Window(int panel)
{
    return UiWin32_PanelWindow(panel) != nullptr;
}

bool Is_Shown(int panel)
{
    HWND window = UiWin32_PanelWindow(panel);
    return window != nullptr && IsWindowVisible(window);
}

Shown_Box Box_Now()
{
    Shown_Box seen;
    HWND box = UiWin32_ShownBox(seen.title, seen.message);
    if (box == nullptr) return seen;
    seen.shown = true;
    // Modal: the window that owns it takes no input while it is up.
    HWND owner = GetWindow(box, GW_OWNER);
    seen.modal = owner != nullptr && !IsWindowEnabled(owner);
    return seen;
}

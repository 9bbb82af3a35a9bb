// runtime_driver_win32.cpp - the shared runtime cases' input on the Win32
// runtime's windows: mouse and key messages at the place a person uses,
// the clipboard for pastes, what the windows show.
#include "runtime_driver.h"

#include "ui_runtime.h"
#include "win32/ui_win32_access.h"

#include <commctrl.h>
#include <oleacc.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

std::string TextOf(HWND window)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
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
    // As the runtime's event loop handles them, the window's keys first.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) UiWin32_Dispatch(message);
}

void Press(int panel, int control)
{
    HWND window = UiWin32_ControlWindow(panel, control);
    ASSERT_NE(window, nullptr) << "panel " << panel << " control " << control;
    ASSERT_TRUE(IsWindowVisible(window))
        << "panel " << panel << " control " << control << " is not shown";
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
    for (char c : text)
        SendMessageA(field, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
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
    ASSERT_TRUE(SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&r)));
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

// What is drawn where, and real input at a point, on the Win32 runtime's
// windows.

namespace {

HWND Control(int panel, int control)
{
    HWND window = UiWin32_ControlWindow(panel, control);
    EXPECT_NE(window, nullptr) << "panel " << panel << " control " << control;
    return window;
}

// A window's rectangle within the client area of `panel_window`.
RECT PlaceIn(HWND window, HWND panel_window)
{
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, panel_window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

Panel_Rect ToPanel(const RECT& r)
{
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::uint32_t Rgb(COLORREF colour)
{
    return static_cast<std::uint32_t>(GetRValue(colour)) << 16 |
           static_cast<std::uint32_t>(GetGValue(colour)) << 8 | GetBValue(colour);
}

LOGFONTA FontOf(HWND window)
{
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

// The window at a point of the panel, and the point in its client area.
HWND WindowAt(int panel, int x, int y, POINT& client)
{
    HWND panel_window = UiWin32_PanelWindow(panel);
    EXPECT_NE(panel_window, nullptr) << "panel " << panel;
    if (panel_window == nullptr) return nullptr;
    POINT screen{x, y};
    ClientToScreen(panel_window, &screen);
    HWND hit = WindowFromPoint(screen);
    client = screen;
    if (hit != nullptr) ScreenToClient(hit, &client);
    return hit;
}

void Send(HWND window, UINT message, WPARAM keys, POINT at)
{
    SendMessageA(window, message, keys, MAKELPARAM(at.x, at.y));
}

bool Style(HWND window, LONG style)
{
    return (GetWindowLongA(window, GWL_STYLE) & style) != 0;
}

}  // namespace

Panel_Rect Place_Of(int panel, int control)
{
    HWND window = Control(panel, control);
    if (window == nullptr) return {};
    HWND panel_window = UiWin32_PanelWindow(panel);
    RECT r = PlaceIn(window, panel_window);
    if (HWND arrows = UiWin32_ControlArrows(panel, control)) {
        const RECT a = PlaceIn(arrows, panel_window);
        EXPECT_EQ(a.right, r.left) << "the arrows end where the field begins";
        EXPECT_EQ(a.top, r.top);
        EXPECT_EQ(a.bottom, r.bottom);
        r.left = a.left;
    }
    char kind[16] = {};
    GetClassNameA(window, kind, sizeof kind);
    if (lstrcmpiA(kind, "Button") == 0 &&
        (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
        // A group box draws its frame's top edge half a line of its font
        // below its window's top.
        HDC dc = GetDC(window);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        r.top += std::max(0, static_cast<int>(metrics.tmHeight) / 2 - 1);
    }
    return ToPanel(r);
}

bool Has_Control(int panel, int control)
{
    return UiWin32_ControlWindow(panel, control) != nullptr;
}

bool In_Own_Panel(int panel, int control)
{
    HWND window = Control(panel, control);
    return window != nullptr && GetParent(window) == UiWin32_PanelWindow(panel);
}

bool Is_Read_Only(int panel, int control)
{
    HWND window = Control(panel, control);
    return window != nullptr && Style(window, ES_READONLY);
}

Panel_Rect Arrow_Place(int panel, int control, bool up)
{
    HWND arrows = UiWin32_ControlArrows(panel, control);
    EXPECT_NE(arrows, nullptr) << "panel " << panel << " control " << control << " has no arrows";
    if (arrows == nullptr) return {};
    // The up-down control: its upper half the upper arrow.
    Panel_Rect both = ToPanel(PlaceIn(arrows, UiWin32_PanelWindow(panel)));
    const int half = both.height / 2;
    if (up) return {both.left, both.top, both.width, half};
    return {both.left, both.top + half, both.width, both.height - half};
}

int Fixed_Arrows_Width()
{
    return 9;
}

Shown_Label Label_Of(int panel, int control)
{
    Shown_Label seen;
    HWND label = UiWin32_ControlLabel(panel, control);
    if (label == nullptr) return seen;
    seen.shown = true;
    seen.text = TextOf(label);
    const RECT r = PlaceIn(label, UiWin32_PanelWindow(panel));
    seen.left = r.left;
    seen.top = r.top;
    seen.width = r.right - r.left;
    return seen;
}

int Font_Pixels(int panel, int control)
{
    HWND window = Control(panel, control);
    return window != nullptr ? -FontOf(window).lfHeight : 0;
}

std::uint32_t Field_Colour(int panel, int control)
{
    // The colours the panel gives the field when it draws: a read-only
    // field asks as a static text does.
    HWND field = Control(panel, control);
    if (field == nullptr) return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageA(GetParent(field), Style(field, ES_READONLY) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                 reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(field));
    const COLORREF colour = GetBkColor(dc);
    DeleteDC(dc);
    return Rgb(colour);
}

std::uint32_t Panel_Colour(int panel)
{
    // The background the panel's window paints, on a pixel of its own.
    HWND window = UiWin32_PanelWindow(panel);
    EXPECT_NE(window, nullptr);
    if (window == nullptr) return 0;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP pixel = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ old = SelectObject(dc, pixel);
    SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const COLORREF colour = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteObject(pixel);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return Rgb(colour);
}

std::string Window_Title(int panel)
{
    HWND window = UiWin32_PanelWindow(panel);
    EXPECT_TRUE(window != nullptr && GetParent(window) == nullptr) << "a window of its own";
    return window != nullptr ? TextOf(window) : std::string();
}

Panel_Rect Panel_Place(int panel)
{
    HWND window = UiWin32_PanelWindow(panel);
    EXPECT_NE(window, nullptr);
    if (window == nullptr) return {};
    HWND top = GetAncestor(window, GA_ROOT);
    if (top != window) return ToPanel(PlaceIn(window, top));
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return {origin.x, origin.y, client.right, client.bottom};
}

int Tab_Count(int panel, int tab_control)
{
    HWND tab = Control(panel, tab_control);
    return tab != nullptr ? static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string Tab_Label(int panel, int tab_control, int index)
{
    HWND tab = Control(panel, tab_control);
    if (tab == nullptr) return {};
    char text[64] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    EXPECT_TRUE(SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&item)));
    return text;
}

Panel_Rect Tab_Place(int panel, int tab_control, int index)
{
    HWND tab = Control(panel, tab_control);
    if (tab == nullptr) return {};
    RECT r{};
    EXPECT_TRUE(SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&r)));
    MapWindowPoints(tab, UiWin32_PanelWindow(panel), reinterpret_cast<POINT*>(&r), 2);
    return ToPanel(r);
}

bool Reaches(int panel, int x, int y, int control, std::string& found)
{
    POINT client;
    HWND hit = WindowAt(panel, x, y, client);
    HWND window = UiWin32_ControlWindow(panel, control);
    if (window == nullptr) return false;
    if (hit == window || (hit != nullptr && hit == UiWin32_ControlArrows(panel, control)))
        return true;
    char kind[32] = {};
    if (hit != nullptr) GetClassNameA(hit, kind, sizeof kind);
    found =
        hit != nullptr ? std::string(kind) + " \"" + TextOf(hit) + "\"" : std::string("nothing");
    return false;
}

void Mouse_At(int panel, int x, int y, Mouse action)
{
    POINT at;
    HWND hit = WindowAt(panel, x, y, at);
    ASSERT_NE(hit, nullptr) << "nothing at (" << x << ", " << y << ")";
    switch (action) {
    case Mouse::Down: Send(hit, WM_LBUTTONDOWN, MK_LBUTTON, at); break;
    case Mouse::Up: Send(hit, WM_LBUTTONUP, 0, at); break;
    case Mouse::Click:
        Send(hit, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Send(hit, WM_LBUTTONUP, 0, at);
        break;
    case Mouse::Double_Click:
        Send(hit, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Send(hit, WM_LBUTTONUP, 0, at);
        Send(hit, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        Send(hit, WM_LBUTTONUP, 0, at);
        break;
    }
    Settle();
}

bool Looks_Pressed(int panel, int control)
{
    HWND button = Control(panel, control);
    return button != nullptr && (SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

bool Has_Keyboard(int panel, int control)
{
    HWND window = Control(panel, control);
    return window != nullptr && GetFocus() == window;
}

void Drop_Keyboard(int)
{
    SetFocus(nullptr);
    Settle();
}

std::string Selected_Text(int panel, int control)
{
    HWND field = Control(panel, control);
    if (field == nullptr) return {};
    DWORD start = 0, end = 0;
    SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const std::string text = TextOf(field);
    if (start > end || end > text.size()) return {};
    return text.substr(start, end - start);
}

// ---- what the keyboard and a screen reader meet ---------------------------
// Names as oleacc gives them to a screen reader: the client object of the
// control's window; the focus as real key presses move it.

namespace {

struct Com {
    bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ~Com()
    {
        if (started) CoUninitialize();
    }
};

std::string NameOfWindow(HWND window)
{
    static Com com;
    if (window == nullptr) return "(no window)";
    IAccessible* object = nullptr;
    const HRESULT found =
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object));
    if (FAILED(found) || object == nullptr) {
        char said[48];
        wsprintfA(said, "(no client object: 0x%08lx)", static_cast<unsigned long>(found));
        return said;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT result = object->get_accName(self, &name);
    object->Release();
    if (FAILED(result)) return "(no name)";
    std::string text;
    if (name != nullptr) {
        const int wide = static_cast<int>(SysStringLen(name));
        text.resize(static_cast<std::size_t>(
            WideCharToMultiByte(CP_UTF8, 0, name, wide, nullptr, 0, nullptr, nullptr)));
        WideCharToMultiByte(CP_UTF8, 0, name, wide, text.data(), static_cast<int>(text.size()),
                            nullptr, nullptr);
        SysFreeString(name);
    }
    return text;
}

// A key pressed and let go through the system's input queue.
void PressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    for (int i = 0; i < 5; ++i) {
        Sleep(10);
        Settle();
    }
}

// The panel and control whose window has the keyboard: the window's own
// panel or one of its pages.
Stop StopOf(int top_panel, int tab_control, HWND focus)
{
    std::vector<int> panels{top_panel};
    for (int index = 0;; ++index) {
        int page = 0;
        if (GetPanelHandleFromTabPage(top_panel, tab_control, index, &page) != 0) break;
        panels.push_back(page);
    }
    for (int panel : panels)
        for (int control = 2; UiWin32_PanelWindow(panel) != nullptr && control < 64; ++control)
            if (HWND window = UiWin32_ControlWindow(panel, control);
                window != nullptr && window == focus)
                return {panel, control};
    return {};
}

}  // namespace

std::string Accessible_Name(int panel, int control)
{
    return NameOfWindow(UiWin32_ControlWindow(panel, control));
}

std::string Accessible_Panel_Name(int panel)
{
    return NameOfWindow(UiWin32_PanelWindow(panel));
}

std::vector<Stop> Tab_Stops(int top_panel)
{
    std::vector<Stop> stops;
    HWND window = UiWin32_PanelWindow(top_panel);
    if (window == nullptr) return stops;
    SetForegroundWindow(window);
    Settle();
    for (int control = 2; control < 64; ++control) {
        HWND first = UiWin32_ControlWindow(top_panel, control);
        if (first == nullptr) break;
        // The first control of the window's focus order: its tab control.
        char kind[32] = {};
        GetClassNameA(first, kind, sizeof kind);
        if (lstrcmpiA(kind, WC_TABCONTROLA) != 0) continue;
        SetFocus(first);
        Settle();
        stops.push_back(StopOf(top_panel, control, GetFocus()));
        for (int press = 0; press < 64; ++press) {
            PressKey(VK_TAB);
            const Stop reached = StopOf(top_panel, control, GetFocus());
            if (reached == stops.front()) break;
            stops.push_back(reached);
            if (reached == Stop{}) break;  // the keyboard left the panels
        }
        break;
    }
    return stops;
}

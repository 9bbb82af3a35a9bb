// bare_window.cpp - the benchmark's yardstick: the configurator's window
// made directly with Win32 calls (no panel file, no runtime): every control
// of the layout table, at its place and size, with its texts, colours and
// fonts, closed by its close box. KX418.exe's start-up and memory are
// measured next to it.
#include "panel_layout_table.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

using panel_layout::K;
using panel_layout::Row;

HBRUSH background = nullptr;
HBRUSH white = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CTLCOLOREDIT:
        SetBkColor(reinterpret_cast<HDC>(wparam), RGB(0xFF, 0xFF, 0xFF));
        return reinterpret_cast<LRESULT>(white);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wparam), RGB(0xEC, 0xE9, 0xD8));
        return reinterpret_cast<LRESULT>(background);
    case WM_CLOSE: PostQuitMessage(0); return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND Make(HWND parent, const char* window_class, const std::string& text, DWORD style,
          DWORD ex_style, int left, int top, int width, int height, HFONT font)
{
    HWND child =
        CreateWindowExA(ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, left,
                        top, width, height, parent, nullptr, nullptr, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

}  // namespace

int main()
{
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    background = CreateSolidBrush(RGB(0xEC, 0xE9, 0xD8));
    white = CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    std::map<int, HFONT> fonts;  // by size in pixels, 0: the dialog font
    const auto font_of = [&](int pixels) {
        HFONT& font = fonts[pixels];
        if (font == nullptr) {
            LOGFONTW face = metrics.lfMessageFont;
            if (pixels > 0) face.lfHeight = -pixels;
            font = CreateFontIndirectW(&face);
        }
        return font;
    };

    WNDCLASSA window_class{};
    window_class.lpfnWndProc = WindowProc;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = background;
    window_class.lpszClassName = "KX418Bare";
    RegisterClassA(&window_class);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, 700, 523};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExA(0, "KX418Bare", "KX418 bare window", style, 16, 16,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, nullptr, nullptr);
    std::map<std::string, HWND> holders{{"PANEL", window}};
    HWND tab = nullptr;
    for (const Row& row : panel_layout::Layout()) {
        if (row.kind != K::Tab) continue;
        tab = Make(window, WC_TABCONTROLA, "", WS_TABSTOP, 0, row.left, row.top, row.width,
                   row.height, font_of(0));
    }
    for (int page = 0; page < 9; ++page) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        std::string label = panel_layout::kPages[page].label;
        item.pszText = label.data();
        SendMessageA(tab, TCM_INSERTITEMA, page, reinterpret_cast<LPARAM>(&item));
        holders[panel_layout::kPages[page].constant] = CreateWindowExA(
            WS_EX_CONTROLPARENT, "KX418Bare", "", WS_CHILD | (page == 0 ? WS_VISIBLE : 0), 15, 32,
            671, 354, window, nullptr, nullptr, nullptr);
    }
    for (const Row& row : panel_layout::Layout()) {
        HWND holder = holders[row.page];
        HFONT font = font_of(row.font_pixels);
        char value[32];
        std::snprintf(value, sizeof value, "%.*f", row.precision, row.def);
        switch (row.kind) {
        case K::Tab: break;
        case K::Numeric:
            Make(holder, UPDOWN_CLASSA, "", 0, 0, row.left, row.top, 9, row.height, font);
            Make(holder, "EDIT", value, ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                 row.left + 9, row.top, row.width - 9, row.height, font);
            break;
        case K::Indicator:
            Make(holder, "EDIT", value, ES_RIGHT | ES_READONLY, WS_EX_CLIENTEDGE, row.left, row.top,
                 row.width, row.height, font);
            break;
        case K::Command:
            Make(holder, "BUTTON", row.text, BS_PUSHBUTTON | WS_TABSTOP, 0, row.left, row.top,
                 row.width, row.height, font);
            break;
        case K::Toggle:
            Make(holder, "BUTTON", row.text, BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP, 0,
                 row.left, row.top, row.width, row.height, font);
            break;
        case K::Text:
            Make(holder, "STATIC", row.text, row.font_pixels >= 30 ? SS_CENTER : SS_LEFT, 0,
                 row.left, row.top, row.width, row.height, font);
            break;
        case K::Decoration:
            Make(holder, "BUTTON", "", BS_GROUPBOX, 0, row.left, row.top - 6, row.width,
                 row.height + 6, font);
            break;
        }
        if (!row.label.empty())
            Make(holder, "STATIC", row.label, SS_LEFT, 0, row.label_left, row.label_top,
                 row.label_left < row.left ? row.left - row.label_left - 2 : 100, 15, font_of(0));
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyWindow(window);
    return 0;
}

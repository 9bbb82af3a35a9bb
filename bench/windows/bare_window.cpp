// bare_window.cpp - the benchmark's yardstick: the configurator's window
// made directly with Win32 calls (no panel file, no runtime): the same
// controls at the same places, the same colours and fonts, closed by its
// close box. KX418.exe's start-up and memory are measured next to it.
#include <windows.h>

#include <commctrl.h>

#include <array>

namespace {

struct Child {
    const char* window_class;
    const char* text;
    DWORD style;
    DWORD ex_style;
    int left, top, width, height;
};

constexpr DWORD Field = ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP;

// The main panel's controls below the tab control.
constexpr std::array MainControls{
    Child{"BUTTON", "", BS_GROUPBOX, 0, 12, 406, 676, 63},
    Child{"STATIC", "Zeit-Umrechner", SS_LEFT, 0, 50, 406, 76, 15},
    Child{"BUTTON", "Zeit umrechnen", BS_PUSHBUTTON | WS_TABSTOP, 0, 31, 430, 117, 27},
    Child{"STATIC", "Tage", SS_LEFT, 0, 181, 416, 40, 13},
    Child{"EDIT", "0", Field, WS_EX_CLIENTEDGE, 190, 437, 49, 21},
    Child{UPDOWN_CLASSA, "", 0, 0, 181, 437, 9, 21},
    Child{"STATIC", "Stunden", SS_LEFT, 0, 254, 416, 50, 13},
    Child{"EDIT", "0", Field, WS_EX_CLIENTEDGE, 263, 437, 50, 21},
    Child{UPDOWN_CLASSA, "", 0, 0, 254, 437, 9, 21},
    Child{"STATIC", "Minuten", SS_LEFT, 0, 330, 416, 50, 13},
    Child{"EDIT", "0", Field, WS_EX_CLIENTEDGE, 339, 437, 50, 21},
    Child{UPDOWN_CLASSA, "", 0, 0, 330, 437, 9, 21},
    Child{"STATIC", "Sekunden", SS_LEFT, 0, 403, 416, 50, 13},
    Child{"EDIT", "0", Field, WS_EX_CLIENTEDGE, 412, 437, 48, 21},
    Child{UPDOWN_CLASSA, "", 0, 0, 403, 437, 9, 21},
    Child{"STATIC", "=", SS_CENTER, 0, 487, 428, 21, 38},
    Child{"STATIC", "Sekunden", SS_LEFT, 0, 537, 416, 50, 13},
    Child{"EDIT", "0", ES_RIGHT | ES_READONLY, WS_EX_CLIENTEDGE, 537, 437, 134, 21},
    Child{"BUTTON", "Beenden", BS_PUSHBUTTON | WS_TABSTOP, 0, 570, 487, 118, 26},
};

// Numerics per page Fn1 to Fn9 (two per channel row on Fn9).
constexpr std::array<int, 9> PageTimes{1, 1, 2, 1, 1, 0, 0, 2, 16};

HBRUSH background = nullptr;
HFONT dialog_font = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wparam), RGB(0xEC, 0xE9, 0xD8));
        return reinterpret_cast<LRESULT>(background);
    case WM_CLOSE: PostQuitMessage(0); return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND Make(HWND parent, const Child& c, HFONT font)
{
    HWND child = CreateWindowExA(c.ex_style, c.window_class, c.text, WS_CHILD | WS_VISIBLE | c.style, c.left,
                                 c.top, c.width, c.height, parent, nullptr, nullptr, nullptr);
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
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    dialog_font = CreateFontIndirectW(&metrics.lfMessageFont);
    LOGFONTW heading = metrics.lfMessageFont;
    heading.lfHeight = -22;
    HFONT heading_font = CreateFontIndirectW(&heading);

    WNDCLASSA window_class{};
    window_class.lpfnWndProc = WindowProc;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = background;
    window_class.lpszClassName = "KX418Bare";
    RegisterClassA(&window_class);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, 700, 523};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExA(0, "KX418Bare", "KX418 bare window", style, 16, 16, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    HWND tab = Make(window, Child{WC_TABCONTROLA, "", WS_TABSTOP, 0, 13, 11, 675, 377}, dialog_font);
    for (int page = 0; page < 9; ++page) {
        char label[] = "Fn0";
        label[2] = static_cast<char>('1' + page);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = label;
        SendMessageA(tab, TCM_INSERTITEMA, page, reinterpret_cast<LPARAM>(&item));
        HWND panel = CreateWindowExA(WS_EX_CONTROLPARENT, "KX418Bare", "", WS_CHILD | (page == 0 ? WS_VISIBLE : 0),
                                     15, 32, 671, 354, window, nullptr, nullptr, nullptr);
        Make(panel, Child{"STATIC", "Einschaltverzoegerung mit Reset", SS_LEFT, 0, 37, 12, 354, 28}, heading_font);
        Make(panel, Child{"BUTTON", "Einstellungen abschicken", BS_PUSHBUTTON | WS_TABSTOP, 0, 37, 312, 151, 26},
             dialog_font);
        for (int time = 0; time < PageTimes[static_cast<std::size_t>(page)]; ++time) {
            const int top = 61 + 29 * (time % 8), left = time < 8 ? 288 : 501;
            Make(panel, Child{"STATIC", "Zeit, Sek", SS_LEFT, 0, left - 100, top + 3, 95, 13}, dialog_font);
            Make(panel, Child{"EDIT", "0.0", Field, WS_EX_CLIENTEDGE, left + 9, top, 97, 21}, dialog_font);
            Make(panel, Child{UPDOWN_CLASSA, "", 0, 0, left, top, 9, 21}, dialog_font);
        }
    }
    for (const Child& c : MainControls) Make(window, c, dialog_font);
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

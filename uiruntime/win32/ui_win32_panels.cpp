// ui_win32_panels.cpp - panels as Win32 windows: the panel file carried as
// a resource, panel windows and their pages, showing, the panel window
// procedure, and the windows behind handles for test drivers.
#include "ui_win32_access.h"
#include "ui_win32_state.h"

#include <commctrl.h>

#include <string_view>

namespace {

// Panels paint their background beneath their controls (no
// WS_CLIPCHILDREN): a group box draws only its edge and caption.
constexpr DWORD TopLevelStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// A top-level panel's window is sized for its DPI once made (FitFrame); a
// page is made at its place at the DPI of the top-level panel `top`.
HWND NewPanelWindow(const UiPanelEntry& entry, const UiPanel& top, HWND parent)
{
    UiWin32Runtime& rt = Runtime();
    if (parent == nullptr)
        return CreateWindowExA(WS_EX_CONTROLPARENT, PanelWindowClass, entry.title.c_str(),
                               TopLevelStyle, 16, 16, entry.width, entry.height, nullptr, nullptr,
                               rt.instance, nullptr);
    const RECT place = PanelPlace(top, entry);
    // A page's window is named by its tab, as a screen reader reads it.
    return CreateWindowExA(WS_EX_CONTROLPARENT, PanelWindowClass, AccessibleName(entry).c_str(),
                           WS_CHILD | WS_CLIPSIBLINGS, place.left, place.top,
                           place.right - place.left, place.bottom - place.top, parent, nullptr,
                           rt.instance, nullptr);
}

UiControl* ControlOfWindow(UiPanel& panel, HWND window)
{
    for (UiControl& control : panel.controls)
        if (control.toolkit->window == window) return &control;
    return nullptr;
}

LRESULT OnCommand(UiPanel& panel, WPARAM wparam, LPARAM lparam)
{
    UiControl* control = ControlOfWindow(panel, reinterpret_cast<HWND>(lparam));
    if (control == nullptr) return 0;  // the dialog keys' IDOK and IDCANCEL, among others
    const int code = HIWORD(wparam);
    switch (control->entry->kind) {
    case UiControlKind::Command:
        if (code == BN_CLICKED) UiDeliverCommit(panel.handle, control->entry->number);
        break;
    case UiControlKind::Toggle:
        if (code == BN_CLICKED) {
            HWND button = control->toolkit->window;
            const bool on = SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
            SetWindowTextA(button,
                           (on ? control->entry->on_text : control->entry->off_text).c_str());
        }
        break;
    case UiControlKind::Numeric:
        if (code == EN_CHANGE)
            FilterField(*control);
        else if (code == EN_KILLFOCUS)
            CommitField(*control);
        break;
    default: break;
    }
    return 0;
}

LRESULT OnNotify(UiPanel& panel, const NMHDR& header)
{
    for (UiControl& control : panel.controls) {
        UiToolkitControl& part = *control.toolkit;
        if (header.hwndFrom == part.window && header.code == static_cast<UINT>(TCN_SELCHANGE)) {
            ShowPageInFront(control);
            return 0;
        }
        if (header.hwndFrom == part.arrows && header.code == static_cast<UINT>(UDN_DELTAPOS)) {
            const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
            CommitField(control);
            part.value = StepNumeric(*control.entry, part.value, change.iDelta);
            ShowValue(control);
            return 1;  // the arrows keep no position of their own
        }
    }
    return 0;
}

}  // namespace

LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    UiPanel* panel = PanelOfWindow(window);
    if (panel == nullptr) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_CLOSE: UiDeliverClose(panel->handle); return 0;  // the panel callback decides
    case WM_COMMAND: return OnCommand(*panel, wparam, lparam);
    case WM_NOTIFY: return OnNotify(*panel, *reinterpret_cast<const NMHDR*>(lparam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(
            ColourControl(*panel, reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)));
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(window, &area);
        FillRect(reinterpret_cast<HDC>(wparam), &area, panel->toolkit->background.get());
        return 1;
    }
    case WM_DPICHANGED:
        if (panel->toolkit->owned) {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(window, nullptr, suggested.left, suggested.top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            LayOut(*panel, LOWORD(wparam));
        }
        return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

UiPanel* PanelOfWindow(HWND window)
{
    char name[32];
    if (GetClassNameA(window, name, sizeof name) == 0 || std::string_view(name) != PanelWindowClass)
        return nullptr;
    UiPanel* panel = UiFindPanel(static_cast<int>(GetWindowLongPtrA(window, GWLP_USERDATA)));
    return panel != nullptr && panel->toolkit && WindowOf(*panel) == window ? panel : nullptr;
}

// Panel files travel inside the program as resources of type UIRFILETYPE,
// named by their file name in upper case: here the program's own Windows
// resources.
std::optional<std::string> UiToolkit_ReadPanelFile(const std::string& name)
{
    HRSRC found = FindResourceA(nullptr, name.c_str(), UiPanelFileResourceType);
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

bool UiToolkit_MakePanel(UiPanel& panel, UiPanel& top, UiControl* tab, std::string& error)
{
    const UiPanelEntry& entry = *panel.entry;
    panel.toolkit = std::make_shared<UiToolkitPanel>();
    UiToolkitPanel& part = *panel.toolkit;
    // A page's window is a child of its top-level panel's window.
    part.window = NewPanelWindow(entry, top, tab == nullptr ? nullptr : WindowOf(top));
    if (part.window == nullptr) {
        error = entry.constant + ": its window cannot be made";
        return false;
    }
    if (tab == nullptr) {
        part.owned.reset(part.window);
        FitFrame(panel, 0);
    }
    SetWindowLongPtrA(part.window, GWLP_USERDATA, panel.handle);
    part.background.reset(CreateSolidBrush(Colour(entry.colour)));
    return true;
}

void UiToolkit_AddPages(UiControl& tab)
{
    HWND tabs = tab.toolkit->window;
    for (std::size_t i = 0; i < tab.page_handles.size(); ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        std::string label = UiFindPanel(tab.page_handles[i])->entry->tab_label;
        item.pszText = label.data();
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    // The pages lie above their tab control, which only draws around them.
    SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(tabs, TCM_SETCURSEL, 0, 0);
    ShowPageInFront(tab);
}

void UiToolkit_Show(UiPanel& top)
{
    HWND window = WindowOf(top);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetForegroundWindow(window);
}

void UiToolkit_Focus(UiControl& control)
{
    if (control.toolkit->window != nullptr) SetFocus(control.toolkit->window);
}

UiShown UiToolkit_Shown(const UiPanel& top)
{
    HWND window = WindowOf(top);
    if (!top.toolkit->owned || !IsWindowVisible(window)) return UiShown::No;
    return GetActiveWindow() == window ? UiShown::Active : UiShown::Yes;
}

HWND UiWin32_PanelWindow(int panel)
{
    UiPanel* p = UiFindPanel(panel);
    return p == nullptr ? nullptr : WindowOf(*p);
}

HWND UiWin32_ControlWindow(int panel, int control)
{
    const UiControl* c = UiFindControl(panel, control);
    return c == nullptr ? nullptr : c->toolkit->window;
}

HWND UiWin32_ControlArrows(int panel, int control)
{
    const UiControl* c = UiFindControl(panel, control);
    return c == nullptr ? nullptr : c->toolkit->arrows;
}

HWND UiWin32_ControlLabel(int panel, int control)
{
    const UiControl* c = UiFindControl(panel, control);
    return c == nullptr ? nullptr : c->toolkit->label;
}

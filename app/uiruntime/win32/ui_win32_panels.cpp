// ui_win32_panels.cpp - loading panels from the panel file carried as a
// resource, their handles and windows, the panel window procedure, and the
// delivery of events to callbacks.
#include "ui_win32_access.h"
#include "ui_win32_state.h"

#include <commctrl.h>

#include <string_view>

namespace {

// Panel files travel inside the program as resources of type UIRFILETYPE,
// named by their file name in upper case: here the program's own Windows
// resources.
std::optional<std::string> ReadPanelFileResource(const std::string& name)
{
    HRSRC found = FindResourceA(nullptr, name.c_str(), UiPanelFileResourceType);
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

void ForgetPanel(int handle)
{
    UiWin32Runtime& rt = Runtime();
    const auto it = rt.panels.find(handle);
    if (it == rt.panels.end()) return;
    for (UiWin32Control& control : it->second->controls)
        for (int page : control.page_handles) ForgetPanel(page);
    // The record leaves the table first, so the window's last messages find
    // no panel; the window goes before the fonts and brushes it uses.
    std::unique_ptr<UiWin32Panel> panel = std::move(it->second);
    rt.panels.erase(it);
    panel->owned.reset();
}

// Panels paint their background beneath their controls (no
// WS_CLIPCHILDREN): a group box draws only its edge and caption.
constexpr DWORD TopLevelStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// A top-level panel's window is sized for its DPI once made (FitFrame); a
// page is made at its place at the DPI of the top-level panel `top`.
HWND NewPanelWindow(const UiPanelEntry& entry, const UiWin32Panel& top, HWND parent)
{
    UiWin32Runtime& rt = Runtime();
    if (parent == nullptr)
        return CreateWindowExA(WS_EX_CONTROLPARENT, PanelWindowClass, entry.title.c_str(), TopLevelStyle,
                               16, 16, entry.width, entry.height, nullptr, nullptr, rt.instance, nullptr);
    const RECT place = PanelPlace(top, entry);
    return CreateWindowExA(WS_EX_CONTROLPARENT, PanelWindowClass, entry.constant.c_str(),
                           WS_CHILD | WS_CLIPSIBLINGS, place.left, place.top, place.right - place.left,
                           place.bottom - place.top, parent, nullptr, rt.instance, nullptr);
}

// Loads one panel of the file, and, for each of its tab controls, the pages
// that the file gives it. `parent` is null for a top-level panel.
int BuildPanel(const std::shared_ptr<const UiPanelFile>& file, const UiPanelEntry& entry, int top_level,
               HWND parent, std::string& error)
{
    UiWin32Runtime& rt = Runtime();
    auto panel = std::make_unique<UiWin32Panel>();
    panel->handle = rt.next_handle++;
    panel->top_level = top_level != 0 ? top_level : panel->handle;
    panel->entry = &entry;
    panel->file = file;
    UiWin32Panel& p = *panel;
    rt.panels.emplace(p.handle, std::move(panel));

    UiWin32Panel& top = top_level != 0 ? *FindPanelByHandle(top_level) : p;
    p.window = NewPanelWindow(entry, top, parent);
    if (p.window == nullptr) {
        error = entry.constant + ": its window cannot be made";
        return UI_ERR_PANEL_FILE;
    }
    if (parent == nullptr) {
        p.owned.reset(p.window);
        FitFrame(p, 0);
    }
    SetWindowLongPtrA(p.window, GWLP_USERDATA, p.handle);
    p.background.reset(CreateSolidBrush(RGB((entry.colour >> 16) & 0xFF, (entry.colour >> 8) & 0xFF,
                                            entry.colour & 0xFF)));

    std::vector<CtrlCallbackPtr> callbacks;
    if (!BuildControls(top, p, error) || !BindCallbacks(entry, p.callback, callbacks, error)) return UI_ERR_PANEL_FILE;
    for (std::size_t i = 0; i < p.controls.size(); ++i) p.controls[i].callback = callbacks[i];

    HWND holder = parent == nullptr ? p.window : parent;
    for (UiWin32Control& control : p.controls) {
        if (control.entry->kind != UiControlKind::Tab) continue;
        for (const UiPanelEntry* page_entry : PagesOf(*file, entry.constant, control.entry->constant)) {
            const int page = BuildPanel(file, *page_entry, p.top_level, holder, error);
            if (page < 0) return page;
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            std::string label = page_entry->tab_label;
            item.pszText = label.data();
            SendMessageA(control.window, TCM_INSERTITEMA, control.page_handles.size(),
                         reinterpret_cast<LPARAM>(&item));
            control.page_handles.push_back(page);
        }
        // The pages lie above their tab control, which only draws around them.
        SetWindowPos(control.window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SendMessageA(control.window, TCM_SETCURSEL, 0, 0);
        ShowPageInFront(control);
    }
    return p.handle;
}

UiWin32Control* ControlOfWindow(UiWin32Panel& panel, HWND window)
{
    for (UiWin32Control& control : panel.controls)
        if (control.window == window) return &control;
    return nullptr;
}

LRESULT OnCommand(UiWin32Panel& panel, WPARAM wparam, LPARAM lparam)
{
    UiWin32Control* control = ControlOfWindow(panel, reinterpret_cast<HWND>(lparam));
    if (control == nullptr) return 0;  // the dialog keys' IDOK and IDCANCEL, among others
    const int code = HIWORD(wparam);
    switch (control->entry->kind) {
    case UiControlKind::Command:
        if (code == BN_CLICKED) DeliverCommit(panel.handle, control->entry->number);
        break;
    case UiControlKind::Toggle:
        if (code == BN_CLICKED) {
            const bool on = SendMessageA(control->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
            SetWindowTextA(control->window, (on ? control->entry->on_text : control->entry->off_text).c_str());
        }
        break;
    case UiControlKind::Numeric:
        if (code == EN_CHANGE) FilterField(*control);
        else if (code == EN_KILLFOCUS) CommitField(*control);
        break;
    default: break;
    }
    return 0;
}

LRESULT OnNotify(UiWin32Panel& panel, const NMHDR& header)
{
    for (UiWin32Control& control : panel.controls) {
        if (header.hwndFrom == control.window && header.code == static_cast<UINT>(TCN_SELCHANGE)) {
            ShowPageInFront(control);
            return 0;
        }
        if (header.hwndFrom == control.arrows && header.code == static_cast<UINT>(UDN_DELTAPOS)) {
            const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
            CommitField(control);
            control.value = StepNumeric(*control.entry, control.value, change.iDelta);
            ShowValue(control);
            return 1;  // the arrows keep no position of their own
        }
    }
    return 0;
}

}  // namespace

LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    UiWin32Panel* panel = PanelOfWindow(window);
    if (panel == nullptr) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_CLOSE: DeliverClose(panel->handle); return 0;  // the panel callback decides
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
        FillRect(reinterpret_cast<HDC>(wparam), &area, panel->background.get());
        return 1;
    }
    case WM_DPICHANGED:
        if (panel->owned) {
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

UiWin32Panel* FindPanelByHandle(int handle)
{
    return FindPanelIn(Runtime().panels, handle);
}

UiWin32Panel* PanelOfWindow(HWND window)
{
    char name[32];
    if (GetClassNameA(window, name, sizeof name) == 0 || std::string_view(name) != PanelWindowClass)
        return nullptr;
    UiWin32Panel* panel = FindPanelByHandle(static_cast<int>(GetWindowLongPtrA(window, GWLP_USERDATA)));
    return panel != nullptr && panel->window == window ? panel : nullptr;
}

int ResolveControl(const char* operation, int panel, int control, UiWin32Control*& out)
{
    return ResolveControlIn(Runtime().panels, operation, panel, control, out);
}

int LoadPanel(int parentPanel, const char* fileName, int panelNumber)
{
    UiWin32Runtime& rt = Runtime();
    std::shared_ptr<const UiPanelFile> file;
    const UiPanelEntry* entry = nullptr;
    if (const int rc = FindTopLevelPanelIn(rt.started, rt.files, ReadPanelFileResource, parentPanel,
                                           fileName, panelNumber, file, entry);
        rc < 0)
        return rc;
    std::string error;
    const int first_handle = rt.next_handle;
    const int handle = BuildPanel(file, *entry, 0, nullptr, error);
    if (handle < 0) {
        // Nothing of a failed load stays: the first record owns the window.
        ForgetPanel(first_handle);
        rt.panels.erase(rt.panels.lower_bound(first_handle), rt.panels.end());
        return Refuse(handle, "LoadPanel: " + error);
    }
    return handle;
}

int DisplayPanel(int panel)
{
    UiWin32Panel* p = nullptr;
    if (const int rc = ResolveTopLevelIn(Runtime().panels, "DisplayPanel", panel, p); rc < 0) return rc;
    ShowWindow(p->window, SW_SHOWNORMAL);
    UpdateWindow(p->window);
    SetForegroundWindow(p->window);
    return 0;
}

int DiscardPanel(int panel)
{
    UiWin32Panel* p = nullptr;
    if (const int rc = ResolveTopLevelIn(Runtime().panels, "DiscardPanel", panel, p); rc < 0) return rc;
    ForgetPanel(panel);
    return 0;
}

int GetPanelHandleFromTabPage(int panel, int control, int index, int* pageHandle)
{
    return PageHandleIn(Runtime().panels, panel, control, index, pageHandle);
}

void DeliverCommit(int panel, int control)
{
    DeliverCommitIn(Runtime().panels, panel, control);
}

void DeliverClose(int panel)
{
    DeliverCloseIn(Runtime().panels, panel);
}

HWND UiWin32_PanelWindow(int panel)
{
    UiWin32Panel* p = FindPanelByHandle(panel);
    return p == nullptr ? nullptr : p->window;
}

namespace {

const UiWin32Control* FindControl(int panel, int control)
{
    UiWin32Panel* p = FindPanelByHandle(panel);
    const std::size_t index = static_cast<std::size_t>(control - 2);
    return p == nullptr || index >= p->controls.size() ? nullptr : &p->controls[index];
}

}  // namespace

HWND UiWin32_ControlWindow(int panel, int control)
{
    const UiWin32Control* c = FindControl(panel, control);
    return c == nullptr ? nullptr : c->window;
}

HWND UiWin32_ControlArrows(int panel, int control)
{
    const UiWin32Control* c = FindControl(panel, control);
    return c == nullptr ? nullptr : c->arrows;
}

HWND UiWin32_ControlLabel(int panel, int control)
{
    const UiWin32Control* c = FindControl(panel, control);
    return c == nullptr ? nullptr : c->label;
}

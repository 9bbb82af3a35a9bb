// ui_skeleton.cpp - the runtime's functions written once over the
// toolkit's primitives (ui_toolkit.h): the table of loaded panels by
// handle, loading, showing and discarding panels, look-ups, value access
// with its refusals, message boxes, the event loops and the observers.
#include "ui_callbacks.h"
#include "ui_refusal.h"
#include "ui_test_hooks.h"
#include "ui_toolkit.h"
#include "ui_values.h"

#include <functional>
#include <map>
#include <type_traits>
#include <utility>

namespace {

struct UiRuntime {
    bool started = false;
    int next_handle = 1;
    std::map<int, std::unique_ptr<UiPanel>> panels;
    std::map<std::string, std::shared_ptr<const UiPanelFile>> files;  // parsed once
    int loops = 0;  // running RunUserInterface loops
    std::function<void()> loop_observer;
    UiPopupObserver popup_observer;
};

UiRuntime& Ui()
{
    static UiRuntime runtime;
    return runtime;
}

// A panel file by its file name: from the files already read, else from the
// program's resource of that name; parsed and checked once, then kept. Null
// with the reason in `error`.
std::shared_ptr<const UiPanelFile> OpenPanelFile(const char* file_name, std::string& error)
{
    UiRuntime& rt = Ui();
    const std::string name = PanelFileResourceName(file_name);
    if (const auto it = rt.files.find(name); it != rt.files.end()) return it->second;
    const std::optional<std::string> text = UiToolkit_ReadPanelFile(name);
    if (!text) {
        error = "panel file not found in the program: " + std::string(file_name);
        return nullptr;
    }
    auto file = std::make_shared<UiPanelFile>();
    std::string why;
    if (!ParsePanelFile(*text, *file, why)) {
        error = std::string(file_name) + ": " + why;
        return nullptr;
    }
    rt.files.emplace(name, file);
    return file;
}

// Resolves a control; reports and returns a negative code when the panel or
// control is unknown.
int ResolveControl(const char* operation, int panel, int control, UiControl*& out)
{
    UiPanel* p = UiFindPanel(panel);
    if (p == nullptr)
        return Refuse(UI_ERR_BAD_HANDLE, std::string(operation) + ": no panel has the handle " +
                                             std::to_string(panel));
    const int index = control - 2;
    if (index < 0 || index >= static_cast<int>(p->controls.size()))
        return Refuse(UI_ERR_NO_SUCH_CONTROL, std::string(operation) + ": panel " +
                                                  p->entry->constant + " has no control number " +
                                                  std::to_string(control));
    out = &p->controls[static_cast<std::size_t>(index)];
    return 0;
}

// The top-level panel of a handle, for DisplayPanel and DiscardPanel;
// reports and returns the code for an unknown handle or a tab page.
int ResolveTopLevel(const char* operation, int panel, UiPanel*& out)
{
    UiPanel* p = UiFindPanel(panel);
    if (p == nullptr)
        return Refuse(UI_ERR_BAD_HANDLE, std::string(operation) + ": no panel has the handle " +
                                             std::to_string(panel));
    if (p->entry->is_page())
        return Refuse(UI_ERR_NOT_TOP_LEVEL,
                      std::string(operation) + ": " + p->entry->constant +
                          " is a tab page; its panel is shown and discarded whole");
    out = p;
    return 0;
}

// Pages' records first; the record leaves the table before it goes, so the
// last messages of its windows find no panel.
void ForgetPanel(int handle)
{
    UiRuntime& rt = Ui();
    const auto it = rt.panels.find(handle);
    if (it == rt.panels.end()) return;
    for (UiControl& control : it->second->controls)
        for (int page : control.page_handles) ForgetPanel(page);
    std::unique_ptr<UiPanel> panel = std::move(it->second);
    rt.panels.erase(it);
}

bool BindCallbacks(UiPanel& panel, std::string& error)
{
    std::vector<CtrlCallbackPtr> callbacks;
    if (!BindCallbacks(*panel.entry, panel.callback, callbacks, error)) return false;
    for (std::size_t i = 0; i < panel.controls.size(); ++i)
        panel.controls[i].callback = callbacks[i];
    return true;
}

// Loads one panel of the file, and, for each of its tab controls, the pages
// that the file gives it. `top` and `tab` are null for a top-level panel.
int BuildPanel(const std::shared_ptr<const UiPanelFile>& file, const UiPanelEntry& entry,
               UiPanel* top, UiControl* tab, std::string& error)
{
    UiRuntime& rt = Ui();
    auto panel = std::make_unique<UiPanel>();
    panel->handle = rt.next_handle++;
    panel->top_level = top != nullptr ? top->handle : panel->handle;
    panel->entry = &entry;
    panel->file = file;
    panel->controls.resize(entry.controls.size());
    for (std::size_t i = 0; i < entry.controls.size(); ++i)
        panel->controls[i].entry = &entry.controls[i];
    UiPanel& p = *panel;
    rt.panels.emplace(p.handle, std::move(panel));

    UiPanel& t = top != nullptr ? *top : p;
    if (!UiToolkit_MakePanel(p, t, tab, error) || !UiToolkit_BuildControls(t, p, error) ||
        !BindCallbacks(p, error))
        return UI_ERR_PANEL_FILE;
    for (UiControl& control : p.controls) {
        if (control.entry->kind != UiControlKind::Tab) continue;
        for (const UiPanelEntry* page_entry :
             PagesOf(*file, entry.constant, control.entry->constant)) {
            const int page = BuildPanel(file, *page_entry, &t, &control, error);
            if (page < 0) return page;
            control.page_handles.push_back(page);
        }
        UiToolkit_AddPages(control);
    }
    return p.handle;
}

std::string Where(const char* operation, const UiControl& c)
{
    return std::string(operation) + "(" + c.entry->constant + ")";
}

}  // namespace

UiPanel* UiFindPanel(int handle)
{
    const auto& panels = Ui().panels;
    const auto it = panels.find(handle);
    return it == panels.end() ? nullptr : it->second.get();
}

UiControl* UiFindControl(int panel, int control)
{
    UiPanel* p = UiFindPanel(panel);
    const std::size_t index = static_cast<std::size_t>(control - 2);
    return p == nullptr || index >= p->controls.size() ? nullptr : &p->controls[index];
}

void UiDeliverCommit(int panel, int control)
{
    const UiControl* c = UiFindControl(panel, control);
    if (c != nullptr && c->callback != nullptr)
        c->callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
}

std::vector<UiControl*> UiFocusOrder(UiPanel& panel)
{
    std::vector<UiControl*> order;
    for (const int number : TabOrder(*panel.entry))
        order.push_back(&panel.controls.at(static_cast<std::size_t>(number - 2)));
    return order;
}

std::vector<UiControl*> UiWindowFocusOrder(UiPanel& top)
{
    std::vector<UiControl*> order;
    for (UiControl* control : UiFocusOrder(top)) {
        order.push_back(control);
        for (const int handle : control->page_handles)
            if (UiPanel* page = UiFindPanel(handle)) {
                const std::vector<UiControl*> on_page = UiFocusOrder(*page);
                order.insert(order.end(), on_page.begin(), on_page.end());
            }
    }
    return order;
}

bool UiPageKey(UiPanel& top, UiKey key, UiKeyModifiers modifiers)
{
    const int step = PageStep(key, modifiers);
    if (step == 0) return false;
    for (UiControl& c : top.controls) {
        if (c.entry->kind != UiControlKind::Tab || c.page_handles.empty()) continue;
        const int count = static_cast<int>(c.page_handles.size());
        const int current = static_cast<int>(UiToolkit_Value(c));
        UiToolkit_SetValue(c, SteppedPage(current, count, step));
        return true;
    }
    return false;
}

void UiDeliverClose(int panel)
{
    const UiPanel* p = UiFindPanel(panel);
    if (p != nullptr && p->callback != nullptr) p->callback(panel, EVENT_CLOSE, nullptr, 0, 0);
}

int InitCVIRTEEx(void* moduleHandle, char* argv[], void* /*reserved*/)
{
    UiRuntime& rt = Ui();
    if (rt.started) return 1;
    if (!UiToolkit_Start(moduleHandle, argv)) return 0;
    rt.started = true;
    return 1;
}

int LoadPanel(int parentPanel, const char* fileName, int panelNumber)
{
    UiRuntime& rt = Ui();
    if (!rt.started) return Refuse(UI_ERR_NOT_STARTED, "LoadPanel before InitCVIRTEEx");
    if (parentPanel != 0)
        return Refuse(UI_ERR_NOT_TOP_LEVEL,
                      "LoadPanel: only top-level panels (parent 0) are loaded");
    if (fileName == nullptr) return Refuse(UI_ERR_PANEL_FILE, "LoadPanel: no file name");
    std::string error;
    const std::shared_ptr<const UiPanelFile> file = OpenPanelFile(fileName, error);
    if (!file) return Refuse(UI_ERR_PANEL_FILE, "LoadPanel: " + error);
    const UiPanelEntry* entry = FindPanel(*file, panelNumber);
    if (entry == nullptr || entry->is_page())
        return Refuse(UI_ERR_NO_SUCH_PANEL, "LoadPanel: " + std::string(fileName) +
                                                " has no top-level panel number " +
                                                std::to_string(panelNumber));
    const int first_handle = rt.next_handle;
    const int handle = BuildPanel(file, *entry, nullptr, nullptr, error);
    if (handle < 0) {
        // Nothing of a failed load stays: its records hold the handles from
        // first_handle on, the first of them owning the window.
        ForgetPanel(first_handle);
        rt.panels.erase(rt.panels.lower_bound(first_handle), rt.panels.end());
        return Refuse(handle, "LoadPanel: " + error);
    }
    return handle;
}

int DisplayPanel(int panel)
{
    UiPanel* p = nullptr;
    if (const int rc = ResolveTopLevel("DisplayPanel", panel, p); rc < 0) return rc;
    UiToolkit_Show(*p);
    // A window shown has a control with the focus: the first one Tab
    // reaches.
    if (const std::vector<UiControl*> order = UiFocusOrder(*p); !order.empty())
        UiToolkit_Focus(*order.front());
    return 0;
}

int DiscardPanel(int panel)
{
    UiPanel* p = nullptr;
    if (const int rc = ResolveTopLevel("DiscardPanel", panel, p); rc < 0) return rc;
    ForgetPanel(panel);
    return 0;
}

int GetPanelHandleFromTabPage(int panel, int control, int index, int* pageHandle)
{
    const char* const operation = "GetPanelHandleFromTabPage";
    UiControl* c = nullptr;
    if (const int rc = ResolveControl(operation, panel, control, c); rc < 0) return rc;
    if (c->entry->kind != UiControlKind::Tab)
        return Refuse(UI_ERR_ATTRIBUTE,
                      std::string(operation) + ": " + c->entry->constant + " is not a tab control");
    if (index < 0 || index >= static_cast<int>(c->page_handles.size()))
        return Refuse(UI_ERR_OUT_OF_RANGE, std::string(operation) + ": " + c->entry->constant +
                                               " has no page " + std::to_string(index));
    if (pageHandle == nullptr)
        return Refuse(UI_ERR_VALUE_TYPE, std::string(operation) + ": no variable");
    *pageHandle = c->page_handles[static_cast<std::size_t>(index)];
    return 0;
}

namespace {

// Each control has one value type; a read or write in any other type is
// refused, so a variable is only ever written with a value of its own type.
template <typename T>
int GetControlValue(int panel, int control, int attribute, T* value)
{
    const char* const operation = "GetCtrlAttribute";
    UiControl* c = nullptr;
    if (const int rc = ResolveControl(operation, panel, control, c); rc < 0) return rc;
    if (const int rc = CheckValueAccess(operation, *c->entry, attribute, TypeOf<T>()); rc < 0)
        return rc;
    if (value == nullptr)
        return Refuse(UI_ERR_VALUE_TYPE, Where(operation, *c) + ": no variable given");
    *value = static_cast<T>(UiToolkit_Value(*c));
    return 0;
}

template <typename T>
int SetControlValue(int panel, int control, int attribute, T value)
{
    const char* const operation = "SetCtrlAttribute";
    UiControl* c = nullptr;
    if (const int rc = ResolveControl(operation, panel, control, c); rc < 0) return rc;
    const UiControlEntry& d = *c->entry;
    if (const int rc = CheckValueAccess(operation, d, attribute, TypeOf<T>()); rc < 0) return rc;
    const double v = static_cast<double>(value);
    switch (d.kind) {
    case UiControlKind::Numeric:
        // A numeric never holds a value outside its limits.
        if (const int rc = CheckWithinLimits(operation, d, v); rc < 0) return rc;
        break;
    case UiControlKind::Tab:
        if (v < 0 || v >= static_cast<double>(c->page_handles.size()))
            return Refuse(UI_ERR_OUT_OF_RANGE,
                          Where(operation, *c) + ": no page " + std::to_string(v));
        break;
    case UiControlKind::Indicator:
    case UiControlKind::Toggle: break;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration:
        return Refuse(UI_ERR_ATTRIBUTE,
                      Where(operation, *c) + ": the value of this control cannot be set");
    }
    UiToolkit_SetValue(*c, v);
    return 0;
}

}  // namespace

int GetCtrlAttribute(int panel, int control, int attribute, double* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int GetCtrlAttribute(int panel, int control, int attribute, std::int32_t* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int GetCtrlAttribute(int panel, int control, int attribute, std::uint8_t* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int GetCtrlAttribute(int panel, int control, int attribute, std::uint32_t* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, double value)
{
    return SetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, std::int32_t value)
{
    return SetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, std::uint8_t value)
{
    return SetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, std::uint32_t value)
{
    return SetControlValue(panel, control, attribute, value);
}

int MessagePopup(const char* title, const char* message)
{
    UiRuntime& rt = Ui();
    if (!rt.started) return Refuse(UI_ERR_NOT_STARTED, "MessagePopup before InitCVIRTEEx");
    // The box belongs to the active panel window, or else to the first shown
    // top-level panel.
    const UiPanel* owner = nullptr;
    for (const auto& [handle, panel] : rt.panels) {
        if (!panel->is_top_level()) continue;
        const UiShown shown = UiToolkit_Shown(*panel);
        if (shown == UiShown::Active) {
            owner = panel.get();
            break;
        }
        if (shown == UiShown::Yes && owner == nullptr) owner = panel.get();
    }
    UiToolkit_ShowBox(owner, title != nullptr ? title : "", message != nullptr ? message : "",
                      static_cast<bool>(rt.popup_observer));
    return 0;
}

bool UiBoxShown(const std::string& title, const std::string& message)
{
    const UiPopupObserver observer = Ui().popup_observer;  // may replace itself
    return observer && observer(title, message);
}

void UiTest_SetPopupObserver(UiPopupObserver observer)
{
    Ui().popup_observer = std::move(observer);
}

int RunUserInterface()
{
    UiRuntime& rt = Ui();
    if (!rt.started) return Refuse(UI_ERR_NOT_STARTED, "RunUserInterface before InitCVIRTEEx");
    ++rt.loops;
    const int code = UiToolkit_RunLoop(static_cast<bool>(rt.loop_observer));
    --rt.loops;
    return code;
}

int QuitUserInterface(int returnCode)
{
    if (Ui().loops == 0)
        return Refuse(UI_ERR_NOT_RUNNING, "QuitUserInterface without a running RunUserInterface");
    UiToolkit_QuitLoop(returnCode);
    return 0;
}

void UiLoopRunning()
{
    const auto observer = Ui().loop_observer;  // may replace itself
    if (observer) observer();
}

void UiTest_SetLoopObserver(std::function<void()> observer)
{
    Ui().loop_observer = std::move(observer);
}

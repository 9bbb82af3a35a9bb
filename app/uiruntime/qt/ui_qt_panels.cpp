// ui_qt_panels.cpp - loading panels from panel files, their handles, the
// binding of callback names, and the delivery of events to callbacks.
#include "ui_qt_access.h"
#include "ui_qt_state.h"

#include <QEvent>
#include <QFile>
#include <QStackedWidget>


namespace {

// Panel files travel inside the program as resources of type UIRFILETYPE,
// named by their file name in upper case (resource names ignore case):
// here Qt resources under that path.
std::optional<std::string> ReadPanelFileResource(const std::string& name)
{
    QFile resource(QStringLiteral(":/") + QString::fromLatin1(UiPanelFileResourceType) + u'/' + QString::fromStdString(name));
    if (!resource.open(QIODevice::ReadOnly)) return std::nullopt;
    return resource.readAll().toStdString();
}

bool BindCallbacks(UiQtPanel& panel, std::string& error)
{
    std::vector<CtrlCallbackPtr> callbacks;
    if (!BindCallbacks(*panel.entry, panel.callback, callbacks, error)) return false;
    for (std::size_t i = 0; i < panel.controls.size(); ++i) panel.controls[i].callback = callbacks[i];
    return true;
}

void ForgetPanel(int handle)
{
    UiQtRuntime& rt = Runtime();
    const auto it = rt.panels.find(handle);
    if (it == rt.panels.end()) return;
    for (UiQtControl& control : it->second->controls)
        for (int page : control.page_handles) ForgetPanel(page);
    rt.panels.erase(it);
}

// Loads one panel of the file, and, for each of its tab controls, the pages
// that the file gives it. `parent` is null for a top-level panel.
int BuildPanel(const std::shared_ptr<const UiPanelFile>& file, const UiPanelEntry& entry,
               int top_level, QWidget* parent_widget, std::string& error)
{
    UiQtRuntime& rt = Runtime();
    auto panel = std::make_unique<UiQtPanel>();
    panel->handle = rt.next_handle++;
    panel->top_level = top_level != 0 ? top_level : panel->handle;
    panel->entry = &entry;
    panel->file = file;
    if (parent_widget == nullptr) {
        panel->window.reset(NewPanelWidget(entry, nullptr));
        panel->widget = panel->window.get();
    } else {
        panel->widget = NewPanelWidget(entry, parent_widget);
    }
    UiQtPanel& p = *panel;
    rt.panels.emplace(p.handle, std::move(panel));

    BuildControls(p);
    if (!BindCallbacks(p, error)) return UI_ERR_PANEL_FILE;
    for (UiQtControl& control : p.controls) {
        if (control.entry->kind != UiControlKind::Tab) continue;
        for (const UiPanelEntry* page_entry : PagesOf(*file, entry.constant, control.entry->constant)) {
            const int page = BuildPanel(file, *page_entry, p.top_level, control.pages, error);
            if (page < 0) return page;
            AddPage(control, FindPanelByHandle(page)->widget, *page_entry);
            control.page_handles.push_back(page);
        }
    }
    if (parent_widget == nullptr) WatchCloseRequests(p);
    return p.handle;
}

}  // namespace

UiQtPanel* FindPanelByHandle(int handle)
{
    return FindPanelIn(Runtime().panels, handle);
}

int ResolveControl(const char* operation, int panel, int control, UiQtControl*& out)
{
    return ResolveControlIn(Runtime().panels, operation, panel, control, out);
}

int LoadPanel(int parentPanel, const char* fileName, int panelNumber)
{
    UiQtRuntime& rt = Runtime();
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
        // Nothing of a failed load stays: its records hold the handles
        // from first_handle on, the first of them owning the window.
        rt.panels.erase(rt.panels.lower_bound(first_handle), rt.panels.end());
        return Refuse(handle, "LoadPanel: " + error);
    }
    return handle;
}

int DisplayPanel(int panel)
{
    UiQtPanel* p = nullptr;
    if (const int rc = ResolveTopLevelIn(Runtime().panels, "DisplayPanel", panel, p); rc < 0) return rc;
    p->window->show();
    p->window->activateWindow();
    return 0;
}

int DiscardPanel(int panel)
{
    UiQtPanel* p = nullptr;
    if (const int rc = ResolveTopLevelIn(Runtime().panels, "DiscardPanel", panel, p); rc < 0) return rc;
    ForgetPanel(panel);  // pages' records first, then the window with all widgets
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

namespace {

class CloseRequestFilter final : public QObject {
public:
    CloseRequestFilter(int panel, QObject* parent) : QObject(parent), panel_(panel) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close) return QObject::eventFilter(watched, event);
        // The window stays: the panel callback decides what closing means.
        event->ignore();
        DeliverClose(panel_);
        return true;
    }

private:
    int panel_;
};

}  // namespace

void WatchCloseRequests(UiQtPanel& panel)
{
    // Parented to the window, so it goes with it.
    panel.widget->installEventFilter(new CloseRequestFilter(panel.handle, panel.widget));
}

QWidget* UiQt_PanelWidget(int panel)
{
    UiQtPanel* p = FindPanelByHandle(panel);
    return p == nullptr ? nullptr : p->widget;
}

QWidget* UiQt_ControlWidget(int panel, int control)
{
    UiQtPanel* p = FindPanelByHandle(panel);
    const std::size_t index = static_cast<std::size_t>(control - 2);
    if (p == nullptr || index >= p->controls.size()) return nullptr;
    return p->controls[index].widget;
}

QWidget* UiQt_ControlLabel(int panel, int control)
{
    UiQtPanel* p = FindPanelByHandle(panel);
    const std::size_t index = static_cast<std::size_t>(control - 2);
    if (p == nullptr || index >= p->controls.size()) return nullptr;
    return p->controls[index].label;
}

// ui_qt_panels.cpp - panels as Qt widgets: the panel file carried as a Qt
// resource, panel widgets and their pages, showing, close requests, and the
// widgets behind handles for test drivers.
#include "ui_qt_access.h"
#include "ui_qt_state.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QStackedWidget>
#include <QTabBar>

namespace {

class CloseRequestFilter final : public QObject {
public:
    CloseRequestFilter(int panel, QObject* parent) : QObject(parent), panel_(panel) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close) return QObject::eventFilter(watched, event);
        // The window stays: the panel callback decides what closing means.
        event->ignore();
        UiDeliverClose(panel_);
        return true;
    }

private:
    int panel_;
};

}  // namespace

// Panel files travel inside the program as resources of type UIRFILETYPE,
// named by their file name in upper case (resource names ignore case):
// here Qt resources under that path.
std::optional<std::string> UiToolkit_ReadPanelFile(const std::string& name)
{
    QFile resource(QStringLiteral(":/") + QString::fromLatin1(UiPanelFileResourceType) + u'/' +
                   QString::fromStdString(name));
    if (!resource.open(QIODevice::ReadOnly)) return std::nullopt;
    return resource.readAll().toStdString();
}

bool UiToolkit_MakePanel(UiPanel& panel, UiPanel& /*top*/, UiControl* tab, std::string& /*error*/)
{
    auto part = std::make_shared<UiToolkitPanel>();
    if (tab == nullptr) {
        part->window.reset(NewPanelWidget(*panel.entry, nullptr));
        part->widget = part->window.get();
        // Turns the window's close request into the panel callback's close
        // event and keeps the window open; parented to the window, so it
        // goes with it.
        part->widget->installEventFilter(new CloseRequestFilter(panel.handle, part->widget));
    } else {
        part->widget = NewPanelWidget(*panel.entry, tab->toolkit->pages);
    }
    panel.toolkit = std::move(part);
    return true;
}

void UiToolkit_AddPages(UiControl& tab)
{
    UiToolkitControl& t = *tab.toolkit;
    for (int handle : tab.page_handles) {
        const UiPanel& page = *UiFindPanel(handle);
        t.pages->addWidget(PanelWidget(page));
        t.tab_bar->addTab(QString::fromStdString(page.entry->tab_label));
    }
    t.tab_bar->setCurrentIndex(0);
    t.pages->setCurrentIndex(0);
}

void UiToolkit_Show(UiPanel& top)
{
    top.toolkit->window->show();
    top.toolkit->window->activateWindow();
}

void UiToolkit_Focus(UiControl& control)
{
    const UiToolkitControl& t = *control.toolkit;
    QWidget* widget = t.tab_bar != nullptr ? static_cast<QWidget*>(t.tab_bar) : t.widget;
    if (widget != nullptr) widget->setFocus(Qt::OtherFocusReason);
}

UiShown UiToolkit_Shown(const UiPanel& top)
{
    const QWidget* window = top.toolkit->window.get();
    if (window == nullptr || !window->isVisible()) return UiShown::No;
    return QApplication::activeWindow() == window ? UiShown::Active : UiShown::Yes;
}

QWidget* UiQt_PanelWidget(int panel)
{
    UiPanel* p = UiFindPanel(panel);
    return p == nullptr ? nullptr : PanelWidget(*p);
}

QWidget* UiQt_ControlWidget(int panel, int control)
{
    UiControl* c = UiFindControl(panel, control);
    return c == nullptr ? nullptr : c->toolkit->widget;
}

QWidget* UiQt_ControlLabel(int panel, int control)
{
    UiControl* c = UiFindControl(panel, control);
    return c == nullptr ? nullptr : c->toolkit->label;
}

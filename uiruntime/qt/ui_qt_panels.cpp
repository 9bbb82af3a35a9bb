// ui_qt_panels.cpp - panels as Qt widgets: the panel file carried as a Qt
// resource, panel widgets and their pages, showing, close requests, and the
// widgets behind handles for test drivers.
#include "ui_qt_access.h"
#include "ui_qt_state.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QTabBar>

#include <vector>

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

UiKey KeyOf(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return UiKey::Tab;
    case Qt::Key_PageUp: return UiKey::PageUp;
    case Qt::Key_PageDown: return UiKey::PageDown;
    default: return UiKey::Other;
    }
}

// The keys that switch pages, taken from anywhere in the panel's window
// before the control with the keyboard sees them (a spin box would step
// on Ctrl+PageUp). Watches the application's events, parented to the
// window, so it goes with it.
class PageKeyFilter final : public QObject {
public:
    PageKeyFilter(int panel, QWidget* window) : QObject(window), panel_(panel), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != window_) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        UiKeyModifiers modifiers;
        modifiers.control = key->modifiers().testFlag(Qt::ControlModifier);
        // Qt gives Shift+Tab as Backtab.
        modifiers.shift =
            key->modifiers().testFlag(Qt::ShiftModifier) || key->key() == Qt::Key_Backtab;
        UiPanel* top = UiFindPanel(panel_);
        return top != nullptr && UiPageKey(*top, KeyOf(key->key()), modifiers);
    }

private:
    int panel_;
    QWidget* window_;
};

// Qt's Tab chain in the window's focus order (a tab control by its tabs;
// Qt passes over the widgets of the pages behind).
void ChainTabOrder(UiPanel& top)
{
    QWidget* previous = nullptr;
    for (UiControl* control : UiWindowFocusOrder(top)) {
        const UiToolkitControl& t = *control->toolkit;
        QWidget* widget = t.tab_bar != nullptr ? static_cast<QWidget*>(t.tab_bar) : t.widget;
        if (previous != nullptr) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

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
        QCoreApplication::instance()->installEventFilter(
            new PageKeyFilter(panel.handle, part->widget));
    } else {
        part->widget = NewPanelWidget(*panel.entry, tab->toolkit->pages);
    }
    part->widget->setAccessibleName(QString::fromStdString(AccessibleName(*panel.entry)));
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
    ChainTabOrder(top);
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

// ui_qt_state.h - the Qt toolkit's parts of the runtime's records and what
// its files share: the widgets behind a panel and a control, and the
// choice of the display platform.
#ifndef KX418_UIRUNTIME_QT_UI_QT_STATE_H
#define KX418_UIRUNTIME_QT_UI_QT_STATE_H

#include "../panel_file.h"
#include "../ui_numeric.h"
#include "../ui_refusal.h"
#include "ui_runtime.h"
#include "../ui_toolkit.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QStackedWidget;
class QTabBar;

struct UiToolkitControl {
    QWidget* widget = nullptr;        // owned by the panel's widget
    QWidget* label = nullptr;         // owned by the panel's widget
    QTabBar* tab_bar = nullptr;       // tab controls: the tabs ...
    QStackedWidget* pages = nullptr;  // ... and the page widgets
    std::uint32_t indicator_value = 0;
};

struct UiToolkitPanel {
    std::unique_ptr<QWidget> window;  // top-level panels own their window
    QWidget* widget = nullptr;        // the window or the page widget
};

// The widget of a panel, its window or its page widget.
inline QWidget* PanelWidget(const UiPanel& panel)
{
    return panel.toolkit->widget;
}

QWidget* NewPanelWidget(const UiPanelEntry& entry, QWidget* parent);

// The platform to show windows on, as Qt names it ("xcb", "wayland",
// "offscreen", with options after a colon), chosen before the application
// object is made: the one asked for (-platform, else QT_QPA_PLATFORM, with
// fall-backs after ';'), else a Wayland compositor, else an X server, the
// first that is installed and answers a connection. "" and why not (one
// line) when none can show a window.
std::string ChooseDisplayPlatform(char* argv[], std::string& why);
// Lets go of the connection that found the X server answering, once the
// application object has connected on its own.
void ReleaseDisplayProbe();

// Qt keeps its per-session files in the user's runtime folder and warns on
// standard error when XDG_RUNTIME_DIR names none it can use (owned by the
// user, mode 0700), as for root or in a session started without a login
// manager. Such a start gets a folder of its own under /tmp instead, made
// 0700; a Wayland socket named relative to the old folder keeps its path.
// Called with the platform chosen, before the application object is made.
void ProvideRuntimeFolder();

#endif

// ui_qt_state.h - the Qt runtime's own state, shared by its files: the
// application object, the loaded panels by handle, the running event
// loops, and the one way refusals are reported.
#ifndef KX418_UIRUNTIME_QT_UI_QT_STATE_H
#define KX418_UIRUNTIME_QT_UI_QT_STATE_H

#include "../panel_file.h"
#include "../ui_panel_table.h"
#include "../ui_rules.h"
#include "../ui_runtime.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QStackedWidget;
class QTabBar;

struct UiQtControl {
    const UiControlEntry* entry = nullptr;
    QWidget* widget = nullptr;        // owned by the panel's widget
    QWidget* label = nullptr;         // owned by the panel's widget
    QTabBar* tab_bar = nullptr;       // tab controls: the tabs ...
    QStackedWidget* pages = nullptr;  // ... and the page widgets
    std::vector<int> page_handles;    // tab controls: by page index
    std::uint32_t indicator_value = 0;
    CtrlCallbackPtr callback = nullptr;
};

struct UiQtPanel {
    int handle = 0;
    int top_level = 0;  // the top-level panel's handle: its own, or its holder's for a page
    const UiPanelEntry* entry = nullptr;
    std::shared_ptr<const UiPanelFile> file;  // keeps entry alive
    std::unique_ptr<QWidget> window;          // top-level panels own their window
    QWidget* widget = nullptr;                // the window or the page widget
    PanelCallbackPtr callback = nullptr;
    std::vector<UiQtControl> controls;        // index: control number - 2
};

struct UiQtRuntime {
    bool started = false;
    int next_handle = 1;
    std::map<int, std::unique_ptr<UiQtPanel>> panels;
    std::map<std::string, std::shared_ptr<const UiPanelFile>> files;  // parsed once
    std::vector<QEventLoop*> loops;  // running RunUserInterface loops, innermost last
    std::function<void()> loop_observer;
    std::function<bool(const std::string&, const std::string&)> popup_observer;
};

UiQtRuntime& Runtime();

// Resolves a handle; null when unknown.
UiQtPanel* FindPanelByHandle(int handle);

// Resolves a control; reports and returns a negative code when the panel or
// control is unknown.
int ResolveControl(const char* operation, int panel, int control, UiQtControl*& out);

// Builds the widgets of a panel's controls onto panel.widget, in control
// order (later controls lie above earlier ones, decorations beneath all;
// texts, labels and decorations let input through). Tab controls get their
// tabs and an empty page stack; AddPage fills it. Returns false and says
// why when a control cannot be built.
bool BuildControls(UiQtPanel& panel, std::string& error);
QWidget* NewPanelWidget(const UiPanelEntry& entry, QWidget* parent);
void AddPage(UiQtControl& tab, QWidget* page, const UiPanelEntry& page_entry);

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

// Installed on every top-level window: turns the window's close request
// into the panel callback's close event and keeps the window open.
void WatchCloseRequests(UiQtPanel& panel);

// Event delivery to the bound callbacks, looked up at delivery time so a
// discarded panel receives nothing.
void DeliverCommit(int panel, int control);
void DeliverClose(int panel);

#endif

// ui_toolkit.h - the runtime's skeleton (ui_skeleton.cpp) and what a
// toolkit gives it.
//
// The skeleton keeps the records of the loaded panels and their controls,
// loads, shows and discards panels, looks handles and controls up, checks
// and refuses value access, owns the observers, picks a message box's owner
// window and runs the event loops' bookkeeping. A toolkit (qt/, win32/)
// implements the UiToolkit_ primitives below and nothing more: each record
// carries a part only its toolkit knows (its windows or widgets), made by
// the toolkit and destroyed with the record.
#ifndef KX418_UIRUNTIME_UI_TOOLKIT_H
#define KX418_UIRUNTIME_UI_TOOLKIT_H

#include "panel_file.h"
#include "ui_access.h"
#include "ui_runtime.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// Defined by the toolkit.
struct UiToolkitPanel;
struct UiToolkitControl;

struct UiControl {
    const UiControlEntry* entry = nullptr;
    std::vector<int> page_handles;  // tab controls: by page index
    CtrlCallbackPtr callback = nullptr;
    // The toolkit's part (its type known to the toolkit alone, hence a
    // shared pointer, which destroys what it was made with).
    std::shared_ptr<UiToolkitControl> toolkit;
};

struct UiPanel {
    int handle = 0;
    int top_level = 0;  // the top-level panel's handle: its own, or its holder's for a page
    const UiPanelEntry* entry = nullptr;
    std::shared_ptr<const UiPanelFile> file;  // keeps entry alive
    PanelCallbackPtr callback = nullptr;
    std::vector<UiControl> controls;  // index: control number - 2
    // The toolkit's part: a top-level panel's owns its window. Declared
    // last, so it goes first, before the controls' parts.
    std::shared_ptr<UiToolkitPanel> toolkit;

    bool is_top_level() const { return handle == top_level; }
};

// ---- given by the skeleton to its toolkit ----------------------------------

// The panel of a handle, or null.
UiPanel* UiFindPanel(int handle);

// The control of a panel, or null; no refusal reported.
UiControl* UiFindControl(int panel, int control);

// Event delivery to the bound callbacks, looked up at delivery time so a
// discarded panel receives nothing.
void UiDeliverCommit(int panel, int control);
void UiDeliverClose(int panel);

// Called by the toolkit once the message box it shows for an observed
// MessagePopup is up: true when the observer has the box dismissed through
// its OK button.
bool UiBoxShown(const std::string& title, const std::string& message);

// Called by the toolkit once an observed RunUserInterface has its loop
// running, before any user event.
void UiLoopRunning();

// The controls of `panel` that take the focus, in the order Tab moves
// through them (ui_access.h: TabOrder). A toolkit chains them in this
// order; a tab control's pages follow it, each in its own order.
std::vector<UiControl*> UiFocusOrder(UiPanel& panel);

// The order Tab moves in through the whole window of the top-level panel
// `top`: its focus order with each tab control's pages right after the
// tab control, in page order, each page in its own order. A toolkit
// passes over the controls of the pages behind, which are not shown.
std::vector<UiControl*> UiWindowFocusOrder(UiPanel& top);

// A key pressed anywhere in the window of the top-level panel `top`: when
// it switches pages (ui_access.h: PageStep), brings the next or previous
// page of the panel's tab control to the front, as a click on its tab
// does, and returns true; false for every other key, which the toolkit
// then handles as it would.
bool UiPageKey(UiPanel& top, UiKey key, UiKeyModifiers modifiers);

// ---- the primitives each toolkit implements --------------------------------

// Starts the toolkit (InitCVIRTEEx's work): false, reported by the toolkit
// where it says why, when no window can be shown.
bool UiToolkit_Start(void* moduleHandle, char* argv[]);

// The text of the program's panel-file resource of that name, or nothing.
std::optional<std::string> UiToolkit_ReadPanelFile(const std::string& name);

// Makes the panel's own part and its window: a top-level window when
// `panel` is `top` (tab null), else a page on the tab control `tab` of a
// panel within `top`. False and why when it cannot be made.
bool UiToolkit_MakePanel(UiPanel& panel, UiPanel& top, UiControl* tab, std::string& error);

// Builds every control of `panel` (a panel within `top`) at its place, in
// the toolkit's order of stacking: each control's part and windows. False
// and why when one cannot be made.
bool UiToolkit_BuildControls(UiPanel& top, UiPanel& panel, std::string& error);

// Gives a tab control its pages, made and built (tab.page_handles, in
// page order), as its tabs; the first is in front.
void UiToolkit_AddPages(UiControl& tab);

// Shows a top-level panel's window and makes it active.
void UiToolkit_Show(UiPanel& top);

// Gives a control the keyboard focus, visibly (DisplayPanel gives it to
// the first control of the window's focus order).
void UiToolkit_Focus(UiControl& control);

// Whether a top-level panel's window is shown, and whether it is active.
enum class UiShown { No, Yes, Active };
UiShown UiToolkit_Shown(const UiPanel& top);

// A control's value, as a number, and a new value for it. Called only for
// controls that hold one, with a value the skeleton has checked (a
// numeric's within its limits, a tab control's a page index).
double UiToolkit_Value(UiControl& control);
void UiToolkit_SetValue(UiControl& control, double value);

// Shows a modal message box with an OK button, owned by the window of
// `owner` (or none), and returns once it is dismissed. When `observed`,
// calls UiBoxShown once the box is up.
void UiToolkit_ShowBox(const UiPanel* owner, const std::string& title, const std::string& message,
                       bool observed);

// Runs an event loop until UiToolkit_QuitLoop ends it; returns the code
// given. When `observed`, calls UiLoopRunning once the loop runs. Loops
// nest: the innermost one ends first.
int UiToolkit_RunLoop(bool observed);
void UiToolkit_QuitLoop(int returnCode);

#endif

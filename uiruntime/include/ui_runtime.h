// ui_runtime.h - the panel-based user-interface runtime the program uses.
//
// Panels come from a panel file carried inside the program; every panel
// and every tab page has a handle of its own, and a control is addressed by
// the handle of the panel that holds it and its control number. Loading a
// panel binds the callback names of the panel file to program functions
// through the program's callback table (UiProgramCallbacks, below).
//
// This header carries no toolkit type: the program includes it and nothing
// else of the runtime. These functions are written once (ui_skeleton.cpp)
// over a toolkit's primitives (ui_toolkit.h), which qt/ (Qt 6 Widgets) and
// win32/ (native Win32) implement.
//
// Results: 0 or more for success (a handle where one is returned), a
// negative UI_ERR_ code for failure. A wrong call (unknown handle, control
// or attribute, a value of the wrong type, a value outside a numeric's
// limits) is refused: nothing is written, the runtime reports it on the
// standard error stream and returns the code.
#ifndef KX418_UIRUNTIME_UI_RUNTIME_H
#define KX418_UIRUNTIME_UI_RUNTIME_H

#include <cstdint>
#include <span>

// Event codes passed to callbacks.
inline constexpr int EVENT_COMMIT = 1;  // a control was committed: a button pressed
inline constexpr int EVENT_CLOSE = 11;  // the user asked to close the panel's window

// Control attributes.
inline constexpr int ATTR_CTRL_VAL = 630;  // the control's value

// Failure codes.
inline constexpr int UI_ERR_NOT_STARTED = -1;      // InitCVIRTEEx has not succeeded
inline constexpr int UI_ERR_PANEL_FILE = -2;       // panel file not found or malformed
inline constexpr int UI_ERR_NO_SUCH_PANEL = -3;    // no panel of that number in the file
inline constexpr int UI_ERR_BAD_HANDLE = -4;       // not the handle of a loaded panel
inline constexpr int UI_ERR_NO_SUCH_CONTROL = -5;  // no control of that number in the panel
inline constexpr int UI_ERR_ATTRIBUTE = -6;        // attribute not known for the control
inline constexpr int UI_ERR_VALUE_TYPE =
    -7;  // variable or value of another type than the control's
inline constexpr int UI_ERR_OUT_OF_RANGE = -8;   // value outside the control's limits
inline constexpr int UI_ERR_NOT_TOP_LEVEL = -9;  // operation needs a top-level panel
inline constexpr int UI_ERR_NOT_RUNNING = -10;   // no event loop is running

using PanelCallbackPtr = int (*)(int panel, int event, void* callbackData, int eventData1,
                                 int eventData2);
using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);

// One entry of the program's callback table: a name as the panel file
// spells it, bound to a panel callback or to a control callback.
struct UiCallbackBinding {
    const char* name;
    PanelCallbackPtr panel_callback;
    CtrlCallbackPtr control_callback;

    constexpr UiCallbackBinding(const char* n, PanelCallbackPtr f)
        : name(n), panel_callback(f), control_callback(nullptr)
    {}
    constexpr UiCallbackBinding(const char* n, CtrlCallbackPtr f)
        : name(n), panel_callback(nullptr), control_callback(f)
    {}
};

// Binds a program function under its own name: UI_CALLBACK(Quit).
#define UI_CALLBACK(function) UiCallbackBinding(#function, function)

// Defined by the program: every function that a panel file may name. A name
// in the panel file that the table lacks is bound to nothing, and its
// events are dropped; a table entry of the wrong callback kind for its
// place (a control callback on a panel) is refused at loading.
std::span<const UiCallbackBinding> UiProgramCallbacks();

// Starts the runtime; argv is main's argument vector (null-terminated).
// Returns 1 on success, 0 on failure (no display to show panels on).
int InitCVIRTEEx(void* moduleHandle, char* argv[], void* reserved);

// Builds panel number `panelNumber` of the panel file `fileName` with its
// tab pages and controls, binds their callbacks, and returns its handle.
// parentPanel is 0: top-level panels only. The panel is not shown yet.
int LoadPanel(int parentPanel, const char* fileName, int panelNumber);

// Shows a loaded top-level panel.
int DisplayPanel(int panel);

// Destroys a top-level panel with its pages and controls; their handles
// become invalid.
int DiscardPanel(int panel);

// Delivers user events to the callbacks, one at a time, until
// QuitUserInterface is called; returns the code given to it.
int RunUserInterface();

// Makes the running RunUserInterface return `returnCode`.
int QuitUserInterface(int returnCode);

// The handle of page `index` of tab control `control` on `panel`.
int GetPanelHandleFromTabPage(int panel, int control, int index, int* pageHandle);

// Value access. ATTR_CTRL_VAL in the control's own value type only: page
// times are double, tab index, buttons and toggles int32, converter inputs
// uint8, the converter result uint32. Any other type is refused.
int GetCtrlAttribute(int panel, int control, int attribute, double* value);
int GetCtrlAttribute(int panel, int control, int attribute, std::int32_t* value);
int GetCtrlAttribute(int panel, int control, int attribute, std::uint8_t* value);
int GetCtrlAttribute(int panel, int control, int attribute, std::uint32_t* value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, std::int32_t value);
int SetCtrlAttribute(int panel, int control, int attribute, std::uint8_t value);
int SetCtrlAttribute(int panel, int control, int attribute, std::uint32_t value);

// Shows a modal message box with a title, a message and an OK button, and
// returns when the user has dismissed it.
int MessagePopup(const char* title, const char* message);

#endif

// ui_win32_access.h - the Win32 windows behind panel handles, for test
// drivers and benchmarks that press, type and look as a user would. The
// program never includes this.
#ifndef KX418_UIRUNTIME_WIN32_UI_WIN32_ACCESS_H
#define KX418_UIRUNTIME_WIN32_UI_WIN32_ACCESS_H

#include <windows.h>

#include <string>

// The panel's window (top-level, or a page's child window), or null.
HWND UiWin32_PanelWindow(int panel);

// The window of a control, or null: a numeric's edit field, an indicator's
// read-only edit, a tab control, a button, a static text, a group box.
HWND UiWin32_ControlWindow(int panel, int control);

// A numeric's up-down arrows, or null.
HWND UiWin32_ControlArrows(int panel, int control);

// The separate label of a numeric or toggle, or null.
HWND UiWin32_ControlLabel(int panel, int control);

// Handles one message as the runtime's event loops do: the window's own
// keys first (the page keys, Tab and Shift+Tab in the window's focus order,
// Enter on a push button), then the dialog keys, then the window's
// procedure.
void UiWin32_Dispatch(MSG& message);

// The message box this thread shows now, with its title and message, or
// null.
HWND UiWin32_ShownBox(std::string& title, std::string& message);

#endif

// runtime_driver.h - what the runtime's shared behaviour cases need from a
// user-interface runtime: real input at the place a person uses, and what a
// person sees. Implemented once for the Qt runtime (ui_driver.cpp) and once
// for the Win32 runtime (tests/windows/runtime_driver_win32.cpp).
#ifndef KX418_TESTS_APP_RUNTIME_DRIVER_H
#define KX418_TESTS_APP_RUNTIME_DRIVER_H

#include <string>

// Starts the runtime for the tests.
void StartUiForTests();

// Lets the runtime handle what is waiting (messages, events).
void Settle();

// A left click in the middle of the control.
void Press(int panel, int control);

// A click on a numeric's up or down arrow.
void Click_Arrow(int panel, int control, bool up);

// Selects the numeric's text and types `text` over it, key by key, then
// Enter when `commit` is set.
void Type_Into(int panel, int control, const std::string& text, bool commit = true);

// Selects the numeric's text and pastes `text` over it, then Enter.
void Paste_Into(int panel, int control, const std::string& text);

// A click on the tab control's tab `index`.
void Click_Tab(int panel, int tab_control, int index);

// What the control shows: a field's text, a button's caption.
std::string Shown_Text(int panel, int control);

// Asks the panel's window to close, as its close button does.
void Close_Window(int panel);

// Whether the panel has a window, and whether it is shown.
bool Has_Window(int panel);
bool Is_Shown(int panel);

// The message box shown now, if any: its title, its message, and whether
// it holds input from the panels (modal).
struct Shown_Box {
    bool shown = false;
    bool modal = false;
    std::string title;
    std::string message;
};
Shown_Box Box_Now();

#endif

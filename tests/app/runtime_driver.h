// runtime_driver.h - what the runtime's shared cases (behaviour, layout and
// reach) need from a user-interface runtime: real input at the place a
// person uses, and what a person sees. Implemented once for the Qt runtime
// (ui_driver.cpp) and once for the Win32 runtime
// (tests/windows/runtime_driver_win32.cpp).
#ifndef KX418_TESTS_APP_RUNTIME_DRIVER_H
#define KX418_TESTS_APP_RUNTIME_DRIVER_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

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

// ---- what is drawn where --------------------------------------------------

// A rectangle in a panel's own pixels: a window's from the top left of its
// client area, a page's from the page's top left.
struct Panel_Rect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Panel_Rect&, const Panel_Rect&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Panel_Rect& r)
    {
        return out << "(" << r.left << ", " << r.top << ") " << r.width << "x" << r.height;
    }
};

// Where the control is drawn in its panel: its whole body, a numeric's
// arrows with its field, a frame as far as its drawn edge reaches.
Panel_Rect Place_Of(int panel, int control);

// Whether the panel has that control, and whether the control's window
// lies within its own panel's window.
bool Has_Control(int panel, int control);
bool In_Own_Panel(int panel, int control);

// Whether a field takes no typing.
bool Is_Read_Only(int panel, int control);

// A numeric's up or down arrow, in its panel's pixels.
Panel_Rect Arrow_Place(int panel, int control, bool up);

// How wide a numeric's arrows are, where the runtime fixes it: 9 pixels at
// 96 DPI on Win32, where the arrows are an up-down control of their own
// placed at the left of the field; 0 on Qt, whose style draws the arrows
// inside the spin box at the width it chooses (only their side, the left,
// is the runtime's).
int Fixed_Arrows_Width();

// The separate label of a numeric, indicator or toggle: its text, its top
// left in the panel and its width.
struct Shown_Label {
    bool shown = false;
    std::string text;
    int left = 0, top = 0, width = 0;
};
Shown_Label Label_Of(int panel, int control);

// The height in pixels of the font the control's text is drawn in.
int Font_Pixels(int panel, int control);

// Colours as 0xRRGGBB: a numeric's or indicator's field, a panel's
// background.
std::uint32_t Field_Colour(int panel, int control);
std::uint32_t Panel_Colour(int panel);

// A top-level panel's window title.
std::string Window_Title(int panel);

// A top-level panel's client area on the screen; a page's place within its
// window's client area.
Panel_Rect Panel_Place(int panel);

// The tab control's tabs: how many, a tab's label and its place in the
// panel that holds the tab control.
int Tab_Count(int panel, int tab_control);
std::string Tab_Label(int panel, int tab_control, int index);
Panel_Rect Tab_Place(int panel, int tab_control, int index);

// ---- what the keyboard and a screen reader meet ---------------------------

// The name a screen reader reads for a control, and for a panel (a page:
// its tab's name; a top-level panel: its window's), taken from the
// toolkit's accessibility interface as a screen reader sees it.
std::string Accessible_Name(int panel, int control);
std::string Accessible_Panel_Name(int panel);

// A control that Tab reached: its panel and its number.
struct Stop {
    int panel = 0;
    int control = 0;
    friend bool operator==(const Stop&, const Stop&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Stop& s)
    {
        return out << s.panel << "." << s.control;
    }
};

// The window's whole Tab cycle: the keyboard given to the first control
// of the top-level panel's window (its tab control), then Tab pressed with
// real key input until the keyboard is back there; every control reached,
// the first included, in order.
std::vector<Stop> Tab_Stops(int top_panel);

// ---- reach: real input at a point -----------------------------------------

// Whether a point of the panel (its own pixels) reaches the control or a
// part of it (a numeric's arrows, a tab control's tabs) in the window that
// shows the panel. `found` says what the point reaches instead.
bool Reaches(int panel, int x, int y, int control, std::string& found);

// The left mouse button at a point of the panel, delivered to what lies
// there as the window system delivers it: pressed, released, a click, or
// a double click.
enum class Mouse { Down, Up, Click, Double_Click };
void Mouse_At(int panel, int x, int y, Mouse action);

// Whether the button shows itself held down.
bool Looks_Pressed(int panel, int control);

// Whether the control has the keyboard; the keyboard taken from whichever
// control of the panel's window has it.
bool Has_Keyboard(int panel, int control);
void Drop_Keyboard(int panel);

// The text selected in a field.
std::string Selected_Text(int panel, int control);

#endif

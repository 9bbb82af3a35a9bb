// ui_web_access.h - the page's elements behind panel handles, for test
// drivers and benchmarks that press, type and look as a user would. The
// program never includes this. An element is named by the number the
// page's side keeps it under (Module.kx418Ui.get(number)); 0 is none.
#ifndef KX418_UIRUNTIME_WEB_UI_WEB_ACCESS_H
#define KX418_UIRUNTIME_WEB_UI_WEB_ACCESS_H

// The panel's box: a top-level panel's window (title bar and client
// area), a page's own element; 0 for an unknown handle.
int UiWeb_PanelElement(int panel);

// Where the panel's controls are placed: a window's client area, a page.
int UiWeb_ClientElement(int panel);

// A control's body at its place (a numeric's holds its arrows and field, a
// tab control's its strip and pages), or 0.
int UiWeb_ControlElement(int panel, int control);

// A numeric's text field, a tab control's strip of tabs, a numeric's upper
// or lower arrow, the separate label of a control; 0 where it has none.
int UiWeb_ControlField(int panel, int control);
int UiWeb_ControlStrip(int panel, int control);
int UiWeb_ControlArrow(int panel, int control, bool up);
int UiWeb_ControlLabel(int panel, int control);

// Delivers what the page has queued for the program's loop (a command's
// click, a close box) as the loop does, without waiting for more.
void UiWeb_DeliverQueued();

#endif

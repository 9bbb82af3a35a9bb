// ui_access.h - what the keyboard and a screen reader meet on a panel,
// computed once from the panel file's data: each control's name, the order
// Tab moves in, and the keys that switch tab pages. Every toolkit expresses
// these rules in its own terms and decides none of them itself.
#ifndef KX418_UIRUNTIME_UI_ACCESS_H
#define KX418_UIRUNTIME_UI_ACCESS_H

#include "panel_file.h"

#include <string>
#include <vector>

// Whether the keyboard stops at a control of this kind: every kind that
// takes input, and the result indicator, which can be read but not edited.
constexpr bool TakesFocus(UiControlKind kind)
{
    return TakesInput(kind);
}

// The name a screen reader gives a control of `panel`.
// - A button is named by its own text.
// - A numeric, an indicator or the toggle is named by its label (the text
//   beside it, left of it or above it). A channel text at the start of the
//   control's row comes first ("Kanal 1, Zeit 1: Start, Sek."); an
//   indicator inside a frame is named by the frame's title before its
//   label ("Zeit-Umrechner, Sekunden"), which tells it from the input of
//   the same label.
// - A frame is named by its title, the text lying across its top edge.
// - Where no text stands beside a control, the nearest heading above it.
// - A text is named by its text. Empty when nothing names the control.
std::string AccessibleName(const UiPanelEntry& panel, const UiControlEntry& control);

// The name of a panel: a tab page's tab label, else its title.
std::string AccessibleName(const UiPanelEntry& panel);

// The control numbers of `panel` that take the focus, in the order Tab
// moves through them: the controls that hold a value (fields, the toggle,
// the tab control) and the frames in reading order, top to bottom and left
// to right, the controls in a frame taken where the frame stands; then the
// buttons; then the indicators. Within a frame the same order: its fields,
// its buttons, its indicators. A tab control's current page comes right
// after the tab control, in the page's own order.
std::vector<int> TabOrder(const UiPanelEntry& panel);

// Keys that switch the page of a tab control from anywhere in its window,
// as native tabbed dialogs have them: Ctrl+Tab and Ctrl+PageDown the next
// page, Ctrl+Shift+Tab and Ctrl+PageUp the previous one; both wrap around.
enum class UiKey { Tab, PageUp, PageDown, Other };
struct UiKeyModifiers {
    bool control = false;
    bool shift = false;
};
// +1, -1, or 0 when the key does not switch pages.
int PageStep(UiKey key, UiKeyModifiers modifiers);
// The page index `step` pages on from `current` of `count` pages.
int SteppedPage(int current, int count, int step);

#endif

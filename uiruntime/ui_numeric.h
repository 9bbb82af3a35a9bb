// ui_numeric.h - the numerics' rules: the text a numeric shows and takes,
// the value it holds for a number, and its arrow steps.
#ifndef KX418_UIRUNTIME_UI_NUMERIC_H
#define KX418_UIRUNTIME_UI_NUMERIC_H

#include "panel_file.h"

#include <string>

// The text a numeric shows for a value: its precision, a point as the
// decimal sign on every system, no grouping.
std::string FormatNumeric(const UiControlEntry& control, double value);

// What a numeric's field text says while the user types.
enum class UiTextState {
    Value,    // a number (maybe outside the limits: Held brings it inside)
    Partial,  // not a number yet, but typing may make one ("", "12.")
    Invalid,  // never a number of this control: the edit is undone
};
UiTextState ReadNumericText(const UiControlEntry& control, const std::string& text, double& value);

// The value a numeric holds for a number: brought to the nearest limit,
// rounded to the shown decimals.
double HeldValue(const UiControlEntry& control, double value);

// One arrow step (or `steps` of them; negative for down) from `value`.
double StepNumeric(const UiControlEntry& control, double value, int steps);

#endif

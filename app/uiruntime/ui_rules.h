// ui_rules.h - what every toolkit's runtime does alike: reporting refused
// calls, binding the panel file's callback names through the program's
// table, the value-type rule of control values, and the numeric rules
// (limits, steps, the text a numeric shows and takes).
#ifndef KX418_UIRUNTIME_UI_RULES_H
#define KX418_UIRUNTIME_UI_RULES_H

#include "panel_file.h"
#include "ui_runtime.h"

#include <cstdint>
#include <string>
#include <vector>

// Reports a refused call on the standard error stream, keeps its text for
// UiTest_LastError, and returns `code`.
int Refuse(int code, const std::string& what);

// The name a panel file travels under inside the program: its file name in
// upper case (resource names ignore case), of resource type UIRFILETYPE.
inline constexpr const char UiPanelFileResourceType[] = "UIRFILETYPE";
std::string PanelFileResourceName(const char* file_name);

// The program's callbacks for a panel and its controls, by the names the
// panel file gives. A name the program's table lacks binds to nothing; a
// name bound to the other kind of callback is an error in the program's
// table (returns false and says why). `controls` gets one entry per control,
// in control order.
bool BindCallbacks(const UiPanelEntry& panel, PanelCallbackPtr& panel_callback,
                   std::vector<CtrlCallbackPtr>& controls, std::string& error);

template <typename T> constexpr UiValueType TypeOf();
template <> constexpr UiValueType TypeOf<double>() { return UiValueType::Double; }
template <> constexpr UiValueType TypeOf<std::int32_t>() { return UiValueType::Int32; }
template <> constexpr UiValueType TypeOf<std::uint8_t>() { return UiValueType::UInt8; }
template <> constexpr UiValueType TypeOf<std::uint32_t>() { return UiValueType::UInt32; }

// Reading and writing a control's value in the value's own type; the
// overloads of GetCtrlAttribute and SetCtrlAttribute (ui_rules.cpp) call
// them. The skeleton (ui_skeleton.cpp) defines them for double, int32,
// uint8 and uint32.
template <typename T> int GetControlValue(int panel, int control, int attribute, T* value);
template <typename T> int SetControlValue(int panel, int control, int attribute, T value);

// Whether `operation` may read or write the control's value `attribute` as
// `type`: 0, or the refusal (reported) with its code.
int CheckValueAccess(const char* operation, const UiControlEntry& control, int attribute,
                     UiValueType type);

// A numeric's new value `value`: 0 when within its limits, else refused.
int CheckWithinLimits(const char* operation, const UiControlEntry& control, double value);

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

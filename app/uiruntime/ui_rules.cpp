// ui_rules.cpp - what every toolkit's runtime does alike.
#include "ui_rules.h"
#include "ui_test_hooks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

std::string last_error;

const UiCallbackBinding* FindCallback(const std::string& name)
{
    for (const UiCallbackBinding& binding : UiProgramCallbacks())
        if (binding.name != nullptr && name == binding.name) return &binding;
    return nullptr;
}

std::string Where(const char* operation, const UiControlEntry& c)
{
    return std::string(operation) + "(" + c.constant + ")";
}

double Power10(int decimals)
{
    return std::pow(10.0, decimals);
}

}  // namespace

int Refuse(int code, const std::string& what)
{
    last_error = what;
    std::fprintf(stderr, "KX418 UI runtime: %s\n", what.c_str());
    return code;
}

std::string UiTest_LastError()
{
    return last_error;
}

std::string PanelFileResourceName(const char* file_name)
{
    std::string name(file_name);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

bool BindCallbacks(const UiPanelEntry& panel, PanelCallbackPtr& panel_callback,
                   std::vector<CtrlCallbackPtr>& controls, std::string& error)
{
    panel_callback = nullptr;
    controls.assign(panel.controls.size(), nullptr);
    if (!panel.callback.empty()) {
        if (const UiCallbackBinding* b = FindCallback(panel.callback)) {
            if (b->panel_callback == nullptr) {
                error = panel.callback + " is bound as a control callback, named for panel " +
                        panel.constant;
                return false;
            }
            panel_callback = b->panel_callback;
        }
    }
    for (std::size_t i = 0; i < panel.controls.size(); ++i) {
        const UiControlEntry& control = panel.controls[i];
        if (control.callback.empty()) continue;
        if (const UiCallbackBinding* b = FindCallback(control.callback)) {
            if (b->control_callback == nullptr) {
                error = control.callback + " is bound as a panel callback, named for control " +
                        control.constant;
                return false;
            }
            controls[i] = b->control_callback;
        }
    }
    return true;
}

int CheckValueAccess(const char* operation, const UiControlEntry& c, int attribute, UiValueType type)
{
    if (attribute != ATTR_CTRL_VAL)
        return Refuse(UI_ERR_ATTRIBUTE, Where(operation, c) + ": attribute " + std::to_string(attribute) +
                                            " is not known; the value is " + std::to_string(ATTR_CTRL_VAL));
    if (c.value_type == UiValueType::None)
        return Refuse(UI_ERR_ATTRIBUTE, Where(operation, c) + ": the control holds no value");
    if (c.value_type != type)
        return Refuse(UI_ERR_VALUE_TYPE, Where(operation, c) + ": the control holds " +
                                             ValueTypeName(c.value_type) + ", not " + ValueTypeName(type));
    return 0;
}

int CheckWithinLimits(const char* operation, const UiControlEntry& c, double v)
{
    if (std::isnan(v) || v < c.minimum || v > c.maximum)
        return Refuse(UI_ERR_OUT_OF_RANGE, Where(operation, c) + ": " + std::to_string(v) + " lies outside " +
                                               std::to_string(c.minimum) + " to " + std::to_string(c.maximum));
    return 0;
}

std::string FormatNumeric(const UiControlEntry& c, double value)
{
    std::array<char, 64> text{};
    const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), value,
                                         std::chars_format::fixed, std::max(c.precision, 0));
    if (ec != std::errc()) return "0";
    return std::string(text.data(), end);
}

UiTextState ReadNumericText(const UiControlEntry& c, const std::string& text, double& value)
{
    // Digits, then at most `precision` decimals after a point; a minus
    // sign first only when the limits reach below zero.
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        if (c.minimum >= 0) return UiTextState::Invalid;
        ++i;
    }
    std::size_t digits = 0, decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '.') {
            if (point || c.precision <= 0) return UiTextState::Invalid;
            point = true;
        } else if (ch >= '0' && ch <= '9') {
            if (point && ++decimals > static_cast<std::size_t>(c.precision)) return UiTextState::Invalid;
            if (!point) ++digits;
        } else {
            return UiTextState::Invalid;
        }
    }
    if (digits + decimals == 0) return UiTextState::Partial;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc()) return UiTextState::Partial;  // "-", "12." read partly
    (void)end;
    return UiTextState::Value;
}

double HeldValue(const UiControlEntry& c, double value)
{
    if (std::isnan(value)) return c.minimum;
    const double scale = Power10(std::max(c.precision, 0));
    const double rounded = std::round(value * scale) / scale;
    return std::clamp(rounded, c.minimum, c.maximum);
}

double StepNumeric(const UiControlEntry& c, double value, int steps)
{
    return HeldValue(c, value + c.increment * steps);
}

int GetCtrlAttribute(int panel, int control, int attribute, double* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int GetCtrlAttribute(int panel, int control, int attribute, std::int32_t* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int GetCtrlAttribute(int panel, int control, int attribute, std::uint8_t* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int GetCtrlAttribute(int panel, int control, int attribute, std::uint32_t* value)
{
    return GetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, double value)
{
    return SetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, std::int32_t value)
{
    return SetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, std::uint8_t value)
{
    return SetControlValue(panel, control, attribute, value);
}
int SetCtrlAttribute(int panel, int control, int attribute, std::uint32_t value)
{
    return SetControlValue(panel, control, attribute, value);
}

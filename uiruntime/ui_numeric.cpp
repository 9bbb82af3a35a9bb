// ui_numeric.cpp - the numerics' rules.
#include "ui_numeric.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

double Power10(int decimals)
{
    return std::pow(10.0, decimals);
}

}  // namespace

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
            if (point && ++decimals > static_cast<std::size_t>(c.precision))
                return UiTextState::Invalid;
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

// ui_values.h - the value-type rule of control values and the limits a
// value is checked against, for GetCtrlAttribute and SetCtrlAttribute.
#ifndef KX418_UIRUNTIME_UI_VALUES_H
#define KX418_UIRUNTIME_UI_VALUES_H

#include "panel_file.h"

#include <cstdint>

template <typename T>
constexpr UiValueType TypeOf();
template <>
constexpr UiValueType TypeOf<double>()
{
    return UiValueType::Double;
}
template <>
constexpr UiValueType TypeOf<std::int32_t>()
{
    return UiValueType::Int32;
}
template <>
constexpr UiValueType TypeOf<std::uint8_t>()
{
    return UiValueType::UInt8;
}
template <>
constexpr UiValueType TypeOf<std::uint32_t>()
{
    return UiValueType::UInt32;
}

// Whether `operation` may read or write the control's value `attribute` as
// `type`: 0, or the refusal (reported) with its code.
int CheckValueAccess(const char* operation, const UiControlEntry& control, int attribute,
                     UiValueType type);

// A numeric's new value `value`: 0 when within its limits, else refused.
int CheckWithinLimits(const char* operation, const UiControlEntry& control, double value);

#endif

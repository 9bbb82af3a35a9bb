// ui_values.cpp - the value-type rule and the limits of control values.
#include "ui_refusal.h"
#include "ui_runtime.h"
#include "ui_values.h"

#include <cmath>
#include <string>

namespace {

std::string Where(const char* operation, const UiControlEntry& c)
{
    return std::string(operation) + "(" + c.constant + ")";
}

}  // namespace

int CheckValueAccess(const char* operation, const UiControlEntry& c, int attribute,
                     UiValueType type)
{
    if (attribute != ATTR_CTRL_VAL)
        return Refuse(UI_ERR_ATTRIBUTE,
                      Where(operation, c) + ": attribute " + std::to_string(attribute) +
                          " is not known; the value is " + std::to_string(ATTR_CTRL_VAL));
    if (c.value_type == UiValueType::None)
        return Refuse(UI_ERR_ATTRIBUTE, Where(operation, c) + ": the control holds no value");
    if (c.value_type != type)
        return Refuse(UI_ERR_VALUE_TYPE, Where(operation, c) + ": the control holds " +
                                             ValueTypeName(c.value_type) + ", not " +
                                             ValueTypeName(type));
    return 0;
}

int CheckWithinLimits(const char* operation, const UiControlEntry& c, double v)
{
    if (std::isnan(v) || v < c.minimum || v > c.maximum)
        return Refuse(UI_ERR_OUT_OF_RANGE, Where(operation, c) + ": " + std::to_string(v) +
                                               " lies outside " + std::to_string(c.minimum) +
                                               " to " + std::to_string(c.maximum));
    return 0;
}

// ui_qt_values.cpp - control values by panel handle and control number.
//
// Each control has one value type; a read or write in any other type is
// refused, so a variable is only ever written with a value of its own type.
#include "ui_qt_state.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>

#include <cmath>
#include <string>

namespace {

std::string Where(const char* operation, const UiQtControl& c)
{
    return std::string(operation) + "(" + c.entry->constant + ")";
}

int CheckAccess(const char* operation, int panel, int control, int attribute, UiValueType type,
                UiQtControl*& c)
{
    if (const int rc = ResolveControl(operation, panel, control, c); rc < 0) return rc;
    return CheckValueAccess(operation, *c->entry, attribute, type);
}

// The control's value, as its own type; called only for that type.
template <typename T> T Read(const UiQtControl& c)
{
    switch (c.entry->kind) {
    case UiControlKind::Numeric:
        if constexpr (std::is_same_v<T, double>)
            return static_cast<const QDoubleSpinBox*>(c.widget)->value();
        else
            return static_cast<T>(static_cast<const QSpinBox*>(c.widget)->value());
    case UiControlKind::Indicator: return static_cast<T>(c.indicator_value);
    case UiControlKind::Tab: return static_cast<T>(c.tab_bar->currentIndex());
    case UiControlKind::Toggle: return static_cast<const QPushButton*>(c.widget)->isChecked() ? T(1) : T(0);
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
    return T(0);
}

template <typename T> int Get(const char* operation, int panel, int control, int attribute, T* value)
{
    UiQtControl* c = nullptr;
    if (const int rc = CheckAccess(operation, panel, control, attribute, TypeOf<T>(), c); rc < 0) return rc;
    if (value == nullptr) return Refuse(UI_ERR_VALUE_TYPE, Where(operation, *c) + ": no variable given");
    *value = Read<T>(*c);
    return 0;
}

template <typename T> int Set(const char* operation, int panel, int control, int attribute, T value)
{
    UiQtControl* c = nullptr;
    if (const int rc = CheckAccess(operation, panel, control, attribute, TypeOf<T>(), c); rc < 0) return rc;
    const UiControlEntry& d = *c->entry;
    const double v = static_cast<double>(value);
    switch (d.kind) {
    case UiControlKind::Numeric:
        // A numeric never holds a value outside its limits.
        if (const int rc = CheckWithinLimits(operation, d, v); rc < 0) return rc;
        if constexpr (std::is_same_v<T, double>)
            static_cast<QDoubleSpinBox*>(c->widget)->setValue(value);
        else
            static_cast<QSpinBox*>(c->widget)->setValue(static_cast<int>(value));
        return 0;
    case UiControlKind::Indicator:
        c->indicator_value = static_cast<std::uint32_t>(value);
        static_cast<QLineEdit*>(c->widget)->setText(QString::number(c->indicator_value));
        return 0;
    case UiControlKind::Tab:
        if (v < 0 || v >= c->tab_bar->count())
            return Refuse(UI_ERR_OUT_OF_RANGE, Where(operation, *c) + ": no page " + std::to_string(v));
        c->tab_bar->setCurrentIndex(static_cast<int>(value));
        return 0;
    case UiControlKind::Toggle:
        static_cast<QPushButton*>(c->widget)->setChecked(value != T(0));
        return 0;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
    return Refuse(UI_ERR_ATTRIBUTE, Where(operation, *c) + ": the value of this control cannot be set");
}

}  // namespace

template <typename T> int GetControlValue(int panel, int control, int attribute, T* value)
{
    return Get("GetCtrlAttribute", panel, control, attribute, value);
}
template <typename T> int SetControlValue(int panel, int control, int attribute, T value)
{
    return Set("SetCtrlAttribute", panel, control, attribute, value);
}
template int GetControlValue(int, int, int, double*);
template int GetControlValue(int, int, int, std::int32_t*);
template int GetControlValue(int, int, int, std::uint8_t*);
template int GetControlValue(int, int, int, std::uint32_t*);
template int SetControlValue(int, int, int, double);
template int SetControlValue(int, int, int, std::int32_t);
template int SetControlValue(int, int, int, std::uint8_t);
template int SetControlValue(int, int, int, std::uint32_t);

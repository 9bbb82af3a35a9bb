// ui_qt_values.cpp - control values as the Qt widgets hold them.
#include "ui_qt_state.h"

#include <QAccessible>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>

double UiToolkit_Value(UiControl& control)
{
    const UiToolkitControl& c = *control.toolkit;
    switch (control.entry->kind) {
    case UiControlKind::Numeric:
        if (control.entry->value_type == UiValueType::Double)
            return static_cast<const QDoubleSpinBox*>(c.widget)->value();
        return static_cast<const QSpinBox*>(c.widget)->value();
    case UiControlKind::Indicator: return c.indicator_value;
    case UiControlKind::Tab: return c.tab_bar->currentIndex();
    case UiControlKind::Toggle:
        return static_cast<const QPushButton*>(c.widget)->isChecked() ? 1 : 0;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
    return 0;
}

void UiToolkit_SetValue(UiControl& control, double value)
{
    UiToolkitControl& c = *control.toolkit;
    switch (control.entry->kind) {
    case UiControlKind::Numeric:
        if (control.entry->value_type == UiValueType::Double)
            static_cast<QDoubleSpinBox*>(c.widget)->setValue(value);
        else
            static_cast<QSpinBox*>(c.widget)->setValue(static_cast<int>(value));
        break;
    case UiControlKind::Indicator:
        c.indicator_value = static_cast<std::uint32_t>(value);
        static_cast<QLineEdit*>(c.widget)->setText(QString::number(c.indicator_value));
        {
            // A screen reader is told of the new result.
            QAccessibleValueChangeEvent changed(c.widget, c.indicator_value);
            QAccessible::updateAccessibility(&changed);
        }
        break;
    case UiControlKind::Tab: c.tab_bar->setCurrentIndex(static_cast<int>(value)); break;
    case UiControlKind::Toggle: static_cast<QPushButton*>(c.widget)->setChecked(value != 0); break;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
}

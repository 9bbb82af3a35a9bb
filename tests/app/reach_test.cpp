// Real input at the places a person clicks, on every panel and page: the
// centre of each control a person uses, a numeric's arrows, each tab of the
// tab strip. The widget found at that point of the window must be the
// control or a part of it, and a mouse press delivered to the window there
// (as the window system delivers one) must change that control. Texts,
// labels and frames lying over or beside a control, wherever they come in
// the control order, must let the input through.
#include "KX418.h"
#include "ui_driver.h"
#include "uiruntime/panel_file.h"
#include "uiruntime/qt/ui_qt_access.h"
#include "uiruntime/ui_runtime.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <string>

namespace {

// The layout as the panel file carried inside gives it: the places a
// person aims at.
const UiPanelFile& Layout()
{
    static const UiPanelFile file = [] {
        UiPanelFile parsed;
        QFile resource(QStringLiteral(":/UIRFILETYPE/KX418.UIR"));
        EXPECT_TRUE(resource.open(QIODevice::ReadOnly));
        const QByteArray text = resource.readAll();
        std::string error;
        EXPECT_TRUE(ParsePanelFile(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                                   parsed, error))
            << error;
        return parsed;
    }();
    return file;
}

class Reach : public LoadedMainPanel {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(LoadedMainPanel::SetUp());
        window_ = UiQt_PanelWidget(panel_);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
        tabs_ = UiQt_ControlWidget(panel_, PANEL_TAB)->findChild<QTabBar*>();
        ASSERT_NE(tabs_, nullptr);
    }
    // The widget at that point of the window is `control` or a part of it.
    void ExpectFound(QPoint point, QWidget* control, const char* where) const
    {
        QWidget* found = window_->childAt(point);
        for (QWidget* w = found; w != nullptr; w = w->parentWidget())
            if (w == control) return;
        ADD_FAILURE() << where << " (" << point.x() << ", " << point.y() << ") finds "
                      << (found ? found->metaObject()->className() + std::string(" ") +
                                      found->objectName().toStdString()
                                : std::string("nothing"));
    }

    // A left click delivered to the window at that point.
    void Click(QPoint point) const
    {
        QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
    }

    // Brings page `index` to the front by a click on its tab.
    void ClickTab(int index) const
    {
        const QPoint point = tabs_->mapTo(window_, tabs_->tabRect(index).center());
        ExpectFound(point, tabs_, "tab");
        Click(point);
        std::int32_t shown = -1;
        EXPECT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &shown), 0);
        EXPECT_EQ(shown, index) << "a click on tab " << index;
    }

    static double Value(QAbstractSpinBox* box)
    {
        if (auto* real = qobject_cast<QDoubleSpinBox*>(box)) return real->value();
        return qobject_cast<QSpinBox*>(box)->value();
    }

    // The field's centre gives it the keyboard; the upper arrow steps up
    // by one increment, the lower one back down. The arrows are the 9
    // pixels at the left of the body, stacked.
    void CheckNumeric(const UiControlEntry& c, QRect body, QWidget* widget) const
    {
        auto* box = qobject_cast<QAbstractSpinBox*>(widget);
        ASSERT_NE(box, nullptr);
        const QPoint field(body.left() + 9 + (body.width() - 9) / 2, body.center().y());
        const QPoint up(body.left() + 4, body.top() + body.height() / 4);
        const QPoint down(body.left() + 4, body.top() + body.height() * 3 / 4);

        ExpectFound(field, box, "field");
        if (QWidget* focus = window_->focusWidget()) focus->clearFocus();
        Click(field);
        QWidget* focus = window_->focusWidget();
        EXPECT_TRUE(focus == box || (focus != nullptr && box->isAncestorOf(focus)))
            << "a click into the field does not give it the keyboard";

        const double before = Value(box);
        ExpectFound(up, box, "upper arrow");
        Click(up);
        EXPECT_NEAR(Value(box), before + c.increment, 1e-9) << "upper arrow";
        ExpectFound(down, box, "lower arrow");
        Click(down);
        EXPECT_NEAR(Value(box), before, 1e-9) << "lower arrow";
    }

    // A button is pressed; a toggle turns on and off again.
    void CheckButton(const UiControlEntry& c, QRect body, QWidget* widget) const
    {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        ASSERT_NE(button, nullptr);
        ExpectFound(body.center(), button, "centre");
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        const bool was_on = button->isChecked();
        Click(body.center());
        EXPECT_EQ(clicked.count(), 1) << "a click at the centre does not press it";
        if (c.kind == UiControlKind::Toggle) {
            EXPECT_NE(button->isChecked(), was_on);
            Click(body.center());
            EXPECT_EQ(button->isChecked(), was_on);
        }
    }

    // The result's text can be selected by a double click, to copy it.
    void CheckIndicator(QRect body, QWidget* widget) const
    {
        auto* field = qobject_cast<QLineEdit*>(widget);
        ASSERT_NE(field, nullptr);
        ExpectFound(body.center(), field, "centre");
        field->deselect();
        QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, Qt::NoModifier, body.center());
        EXPECT_EQ(field->selectedText(), field->text()) << "a double click does not select the result";
    }

    QWidget* window_ = nullptr;
    QTabBar* tabs_ = nullptr;
};

TEST_F(Reach, RealInputAtEveryControlReachesIt)
{
    int checked = 0;
    for (const UiPanelEntry& panel : Layout().panels) {
        SCOPED_TRACE(panel.constant);
        int handle = panel_;
        QPoint origin(0, 0);
        if (panel.is_page()) {
            ClickTab(panel.page_index);
            handle = PageHandle(panel_, PANEL_TAB, panel.page_index);
            origin = QPoint(panel.left, panel.top);
        }
        for (const UiControlEntry& c : panel.controls) {
            SCOPED_TRACE(c.constant);
            QWidget* widget = UiQt_ControlWidget(handle, c.number);
            ASSERT_NE(widget, nullptr);
            const QRect body(origin + QPoint(c.rect.left, c.rect.top), QSize(c.rect.width, c.rect.height));
            switch (c.kind) {
            case UiControlKind::Numeric: CheckNumeric(c, body, widget); break;
            case UiControlKind::Command:
            case UiControlKind::Toggle: CheckButton(c, body, widget); break;
            case UiControlKind::Indicator: CheckIndicator(body, widget); break;
            case UiControlKind::Tab:
                for (int index = tabs_->count() - 1; index >= 0; --index) ClickTab(index);
                break;
            case UiControlKind::Text:
            case UiControlKind::Decoration: continue;  // they only draw
            }
            ++checked;
        }
    }
    // The main panel's 8 and the pages' 34 controls that take input.
    EXPECT_EQ(checked, 42);
}

}  // namespace

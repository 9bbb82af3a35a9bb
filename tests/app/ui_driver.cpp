// ui_driver.cpp - real input on the runtime's widgets.
#include "ui_driver.h"

#include "uiruntime/qt/ui_qt_access.h"
#include "uiruntime/ui_runtime.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

void StartUiForTests()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static char name[] = "kx418_test";
    static char* argv[] = {name, nullptr};
    ASSERT_EQ(InitCVIRTEEx(nullptr, argv, nullptr), 1);
}

void LoadedMainPanel::SetUp()
{
    panel_ = LoadPanel(0, "KX418.uir", 1);
    ASSERT_GE(panel_, 0);
    ASSERT_GE(DisplayPanel(panel_), 0);
}

void LoadedMainPanel::TearDown()
{
    if (panel_ >= 0) DiscardPanel(panel_);
}

int PageHandle(int main_panel, int tab_control, int index)
{
    int handle = -1;
    if (GetPanelHandleFromTabPage(main_panel, tab_control, index, &handle) < 0) return -1;
    return handle;
}

void Press(int panel, int control)
{
    QWidget* widget = UiQt_ControlWidget(panel, control);
    ASSERT_NE(widget, nullptr) << "panel " << panel << " control " << control;
    // A page's button can only be clicked while its page is in front.
    QWidget* page = UiQt_PanelWidget(panel);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(widget->isVisible()) << widget->objectName().toStdString() << " is not shown";
    QTest::mouseClick(widget, Qt::LeftButton);
}

QAbstractSpinBox* SpinBox(int panel, int control)
{
    auto* box = qobject_cast<QAbstractSpinBox*>(UiQt_ControlWidget(panel, control));
    EXPECT_NE(box, nullptr) << "panel " << panel << " control " << control << " is no spin box";
    return box;
}

namespace {

QStyleOptionSpinBox SpinOption(QAbstractSpinBox* box)
{
    QStyleOptionSpinBox option;
    option.initFrom(box);
    option.rect = box->rect();
    option.buttonSymbols = box->buttonSymbols();
    option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField |
                         QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.frame = box->hasFrame();
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    return option;
}

}  // namespace

QRect ArrowRect(QAbstractSpinBox* box, bool up)
{
    const QStyleOptionSpinBox option = SpinOption(box);
    return box->style()->subControlRect(QStyle::CC_SpinBox, &option,
                                        up ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown, box);
}

QRect FieldRect(QAbstractSpinBox* box)
{
    const QStyleOptionSpinBox option = SpinOption(box);
    return box->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, box);
}

void ClickArrow(QAbstractSpinBox* box, bool up)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, ArrowRect(box, up).center());
}

void TypeInto(QAbstractSpinBox* box, const QString& text, bool commit)
{
    box->setFocus();
    auto* field = box->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    if (commit) QTest::keyClick(field, Qt::Key_Return);
}

// ui_driver.cpp - real input on the runtime's widgets.
#include "ui_driver.h"

#include "uiruntime/qt/ui_qt_access.h"
#include "uiruntime/ui_runtime.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabBar>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

// Starts the runtime on the offscreen platform unless another one is named.
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

// The shared runtime cases' input, on the Qt runtime's widgets.

void Settle()
{
    QCoreApplication::processEvents();
}

void Click_Arrow(int panel, int control, bool up)
{
    if (QAbstractSpinBox* box = SpinBox(panel, control)) ClickArrow(box, up);
}

void Type_Into(int panel, int control, const std::string& text, bool commit)
{
    if (QAbstractSpinBox* box = SpinBox(panel, control)) TypeInto(box, QString::fromStdString(text), commit);
}

void Paste_Into(int panel, int control, const std::string& text)
{
    QAbstractSpinBox* box = SpinBox(panel, control);
    ASSERT_NE(box, nullptr);
    auto* field = box->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    box->setFocus();
    field->selectAll();
    field->insert(QString::fromStdString(text));  // what a paste does to the field
    QTest::keyClick(field, Qt::Key_Return);
    box->clearFocus();
}

void Click_Tab(int panel, int tab_control, int index)
{
    QWidget* tab = UiQt_ControlWidget(panel, tab_control);
    ASSERT_NE(tab, nullptr);
    auto* bar = tab->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
}

std::string Shown_Text(int panel, int control)
{
    QWidget* widget = UiQt_ControlWidget(panel, control);
    if (auto* field = qobject_cast<QLineEdit*>(widget)) return field->text().toStdString();
    if (auto* box = qobject_cast<QAbstractSpinBox*>(widget)) return box->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
    ADD_FAILURE() << "panel " << panel << " control " << control << " shows no text";
    return {};
}

void Close_Window(int panel)
{
    QWidget* window = UiQt_PanelWidget(panel);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->close()) << "the close was not refused";
}

bool Has_Window(int panel)
{
    return UiQt_PanelWidget(panel) != nullptr;
}

bool Is_Shown(int panel)
{
    QWidget* window = UiQt_PanelWidget(panel);
    return window != nullptr && window->isVisible();
}

Shown_Box Box_Now()
{
    Shown_Box seen;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return seen;
    seen.shown = true;
    auto* box = qobject_cast<QMessageBox*>(modal);
    seen.modal = box != nullptr && box->isVisible();
    seen.title = modal->windowTitle().toStdString();
    if (box != nullptr) seen.message = box->text().toStdString();
    return seen;
}

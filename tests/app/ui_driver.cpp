// ui_driver.cpp - real input on the runtime's widgets.
#include "ui_driver.h"

#include "qt/ui_qt_access.h"
#include "ui_runtime.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>
#include <QTabBar>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWidget>
#include <QWindow>

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
    return box->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField,
                                        box);
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
    if (QAbstractSpinBox* box = SpinBox(panel, control))
        TypeInto(box, QString::fromStdString(text), commit);
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

// What is drawn where, and real input at a point, on the Qt runtime's
// widgets.

namespace {

QWidget* Control(int panel, int control)
{
    QWidget* widget = UiQt_ControlWidget(panel, control);
    EXPECT_NE(widget, nullptr) << "panel " << panel << " control " << control;
    return widget;
}

Panel_Rect RectIn(QWidget* panel_widget, QWidget* widget, QRect rect)
{
    const QPoint at = widget->mapTo(panel_widget, rect.topLeft());
    return {at.x(), at.y(), rect.width(), rect.height()};
}

std::uint32_t Rgb(const QColor& colour)
{
    return static_cast<std::uint32_t>(colour.rgb()) & 0xFFFFFFu;
}

// The panel's window, shown on the screen, and a point of the panel in it.
QWidget* WindowAt(int panel, int x, int y, QPoint& point)
{
    QWidget* panel_widget = UiQt_PanelWidget(panel);
    EXPECT_NE(panel_widget, nullptr) << "panel " << panel;
    if (panel_widget == nullptr) return nullptr;
    QWidget* window = panel_widget->window();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    point = panel_widget->mapTo(window, QPoint(x, y));
    return window;
}

QTabBar* Tabs(int panel, int tab_control)
{
    QWidget* tab = Control(panel, tab_control);
    QTabBar* bar = tab != nullptr ? tab->findChild<QTabBar*>() : nullptr;
    EXPECT_NE(bar, nullptr);
    return bar;
}

QLineEdit* FieldOf(QWidget* widget)
{
    if (auto* field = qobject_cast<QLineEdit*>(widget)) return field;
    return widget != nullptr ? widget->findChild<QLineEdit*>() : nullptr;
}

}  // namespace

Panel_Rect Place_Of(int panel, int control)
{
    QWidget* widget = Control(panel, control);
    if (widget == nullptr) return {};
    return RectIn(UiQt_PanelWidget(panel), widget, widget->rect());
}

bool Has_Control(int panel, int control)
{
    return UiQt_ControlWidget(panel, control) != nullptr;
}

bool In_Own_Panel(int panel, int control)
{
    QWidget* widget = Control(panel, control);
    return widget != nullptr && widget->parentWidget() == UiQt_PanelWidget(panel);
}

bool Is_Read_Only(int panel, int control)
{
    QWidget* widget = Control(panel, control);
    if (auto* box = qobject_cast<QAbstractSpinBox*>(widget)) return box->isReadOnly();
    QLineEdit* field = FieldOf(widget);
    EXPECT_NE(field, nullptr) << "panel " << panel << " control " << control << " is no field";
    return field != nullptr && field->isReadOnly();
}

Panel_Rect Arrow_Place(int panel, int control, bool up)
{
    QAbstractSpinBox* box = SpinBox(panel, control);
    if (box == nullptr) return {};
    return RectIn(UiQt_PanelWidget(panel), box, ArrowRect(box, up));
}

int Fixed_Arrows_Width()
{
    return 0;
}

Shown_Label Label_Of(int panel, int control)
{
    Shown_Label seen;
    auto* label = qobject_cast<QLabel*>(UiQt_ControlLabel(panel, control));
    if (label == nullptr) return seen;
    seen.shown = true;
    seen.text = label->text().toStdString();
    const QPoint at = label->mapTo(UiQt_PanelWidget(panel), QPoint(0, 0));
    seen.left = at.x();
    seen.top = at.y();
    seen.width = label->width();
    return seen;
}

int Font_Pixels(int panel, int control)
{
    QWidget* widget = Control(panel, control);
    return widget != nullptr ? QFontInfo(widget->font()).pixelSize() : 0;
}

std::uint32_t Field_Colour(int panel, int control)
{
    QWidget* widget = Control(panel, control);
    return widget != nullptr ? Rgb(widget->palette().color(QPalette::Base)) : 0;
}

std::uint32_t Panel_Colour(int panel)
{
    QWidget* widget = UiQt_PanelWidget(panel);
    EXPECT_NE(widget, nullptr);
    return widget != nullptr ? Rgb(widget->palette().color(QPalette::Window)) : 0;
}

std::string Window_Title(int panel)
{
    QWidget* widget = UiQt_PanelWidget(panel);
    EXPECT_TRUE(widget != nullptr && widget->isWindow());
    return widget != nullptr ? widget->windowTitle().toStdString() : std::string();
}

Panel_Rect Panel_Place(int panel)
{
    QWidget* widget = UiQt_PanelWidget(panel);
    EXPECT_NE(widget, nullptr);
    if (widget == nullptr) return {};
    if (widget->isWindow()) {
        const QRect client = widget->geometry();
        return {client.x(), client.y(), client.width(), client.height()};
    }
    return RectIn(widget->window(), widget, widget->rect());
}

int Tab_Count(int panel, int tab_control)
{
    QTabBar* bar = Tabs(panel, tab_control);
    return bar != nullptr ? bar->count() : 0;
}

std::string Tab_Label(int panel, int tab_control, int index)
{
    QTabBar* bar = Tabs(panel, tab_control);
    return bar != nullptr ? bar->tabText(index).toStdString() : std::string();
}

Panel_Rect Tab_Place(int panel, int tab_control, int index)
{
    QTabBar* bar = Tabs(panel, tab_control);
    return bar != nullptr ? RectIn(UiQt_PanelWidget(panel), bar, bar->tabRect(index))
                          : Panel_Rect{};
}

bool Reaches(int panel, int x, int y, int control, std::string& found)
{
    QPoint point;
    QWidget* window = WindowAt(panel, x, y, point);
    QWidget* target = UiQt_ControlWidget(panel, control);
    if (window == nullptr || target == nullptr) return false;
    QWidget* hit = window->childAt(point);
    for (QWidget* w = hit; w != nullptr; w = w->parentWidget())
        if (w == target) return true;
    found = hit != nullptr ? std::string(hit->metaObject()->className()) + " " +
                                 hit->objectName().toStdString()
                           : std::string("nothing");
    return false;
}

void Mouse_At(int panel, int x, int y, Mouse action)
{
    QPoint point;
    QWidget* window = WindowAt(panel, x, y, point);
    ASSERT_NE(window, nullptr);
    QWindow* handle = window->windowHandle();
    switch (action) {
    case Mouse::Down: QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, point); break;
    case Mouse::Up: QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, point); break;
    case Mouse::Click: QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, point); break;
    case Mouse::Double_Click:
        QTest::mouseDClick(handle, Qt::LeftButton, Qt::NoModifier, point);
        break;
    }
    Settle();
}

bool Looks_Pressed(int panel, int control)
{
    auto* button = qobject_cast<QAbstractButton*>(Control(panel, control));
    EXPECT_NE(button, nullptr) << "panel " << panel << " control " << control << " is no button";
    return button != nullptr && button->isDown();
}

bool Has_Keyboard(int panel, int control)
{
    QWidget* widget = Control(panel, control);
    if (widget == nullptr) return false;
    QWidget* focus = widget->window()->focusWidget();
    return focus != nullptr && (focus == widget || widget->isAncestorOf(focus)) &&
           focus->hasFocus();
}

void Drop_Keyboard(int panel)
{
    QWidget* widget = UiQt_PanelWidget(panel);
    ASSERT_NE(widget, nullptr);
    if (QWidget* focus = widget->window()->focusWidget()) focus->clearFocus();
    Settle();
}

std::string Selected_Text(int panel, int control)
{
    QLineEdit* field = FieldOf(Control(panel, control));
    EXPECT_NE(field, nullptr) << "panel " << panel << " control " << control << " is no field";
    return field != nullptr ? field->selectedText().toStdString() : std::string();
}

// ---- what the keyboard and a screen reader meet ---------------------------
// Read through Qt's accessibility interfaces, which the platform's bridge
// (AT-SPI) hands to a screen reader; Tab pressed as key input on the
// window, delivered to whatever has the keyboard.

namespace {

std::string AccessibleNameOf(QWidget* widget)
{
    QAccessibleInterface* face =
        widget != nullptr ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    return face != nullptr ? face->text(QAccessible::Name).toStdString() : std::string();
}

// Where Tab can stop in the window of `top_panel`: each control's widget
// (a tab control's tabs) with its panel and number, the pages' included.
struct Candidate {
    QWidget* widget;
    Stop stop;
};

void AddCandidates(int panel, std::vector<Candidate>& found)
{
    for (int number = 2;; ++number) {
        QWidget* widget = UiQt_ControlWidget(panel, number);
        if (widget == nullptr) return;
        auto* bar = widget->findChild<QTabBar*>();
        found.push_back({bar != nullptr ? bar : widget, {panel, number}});
        for (int index = 0; bar != nullptr && index < bar->count(); ++index) {
            int page = -1;
            if (GetPanelHandleFromTabPage(panel, number, index, &page) == 0)
                AddCandidates(page, found);
        }
    }
}

}  // namespace

std::string Accessible_Name(int panel, int control)
{
    return AccessibleNameOf(Control(panel, control));
}

std::string Accessible_Panel_Name(int panel)
{
    return AccessibleNameOf(UiQt_PanelWidget(panel));
}

std::vector<Stop> Tab_Stops(int top_panel)
{
    std::vector<Stop> stops;
    QWidget* panel_widget = UiQt_PanelWidget(top_panel);
    EXPECT_NE(panel_widget, nullptr);
    if (panel_widget == nullptr) return stops;
    QWidget* window = panel_widget->window();
    std::vector<Candidate> candidates;
    AddCandidates(top_panel, candidates);
    auto* first = window->findChild<QTabBar*>();
    EXPECT_NE(first, nullptr) << "the window has no tab control";
    if (first == nullptr) return stops;
    first->setFocus(Qt::OtherFocusReason);
    Settle();
    // Twice the window's controls is more than a cycle can have.
    for (std::size_t pressed = 0; pressed <= 2 * candidates.size(); ++pressed) {
        QWidget* focus = window->focusWidget();
        if (pressed > 0 && focus == first) return stops;
        Stop stop;
        for (const Candidate& c : candidates)
            if (focus != nullptr && (focus == c.widget || c.widget->isAncestorOf(focus)))
                stop = c.stop;
        stops.push_back(stop);
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
        Settle();
    }
    ADD_FAILURE() << "Tab never came back to the tab control";
    return stops;
}

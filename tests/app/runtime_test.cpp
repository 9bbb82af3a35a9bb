// What only the Qt runtime's tests look at: the numerics' arrows as the
// style draws them, what Qt's accessibility interfaces tell a screen reader
// beyond the names, the keys on Qt's widgets, and the panel-file reader's
// refusals (the reader is the one both runtimes use). The runtime's
// behaviour cases both runtimes share are in runtime_cases.cpp.
#include "KX418.h"
#include "qt/ui_qt_access.h"
#include "recording_callbacks.h"
#include "ui_driver.h"
#include "panel_file.h"
#include "ui_runtime.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using NumericArrows = LoadedMainPanel;

TEST_F(NumericArrows, SitAtTheLeftOfTheField)
{
    for (int control : {PANEL_NUMERIC_DAY, PANEL_NUMERIC_SECOND}) {
        QAbstractSpinBox* box = SpinBox(panel_, control);
        EXPECT_LT(ArrowRect(box, true).right(), FieldRect(box).left());
        EXPECT_LT(ArrowRect(box, false).right(), FieldRect(box).left());
        EXPECT_EQ(ArrowRect(box, true).left(), ArrowRect(box, false).left()) << "stacked";
    }
    const int fn1 = PageHandle(panel_, PANEL_TAB, 0);
    QAbstractSpinBox* time = SpinBox(fn1, TAB_FN1_NUMERIC_T1_F1);
    EXPECT_LT(ArrowRect(time, true).right(), FieldRect(time).left());
    // The field still edits left to right: typed digits keep their order.
    TypeInto(time, "12.5");
    double value = -1.0;
    EXPECT_EQ(GetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, &value), 0);
    EXPECT_EQ(value, 12.5);
}

using ScreenReader = LoadedMainPanel;

// The toggle reads as a check box named by its label, its state as the
// check box's, while it still shows "Aus" and "Ein".
TEST_F(ScreenReader, ToggleIsACheckBoxWithItsState)
{
    const int fn9 = PageHandle(panel_, PANEL_TAB, 8);
    Click_Tab(panel_, PANEL_TAB, 8);
    QWidget* toggle = UiQt_ControlWidget(fn9, TAB_FN9_AUTORESTART_F9);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(toggle);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::CheckBox);
    EXPECT_TRUE(face->state().checkable);
    EXPECT_FALSE(face->state().checked);
    Press(fn9, TAB_FN9_AUTORESTART_F9);
    EXPECT_TRUE(face->state().checked);
    EXPECT_EQ(face->text(QAccessible::Name).toStdString(), "Auto-Restart");
    EXPECT_EQ(Shown_Text(fn9, TAB_FN9_AUTORESTART_F9), "Ein");
}

using Keys = LoadedMainPanel;

// The page keys switch pages from inside a field (which would otherwise
// step on Ctrl+PageUp/PageDown), both ways round, and the keyboard goes
// along into the page in front.
TEST_F(Keys, PageKeysSwitchPagesFromAnywhereInTheWindow)
{
    QWindow* window = UiQt_PanelWidget(panel_)->window()->windowHandle();
    const int fn1 = PageHandle(panel_, PANEL_TAB, 0);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;  // in front after the key
    };
    const Case cases[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 1},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 0},
        {Qt::Key_PageUp, Qt::ControlModifier, 8},
        {Qt::Key_PageDown, Qt::ControlModifier, 0},
        {Qt::Key_PageDown, Qt::ControlModifier, 1},
        {Qt::Key_PageUp, Qt::ControlModifier, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        std::int32_t before = -1;
        ASSERT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &before), 0);
        if (before == 0) Type_Into(fn1, TAB_FN1_NUMERIC_T1_F1, "7", false);
        QTest::keyClick(window, c.key, c.modifiers);
        Settle();
        std::int32_t front = -1;
        ASSERT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &front), 0);
        EXPECT_EQ(front, c.page);
        if (before != 0) continue;
        double typed = -1.0;
        EXPECT_EQ(GetCtrlAttribute(fn1, TAB_FN1_NUMERIC_T1_F1, ATTR_CTRL_VAL, &typed), 0);
        EXPECT_EQ(typed, 7.0) << "the field took the key";
        const int page = PageHandle(panel_, PANEL_TAB, c.page);
        QWidget* focus = QApplication::focusWidget();
        EXPECT_TRUE(focus != nullptr && UiQt_PanelWidget(page)->isAncestorOf(focus))
            << "the keyboard stayed behind";
    }
    // Without Ctrl, Tab moves the keyboard and leaves the page in front.
    QTest::keyClick(window, Qt::Key_Tab);
    std::int32_t front = -1;
    ASSERT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &front), 0);
    EXPECT_EQ(front, 0);
}

// Enter presses the button with the keyboard once, as Space does.
TEST_F(Keys, EnterAndSpacePressTheFocusedButtonOnce)
{
    QWidget* button = UiQt_ControlWidget(panel_, PANEL_BUTTON_CALC_TIME);
    QWindow* window = button->window()->windowHandle();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        button->setFocus(Qt::TabFocusReason);
        RecordedCalls().clear();
        QTest::keyClick(window, key);
        Settle();
        ASSERT_EQ(RecordedCalls().size(), 1u);
        EXPECT_EQ(RecordedCalls()[0].control, PANEL_BUTTON_CALC_TIME);
        EXPECT_EQ(RecordedCalls()[0].event, EVENT_COMMIT);
    }
}

// Malformed panel files are refused with the line that is wrong.
TEST(PanelFile, MalformedFilesAreRefusedWithTheirLine)
{
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"panel P 1 width=10 height=10\ncontrol 3 A text top=0 left=0 width=1 height=1\n",
         "line 2"},
        {"panel P 1 width=10 height=10 colour=XYZ\n", "colour"},
        {"panel P 1 width=10 height=10 shade=1\n", "unknown field: shade"},
        {"panel P 1 width=10 height=10 title=\"open\n", "unterminated"},
        {"panel P 1 width=10 height=10\npanel Q 2 page_of=P.TAB index=0 width=5 height=5\n",
         "line 2"},
        {"panel P 1 width=10 height=10\ncontrol 2 N numeric type=double min=1 max=0 step=1 top=0 "
         "left=0 width=1 height=1\n",
         "min"},
        {"control 2 A text top=0 left=0 width=1 height=1\n", "before any panel"},
        {"# nothing\n", "no panel"},
    };
    for (const Case& c : cases) {
        UiPanelFile file;
        std::string error;
        EXPECT_FALSE(ParsePanelFile(c.text, file, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " -> " << error;
    }
}

// What no runtime could build is refused by the reader, so a file loads
// under every runtime or under none: tab pages that do not fit their tab
// control, integer limits beyond the value type. Null: the file reads.
TEST(PanelFile, WhatARuntimeCannotBuildIsRefusedBeforeBuilding)
{
    const std::string tab = "panel P 1 width=100 height=100\n"
                            "control 2 T tab top=10 left=10 width=80 height=80\n";
    const std::string page =
        "panel A 2 page_of=P.T index=0 label=a top=30 left=10 width=80 height=60\n";
    const auto numeric = [](const char* type_and_limits) {
        return std::string("panel P 1 width=100 height=100\ncontrol 2 N numeric ") +
               type_and_limits + " step=1 top=0 left=0 width=10 height=10\n";
    };
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {tab + page, nullptr},
        {tab, "without pages"},
        {tab + "panel A 2 page_of=P.T index=0 top=30 left=10 width=81 height=60\n", "do not fit"},
        {tab + "panel A 2 page_of=P.T index=0 top=10 left=10 width=80 height=60\n", "do not fit"},
        {tab + page + "panel B 3 page_of=P.T index=1 top=30 left=10 width=80 height=59\n",
         "differ"},
        {numeric("type=uint8 min=0 max=255"), nullptr},
        {numeric("type=uint8 min=0 max=256"), "value type holds"},
        {numeric("type=uint32 min=0 max=2147483647"), nullptr},
        {numeric("type=uint32 min=0 max=2147483648"), "value type holds"},
        {numeric("type=uint32 min=-1 max=5"), "value type holds"},
        {numeric("type=int32 min=-2147483649 max=0"), "value type holds"},
        {numeric("type=double min=-1e12 max=1e12"), nullptr},
        {"panel P 1 width=10 height=10\ncontrol 2 I indicator type=double top=0 left=0 width=1 "
         "height=1\n",
         "unsigned 32-bit"},
    };
    for (const Case& c : cases) {
        UiPanelFile file;
        std::string error;
        const bool read = ParsePanelFile(c.text, file, error);
        if (c.error == nullptr) {
            EXPECT_TRUE(read) << c.text << " -> " << error;
        } else {
            EXPECT_FALSE(read) << c.text;
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " -> " << error;
        }
    }
}

}  // namespace

// ui_driver.h - drives the loaded panel as a user would, for tests: real
// mouse clicks and key presses on the Qt runtime's widgets. The input the
// shared runtime cases use is declared in runtime_driver.h.
#ifndef KX418_TESTS_APP_UI_DRIVER_H
#define KX418_TESTS_APP_UI_DRIVER_H

#include "runtime_driver.h"

#include <QRect>
#include <QString>

#include <gtest/gtest.h>

class QAbstractSpinBox;
class QWidget;

// A test on the main panel of "KX418.uir", loaded and shown afresh for
// each test and discarded after it.
class LoadedMainPanel : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartUiForTests(); }
    void SetUp() override;
    void TearDown() override;

    int panel_ = -1;
};

// The handle of page `index` of the main panel's tab control, or -1.
int PageHandle(int main_panel, int tab_control, int index);

// The spin box of a numeric control (fails the test when it is none).
QAbstractSpinBox* SpinBox(int panel, int control);

// A click on the spin box's up or down arrow.
void ClickArrow(QAbstractSpinBox* box, bool up);

// Selects the field's text and types `text` over it, key by key, then
// Enter when `commit` is set.
void TypeInto(QAbstractSpinBox* box, const QString& text, bool commit = true);

// The arrow's rectangle within the spin box, as its style draws it.
QRect ArrowRect(QAbstractSpinBox* box, bool up);
QRect FieldRect(QAbstractSpinBox* box);

#endif

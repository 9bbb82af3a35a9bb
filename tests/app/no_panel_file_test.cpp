// The program built without its panel file: the panel cannot be loaded,
// and the program ends with exit code 0, showing nothing.
#include "KX418.h"
#include "ui_test_hooks.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

int KX418_Main(int argc, char* argv[]);

TEST(StartUp, PanelNotLoadableEndsWithZeroAndNoMessage)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int boxes = 0;
    UiTest_SetPopupObserver([&boxes](const std::string&, const std::string&) {
        ++boxes;
        return true;
    });
    static char name[] = "KX418";
    static char* argv[] = {name, nullptr};
    EXPECT_EQ(KX418_Main(1, argv), 0);
    EXPECT_LT(Panel_Handle, 0);
    EXPECT_EQ(boxes, 0);
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible());
    UiTest_SetPopupObserver({});
}

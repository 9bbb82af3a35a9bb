// What only the Qt runtime's tests look at: the numerics' arrows as the
// style draws them, and the panel-file reader's refusals. The runtime's
// behaviour cases both runtimes share are in runtime_cases.cpp.
#include "KX418.h"
#include "ui_driver.h"
#include "uiruntime/panel_file.h"
#include "uiruntime/ui_runtime.h"

#include <QAbstractSpinBox>

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

// Malformed panel files are refused with the line that is wrong.
TEST(PanelFile, MalformedFilesAreRefusedWithTheirLine)
{
    struct Case { const char* text; const char* error; };
    const Case cases[] = {
        {"panel P 1 width=10 height=10\ncontrol 3 A text top=0 left=0 width=1 height=1\n", "line 2"},
        {"panel P 1 width=10 height=10 colour=XYZ\n", "colour"},
        {"panel P 1 width=10 height=10 shade=1\n", "unknown field: shade"},
        {"panel P 1 width=10 height=10 title=\"open\n", "unterminated"},
        {"panel P 1 width=10 height=10\npanel Q 2 page_of=P.TAB index=0 width=5 height=5\n", "line 2"},
        {"panel P 1 width=10 height=10\ncontrol 2 N numeric type=double min=1 max=0 step=1 top=0 left=0 width=1 height=1\n", "min"},
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

}  // namespace

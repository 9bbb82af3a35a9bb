// The loaded main panel against its layout: every control of every panel
// with its number, constant, kind, texts, value, limits, place and size;
// the tabs and pages; the state of a fresh panel.
#include "KX418.h"
#include "panel_layout_table.h"
#include "ui_driver.h"
#include "uiruntime/panel_file.h"
#include "uiruntime/qt/ui_qt_access.h"
#include "uiruntime/ui_runtime.h"

#include <QDoubleSpinBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>

#include <gtest/gtest.h>

#include <QApplication>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace panel_layout;

class MainPanel : public LoadedMainPanel {
protected:
    int Handle(const std::string& page) const
    {
        if (page == "PANEL") return panel_;
        for (int i = 0; i < 9; ++i)
            if (page == kPages[i].constant) return PageHandle(panel_, PANEL_TAB, i);
        return -1;
    }
};

TEST_F(MainPanel, EveryControlAsLaidOut)
{
    // Every control is in the table, once: the pages' counts are complete.
    std::map<std::string, int> per_panel;
    for (const Row& row : Layout()) ++per_panel[row.page];
    EXPECT_EQ(per_panel["PANEL"], 11);
    EXPECT_EQ(per_panel["TAB_FN3"], 4);
    EXPECT_EQ(per_panel["TAB_FN8"], 4);
    EXPECT_EQ(per_panel["TAB_FN9"], 27);

    for (const Row& row : Layout()) {
        SCOPED_TRACE(row.page + " " + row.name);
        EXPECT_EQ(row.constant, row.number) << "header constant";
        const int handle = Handle(row.page);
        ASSERT_GE(handle, 0);
        QWidget* w = UiQt_ControlWidget(handle, row.number);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName().toStdString(), row.name);
        EXPECT_EQ(w->parentWidget(), UiQt_PanelWidget(handle)) << "placed within its own panel";
        EXPECT_EQ(w->geometry(), QRect(row.left, row.top, row.width, row.height));

        if (!row.label.empty()) {
            QWidget* label = UiQt_ControlLabel(handle, row.number);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(qobject_cast<QLabel*>(label)->text().toStdString(), row.label);
            EXPECT_EQ(label->pos(), QPoint(row.label_left, row.label_top));
        } else {
            EXPECT_EQ(UiQt_ControlLabel(handle, row.number), nullptr);
        }

        switch (row.kind) {
        case K::Numeric:
            if (row.type == V::Double) {
                auto* box = qobject_cast<QDoubleSpinBox*>(w);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->minimum(), row.min);
                EXPECT_EQ(box->maximum(), row.max);
                EXPECT_EQ(box->singleStep(), row.step);
                EXPECT_EQ(box->decimals(), row.precision);
                double value = -1;
                EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
                EXPECT_EQ(value, row.def);
            } else {
                auto* box = qobject_cast<QSpinBox*>(w);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->minimum(), row.min);
                EXPECT_EQ(box->maximum(), row.max);
                EXPECT_EQ(box->singleStep(), row.step);
                std::uint8_t value = 99;
                EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
                EXPECT_EQ(value, row.def);
            }
            EXPECT_EQ(w->palette().color(QPalette::Base), QColor(Qt::white));
            break;
        case K::Indicator: {
            auto* field = qobject_cast<QLineEdit*>(w);
            ASSERT_NE(field, nullptr);
            EXPECT_TRUE(field->isReadOnly());
            EXPECT_EQ(w->palette().color(QPalette::Base), QColor(0xEC, 0xE9, 0xD8));
            std::uint32_t value = 99;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
            EXPECT_EQ(value, 0u);
            break;
        }
        case K::Command:
        case K::Toggle: {
            auto* button = qobject_cast<QPushButton*>(w);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text().toStdString(), row.text);
            EXPECT_EQ(button->isCheckable(), row.kind == K::Toggle);
            std::int32_t value = 99;
            EXPECT_EQ(GetCtrlAttribute(handle, row.number, ATTR_CTRL_VAL, &value), 0);
            EXPECT_EQ(value, 0);
            break;
        }
        case K::Text: {
            auto* text = qobject_cast<QLabel*>(w);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->text().toStdString(), row.text);
            if (row.font_pixels != 0) EXPECT_EQ(text->font().pixelSize(), row.font_pixels);
            else EXPECT_EQ(text->font().pixelSize(), QApplication::font().pixelSize());
            break;
        }
        case K::Decoration:
            EXPECT_NE(qobject_cast<QFrame*>(w), nullptr);
            break;
        case K::Tab:
            EXPECT_NE(w->findChild<QTabBar*>(), nullptr);
            break;
        }
    }
}

TEST_F(MainPanel, WindowTitleSizeColourAndPlace)
{
    QWidget* window = UiQt_PanelWidget(panel_);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle().toStdString(), "KX418 Configurator v1.0, (c) 2026 KX418 project");
    EXPECT_EQ(window->size(), QSize(700, 523));
    EXPECT_LT(window->x(), 100);
    EXPECT_LT(window->y(), 100);
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0xEC, 0xE9, 0xD8));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(UiQt_PanelWidget(PageHandle(panel_, PANEL_TAB, i))->palette().color(QPalette::Window),
                  QColor(0xEC, 0xE9, 0xD8));
}

TEST_F(MainPanel, NinePagesInTabOrderEachAPanelOfItsOwn)
{
    auto* bar = UiQt_ControlWidget(panel_, PANEL_TAB)->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->count(), 9);
    QWidget* window = UiQt_PanelWidget(panel_);
    std::vector<int> handles;
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(kPages[i].label);
        EXPECT_EQ(bar->tabText(i).toStdString(), kPages[i].label);
        const int page = PageHandle(panel_, PANEL_TAB, i);
        ASSERT_GE(page, 0);
        EXPECT_NE(page, panel_);
        for (int other : handles) EXPECT_NE(page, other);
        handles.push_back(page);
        QWidget* widget = UiQt_PanelWidget(page);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->objectName().toStdString(), kPages[i].constant);
        EXPECT_EQ(QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()), QRect(15, 32, 671, 354));
    }
    // The sixth tab shows the page TABPANEL_6; its numbers are its own.
    EXPECT_EQ(UiQt_PanelWidget(handles[5])->objectName(), "TABPANEL_6");
    EXPECT_EQ(UiQt_ControlWidget(handles[5], 4), nullptr);
}

TEST_F(MainPanel, FreshPanelState)
{
    std::int32_t front = -1;
    ASSERT_EQ(GetCtrlAttribute(panel_, PANEL_TAB, ATTR_CTRL_VAL, &front), 0);
    EXPECT_EQ(front, 0);
    EXPECT_TRUE(UiQt_PanelWidget(PageHandle(panel_, PANEL_TAB, 0))->isVisible());
    EXPECT_FALSE(UiQt_PanelWidget(PageHandle(panel_, PANEL_TAB, 1))->isVisible());

    struct Shown { int page; int control; const char* text; };
    const Shown shown[] = {
        {0, TAB_FN1_NUMERIC_T1_F1, "0.0"},       {1, TAB_FN2_NUMERIC_T1_F2, "0.0"},
        {2, TAB_FN3_NUMERIC_T1_F3, "0.0"},       {2, TAB_FN3_NUMERIC_T2_F3, "0.0"},
        {3, TAB_FN4_NUMERIC_T1_F4, "0.1"},       {4, TAB_FN5_NUMERIC_T1_F5, "0.1"},
        {7, TAB_FN8_NUMERIC_T1_F8, "0.1"},       {7, TAB_FN8_NUMERIC_T2_F8, "0.1"},
        {8, TAB_FN9_NUMERIC_T1_START_F9, "0.0"}, {8, TAB_FN9_NUMERIC_T8_STOP_F9, "0.0"},
        {-1, PANEL_NUMERIC_DAY, "0"},            {-1, PANEL_NUMERIC_HOUR, "0"},
        {-1, PANEL_NUMERIC_MINUTE, "0"},         {-1, PANEL_NUMERIC_SECOND, "0"},
    };
    for (const Shown& s : shown) {
        const int handle = s.page < 0 ? panel_ : PageHandle(panel_, PANEL_TAB, s.page);
        QAbstractSpinBox* box = SpinBox(handle, s.control);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().toStdString(), s.text) << box->objectName().toStdString();
    }
    EXPECT_EQ(qobject_cast<QLineEdit*>(UiQt_ControlWidget(panel_, PANEL_NUMERIC_TIME_RESULT))->text(), "0");
    EXPECT_EQ(qobject_cast<QPushButton*>(UiQt_ControlWidget(PageHandle(panel_, PANEL_TAB, 8),
                                                            TAB_FN9_AUTORESTART_F9))->text(), "Aus");
}

}  // namespace

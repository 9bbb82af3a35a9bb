// The names and the tab order computed from the configurator's panel file
// are those a person must meet (access_table.h); and the page keys.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "access_table.h"
#include "panel_file.h"
#include "ui_access.h"

namespace {

UiPanelFile Read_Panel_File()
{
    std::ifstream in(KX418_PANEL_FILE);
    std::stringstream text;
    text << in.rdbuf();
    UiPanelFile file;
    std::string error;
    EXPECT_TRUE(ParsePanelFile(text.str(), file, error)) << error;
    return file;
}

const UiPanelEntry& Panel(const UiPanelFile& file, const std::string& constant)
{
    for (const UiPanelEntry& panel : file.panels)
        if (panel.constant == constant) return panel;
    throw std::runtime_error("no panel " + constant);
}

const UiControlEntry& Control(const UiPanelEntry& panel, const std::string& constant)
{
    for (const UiControlEntry& control : panel.controls)
        if (control.constant == constant) return control;
    throw std::runtime_error("no control " + constant + " on " + panel.constant);
}

TEST(Access_Rules, EveryControlAPersonUsesIsNamedAsTheTableSays)
{
    const UiPanelFile file = Read_Panel_File();
    std::map<std::string, int> named;  // by panel: controls the table names
    for (const Access_Name_Row& row : Access_Names()) {
        const UiPanelEntry& panel = Panel(file, row.panel);
        EXPECT_EQ(AccessibleName(panel, Control(panel, row.constant)), row.name)
            << row.panel << "." << row.constant;
        ++named[row.panel];
    }
    // The table leaves out no control the keyboard reaches (the tab
    // control aside: its tabs are named by their pages), nor a frame.
    for (const UiPanelEntry& panel : file.panels) {
        int named_kinds = 0;
        for (const UiControlEntry& control : panel.controls)
            if ((TakesFocus(control.kind) && control.kind != UiControlKind::Tab) ||
                control.kind == UiControlKind::Decoration)
                ++named_kinds;
        EXPECT_EQ(named[panel.constant], named_kinds) << panel.constant;
    }
    for (const UiPanelEntry& panel : file.panels) {
        if (!panel.is_page()) continue;
        EXPECT_EQ(AccessibleName(panel), Access_Page_Names().at(panel.page_index));
    }
}

TEST(Access_Rules, TabMovesInReadingOrderWithButtonsAfterTheFieldsTheyAct)
{
    const UiPanelFile file = Read_Panel_File();
    ASSERT_EQ(Access_Orders().size(), file.panels.size());
    for (const Access_Order_Row& row : Access_Orders()) {
        const UiPanelEntry& panel = Panel(file, row.panel);
        std::vector<std::string> order;
        for (int number : TabOrder(panel))
            order.push_back(panel.controls.at(static_cast<std::size_t>(number - 2)).constant);
        EXPECT_EQ(order, row.constants) << row.panel;
    }
}

TEST(Access_Rules, PageKeysAsNativeTabbedDialogsHaveThem)
{
    struct Case {
        UiKey key;
        bool control, shift;
        int step;
    };
    const Case cases[] = {
        {UiKey::Tab, true, false, 1},      {UiKey::Tab, true, true, -1},
        {UiKey::PageDown, true, false, 1}, {UiKey::PageUp, true, false, -1},
        {UiKey::PageDown, true, true, 1},  {UiKey::Tab, false, false, 0},
        {UiKey::Tab, false, true, 0},      {UiKey::PageDown, false, false, 0},
        {UiKey::Other, true, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageStep(c.key, {c.control, c.shift}), c.step)
            << static_cast<int>(c.key) << " ctrl " << c.control << " shift " << c.shift;
    EXPECT_EQ(SteppedPage(8, 9, 1), 0);
    EXPECT_EQ(SteppedPage(0, 9, -1), 8);
    EXPECT_EQ(SteppedPage(2, 9, 1), 3);
}

}  // namespace

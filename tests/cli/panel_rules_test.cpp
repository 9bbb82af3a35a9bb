// The page times' rules are kept once, in the transfer rules; the panel
// file must show the same: on the page of each function as many time
// controls as the function takes, with its lower limit (also the
// default), the upper limit, the increment and the decimals.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "transfer_rules.h"
#include "panel_file.h"

namespace {

std::vector<const UiControlEntry*> Time_Controls(const UiPanelEntry& page)
{
    std::vector<const UiControlEntry*> times;
    for (const UiControlEntry& control : page.controls)
        if (control.kind == UiControlKind::Numeric && control.value_type == UiValueType::Double)
            times.push_back(&control);
    return times;
}

void Expect_Time_Rule(const UiControlEntry& control, double lower_limit)
{
    SCOPED_TRACE(control.constant);
    EXPECT_TRUE(control.has_limits);
    EXPECT_DOUBLE_EQ(control.minimum, lower_limit);
    EXPECT_DOUBLE_EQ(control.default_value, lower_limit);
    EXPECT_DOUBLE_EQ(control.maximum, Page_Time_Upper_Limit);
    EXPECT_DOUBLE_EQ(control.increment, Page_Time_Increment);
    EXPECT_EQ(control.precision, Page_Time_Decimals);
}

TEST(Panel_Rules, ThePanelFileShowsTheRulesOfEveryPage)
{
    std::ifstream file(KX418_PANEL_FILE);
    ASSERT_TRUE(file) << KX418_PANEL_FILE;
    std::stringstream text;
    text << file.rdbuf();
    UiPanelFile panels;
    std::string error;
    ASSERT_TRUE(ParsePanelFile(text.str(), panels, error)) << error;

    int pages_seen = 0;
    for (const UiPanelEntry& page : panels.panels) {
        if (!page.is_page()) continue;
        ++pages_seen;
        SCOPED_TRACE(page.constant);
        const std::vector<const UiControlEntry*> times = Time_Controls(page);
        const int function = page.page_index + 1;
        if (const Function_Page* rule = Find_Function_Page(function)) {
            ASSERT_EQ(static_cast<int>(times.size()), rule->times);
            for (const UiControlEntry* control : times)
                Expect_Time_Rule(*control, rule->lower_limit);
        } else {
            ASSERT_EQ(function, Sequencer_Function);
            ASSERT_EQ(static_cast<int>(times.size()), 2 * Sequencer_Channel_Count);
            for (const UiControlEntry* control : times)
                Expect_Time_Rule(*control, Sequencer_Time_Lower_Limit);
        }
    }
    EXPECT_EQ(pages_seen, static_cast<int>(Function_Pages.size()) + 1);
}

}  // namespace

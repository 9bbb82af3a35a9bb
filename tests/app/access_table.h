// access_table.h - what the keyboard and a screen reader must meet on the
// configurator's panel: the name of every control a person uses and the
// order Tab moves in on each page. Checked against the rule that computes
// them and, through each runtime's driver, against what each toolkit shows.
#ifndef KX418_TESTS_APP_ACCESS_TABLE_H
#define KX418_TESTS_APP_ACCESS_TABLE_H

#include <string>
#include <vector>

struct Access_Name_Row {
    std::string panel;     // panel constant: "PANEL" or a page's
    std::string constant;  // control constant within that panel
    std::string name;      // what a screen reader says
};

inline const std::vector<Access_Name_Row>& Access_Names()
{
    static const std::vector<Access_Name_Row> rows = [] {
        std::vector<Access_Name_Row> r = {
            {"PANEL", "NUMERIC_DAY", "Tage"},
            {"PANEL", "NUMERIC_HOUR", "Stunden"},
            {"PANEL", "NUMERIC_MINUTE", "Minuten"},
            {"PANEL", "NUMERIC_SECOND", "Sekunden"},
            {"PANEL", "BUTTON_CALC_TIME", "Zeit umrechnen"},
            {"PANEL", "NUMERIC_TIME_RESULT", "Zeit-Umrechner, Sekunden"},
            {"PANEL", "BUTTON_QUIT", "Beenden"},
            {"PANEL", "DECORATION", "Zeit-Umrechner"},
            {"TAB_FN1", "NUMERIC_T1_F1", "Zeit, Sek"},
            {"TAB_FN2", "NUMERIC_T1_F2", "Zeit, Sek"},
            {"TAB_FN3", "NUMERIC_T1_F3", "Zeit 1, Sek"},
            {"TAB_FN3", "NUMERIC_T2_F3", "Zeit 2, Sek"},
            {"TAB_FN4", "NUMERIC_T1_F4", "Zeit, Sek"},
            {"TAB_FN5", "NUMERIC_T1_F5", "Zeit, Sek"},
            {"TAB_FN8", "NUMERIC_T1_F8", "Zeit 1, Sek"},
            {"TAB_FN8", "NUMERIC_T2_F8", "Zeit 2, Sek"},
            {"TAB_FN9", "AUTORESTART_F9", "Auto-Restart"},
        };
        const char* pages[] = {"TAB_FN1",    "TAB_FN2", "TAB_FN3", "TAB_FN4", "TAB_FN5",
                               "TABPANEL_6", "TAB_FN7", "TAB_FN8", "TAB_FN9"};
        for (const char* page : pages) {
            const std::string digit(1, std::string(page).back());
            r.push_back({page, "BUTTON_SEND_FN" + digit, "Einstellungen abschicken"});
        }
        // The sequencer's channel times: "Zeit 1: Start, Sek." carries a
        // full stop on channels 1 and 2 only, as the panel shows it.
        for (int channel = 1; channel <= 8; ++channel) {
            const std::string n = std::to_string(channel);
            const std::string stop = channel <= 2 ? "." : "";
            r.push_back({"TAB_FN9", "NUMERIC_T" + n + "_START_F9",
                         "Kanal " + n + ", Zeit " + n + ": Start, Sek" + stop});
            r.push_back({"TAB_FN9", "NUMERIC_T" + n + "_STOP_F9",
                         "Kanal " + n + ", Zeit " + n + ": Stopp, Sek"});
        }
        return r;
    }();
    return rows;
}

// The pages by tab label, for the names a screen reader gives the tabs.
inline const std::vector<std::string>& Access_Page_Names()
{
    static const std::vector<std::string> names = {"Fn1", "Fn2", "Fn3", "Fn4", "Fn5",
                                                   "Fn6", "Fn7", "Fn8", "Fn9"};
    return names;
}

struct Access_Order_Row {
    std::string panel;                   // "PANEL" or a page's constant
    std::vector<std::string> constants;  // the controls Tab reaches, in order
};

// Tab order within each panel; the window's whole order is the main
// panel's with the page in front right after "TAB".
inline const std::vector<Access_Order_Row>& Access_Orders()
{
    static const std::vector<Access_Order_Row> rows = [] {
        std::vector<Access_Order_Row> r = {
            {"PANEL",
             {"TAB", "NUMERIC_DAY", "NUMERIC_HOUR", "NUMERIC_MINUTE", "NUMERIC_SECOND",
              "BUTTON_CALC_TIME", "NUMERIC_TIME_RESULT", "BUTTON_QUIT"}},
            {"TAB_FN1", {"NUMERIC_T1_F1", "BUTTON_SEND_FN1"}},
            {"TAB_FN2", {"NUMERIC_T1_F2", "BUTTON_SEND_FN2"}},
            {"TAB_FN3", {"NUMERIC_T1_F3", "NUMERIC_T2_F3", "BUTTON_SEND_FN3"}},
            {"TAB_FN4", {"NUMERIC_T1_F4", "BUTTON_SEND_FN4"}},
            {"TAB_FN5", {"NUMERIC_T1_F5", "BUTTON_SEND_FN5"}},
            {"TABPANEL_6", {"BUTTON_SEND_FN6"}},
            {"TAB_FN7", {"BUTTON_SEND_FN7"}},
            {"TAB_FN8", {"NUMERIC_T1_F8", "NUMERIC_T2_F8", "BUTTON_SEND_FN8"}},
        };
        Access_Order_Row fn9{"TAB_FN9", {}};
        for (int channel = 1; channel <= 8; ++channel) {
            const std::string n = std::to_string(channel);
            fn9.constants.push_back("NUMERIC_T" + n + "_START_F9");
            fn9.constants.push_back("NUMERIC_T" + n + "_STOP_F9");
        }
        fn9.constants.push_back("AUTORESTART_F9");
        fn9.constants.push_back("BUTTON_SEND_FN9");
        r.push_back(fn9);
        return r;
    }();
    return rows;
}

#endif

// panel_layout_table.h - the main panel as it is laid out: every control of
// every panel with its number, constant, kind, texts, value, limits, place
// and size, and the pages in tab order. One table for the tests of every
// runtime: the shared layout and reach cases (tests/app/layout_cases.cpp)
// and the Win32 runtime's test at other DPIs; and the Win32 benchmark's
// bare window, made directly from it.
#ifndef KX418_SUPPORT_PANEL_LAYOUT_TABLE_H
#define KX418_SUPPORT_PANEL_LAYOUT_TABLE_H

#include "KX418.h"
#include "panel_file.h"

#include <string>
#include <vector>

namespace panel_layout {


using K = UiControlKind;
using V = UiValueType;

struct Row {
    std::string page;  // panel constant: "PANEL" or a page's
    int constant;      // the header's control constant
    int number;        // control number as the layout gives it
    std::string name;
    K kind;
    V type;
    std::string text;   // button or fixed text
    std::string label;  // separate label, or ""
    int label_top, label_left;
    double def, min, max, step;
    int precision;
    int top, left, width, height;
    int font_pixels;  // 0: the standard dialog font
};

constexpr double kMaxTime = 2678400.0;

// clang-format off
inline Row Time(const char* page, int constant, int number, const std::string& name, const std::string& label,
         int label_top, int label_left, double min, int top, int left, int width)
{
    return {page, constant, number, name, K::Numeric, V::Double, "", label, label_top, label_left,
            min, min, kMaxTime, 0.1, 1, top, left, width, 21, 0};
}
inline Row FirstTime(const char* page, int constant, const char* name, const char* label, double min)
{
    return Time(page, constant, 3, name, label, 67, 38, min, 87, 31, 106);
}
inline Row SecondTime(const char* page, int constant, int number, const char* name, double min)
{
    return Time(page, constant, number, name, "Zeit 2, Sek", 117, 36, min, 137, 29, 108);
}
inline Row Send(const char* page, int constant, const char* name, int left = 37)
{
    return {page, constant, 2, name, K::Command, V::Int32, "Einstellungen abschicken", "", 0, 0,
            0, 0, 0, 0, 0, 312, left, 151, 26, 0};
}
inline Row Heading(const char* page, int constant, int number, const char* name, const char* text, int top,
            int left, int width)
{
    return {page, constant, number, name, K::Text, V::None, text, "", 0, 0, 0, 0, 0, 0, 0,
            top, left, width, 28, 22};
}
inline Row Text(const char* page, int constant, int number, const std::string& name, const std::string& text, int top,
         int left, int width, int height, int font = 0)
{
    return {page, constant, number, name, K::Text, V::None, text, "", 0, 0, 0, 0, 0, 0, 0,
            top, left, width, height, font};
}
inline Row Byte(int constant, int number, const char* name, const char* label, double max, int left, int width)
{
    return {"PANEL", constant, number, name, K::Numeric, V::UInt8, "", label, 416, left,
            0, 0, max, 1, 0, 437, left, width, 21, 0};
}
inline Row Button(int constant, int number, const char* name, const char* text, int top, int left, int width,
           int height)
{
    return {"PANEL", constant, number, name, K::Command, V::Int32, text, "", 0, 0, 0, 0, 0, 0, 0,
            top, left, width, height, 0};
}
inline const std::vector<Row>& Layout()
{
    static const std::vector<Row> rows = [] {
        std::vector<Row> r = {
            {"PANEL", PANEL_TAB, 2, "TAB", K::Tab, V::Int32, "", "", 0, 0, 0, 0, 0, 0, 0, 11, 13, 675, 377, 0},
            {"PANEL", PANEL_NUMERIC_TIME_RESULT, 3, "NUMERIC_TIME_RESULT", K::Indicator, V::UInt32, "",
             "Sekunden", 416, 537, 0, 0, 0, 0, 0, 437, 537, 134, 21, 0},
            Byte(PANEL_NUMERIC_SECOND, 4, "NUMERIC_SECOND", "Sekunden", 59, 403, 57),
            Byte(PANEL_NUMERIC_MINUTE, 5, "NUMERIC_MINUTE", "Minuten", 59, 330, 59),
            Byte(PANEL_NUMERIC_HOUR, 6, "NUMERIC_HOUR", "Stunden", 23, 254, 59),
            Byte(PANEL_NUMERIC_DAY, 7, "NUMERIC_DAY", "Tage", 30, 181, 58),
            Button(PANEL_BUTTON_CALC_TIME, 8, "BUTTON_CALC_TIME", "Zeit umrechnen", 430, 31, 117, 27),
            Button(PANEL_BUTTON_QUIT, 9, "BUTTON_QUIT", "Beenden", 487, 570, 118, 26),
            {"PANEL", PANEL_DECORATION, 10, "DECORATION", K::Decoration, V::None, "", "", 0, 0, 0, 0, 0, 0,
             0, 412, 12, 676, 57, 0},
            Text("PANEL", PANEL_TEXTMSG, 11, "TEXTMSG", "=", 428, 487, 21, 38, 30),
            Text("PANEL", PANEL_TEXTMSG_2, 12, "TEXTMSG_2", "Zeit-Umrechner", 406, 50, 76, 15),

            Send("TAB_FN1", TAB_FN1_BUTTON_SEND_FN1, "BUTTON_SEND_FN1"),
            FirstTime("TAB_FN1", TAB_FN1_NUMERIC_T1_F1, "NUMERIC_T1_F1", "Zeit, Sek", 0.0),
            Heading("TAB_FN1", TAB_FN1_TEXTMSG, 4, "TEXTMSG", "Einschaltverzoegerung mit Reset", 12, 37, 354),
            Send("TAB_FN2", TAB_FN2_BUTTON_SEND_FN2, "BUTTON_SEND_FN2"),
            FirstTime("TAB_FN2", TAB_FN2_NUMERIC_T1_F2, "NUMERIC_T1_F2", "Zeit, Sek", 0.0),
            Heading("TAB_FN2", TAB_FN2_TEXTMSG, 4, "TEXTMSG", "Ausschaltverzoegerung mit Reset", 12, 37, 360),
            Send("TAB_FN3", TAB_FN3_BUTTON_SEND_FN3, "BUTTON_SEND_FN3"),
            FirstTime("TAB_FN3", TAB_FN3_NUMERIC_T1_F3, "NUMERIC_T1_F3", "Zeit 1, Sek", 0.0),
            SecondTime("TAB_FN3", TAB_FN3_NUMERIC_T2_F3, 4, "NUMERIC_T2_F3", 0.0),
            Heading("TAB_FN3", TAB_FN3_TEXTMSG, 5, "TEXTMSG", "Ein-/Ausschaltverzoegerung mit Reset", 12, 37, 410),
            Send("TAB_FN4", TAB_FN4_BUTTON_SEND_FN4, "BUTTON_SEND_FN4"),
            FirstTime("TAB_FN4", TAB_FN4_NUMERIC_T1_F4, "NUMERIC_T1_F4", "Zeit, Sek", 0.1),
            Heading("TAB_FN4", TAB_FN4_TEXTMSG, 4, "TEXTMSG", "Monoflop mit Reset", 12, 37, 209),
            Send("TAB_FN5", TAB_FN5_BUTTON_SEND_FN5, "BUTTON_SEND_FN5"),
            FirstTime("TAB_FN5", TAB_FN5_NUMERIC_T1_F5, "NUMERIC_T1_F5", "Zeit, Sek", 0.1),
            Heading("TAB_FN5", TAB_FN5_TEXTMSG, 4, "TEXTMSG", "Monoflop mit Restart und Reset", 12, 37, 339),
            Send("TABPANEL_6", TABPANEL_6_BUTTON_SEND_FN6, "BUTTON_SEND_FN6"),
            Heading("TABPANEL_6", TABPANEL_6_TEXTMSG, 3, "TEXTMSG", "Ein- / Aus-Schalter", 12, 37, 204),
            Send("TAB_FN7", TAB_FN7_BUTTON_SEND_FN7, "BUTTON_SEND_FN7"),
            Heading("TAB_FN7", TAB_FN7_TEXTMSG, 3, "TEXTMSG", "Ein- / Aus-Taster", 12, 37, 182),
            Send("TAB_FN8", TAB_FN8_BUTTON_SEND_FN8, "BUTTON_SEND_FN8"),
            FirstTime("TAB_FN8", TAB_FN8_NUMERIC_T1_F8, "NUMERIC_T1_F8", "Zeit 1, Sek", 0.1),
            Heading("TAB_FN8", TAB_FN8_TEXTMSG, 4, "TEXTMSG", "Blinkschalter(Toggle)", 12, 37, 227),
            SecondTime("TAB_FN8", TAB_FN8_NUMERIC_T2_F8, 5, "NUMERIC_T2_F8", 0.1),

            Send("TAB_FN9", TAB_FN9_BUTTON_SEND_FN9, "BUTTON_SEND_FN9", 78),
            {"TAB_FN9", TAB_FN9_AUTORESTART_F9, 12, "AUTORESTART_F9", K::Toggle, V::Int32, "Aus",
             "Auto-Restart", 318, 362, 0, 0, 0, 0, 0, 312, 437, 40, 26, 0},
            Heading("TAB_FN9", TAB_FN9_TEXTMSG_9, 13, "TEXTMSG_9",
                    "8-kanaliger Ein-/Ausschalt-Sequenzer mit Reset", 18, 87, 513),
        };
        // The channel rows, top to bottom: number of the channel text, the
        // start time and the stop time, and the start time's label.
        struct Channel { int text_no, start_no, stop_no; int text_c, start_c, stop_c; const char* start_label; int top; };
        const Channel channels[] = {
            {16, 11, 27, TAB_FN9_TEXTMSG_CH1, TAB_FN9_NUMERIC_T1_START_F9, TAB_FN9_NUMERIC_T1_STOP_F9, "Zeit 1: Start, Sek.", 61},
            {22, 10, 25, TAB_FN9_TEXTMSG_CH2, TAB_FN9_NUMERIC_T2_START_F9, TAB_FN9_NUMERIC_T2_STOP_F9, "Zeit 2: Start, Sek.", 90},
            {24, 9, 23, TAB_FN9_TEXTMSG_CH3, TAB_FN9_NUMERIC_T3_START_F9, TAB_FN9_NUMERIC_T3_STOP_F9, "Zeit 3: Start, Sek", 119},
            {18, 7, 21, TAB_FN9_TEXTMSG_CH4, TAB_FN9_NUMERIC_T4_START_F9, TAB_FN9_NUMERIC_T4_STOP_F9, "Zeit 4: Start, Sek", 149},
            {20, 6, 19, TAB_FN9_TEXTMSG_CH5, TAB_FN9_NUMERIC_T5_START_F9, TAB_FN9_NUMERIC_T5_STOP_F9, "Zeit 5: Start, Sek", 178},
            {26, 5, 8, TAB_FN9_TEXTMSG_CH6, TAB_FN9_NUMERIC_T6_START_F9, TAB_FN9_NUMERIC_T6_STOP_F9, "Zeit 6: Start, Sek", 207},
            {14, 4, 17, TAB_FN9_TEXTMSG_CH7, TAB_FN9_NUMERIC_T7_START_F9, TAB_FN9_NUMERIC_T7_STOP_F9, "Zeit 7: Start, Sek", 236},
            {28, 3, 15, TAB_FN9_TEXTMSG_CH8, TAB_FN9_NUMERIC_T8_START_F9, TAB_FN9_NUMERIC_T8_STOP_F9, "Zeit 8: Start, Sek", 265},
        };
        int channel = 1;
        for (const Channel& ch : channels) {
            const std::string n = std::to_string(channel++);
            r.push_back(Text("TAB_FN9", ch.text_c, ch.text_no, "TEXTMSG_CH" + n, "Kanal " + n, ch.top + 3, 76, 39, 15));
            r.push_back(Time("TAB_FN9", ch.start_c, ch.start_no, "NUMERIC_T" + n + "_START_F9", ch.start_label,
                             ch.top + 3, 188, 0.0, ch.top, 288, 106));
            r.push_back(Time("TAB_FN9", ch.stop_c, ch.stop_no, "NUMERIC_T" + n + "_STOP_F9", "Zeit " + n + ": Stopp, Sek",
                             ch.top + 3, 408, 0.0, ch.top, 501, 108));
        }
        return r;
        // clang-format on
    }();
    return rows;
}

// Tab order: label, page constant, heading.
struct Page {
    const char* label;
    const char* constant;
    int header;
};
inline const Page kPages[] = {
    {"Fn1", "TAB_FN1", TAB_FN1}, {"Fn2", "TAB_FN2", TAB_FN2}, {"Fn3", "TAB_FN3", TAB_FN3},
    {"Fn4", "TAB_FN4", TAB_FN4}, {"Fn5", "TAB_FN5", TAB_FN5}, {"Fn6", "TABPANEL_6", TABPANEL_6},
    {"Fn7", "TAB_FN7", TAB_FN7}, {"Fn8", "TAB_FN8", TAB_FN8}, {"Fn9", "TAB_FN9", TAB_FN9},
};

}  // namespace panel_layout

#endif

// KX418.h - the configurator's panels, controls and callbacks.
//
// The constants name the panels and controls of the panel file "KX418.uir"
// by their numbers there: a panel's constant is its panel number, a
// control's constant is its panel's constant, an underscore and its own,
// with its control number within that panel (numbers start at 2 in every
// panel, and every tab page is a panel of its own). Keep them in step with
// the panel file.
#ifndef KX418_H_PANEL
#define KX418_H_PANEL

#include <cstdint>

#include "transfer_rules.h"

inline constexpr int PANEL = 1;
inline constexpr int PANEL_TAB = 2;
inline constexpr int PANEL_NUMERIC_TIME_RESULT = 3;
inline constexpr int PANEL_NUMERIC_SECOND = 4;
inline constexpr int PANEL_NUMERIC_MINUTE = 5;
inline constexpr int PANEL_NUMERIC_HOUR = 6;
inline constexpr int PANEL_NUMERIC_DAY = 7;
inline constexpr int PANEL_BUTTON_CALC_TIME = 8;
inline constexpr int PANEL_BUTTON_QUIT = 9;
inline constexpr int PANEL_DECORATION = 10;
inline constexpr int PANEL_TEXTMSG = 11;
inline constexpr int PANEL_TEXTMSG_2 = 12;

inline constexpr int TAB_FN1 = 2;
inline constexpr int TAB_FN1_BUTTON_SEND_FN1 = 2;
inline constexpr int TAB_FN1_NUMERIC_T1_F1 = 3;
inline constexpr int TAB_FN1_TEXTMSG = 4;

inline constexpr int TAB_FN2 = 3;
inline constexpr int TAB_FN2_BUTTON_SEND_FN2 = 2;
inline constexpr int TAB_FN2_NUMERIC_T1_F2 = 3;
inline constexpr int TAB_FN2_TEXTMSG = 4;

inline constexpr int TAB_FN3 = 4;
inline constexpr int TAB_FN3_BUTTON_SEND_FN3 = 2;
inline constexpr int TAB_FN3_NUMERIC_T1_F3 = 3;
inline constexpr int TAB_FN3_NUMERIC_T2_F3 = 4;
inline constexpr int TAB_FN3_TEXTMSG = 5;

inline constexpr int TAB_FN4 = 5;
inline constexpr int TAB_FN4_BUTTON_SEND_FN4 = 2;
inline constexpr int TAB_FN4_NUMERIC_T1_F4 = 3;
inline constexpr int TAB_FN4_TEXTMSG = 4;

inline constexpr int TAB_FN5 = 6;
inline constexpr int TAB_FN5_BUTTON_SEND_FN5 = 2;
inline constexpr int TAB_FN5_NUMERIC_T1_F5 = 3;
inline constexpr int TAB_FN5_TEXTMSG = 4;

inline constexpr int TABPANEL_6 = 7;
inline constexpr int TABPANEL_6_BUTTON_SEND_FN6 = 2;
inline constexpr int TABPANEL_6_TEXTMSG = 3;

inline constexpr int TAB_FN7 = 8;
inline constexpr int TAB_FN7_BUTTON_SEND_FN7 = 2;
inline constexpr int TAB_FN7_TEXTMSG = 3;

inline constexpr int TAB_FN8 = 9;
inline constexpr int TAB_FN8_BUTTON_SEND_FN8 = 2;
inline constexpr int TAB_FN8_NUMERIC_T1_F8 = 3;
inline constexpr int TAB_FN8_TEXTMSG = 4;
inline constexpr int TAB_FN8_NUMERIC_T2_F8 = 5;

inline constexpr int TAB_FN9 = 10;
inline constexpr int TAB_FN9_BUTTON_SEND_FN9 = 2;
inline constexpr int TAB_FN9_NUMERIC_T8_START_F9 = 3;
inline constexpr int TAB_FN9_NUMERIC_T7_START_F9 = 4;
inline constexpr int TAB_FN9_NUMERIC_T6_START_F9 = 5;
inline constexpr int TAB_FN9_NUMERIC_T5_START_F9 = 6;
inline constexpr int TAB_FN9_NUMERIC_T4_START_F9 = 7;
inline constexpr int TAB_FN9_NUMERIC_T6_STOP_F9 = 8;
inline constexpr int TAB_FN9_NUMERIC_T3_START_F9 = 9;
inline constexpr int TAB_FN9_NUMERIC_T2_START_F9 = 10;
inline constexpr int TAB_FN9_NUMERIC_T1_START_F9 = 11;
inline constexpr int TAB_FN9_AUTORESTART_F9 = 12;
inline constexpr int TAB_FN9_TEXTMSG_9 = 13;
inline constexpr int TAB_FN9_TEXTMSG_CH7 = 14;
inline constexpr int TAB_FN9_NUMERIC_T8_STOP_F9 = 15;
inline constexpr int TAB_FN9_TEXTMSG_CH1 = 16;
inline constexpr int TAB_FN9_NUMERIC_T7_STOP_F9 = 17;
inline constexpr int TAB_FN9_TEXTMSG_CH4 = 18;
inline constexpr int TAB_FN9_NUMERIC_T5_STOP_F9 = 19;
inline constexpr int TAB_FN9_TEXTMSG_CH5 = 20;
inline constexpr int TAB_FN9_NUMERIC_T4_STOP_F9 = 21;
inline constexpr int TAB_FN9_TEXTMSG_CH2 = 22;
inline constexpr int TAB_FN9_NUMERIC_T3_STOP_F9 = 23;
inline constexpr int TAB_FN9_TEXTMSG_CH3 = 24;
inline constexpr int TAB_FN9_NUMERIC_T2_STOP_F9 = 25;
inline constexpr int TAB_FN9_TEXTMSG_CH6 = 26;
inline constexpr int TAB_FN9_NUMERIC_T1_STOP_F9 = 27;
inline constexpr int TAB_FN9_TEXTMSG_CH8 = 28;

// Callbacks the panel file names, bound by name when the panel is loaded
// (see KX418_callbacks.cpp): the panel's and the controls'.
int panelCB(int panel, int event, void* callbackData, int eventData1, int eventData2);
int Quit(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F1(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F2(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F3(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F4(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F5(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F6(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F7(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Send_F8(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// Returns 1 when it stopped on a failure, 0 otherwise.
int Send_F9(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Time_Calc(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);

// The values of the next configuration report, program-wide, zero at start:
// function number, setting, both times in milliseconds, and both times in
// seconds as last read from a page.
extern std::uint8_t Fn_Num;
extern std::uint8_t Fn_Setting;
extern std::uint32_t Time1;
extern std::uint32_t Time2;
extern double dTime1;
extern double dTime2;

// Sec_To_Ms, seconds to milliseconds, is one of the transfer rules
// (transfer_rules.h) that the program shares with the command-line tool.

// One whole transfer of the current values: open the module, send, await
// the acknowledgement, close. Tells the user the outcome in one message
// box. Returns 1 when the module acknowledged, 0 on any failure (the module
// is then left open; the next open releases it).
int Send_Cfg();

// One report of the current values on a module the caller has opened, and
// its acknowledgement. Tells the user of a failure only. Returns 1 or 0.
int Send_Cfg_F9();

// The main panel's handle: 0 until the panel is loaded, negative when
// loading failed.
extern int Panel_Handle;

#endif

// KX418.cpp - the configurator: start-up, the main panel, shutdown.
#include "KX418.h"
#include "KX418_DLL.h"
#include "uiruntime/ui_runtime.h"

#include <cstdint>

int Panel_Handle = 0;

int main(int /*argc*/, char* argv[])
{
    // A missing library does not stop start-up: the panel is shown all
    // the same, and a transfer tells the user.
    Load_KX418();

    if (InitCVIRTEEx(nullptr, argv, nullptr) != 0) {
        Panel_Handle = LoadPanel(0, "KX418.uir", PANEL);
        if (Panel_Handle >= 0) {
            if (DisplayPanel(Panel_Handle) >= 0) RunUserInterface();
            DiscardPanel(Panel_Handle);
        }
    }
    // The library is released by the exit routine Load_KX418 registered.
    return 0;
}

// The window's close box ends the program.
int panelCB(int /*panel*/, int event, void* /*callbackData*/, int /*eventData1*/, int /*eventData2*/)
{
    if (event == EVENT_CLOSE) QuitUserInterface(0);
    return 0;
}

// "Beenden" ends the program.
int Quit(int /*panel*/, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
         int /*eventData2*/)
{
    if (event == EVENT_COMMIT) QuitUserInterface(0);
    return 0;
}

// ---------------------------------------------------------------------------
// The next configuration report and its transfer to the module
// ---------------------------------------------------------------------------

std::uint8_t Fn_Num = 0;
std::uint8_t Fn_Setting = 0;
std::uint32_t Time1 = 0;
std::uint32_t Time2 = 0;
double dTime1 = 0.0;
double dTime2 = 0.0;

namespace {

constexpr double Two_To_31 = 2147483648.0;

// A transfer needs all four entry points; with any of them unbound (the
// library not found, or an export missing from it) none is called.
bool Library_Bound()
{
    return KX418_Open != nullptr && KX418_Close != nullptr && KX418_Send_Cfg != nullptr &&
           KX418_Get_Reply != nullptr;
}

void Tell_Library_Missing()
{
    MessagePopup("Fehler", "Die Geraetebibliothek wurde nicht gefunden!");
}

// Steps 2 and 3 of every transfer: the report of the current values, then
// the module's acknowledgement. Tells the user of a failure only.
int Send_And_Await_Reply()
{
    if (!KX418_Send_Cfg(Fn_Num, Fn_Setting, Time1, Time2)) {
        MessagePopup("Fehler", "Sendefehler!");
        return 0;
    }
    if (!KX418_Get_Reply()) {
        MessagePopup("Fehler", "Empfangsfehler!");
        return 0;
    }
    return 1;
}

}  // namespace

std::uint32_t Sec_To_Ms(double seconds)
{
    const double product = seconds * 1000.0;
    // Truncation toward zero; products from 2^31 up are taken apart so that
    // they, too, stay exact in the unsigned 32-bit result.
    if (product < Two_To_31)
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(product));
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(product - Two_To_31)) +
           0x80000000u;
}

int Send_Cfg()
{
    if (!Library_Bound()) {
        Tell_Library_Missing();
        return 0;
    }
    if (!KX418_Open()) {
        MessagePopup("Fehler", "Das Geraet wurde nicht gefunden!");
        return 0;
    }
    // After a failure the module stays open; the next open releases it.
    if (!Send_And_Await_Reply()) return 0;
    KX418_Close();
    MessagePopup("Info", "Die Einstellungen wurden abgeschickt!");
    return 1;
}

int Send_Cfg_F9()
{
    if (!Library_Bound()) {
        Tell_Library_Missing();
        return 0;
    }
    return Send_And_Await_Reply();
}

// ---------------------------------------------------------------------------
// Function pages F1 to F8: read the page's times, set the report, send it
// ---------------------------------------------------------------------------

namespace {

// A page with no time: both report times 0, dTime1 and dTime2 untouched.
void Send_No_Time(std::uint8_t function)
{
    Fn_Num = function;
    Fn_Setting = 0;
    Time1 = 0;
    Time2 = 0;
    Send_Cfg();
}

void Send_One_Time(int panel, int time_control, std::uint8_t function)
{
    GetCtrlAttribute(panel, time_control, ATTR_CTRL_VAL, &dTime1);
    Fn_Num = function;
    Fn_Setting = 0;
    Time1 = Sec_To_Ms(dTime1);
    Time2 = 0;
    Send_Cfg();
}

void Send_Two_Times(int panel, int first_control, int second_control, std::uint8_t function)
{
    GetCtrlAttribute(panel, first_control, ATTR_CTRL_VAL, &dTime1);
    GetCtrlAttribute(panel, second_control, ATTR_CTRL_VAL, &dTime2);
    Fn_Num = function;
    Fn_Setting = 0;
    Time1 = Sec_To_Ms(dTime1);
    Time2 = Sec_To_Ms(dTime2);
    Send_Cfg();
}

}  // namespace

int Send_F1(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_One_Time(panel, TAB_FN1_NUMERIC_T1_F1, 1);
    return 0;
}

int Send_F2(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_One_Time(panel, TAB_FN2_NUMERIC_T1_F2, 2);
    return 0;
}

int Send_F3(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT)
        Send_Two_Times(panel, TAB_FN3_NUMERIC_T1_F3, TAB_FN3_NUMERIC_T2_F3, 3);
    return 0;
}

int Send_F4(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_One_Time(panel, TAB_FN4_NUMERIC_T1_F4, 4);
    return 0;
}

int Send_F5(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_One_Time(panel, TAB_FN5_NUMERIC_T1_F5, 5);
    return 0;
}

int Send_F6(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
            int /*eventData1*/, int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_No_Time(6);
    return 0;
}

int Send_F7(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
            int /*eventData1*/, int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_No_Time(7);
    return 0;
}

int Send_F8(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT)
        Send_Two_Times(panel, TAB_FN8_NUMERIC_T1_F8, TAB_FN8_NUMERIC_T2_F8, 8);
    return 0;
}

// ---------------------------------------------------------------------------
// The eight-channel sequencer: nine reports in one transfer
// ---------------------------------------------------------------------------

namespace {

struct Sequencer_Channel {
    int start_control;
    int stop_control;
};

// Channel 1 to 8, in the order their reports go out.
constexpr Sequencer_Channel Sequencer_Channels[8] = {
    {TAB_FN9_NUMERIC_T1_START_F9, TAB_FN9_NUMERIC_T1_STOP_F9},
    {TAB_FN9_NUMERIC_T2_START_F9, TAB_FN9_NUMERIC_T2_STOP_F9},
    {TAB_FN9_NUMERIC_T3_START_F9, TAB_FN9_NUMERIC_T3_STOP_F9},
    {TAB_FN9_NUMERIC_T4_START_F9, TAB_FN9_NUMERIC_T4_STOP_F9},
    {TAB_FN9_NUMERIC_T5_START_F9, TAB_FN9_NUMERIC_T5_STOP_F9},
    {TAB_FN9_NUMERIC_T6_START_F9, TAB_FN9_NUMERIC_T6_STOP_F9},
    {TAB_FN9_NUMERIC_T7_START_F9, TAB_FN9_NUMERIC_T7_STOP_F9},
    {TAB_FN9_NUMERIC_T8_START_F9, TAB_FN9_NUMERIC_T8_STOP_F9},
};

// The function number of channel n's report is 90 + n; the closing report
// carries the sequencer's own function number.
constexpr std::uint8_t Sequencer_Channel_Base = 90;
constexpr std::uint8_t Sequencer_Function = 9;

}  // namespace

int Send_F9(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event != EVENT_COMMIT) return 0;
    if (!Library_Bound()) {
        Tell_Library_Missing();
        return 1;
    }
    if (!KX418_Open()) {
        MessagePopup("Fehler", "Das Geraet wurde nicht gefunden!");
        return 1;
    }

    // Each channel is read just before its report is built: after a failure
    // the later channels are neither read nor sent.
    std::uint8_t channel_number = 1;
    for (const Sequencer_Channel& channel : Sequencer_Channels) {
        GetCtrlAttribute(panel, channel.start_control, ATTR_CTRL_VAL, &dTime1);
        GetCtrlAttribute(panel, channel.stop_control, ATTR_CTRL_VAL, &dTime2);
        Fn_Num = static_cast<std::uint8_t>(Sequencer_Channel_Base + channel_number);
        Fn_Setting = 0;
        Time1 = Sec_To_Ms(dTime1);
        Time2 = Sec_To_Ms(dTime2);
        if (!Send_Cfg_F9()) return 1;
        ++channel_number;
    }

    std::int32_t auto_restart = 0;
    GetCtrlAttribute(panel, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, &auto_restart);
    Fn_Num = Sequencer_Function;
    Fn_Setting = auto_restart != 0 ? 1 : 0;
    Time1 = 0;
    Time2 = 0;
    if (!Send_Cfg_F9()) return 1;

    KX418_Close();
    MessagePopup("Info", "Die Einstellungen wurden abgeschickt!");
    return 0;
}

// ---------------------------------------------------------------------------
// Time converter: days, hours, minutes and seconds into seconds
// ---------------------------------------------------------------------------

int Time_Calc(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
              int /*eventData1*/, int /*eventData2*/)
{
    if (event != EVENT_COMMIT) return 0;
    std::uint8_t days = 0;
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    GetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_DAY, ATTR_CTRL_VAL, &days);
    GetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_HOUR, ATTR_CTRL_VAL, &hours);
    GetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_MINUTE, ATTR_CTRL_VAL, &minutes);
    GetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_SECOND, ATTR_CTRL_VAL, &seconds);
    const std::int32_t total = days * 24 * 60 * 60 + hours * 60 * 60 + minutes * 60 + seconds;
    SetCtrlAttribute(Panel_Handle, PANEL_NUMERIC_TIME_RESULT, ATTR_CTRL_VAL,
                     static_cast<std::uint32_t>(total));
    return 0;
}

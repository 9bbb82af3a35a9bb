// KX418.cpp - the configurator: start-up, the main panel, shutdown.
#include "KX418.h"
#include "KX418_DLL.h"
#include "ui_runtime.h"

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
int panelCB(int /*panel*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
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

void Tell(Transfer_Outcome outcome)
{
    MessagePopup(Outcome_Title(outcome), Outcome_Message(outcome));
}

Report_Values Next_Report()
{
    return {Fn_Num, Fn_Setting, Time1, Time2};
}

}  // namespace

int Send_Cfg()
{
    if (!Library_Bound()) {
        Tell_Library_Missing();
        return 0;
    }
    // The module is closed before the success is told; after a failure it
    // stays open, and the next open releases it.
    const Transfer_Outcome outcome =
        Transfer_Report(KX418_Open, KX418_Close, KX418_Send_Cfg, KX418_Get_Reply, Next_Report());
    Tell(outcome);
    return outcome == Transfer_Outcome::Sent ? 1 : 0;
}

int Send_Cfg_F9()
{
    if (!Library_Bound()) {
        Tell_Library_Missing();
        return 0;
    }
    const Transfer_Outcome outcome =
        Exchange_Report(KX418_Send_Cfg, KX418_Get_Reply, Next_Report());
    if (outcome != Transfer_Outcome::Sent) {
        Tell(outcome);
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Function pages F1 to F8: read the page's times, set the report, send it
// ---------------------------------------------------------------------------

namespace {

// Reads as many times as the function's page takes (transfer_rules.h),
// first time first, sets the report and sends it. A page without times
// leaves dTime1 and dTime2 as they were; a page with one time sends a
// second time of 0.
void Send_Page(int panel, std::uint8_t function, int first_control = 0, int second_control = 0)
{
    const Function_Page& page = *Find_Function_Page(function);
    if (page.times >= 1) GetCtrlAttribute(panel, first_control, ATTR_CTRL_VAL, &dTime1);
    if (page.times >= 2) GetCtrlAttribute(panel, second_control, ATTR_CTRL_VAL, &dTime2);
    const Report_Values report = Function_Report(page, dTime1, dTime2);
    Fn_Num = report.function;
    Fn_Setting = report.setting;
    Time1 = report.time1;
    Time2 = report.time2;
    Send_Cfg();
}

}  // namespace

int Send_F1(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 1, TAB_FN1_NUMERIC_T1_F1);
    return 0;
}

int Send_F2(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 2, TAB_FN2_NUMERIC_T1_F2);
    return 0;
}

int Send_F3(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 3, TAB_FN3_NUMERIC_T1_F3, TAB_FN3_NUMERIC_T2_F3);
    return 0;
}

int Send_F4(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 4, TAB_FN4_NUMERIC_T1_F4);
    return 0;
}

int Send_F5(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 5, TAB_FN5_NUMERIC_T1_F5);
    return 0;
}

int Send_F6(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 6);
    return 0;
}

int Send_F7(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 7);
    return 0;
}

int Send_F8(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
            int /*eventData2*/)
{
    if (event == EVENT_COMMIT) Send_Page(panel, 8, TAB_FN8_NUMERIC_T1_F8, TAB_FN8_NUMERIC_T2_F8);
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
constexpr Sequencer_Channel Sequencer_Channels[Sequencer_Channel_Count] = {
    {TAB_FN9_NUMERIC_T1_START_F9, TAB_FN9_NUMERIC_T1_STOP_F9},
    {TAB_FN9_NUMERIC_T2_START_F9, TAB_FN9_NUMERIC_T2_STOP_F9},
    {TAB_FN9_NUMERIC_T3_START_F9, TAB_FN9_NUMERIC_T3_STOP_F9},
    {TAB_FN9_NUMERIC_T4_START_F9, TAB_FN9_NUMERIC_T4_STOP_F9},
    {TAB_FN9_NUMERIC_T5_START_F9, TAB_FN9_NUMERIC_T5_STOP_F9},
    {TAB_FN9_NUMERIC_T6_START_F9, TAB_FN9_NUMERIC_T6_STOP_F9},
    {TAB_FN9_NUMERIC_T7_START_F9, TAB_FN9_NUMERIC_T7_STOP_F9},
    {TAB_FN9_NUMERIC_T8_START_F9, TAB_FN9_NUMERIC_T8_STOP_F9},
};

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
        Tell(Transfer_Outcome::Not_Found);
        return 1;
    }

    // Each channel is read just before its report is built: after a failure
    // the later channels are neither read nor sent.
    const bool sent = Send_Sequencer_Reports(
        [panel](int channel, double& start, double& stop) {
            const Sequencer_Channel& controls = Sequencer_Channels[channel - 1];
            GetCtrlAttribute(panel, controls.start_control, ATTR_CTRL_VAL, &dTime1);
            GetCtrlAttribute(panel, controls.stop_control, ATTR_CTRL_VAL, &dTime2);
            start = dTime1;
            stop = dTime2;
        },
        [panel] {
            std::int32_t auto_restart = 0;
            GetCtrlAttribute(panel, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, &auto_restart);
            return auto_restart != 0;
        },
        [](const Report_Values& report) {
            Fn_Num = report.function;
            Fn_Setting = report.setting;
            Time1 = report.time1;
            Time2 = report.time2;
            return Send_Cfg_F9() == 1;
        });
    if (!sent) return 1;

    KX418_Close();
    Tell(Transfer_Outcome::Sent);
    return 0;
}

// ---------------------------------------------------------------------------
// Time converter: days, hours, minutes and seconds into seconds
// ---------------------------------------------------------------------------

int Time_Calc(int /*panel*/, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
              int /*eventData2*/)
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

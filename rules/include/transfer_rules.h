// transfer_rules.h - the rules every way of configuring the module shares:
// the times a function page takes and their limits, seconds to
// milliseconds, the sequencer's nine reports, and the outcome of a
// transfer with its message. The configurator KX418 and the command-line
// tool kx418ctl both build their reports from these, so the two can never
// send different reports for the same settings. No toolkit, no device.
#ifndef KX418_TRANSFER_RULES_H
#define KX418_TRANSFER_RULES_H

#include <array>
#include <cstdint>

// The values of one configuration report.
struct Report_Values {
    std::uint8_t function = 0;
    std::uint8_t setting = 0;
    std::uint32_t time1 = 0;  // ms
    std::uint32_t time2 = 0;  // ms
};

// Seconds to milliseconds, truncated toward zero; exact for every product
// from 0 to 4294967295.
std::uint32_t Sec_To_Ms(double seconds);

// ---------------------------------------------------------------------------
// Page times
// ---------------------------------------------------------------------------

// Every time on every page: seconds, one decimal, steps of 0.1, at most 31
// days (2678400000 ms still fits the report's 32-bit milliseconds).
inline constexpr double Page_Time_Upper_Limit = 2678400.0;
inline constexpr double Page_Time_Increment = 0.1;
inline constexpr int Page_Time_Decimals = 1;

// One single-report function page, F1 to F8: how many times it takes and
// the lowest time it allows (its default, too).
struct Function_Page {
    std::uint8_t function;
    int times;
    double lower_limit;
    const char* name;  // what the function does, for people reading output
};

inline constexpr std::array<Function_Page, 8> Function_Pages{{
    {1, 1, 0.0, "on-delay with reset"},
    {2, 1, 0.0, "off-delay with reset"},
    {3, 2, 0.0, "on/off delay with reset"},
    {4, 1, 0.1, "monoflop with reset"},
    {5, 1, 0.1, "monoflop with restart and reset"},
    {6, 0, 0.0, "on/off switch"},
    {7, 0, 0.0, "on/off push button"},
    {8, 2, 0.1, "flasher"},
}};

// The page of a function 1 to 8; nullptr for any other number.
const Function_Page* Find_Function_Page(int function);

// The report of a function page with its times in seconds (as many as the
// page takes; the others are ignored and their report times are 0).
Report_Values Function_Report(const Function_Page& page, double first_seconds,
                              double second_seconds);

// ---------------------------------------------------------------------------
// The eight-channel sequencer
// ---------------------------------------------------------------------------

inline constexpr int Sequencer_Channel_Count = 8;
// Every sequencer time allows 0.0 up to the upper limit; 0.0 by default.
inline constexpr double Sequencer_Time_Lower_Limit = 0.0;
// Channel n's report carries 90 + n; the closing report the sequencer's
// own function number with the auto-restart setting.
inline constexpr std::uint8_t Sequencer_Channel_Base = 90;
inline constexpr std::uint8_t Sequencer_Function = 9;

Report_Values Sequencer_Channel_Report(int channel, double start_seconds, double stop_seconds);
Report_Values Sequencer_Closing_Report(bool auto_restart);

// The nine reports of one sequencer transfer on a module already open, in
// their order: channel 1 to 8, each read just before its report is built,
// then the closing report. Stops at the first report `send` refuses: the
// later channels are then neither read nor sent.
//   read_channel(int channel, double& start_seconds, double& stop_seconds)
//   read_auto_restart() -> bool
//   send(const Report_Values&) -> bool
// Returns true when all nine were sent.
template <class Read_Channel, class Read_Auto_Restart, class Send>
bool Send_Sequencer_Reports(Read_Channel&& read_channel, Read_Auto_Restart&& read_auto_restart,
                            Send&& send)
{
    for (int channel = 1; channel <= Sequencer_Channel_Count; ++channel) {
        double start = 0.0;
        double stop = 0.0;
        read_channel(channel, start, stop);
        if (!send(Sequencer_Channel_Report(channel, start, stop))) return false;
    }
    return send(Sequencer_Closing_Report(read_auto_restart()));
}

// ---------------------------------------------------------------------------
// Outcome of a transfer
// ---------------------------------------------------------------------------

enum class Transfer_Outcome { Sent, Not_Found, Not_Written, Not_Acknowledged };

// The message a person is told, and the title of its box.
const char* Outcome_Message(Transfer_Outcome outcome);
const char* Outcome_Title(Transfer_Outcome outcome);

// One report on a module already open: write it, await the acknowledgement.
// The entry points are passed in, as the caller has them: bound at run time
// (the program) or linked (the tool).
template <class Send_Cfg, class Get_Reply>
Transfer_Outcome Exchange_Report(Send_Cfg&& send_cfg, Get_Reply&& get_reply,
                                 const Report_Values& report)
{
    if (!send_cfg(report.function, report.setting, report.time1, report.time2))
        return Transfer_Outcome::Not_Written;
    if (!get_reply()) return Transfer_Outcome::Not_Acknowledged;
    return Transfer_Outcome::Sent;
}

// One whole transfer: open, exchange, and close after success. After a
// failed exchange the module stays open; the next open releases it.
template <class Open, class Close, class Send_Cfg, class Get_Reply>
Transfer_Outcome Transfer_Report(Open&& open, Close&& close, Send_Cfg&& send_cfg,
                                 Get_Reply&& get_reply, const Report_Values& report)
{
    if (!open()) return Transfer_Outcome::Not_Found;
    const Transfer_Outcome outcome = Exchange_Report(send_cfg, get_reply, report);
    if (outcome == Transfer_Outcome::Sent) close();
    return outcome;
}

#endif  // KX418_TRANSFER_RULES_H

// transfer_rules.cpp - see transfer_rules.h.
#include "transfer_rules.h"

namespace {

constexpr double Two_To_31 = 2147483648.0;

}  // namespace

std::uint32_t Sec_To_Ms(double seconds)
{
    const double product = seconds * 1000.0;
    // Truncation toward zero; products from 2^31 up are taken apart so that
    // they, too, stay exact in the unsigned 32-bit result.
    if (product < Two_To_31) return static_cast<std::uint32_t>(static_cast<std::int64_t>(product));
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(product - Two_To_31)) + 0x80000000u;
}

const Function_Page* Find_Function_Page(int function)
{
    for (const Function_Page& page : Function_Pages)
        if (page.function == function) return &page;
    return nullptr;
}

Report_Values Function_Report(const Function_Page& page, double first_seconds,
                              double second_seconds)
{
    Report_Values report;
    report.function = page.function;
    report.setting = 0;
    report.time1 = page.times >= 1 ? Sec_To_Ms(first_seconds) : 0;
    report.time2 = page.times >= 2 ? Sec_To_Ms(second_seconds) : 0;
    return report;
}

Report_Values Sequencer_Channel_Report(int channel, double start_seconds, double stop_seconds)
{
    Report_Values report;
    report.function = static_cast<std::uint8_t>(Sequencer_Channel_Base + channel);
    report.setting = 0;
    report.time1 = Sec_To_Ms(start_seconds);
    report.time2 = Sec_To_Ms(stop_seconds);
    return report;
}

Report_Values Sequencer_Closing_Report(bool auto_restart)
{
    Report_Values report;
    report.function = Sequencer_Function;
    report.setting = auto_restart ? 1 : 0;
    return report;
}

const char* Outcome_Message(Transfer_Outcome outcome)
{
    switch (outcome) {
    case Transfer_Outcome::Sent: return "Die Einstellungen wurden abgeschickt!";
    case Transfer_Outcome::Not_Found: return "Das Geraet wurde nicht gefunden!";
    case Transfer_Outcome::Not_Written: return "Sendefehler!";
    case Transfer_Outcome::Not_Acknowledged: return "Empfangsfehler!";
    }
    return "";
}

const char* Outcome_Title(Transfer_Outcome outcome)
{
    return outcome == Transfer_Outcome::Sent ? "Info" : "Fehler";
}

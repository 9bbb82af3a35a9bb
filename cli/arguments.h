// arguments.h - what kx418ctl accepts as a function number, a time and a
// sequence file, checked before anything touches a device.
//
// A time is written as the pages show it: plain decimal seconds with at
// most one decimal after a point ("0", "1.5", "2678400.0"), within the
// limits of the function's page. Signs, exponents, hexadecimal, "inf",
// "nan", a decimal comma and anything trailing are refused, each with the
// rule it breaks.
#ifndef KX418CTL_ARGUMENTS_H
#define KX418CTL_ARGUMENTS_H

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "transfer_rules.h"

// Bad input: `what` is one line naming the argument and the rule it breaks.
struct Usage_Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Seconds from a time's text, checked against [lower_limit, upper limit].
// `name` names the argument in the error ("TIME1", "channel 3 start").
double Parse_Seconds(std::string_view text, std::string_view name, double lower_limit);

// The page of a function number's text, 1 to 8.
const Function_Page& Parse_Function(std::string_view text);

// A channel number's text, 1 to 8.
int Parse_Channel(std::string_view text, std::string_view name);

// A module's index as list numbers them, 0 to Highest_Index.
constexpr int Highest_Index = 65535;
int Parse_Index(std::string_view text);

// The sequencer's settings: each channel's start and stop in seconds, and
// auto-restart. A channel given nowhere keeps 0.0 and 0.0, as on the page.
struct Sequence_Settings {
    std::array<double, Sequencer_Channel_Count> start{};
    std::array<double, Sequencer_Channel_Count> stop{};
    bool auto_restart = false;
};

// Reads a sequence file (TOML) into `settings`:
//
//   auto-restart = true
//   [channel.1]
//   start = 1.5
//   stop = 2.5
//
// Unknown keys, wrong types and times that break the rules are errors
// naming the file and line.
void Read_Sequence_File(const std::string& path, Sequence_Settings& settings);

#endif  // KX418CTL_ARGUMENTS_H

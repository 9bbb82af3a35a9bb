// node_options.h - the command line of the virtual module: where to mount,
// where to log, and how each node behaves.
#ifndef KX418_VIRTUAL_NODE_OPTIONS_H
#define KX418_VIRTUAL_NODE_OPTIONS_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace virtual_module {

// How one node behaves, fixed at start.
struct Node_Config {
    std::string name;                   // file name in the mounted folder, e.g. "hidraw0"
    std::uint16_t vendor = 0x2B5D;      // USB vendor ID reported by HIDIOCGRAWINFO
    std::uint16_t product = 0x0418;     // USB product ID reported by HIDIOCGRAWINFO
    std::uint16_t version = 0x0100;     // release number, shown in the log only
    int refuse_open = 0;                // errno every open fails with; 0: opens
    bool attributes_fail = false;       // HIDIOCGRAWINFO fails with EIO
    bool silent = false;                // never answers a report
    bool wrong_answer = false;          // answers with something other than "!"
    std::uint32_t answer_delay_ms = 0;  // time between a report and its answer
    bool answer_first = false;          // only the first report is answered
    bool answer_twice = false;          // every answer comes twice
    bool queued_at_open = false;        // each new open finds a "!" report queued
    std::uint32_t remove_after = 0;     // unplugged on receiving report k; 0: never
};

struct Options {
    std::string mountpoint;
    std::string log_path;  // empty: no log
    std::vector<Node_Config> nodes;
    bool help = false;
};

// Parses the arguments after the program name. Throws std::invalid_argument
// with a one-line message naming the offending argument.
Options Parse_Options(std::span<const std::string_view> arguments);

// One node as the command line gives it, "NAME[:SETTING,SETTING...]".
Node_Config Parse_Node(std::string_view text);

extern const char* const Usage;

}  // namespace virtual_module

#endif  // KX418_VIRTUAL_NODE_OPTIONS_H

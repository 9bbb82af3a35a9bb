// kx418ctl.cpp - the KX418 from the command line: list the HID devices and
// whether this user may open the module, send one function's settings, or
// the sequencer's. The reports are built and sent by the same rules as the
// configurator's pages (transfer_rules.h) through the device library's own
// logic (kx418_devices.h); the tool's own words are English, the outcome
// texts the system's.
#include "kx418ctl.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "arguments.h"
#include "help.h"
#include "kx418.h"
#include "kx418_devices.h"
#include "platform.h"
#include "transfer_rules.h"

#ifndef KX418CTL_VERSION
#define KX418CTL_VERSION "unknown"
#endif

namespace {

// ---------------------------------------------------------------------------
// Which module a transfer opens
// ---------------------------------------------------------------------------

Module_Choice Selected;
// Why the last open of the selected module failed.
Module_Failure Selected_Failure;

// Opens the selected module as KX418_Open opens the first one; after 0
// nothing is open and Selected_Failure says why.
std::int32_t Open_Selected()
{
    return Open_Module(Selected, Selected_Failure);
}

// ---------------------------------------------------------------------------
// The walk, as list shows it
// ---------------------------------------------------------------------------

const char* Problem_Of(const Present_Device& device)
{
    if (device.busy) return "in use by another program";
    if (device.opened) return device.attributes_read ? nullptr : "attributes unreadable";
    switch (device.refusal) {
    case Open_Refusal::Denied: return "permission denied";
    case Open_Refusal::Busy: return "busy";
    case Open_Refusal::Missing: return "not present";
    case Open_Refusal::Other: break;
    }
    return "cannot be opened";
}

const char* Remedy_Of(const Present_Device& device)
{
    if (device.busy) return "try again when that program is done";
    if (device.opened) return device.attributes_read ? nullptr : "re-plug the device";
    switch (device.refusal) {
    case Open_Refusal::Denied: return Access_Remedy();
    case Open_Refusal::Busy:
        return "another program holds it: end that program, or re-plug the module";
    case Open_Refusal::Missing: return "plug the module in (again), or check the path";
    case Open_Refusal::Other: break;
    }
    return "re-plug the module";
}

std::string Hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

int List_Exit(const std::vector<Present_Device>& devices)
{
    bool refused = false;
    bool busy = false;
    for (const Present_Device& device : devices) {
        if (device.index >= 0 && !device.busy) return Exit_Sent;
        if (!device.opened) refused = true;
        if (device.busy) busy = true;
    }
    if (busy) return Exit_In_Use;
    return refused ? Exit_No_Access : Exit_Not_Found;
}

int Run_List(bool json, std::ostream& out)
{
    const std::vector<Present_Device> devices = Survey_Devices();
    const int exit_code = List_Exit(devices);

    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Present_Device& device : devices) {
            nlohmann::ordered_json entry;
            entry["path"] = device.path;
            const bool known = device.attributes_read;
            entry["vendor_id"] = known ? nlohmann::ordered_json(Hex4(device.attributes.VendorID))
                                       : nlohmann::ordered_json(nullptr);
            entry["product_id"] = known ? nlohmann::ordered_json(Hex4(device.attributes.ProductID))
                                        : nlohmann::ordered_json(nullptr);
            entry["kx418"] =
                known ? nlohmann::ordered_json(device.module) : nlohmann::ordered_json(nullptr);
            entry["index"] = device.index >= 0 ? nlohmann::ordered_json(device.index)
                                               : nlohmann::ordered_json(nullptr);
            entry["can_open"] = device.opened;
            entry["busy"] = device.busy;
            const char* problem = Problem_Of(device);
            const char* remedy = Remedy_Of(device);
            entry["problem"] =
                problem ? nlohmann::ordered_json(problem) : nlohmann::ordered_json(nullptr);
            entry["remedy"] =
                remedy ? nlohmann::ordered_json(remedy) : nlohmann::ordered_json(nullptr);
            list.push_back(std::move(entry));
        }
        nlohmann::ordered_json document;
        document["devices"] = std::move(list);
        document["exit_code"] = exit_code;
        out << document.dump(2) << "\n";
        return exit_code;
    }

    for (const Present_Device& device : devices) {
        out << device.path << "  ";
        if (device.attributes_read)
            out << Hex4(device.attributes.VendorID) << ":" << Hex4(device.attributes.ProductID);
        else
            out << "????:????";
        if (device.index >= 0 && device.busy)
            out << "  KX418 (index " << device.index << ")  busy: " << Problem_Of(device) << "\n";
        else if (device.index >= 0)
            out << "  KX418 (index " << device.index << ")  can be opened\n";
        else if (device.attributes_read)
            out << (device.module ? "  KX418" : "  other device") << "  can be opened\n";
        else
            out << "  unknown  " << Problem_Of(device) << ": " << Remedy_Of(device) << "\n";
    }
    switch (exit_code) {
    case Exit_Sent: out << "A KX418 module can be opened.\n"; break;
    case Exit_In_Use:
        out << "No KX418 module can be opened now; another program is using it.\n";
        break;
    case Exit_No_Access:
        out << "No KX418 module could be opened; a device this user cannot open may be one.\n";
        break;
    default: out << "No KX418 module found.\n"; break;
    }
    return exit_code;
}

// After "not found": why, where the walk has something to say.
void Hint_Not_Found(std::ostream& err)
{
    if (Selected.by == Module_Choice::By::Path) {
        if (Selected_Failure.why == Module_Failure::Why::Cannot_Open) {
            Present_Device device;
            device.refusal = Selected_Failure.refusal;
            err << "kx418ctl: " << Selected.path << ": " << Problem_Of(device) << "; "
                << Remedy_Of(device) << "\n";
        } else if (Selected_Failure.why == Module_Failure::Why::Not_Module) {
            err << "kx418ctl: " << Selected.path << " is "
                << Hex4(Selected_Failure.attributes.VendorID) << ":"
                << Hex4(Selected_Failure.attributes.ProductID) << ", not a KX418\n";
        }
        return;
    }
    const std::vector<Present_Device> devices = Survey_Devices();
    int modules = 0;
    for (const Present_Device& device : devices) {
        if (device.index >= 0) ++modules;
        if (!device.opened)
            err << "kx418ctl: " << device.path << " cannot be opened (" << Problem_Of(device)
                << "); 'kx418ctl list' says what to do\n";
    }
    if (Selected.by == Module_Choice::By::Index && modules > 0 && Selected.index >= modules) {
        err << "kx418ctl: " << modules << (modules == 1 ? " module" : " modules")
            << " can be opened (index 0";
        if (modules == 2) err << " and 1";
        if (modules > 2) err << " to " << modules - 1;
        err << ")\n";
    }
}

// After "not found" when the module was there but stayed locked.
void Tell_In_Use(std::ostream& err)
{
    err << "kx418ctl: " << Selected_Failure.path
        << " is in use by another program (still busy after " << Lock_Limit_Ms / 1000
        << " s); try again when that program is done\n";
}

// ---------------------------------------------------------------------------
// Reports and their outcome
// ---------------------------------------------------------------------------

std::string Function_Meaning(const Report_Values& report)
{
    if (const Function_Page* page = Find_Function_Page(report.function)) return page->name;
    if (report.function == Sequencer_Function)
        return std::string("sequencer, auto-restart ") + (report.setting ? "on" : "off");
    const int channel = report.function - Sequencer_Channel_Base;
    if (channel >= 1 && channel <= Sequencer_Channel_Count)
        return "sequencer channel " + std::to_string(channel) + ": start, stop";
    return "unknown";
}

void Print_Report(std::ostream& out, int number, int count, const Report_Values& report)
{
    std::array<std::uint8_t, KX418_Report_Size> bytes{};
    Build_Report(report.function, report.setting, report.time1, report.time2, bytes);
    out << "report " << number << " of " << count << ":";
    char hex[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, " %02x", byte);
        out << hex;
    }
    std::snprintf(hex, sizeof hex, "%02x", bytes[1]);
    out << "\n  function " << int{report.function} << " (" << Function_Meaning(report)
        << "), setting " << int{report.setting} << ", time1 " << report.time1 << " ms, time2 "
        << report.time2 << " ms, checksum " << hex << "\n";
}

int Exit_Of(Transfer_Outcome outcome)
{
    switch (outcome) {
    case Transfer_Outcome::Sent: return Exit_Sent;
    case Transfer_Outcome::Not_Found: return Exit_Not_Found;
    case Transfer_Outcome::Not_Written: return Exit_Not_Written;
    case Transfer_Outcome::Not_Acknowledged: return Exit_Not_Acknowledged;
    }
    return Exit_Not_Found;
}

// One line, the system's own text: success on `out`, failure on `err`.
int Tell(Transfer_Outcome outcome, std::ostream& out, std::ostream& err)
{
    (outcome == Transfer_Outcome::Sent ? out : err) << Outcome_Message(outcome) << "\n";
    if (outcome == Transfer_Outcome::Not_Found) {
        if (Selected_Failure.why == Module_Failure::Why::Held) {
            Tell_In_Use(err);
            return Exit_In_Use;
        }
        Hint_Not_Found(err);
    }
    return Exit_Of(outcome);
}

// ---------------------------------------------------------------------------
// Subcommands
// ---------------------------------------------------------------------------

struct Send_Arguments {
    std::string function;
    std::vector<std::string> times;
};

int Run_Send(const Send_Arguments& arguments, bool dry_run, std::ostream& out, std::ostream& err)
{
    const Function_Page& page = Parse_Function(arguments.function);
    const int given = static_cast<int>(arguments.times.size());
    if (given != page.times) {
        constexpr const char* Count[] = {"no time", "one time", "two times"};
        const std::string takes = "function " + std::to_string(page.function) + " (" + page.name +
                                  ") takes " + Count[std::min(page.times, 2)];
        throw Usage_Error(std::string(given > page.times ? "too many" : "too few") +
                          " times: " + std::to_string(given) + " given, " + takes);
    }
    std::array<double, 2> seconds{};
    for (int i = 0; i < given; ++i)
        seconds[static_cast<std::size_t>(i)] =
            Parse_Seconds(arguments.times[static_cast<std::size_t>(i)],
                          "TIME" + std::to_string(i + 1), page.lower_limit);
    const Report_Values report = Function_Report(page, seconds[0], seconds[1]);

    if (dry_run) {
        Print_Report(out, 1, 1, report);
        return Exit_Sent;
    }
    return Tell(
        Transfer_Report(Open_Selected, KX418_Close, KX418_Send_Cfg, KX418_Get_Reply, report), out,
        err);
}

struct Sequence_Arguments {
    std::string file;
    std::vector<std::string> channels;  // N START STOP, N START STOP, ...
    bool auto_restart = false;
    bool no_auto_restart = false;
};

int Run_Sequence(const Sequence_Arguments& arguments, bool dry_run, std::ostream& out,
                 std::ostream& err)
{
    Sequence_Settings settings;
    if (!arguments.file.empty()) Read_Sequence_File(arguments.file, settings);
    // One --channel may be followed by several channels' values, but by
    // whole ones only.
    if (arguments.channels.size() % 3 != 0)
        throw Usage_Error("--channel: takes N START STOP, three values a channel; " +
                          std::to_string(arguments.channels.size()) + " given");
    std::array<bool, Sequencer_Channel_Count> given{};
    for (std::size_t i = 0; i + 2 < arguments.channels.size(); i += 3) {
        const int channel = Parse_Channel(arguments.channels[i], "--channel N");
        const auto slot = static_cast<std::size_t>(channel - 1);
        if (given[slot])
            throw Usage_Error("--channel " + std::to_string(channel) + ": given twice");
        given[slot] = true;
        const std::string name = "channel " + std::to_string(channel);
        settings.start[slot] =
            Parse_Seconds(arguments.channels[i + 1], name + " START", Sequencer_Time_Lower_Limit);
        settings.stop[slot] =
            Parse_Seconds(arguments.channels[i + 2], name + " STOP", Sequencer_Time_Lower_Limit);
    }
    if (arguments.auto_restart) settings.auto_restart = true;
    if (arguments.no_auto_restart) settings.auto_restart = false;

    const auto read_channel = [&](int channel, double& start, double& stop) {
        start = settings.start[static_cast<std::size_t>(channel - 1)];
        stop = settings.stop[static_cast<std::size_t>(channel - 1)];
    };
    const auto read_auto_restart = [&] { return settings.auto_restart; };

    if (dry_run) {
        int number = 0;
        Send_Sequencer_Reports(read_channel, read_auto_restart, [&](const Report_Values& report) {
            Print_Report(out, ++number, Sequencer_Channel_Count + 1, report);
            return true;
        });
        return Exit_Sent;
    }

    if (!Open_Selected()) return Tell(Transfer_Outcome::Not_Found, out, err);
    // Stops at the first report that fails; the module is closed after the
    // last one only, as the sequencer page does.
    Transfer_Outcome outcome = Transfer_Outcome::Sent;
    const bool sent =
        Send_Sequencer_Reports(read_channel, read_auto_restart, [&](const Report_Values& report) {
            outcome = Exchange_Report(KX418_Send_Cfg, KX418_Get_Reply, report);
            return outcome == Transfer_Outcome::Sent;
        });
    if (sent) KX418_Close();
    return Tell(outcome, out, err);
}

// ---------------------------------------------------------------------------
// The command line
// ---------------------------------------------------------------------------

// How a value option is written, for the line that says its value is missing.
std::string Example_Of(const CLI::Option& option)
{
    const std::string name = option.get_name();
    if (name == "--device") return "--device " + std::string(Example_Device_Path());
    if (name == "--index") return "--index 1";
    if (name == "--file") return "--file line4.toml";
    if (name == "--channel") return "--channel 2 5 7.5";
    return name + " " + option.get_type_name();
}

// The line for an error of the command-line parser, in the tool's words:
// the option it concerns, and what that option takes.
std::string Parse_Problem(const CLI::ParseError& error,
                          std::initializer_list<const CLI::App*> commands)
{
    const std::string_view message = error.what();
    const CLI::Option* named = nullptr;
    for (const CLI::App* command : commands)
        for (const CLI::Option* option : command->get_options()) {
            const std::string name = option->get_name();
            if (!option->get_positional() && message.find(name) != std::string_view::npos &&
                (!named || name.size() > named->get_name().size()))
                named = option;
        }
    if (!named) return "the command line cannot be read";
    if (named->get_expected_max() == 0) return named->get_name() + ": takes no value";
    std::string values = named->get_type_name();
    if (named->get_type_size() > 1)
        values += " (" + std::to_string(named->get_type_size()) + " values)";
    return named->get_name() + ": needs " + values + ", e.g. " + Example_Of(*named);
}

// What is wrong with the words the parser did not take ("" when nothing
// is left over): an unknown option, or an argument where none belongs.
std::string Left_Over(const CLI::App& command)
{
    const std::vector<std::string> left = command.remaining();
    if (left.empty()) return {};
    const std::string& word = left.front();
    std::string known;
    for (const CLI::Option* option : command.get_options())
        if (!option->get_positional()) known += (known.empty() ? "" : ", ") + option->get_name();
    const std::string who = command.get_parent() ? command.get_name() : "kx418ctl";
    if (word.size() > 1 && word.front() == '-')
        return "unknown option \"" + word + "\" (" + who + "'s options: " + known + ")";
    return "unexpected argument \"" + word + "\" (" + who + " takes only its options: " + known +
           ")";
}

// How often the command was given an option; 0 for one it does not have.
std::size_t Given(const CLI::App& command, const char* name)
{
    const CLI::Option* option = command.get_option_no_throw(name);
    return option ? option->count() : 0;
}

// The same option given twice, or two that exclude each other.
void Check_Once(const CLI::App& command)
{
    for (const char* name : {"--device", "--index", "--file"})
        if (Given(command, name) > 1)
            throw Usage_Error(std::string(name) + ": given twice (once at most)");
    const auto both = [&](const char* one, const char* other) {
        if (Given(command, one) > 0 && Given(command, other) > 0)
            throw Usage_Error(std::string(one) + " and " + other + ": one or the other, not both");
    };
    both("--device", "--index");
    both("--auto-restart", "--no-auto-restart");
}

void Add_Selection(CLI::App& command, std::string& index_text)
{
    command
        .add_option("--device", Selected.path,
                    std::string("the module at this device path, as 'kx418ctl list' shows "
                                "it, e.g. ") +
                        Example_Device_Path() + "; not with --index")
        ->type_name("PATH")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    command
        .add_option("--index", index_text,
                    "the module that 'kx418ctl list' numbers N: a whole number from 0 to " +
                        std::to_string(Highest_Index) +
                        ", counting the modules this user can open in the walk's order; "
                        "not with --device")
        ->type_name("N")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

}  // namespace

int Kx418ctl_Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    Selected = Module_Choice{};
    Selected_Failure = Module_Failure{};

    CLI::App app{"Sets the KX418 USB timer and relay module from the command line, by the "
                 "configurator's rules: one function's settings, or the sequencer's.",
                 "kx418ctl"};
    app.formatter(Make_Help_Formatter());
    app.set_help_flag("-h,--help", "this help");
    app.set_version_flag("--version", std::string("kx418ctl ") + KX418CTL_VERSION,
                         "the tool's version");
    // Left-over words and missing commands are told in the tool's words.
    app.allow_extras();
    app.require_subcommand(0, 1);

    bool json = false;
    CLI::App* list = app.add_subcommand(
        "list", "List every HID device in the walk's order: its path and IDs, whether it is "
                "a KX418, whether this user can open it, and what to do where not.");
    list->add_flag("--json", json, "print the list as JSON");

    Send_Arguments send_arguments;
    bool dry_run = false;
    std::string index_text;
    CLI::App* send = app.add_subcommand(
        "send", "Send one function's settings and await the module's acknowledgement.");
    send->add_option("FUNCTION", send_arguments.function,
                     "the function, 1 to 8: 1 on-delay, 2 off-delay, 3 on/off delay, "
                     "4 monoflop, 5 monoflop with restart, 6 on/off switch, 7 push button, "
                     "8 flasher")
        ->type_name("FUNCTION");
    send->add_option("TIME", send_arguments.times,
                     "seconds: one time for functions 1, 2, 4 and 5, two for 3 and 8, none "
                     "for 6 and 7; from 0.0 (functions 1 to 3) or 0.1 (4, 5 and 8) up to "
                     "2678400.0 (31 days)")
        ->type_name("TIME1 TIME2");
    send->add_flag("--dry-run", dry_run,
                   "print the report's 17 bytes and their meaning; open and send nothing");
    Add_Selection(*send, index_text);

    Sequence_Arguments sequence_arguments;
    CLI::App* sequence = app.add_subcommand(
        "sequence", "Send the eight-channel sequencer's nine reports: channels 1 to 8 with "
                    "their start and stop times, then function 9 with auto-restart. The "
                    "first report that fails ends the transfer.");
    sequence
        ->add_option("--file", sequence_arguments.file,
                     "the sequencer's settings from a sequence file (TOML, at most 64 KiB, "
                     "as below)")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    sequence
        ->add_option("--channel", sequence_arguments.channels,
                     "channel N, 1 to 8, with its start and stop in seconds, from 0.0 up to "
                     "2678400.0; once per channel, over the file's")
        ->type_size(3)
        ->type_name("N START STOP");
    sequence->add_flag("--auto-restart", sequence_arguments.auto_restart,
                       "auto-restart on, over the file's");
    sequence->add_flag("--no-auto-restart", sequence_arguments.no_auto_restart,
                       "auto-restart off, over the file's (off where neither says)");
    sequence->add_flag("--dry-run", dry_run,
                       "print the nine reports' bytes and their meaning; open and send "
                       "nothing");
    Add_Selection(*sequence, index_text);

    // A word where the command belongs is named as such, not just missed.
    const auto is_command = [&](const char* word) {
        for (const CLI::App* command : {list, send, sequence})
            if (command->check_name(word)) return true;
        return false;
    };
    if (argc >= 2 && argv[1][0] != '-' && !is_command(argv[1])) {
        err << "kx418ctl: unknown command \"" << argv[1]
            << "\" (commands: list, send, sequence; see kx418ctl --help)\n";
        return Exit_Usage;
    }
    CLI::App* command = nullptr;
    const auto usage_error = [&](const std::string& problem) {
        err << "kx418ctl: " << problem << " (see kx418ctl "
            << (command ? command->get_name() + " " : std::string()) << "--help)\n";
        return Exit_Usage;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        for (CLI::App* parsed : {list, send, sequence})
            if (parsed->parsed()) command = parsed;
        return usage_error(Parse_Problem(e, {&app, list, send, sequence}));
    }
    for (CLI::App* parsed : {list, send, sequence})
        if (parsed->parsed()) command = parsed;

    try {
        if (command) {
            if (const std::string problem = Left_Over(*command); !problem.empty())
                return usage_error(problem);
        }
        if (const std::string problem = Left_Over(app); !problem.empty())
            return usage_error(problem);
        if (!command) return usage_error("a command is needed: list, send or sequence");
        Check_Once(*command);
        if (command == send && send->count("FUNCTION") == 0)
            throw Usage_Error("FUNCTION is missing: a function number, 1 to 8");

        if (Given(*command, "--device") > 0) {
            if (Selected.path.empty()) throw Usage_Error("--device: empty path");
            Selected.by = Module_Choice::By::Path;
        } else if (Given(*command, "--index") > 0) {
            Selected.index = Parse_Index(index_text);
            Selected.by = Module_Choice::By::Index;
        }
        if (command == list) return Run_List(json, out);
        if (command == send) return Run_Send(send_arguments, dry_run, out, err);
        return Run_Sequence(sequence_arguments, dry_run, out, err);
    } catch (const Usage_Error& e) {
        err << "kx418ctl: " << e.what() << "\n";
        return Exit_Usage;
    }
}

// kx418ctl in process over scripted devices: bad input is refused with
// the usage exit code and a one-line message naming the argument and the
// rule, before anything is opened; the outcomes of a transfer map to
// their texts and exit codes; list tells the walk as it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "help.h"
#include "hid_fake.h"
#include "kx418ctl.h"
#include "kx418_logic.h"
#include "platform.h"
#include "file_text.h"
#include "temp_folder.h"

namespace {

using fake_hid::state;

struct Run_Result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

Run_Result Run_Tool(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "kx418ctl");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out;
    std::ostringstream err;
    Run_Result result;
    result.exit_code = Kx418ctl_Main(static_cast<int>(argv.size()), argv.data(), out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// The system's temporary folder (under wine, the prefix's).
std::string Temporary_Folder()
{
    return std::filesystem::temp_directory_path().string();
}

// A sequence file in a folder of its own, removed again at the end.
class Temporary_File {
public:
    explicit Temporary_File(const std::string& text) : path_(folder_ / "sequence.toml")
    {
        support::Write_File(path_, text);
    }
    const std::string& path() const { return path_; }

private:
    support::Temp_Folder folder_{"kx418ctl-test"};
    std::string path_;
};

class Kx418ctl : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_hid::Reset();
        // A module that would acknowledge anything: whatever is refused is
        // refused before it is reached.
        fake_hid::Add_Device("/dev/hidraw0", KX418_Vendor_ID, KX418_Product_ID).acknowledge = true;
    }
    void TearDown() override { Close_Device(); }
};

// Words of the tool's libraries (the command-line and TOML parsers) that
// must never reach a user.
constexpr const char* Library_Wording[] = {
    "toml::",    "[error]",     "bad format",   "appeared",      "takes 0",
    " required", "Expected",    "expected at",  "The following", "excludes",
    "Could not", "At Most",     "not in range", "TEXT",          "INT",
    "REQUIRED",  "Positionals", "SUBCOMMAND",   "[OPTIONS]",     "Excludes",
};

void Expect_Own_Words(const std::string& text)
{
    for (const char* words : Library_Wording)
        EXPECT_EQ(text.find(words), std::string::npos) << "\"" << words << "\" in:\n" << text;
}

struct Bad_Input {
    std::vector<std::string> arguments;
    std::string message;  // a part of the one line the tool writes
};

TEST_F(Kx418ctl, BadInputIsRefusedBeforeAnythingIsOpened)
{
    const std::string huge(400, '9');
    Temporary_File malformed("auto-restart = true\n[channel.1]\nstart = 1.5\nstop = = 2\n");
    Temporary_File two_decimals("[channel.2]\nstart = 1.25\n");
    Temporary_File unknown_key("[channel.3]\nbegin = 1\n");
    Temporary_File bad_channel("[channel.9]\nstart = 1\n");
    Temporary_File exponent("[channel.1]\nstop = 1e3\n");
    Temporary_File wrong_type("auto-restart = \"yes\"\n");
    Temporary_File repeated("[channel.1]\nstart = 1\nstart = 2\n");
    Temporary_File no_value("[channel.1]\nstart =\n");
    Temporary_File open_header("[channel.1\nstart = 1\n");
    Temporary_File bad_key("[channel.1]\n$start = 1\n");
    // Nested far deeper than a valid file, well within its size limit: the
    // parser would descend once per level.
    Temporary_File deep("a = " + std::string(10000, '[') + std::string(10000, ']') + "\n");
    // Brackets in comments and strings do not count; the third level does.
    Temporary_File deep_key([] {
        std::string key = "a";
        for (int level = 0; level < 15000; ++level) key += ".a";
        return key + " = 1\n";
    }());
    Temporary_File deep_later("# [[[[\nx = \"[[[[\"\n[channel.1]\ny = [[[1]]]\n");
    const std::vector<Bad_Input> cases = {
        {{"send", "0"}, "FUNCTION \"0\": unknown (functions are 1 to 8)"},
        {{"send", "9"}, "FUNCTION \"9\": unknown (functions are 1 to 8)"},
        {{"send", "+1", "1"}, "FUNCTION \"+1\": not a whole number"},
        {{"send", "0x1", "1"}, "FUNCTION \"0x1\": not a whole number"},
        {{"send", "", "1"}, "FUNCTION \"\": empty"},
        {{"send", huge}, "FUNCTION \"9999999999999999999999999999999999999999...\": unknown"},
        {{"send", "1"}, "too few times: 0 given, function 1 (on-delay with reset) takes one time"},
        {{"send"}, "FUNCTION is missing: a function number, 1 to 8"},
        {{"send", "--dry-run"}, "FUNCTION is missing"},
        {{"send", "3", "1"}, "too few times: 1 given, function 3"},
        {{"send", "1", "1", "2"}, "too many times: 2 given, function 1"},
        {{"send", "6", "1"}, "too many times: 1 given, function 6 (on/off switch) takes no time"},
        {{"send", "8", "1", "2", "3"}, "too many times: 3 given"},
        {{"send", "4", "0.0"}, "TIME1 \"0.0\": below the lowest time, 0.1 s"},
        {{"send", "8", "0.1", "0"}, "TIME2 \"0\": below the lowest time, 0.1 s"},
        {{"send", "2", "2678400.1"}, "TIME1 \"2678400.1\": above the upper limit, 2678400.0 s"},
        {{"send", "1", "1.55"}, "TIME1 \"1.55\": more than one decimal"},
        {{"send", "1", "1,5"}, "TIME1 \"1,5\": decimal comma"},
        {{"send", "1", "-1.5"}, "TIME1 \"-1.5\": no sign allowed"},
        {{"send", "1", "+1.5"}, "TIME1 \"+1.5\": no sign allowed"},
        {{"send", "1", "0x10"}, "TIME1 \"0x10\": no hexadecimal"},
        {{"send", "1", "1e3"}, "TIME1 \"1e3\": no exponent"},
        {{"send", "1", "1.5E1"}, "TIME1 \"1.5E1\": no exponent"},
        {{"send", "1", "inf"}, "TIME1 \"inf\": not a finite number"},
        {{"send", "1", "NaN"}, "TIME1 \"NaN\": not a finite number"},
        {{"send", "1", ""}, "TIME1 \"\": empty"},
        {{"send", "1", " 1"}, "TIME1 \" 1\": not a number"},
        {{"send", "1", "1.5s"}, "TIME1 \"1.5s\": unexpected characters after the number"},
        {{"send", "1", "1."}, "TIME1 \"1.\": a digit must follow the point"},
        {{"send", "1", ".5"}, "TIME1 \".5\": not a number"},
        {{"send", "2", "99999999999999999999"}, "above the upper limit"},
        {{"send", "2", huge}, "TIME1 \"9999999999999999999999999999999999999999...\": too large"},
        {{"send", "1", "1", "--index", "-1"},
         "--index \"-1\": not a whole number (modules are numbered 0 to 65535)"},
        {{"send", "1", "1", "--index", "x"}, "--index \"x\": not a whole number"},
        {{"send", "1", "1", "--index", "65536"},
         "--index \"65536\": unknown (modules are numbered 0 to 65535)"},
        {{"send", "6", "--index"}, "--index: needs N, e.g. --index 1 (see kx418ctl send --help)"},
        {{"send", "6", "--index", "0", "--index", "1"}, "--index: given twice"},
        {{"send", "1", "1", "--device", "/dev/hidraw0", "--index", "1"},
         "--device and --index: one or the other, not both"},
        {{"send", "1", "1", "--device", ""}, "--device: empty path"},
        {{"send", "6", "--device"},
         "--device: needs PATH, e.g. --device " + std::string(Example_Device_Path())},
        {{"send", "1", "1", "--frobnicate"},
         "unknown option \"--frobnicate\" (send's options: --help, --dry-run, --device, --index)"},
        {{"send", "--dry-run=maybe", "6"}, "--dry-run: takes no value"},
        {{"list", "now"},
         "unexpected argument \"now\" (list takes only its options: --help, --json)"},
        {{"--json", "list"}, "unknown option \"--json\" (kx418ctl's options: --help, --version)"},
        {{}, "a command is needed: list, send or sequence (see kx418ctl --help)"},
        {{"reset"}, "unknown command \"reset\""},
        {{"sequence", "--channel", "1", "2"},
         "--channel: needs N START STOP (3 values), e.g. --channel 2 5 7.5 (see kx418ctl sequence "
         "--help)"},
        {{"sequence", "--channel", "1", "2", "3", "4"},
         "--channel: takes N START STOP, three values a channel; 4 given"},
        {{"sequence", "--auto-restart", "--no-auto-restart"},
         "--auto-restart and --no-auto-restart: one or the other, not both"},
        {{"sequence", "--file", "a.toml", "--file", "b.toml"}, "--file: given twice"},
        {{"sequence", "--channel", "0", "1", "2"},
         "--channel N \"0\": unknown (channels are 1 to 8)"},
        {{"sequence", "--channel", "1", "1", "2", "--channel", "1", "3", "4"},
         "--channel 1: given twice"},
        {{"sequence", "--channel", "2", "1,5", "2"}, "channel 2 START \"1,5\": decimal comma"},
        {{"sequence", "--channel", "2", "1", "2678401"}, "channel 2 STOP \"2678401\": above"},
        {{"sequence", "--file", "/nonexistent/seq.toml"},
         "sequence file /nonexistent/seq.toml: cannot be read"},
        {{"sequence", "--file", Temporary_Folder()},
         "sequence file " + Temporary_Folder() + ": a folder, not a file"},
        {{"sequence", "--file", malformed.path()},
         malformed.path() + ":4: expected a time in seconds (e.g. 1.5), or true or false after "
                            "\"stop =\", found \"= 2\""},
        {{"sequence", "--file", repeated.path()}, repeated.path() + ":3: \"start\" given twice"},
        {{"sequence", "--file", no_value.path()},
         no_value.path() + ":2: expected a time in seconds"},
        {{"sequence", "--file", open_header.path()},
         open_header.path() + ":1: expected a table header [channel.N] closed by \"]\""},
        {{"sequence", "--file", bad_key.path()},
         bad_key.path() + ":2: expected a key (auto-restart, start or stop)"},
        {{"sequence", "--dry-run", "--file", deep.path()},
         deep.path() + ":1: nested deeper than a sequence file goes"},
        {{"sequence", "--file", deep.path()}, deep.path() + ":1: nested deeper"},
        {{"sequence", "--file", deep_later.path()}, deep_later.path() + ":4: nested deeper"},
        {{"sequence", "--file", deep_key.path()}, deep_key.path() + ":1: nested deeper"},
        {{"sequence", "--file", two_decimals.path()},
         two_decimals.path() + ":2: channel 2 start \"1.25\": more than one decimal"},
        {{"sequence", "--file", unknown_key.path()},
         unknown_key.path() + ":2: unknown key \"begin\""},
        {{"sequence", "--file", bad_channel.path()},
         "channel \"9\": unknown (channels are 1 to 8)"},
        {{"sequence", "--file", exponent.path()},
         exponent.path() + ":2: channel 1 stop \"1e3\": no exponent"},
        {{"sequence", "--file", wrong_type.path()},
         wrong_type.path() + ":1: auto-restart must be true or false"},
    };
    for (const Bad_Input& bad : cases) {
        std::string shown;
        for (const std::string& argument : bad.arguments) shown += " [" + argument + "]";
        SCOPED_TRACE("kx418ctl" + shown);
        state.opens = 0;
        state.calls.clear();
        const Run_Result result = Run_Tool(bad.arguments);
        EXPECT_EQ(result.exit_code, Exit_Usage);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(result.err.starts_with("kx418ctl: ")) << result.err;
        EXPECT_NE(result.err.find(bad.message), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        Expect_Own_Words(result.err);
        EXPECT_EQ(state.opens, 0);
        EXPECT_TRUE(state.calls.empty()) << "the device list was asked for";
        EXPECT_TRUE(state.written.empty());
    }
}

// Text joined into one line, runs of spaces as one.
std::string Joined(const std::string& text)
{
    std::string joined;
    for (char c : text) {
        if (c == '\n' || c == '\t') c = ' ';
        if (c == ' ' && (joined.empty() || joined.back() == ' ')) continue;
        joined += c;
    }
    while (!joined.empty() && joined.back() == ' ') joined.pop_back();
    return joined;
}

// The manual page's SYNOPSIS as man sets it, one line per command: the
// words of .B and .I joined by spaces, those of .BR, .RI and the like set
// without, font escapes dropped.
std::vector<std::string> Manual_Synopsis()
{
    std::ifstream file(KX418CTL_MANUAL);
    EXPECT_TRUE(file) << KX418CTL_MANUAL;
    std::vector<std::string> lines(1);
    bool inside = false;
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with(".SH")) {
            if (inside) break;
            inside = line == ".SH SYNOPSIS";
            continue;
        }
        if (!inside) continue;
        if (line == ".br") {
            lines.emplace_back();
            continue;
        }
        const std::size_t space = line.find(' ');
        const std::string macro = line.substr(0, space);
        std::string words;
        bool quoted = false;
        for (std::size_t i = space + 1; space != std::string::npos && i < line.size(); ++i) {
            if (line[i] == '"')
                quoted = !quoted;
            else if (line[i] == ' ' && !quoted)
                words += macro.size() == 2 ? " " : "";
            else
                words += line[i];
        }
        for (const std::string escape : {"\\fB", "\\fI", "\\fR"})
            for (std::size_t at; (at = words.find(escape)) != std::string::npos;)
                words.erase(at, 3);
        for (std::size_t at; (at = words.find("\\-")) != std::string::npos;) words.erase(at, 1);
        lines.back() += (lines.back().empty() ? "" : " ") + words;
    }
    for (std::string& line : lines) line = Joined(line);
    return lines;
}

// A help page's usage lines, one per command, continued lines joined.
std::vector<std::string> Usage_Of(const std::string& page)
{
    std::vector<std::string> lines;
    std::istringstream text(page);
    for (std::string line; std::getline(text, line) && !line.empty();) {
        if (line.starts_with("Usage: ")) line.replace(0, 7, "       ");
        if (line.starts_with("       kx418ctl"))
            lines.push_back(Joined(line));
        else if (!lines.empty())
            lines.back() = Joined(lines.back() + " " + line);
    }
    return lines;
}

// The exit codes a help page lists.
std::set<int> Exits_Of(const std::string& page)
{
    std::set<int> codes;
    const std::size_t table = page.find("\nExit codes:\n");
    std::istringstream text(table == std::string::npos ? "" : page.substr(table + 13));
    for (std::string line; std::getline(text, line);)
        if (line.size() > 3 && line.starts_with("  ") && line[2] >= '0' && line[2] <= '9')
            codes.insert(line[2] - '0');
    return codes;
}

struct Help_Page {
    std::vector<std::string> arguments;
    std::set<int> exits;
    std::size_t synopsis_lines;  // of the manual page's, from this one on
    std::size_t synopsis_first;
};

TEST_F(Kx418ctl, HelpPagesFitEightyColumnsAndAgreeWithTheManualPage)
{
    const std::vector<std::string> manual = Manual_Synopsis();
    ASSERT_EQ(manual.size(), 4u);
    const Help_Page pages[] = {
        {{"--help"}, {0, 1, 2, 3, 4, 5, 6}, 4, 0},
        {{"list", "--help"}, {0, 1, 2, 5, 6}, 1, 0},
        {{"send", "--help"}, {0, 1, 2, 3, 4, 6}, 1, 1},
        {{"sequence", "-h"}, {0, 1, 2, 3, 4, 6}, 1, 2},
    };
    for (const Help_Page& help : pages) {
        SCOPED_TRACE(help.arguments.front() + " " + help.arguments.back());
        const Run_Result result = Run_Tool(help.arguments);
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.err, "");
        std::istringstream text(result.out);
        for (std::string line; std::getline(text, line);)
            EXPECT_LE(line.size(), Help_Width) << line;
        Expect_Own_Words(result.out);
        EXPECT_EQ(Exits_Of(result.out), help.exits) << result.out;
        EXPECT_EQ(Usage_Of(result.out),
                  std::vector<std::string>(manual.begin() + static_cast<long>(help.synopsis_first),
                                           manual.begin() + static_cast<long>(help.synopsis_first +
                                                                              help.synopsis_lines)))
            << result.out;
        // Where times are given, how they become milliseconds.
        if (help.arguments.front() != "list") {
            EXPECT_NE(Joined(result.out).find("32.3 s is sent as 32299 ms"), std::string::npos);
        }
    }
    const std::string manual_page = support::Read_File(KX418CTL_MANUAL);
    EXPECT_NE(Joined(manual_page).find("32.3 s is sent as 32299 ms"), std::string::npos);

    const Run_Result version = Run_Tool({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_TRUE(version.out.starts_with("kx418ctl ")) << version.out;
    EXPECT_EQ(state.opens, 0);
}

// Mutations of valid sequence files and command lines from a fixed seed:
// whatever the input, the tool ends with an exit code its help gives, in
// its own words, and bad input opens nothing.
TEST_F(Kx418ctl, MutatedFilesAndCommandLinesEndWithADocumentedExitAndOpenNothingWhenBad)
{
    std::map<std::string, std::set<int>> documented;
    for (const char* command : {"list", "send", "sequence"})
        documented[command] = Exits_Of(Run_Tool({command, "--help"}).out);
    documented[""] = Exits_Of(Run_Tool({"--help"}).out);

    std::mt19937 random(418);
    const auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    const auto check = [&](const std::vector<std::string>& arguments, const Run_Result& result) {
        const std::string command =
            !arguments.empty() && documented.count(arguments[0]) ? arguments[0] : "";
        EXPECT_EQ(documented[command].count(result.exit_code), 1u) << result.exit_code;
        Expect_Own_Words(result.err);
        if (result.exit_code != Exit_Usage) return;
        EXPECT_TRUE(result.err.starts_with("kx418ctl: ")) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(state.opens, 0);
        EXPECT_TRUE(state.calls.empty());
        EXPECT_TRUE(state.written.empty());
    };

    const std::string seeds[] = {
        "auto-restart = true\n[channel.1]\nstart = 1.5\nstop = 2.5\n[channel.3]\nstart = 32.3\n"
        "stop = 10\n",
        "# line 4\nchannel = { 2 = { start = 0.1, stop = 7 } }\nauto-restart = false\n",
        "channel.8.start = 2678400.0\nchannel.8.stop = 0\n",
    };
    // clang-format off
    const std::string pieces[] = {
        "[", "]", "{", "}", "[[", "]]", "\"", "'", "\"\"\"", "'''", "#", "=", ".", ",", "\n",
        " ", "\\", "1.5", "1e3", "-1", "inf", "true", "channel", "start", "stop",
        "auto-restart", "[channel.9]", "[channel.2]", "99999999999999999999", std::string(1, '\0'),
        "\xff", "\xc3\xa4", "a." + std::string(4000, 'a') + " = 1\n",
    };
    // clang-format on
    // Each form a valid file may take passes as it is.
    for (const std::string& seed : seeds) {
        Temporary_File file(seed);
        EXPECT_EQ(Run_Tool({"sequence", "--dry-run", "--file", file.path()}).exit_code, Exit_Sent)
            << seed;
    }
    for (int run = 0; run < 300; ++run) {
        std::string text = seeds[pick(std::size(seeds))];
        for (std::size_t edits = 1 + pick(4); edits > 0; --edits) {
            const std::size_t at = pick(text.size() + 1);
            const std::size_t length = pick(text.size() - at + 1);
            switch (pick(5)) {
            case 0: text.insert(at, pieces[pick(std::size(pieces))]); break;
            case 1: text.erase(at, std::min<std::size_t>(length, 8)); break;
            case 2: text.insert(at, text.substr(at, length)); break;
            case 3:
                if (at < text.size()) text[at] = static_cast<char>(random());
                break;
            default: {
                const std::size_t levels = std::array<std::size_t, 4>{3, 40, 2500, 10000}[pick(4)];
                const char* open = pick(2) ? "[" : "{";
                std::string nested = "x = ";
                for (std::size_t i = 0; i < levels; ++i) nested += open;
                text.insert(at, nested + "\n");
            }
            }
        }
        SCOPED_TRACE("run " + std::to_string(run) + ": " + text.substr(0, 200));
        SetUp();
        Temporary_File file(text);
        std::vector<std::string> arguments{"sequence", "--file", file.path()};
        if (run % 2 == 0) arguments.push_back("--dry-run");
        const Run_Result result = Run_Tool(arguments);
        check(arguments, result);
        if (result.exit_code == Exit_Usage) {
            EXPECT_NE(result.err.find("sequence file " + file.path()), std::string::npos)
                << result.err;
        }
        Close_Device();
    }

    const std::vector<std::vector<std::string>> lines = {
        {"send", "3", "10", "20"},
        {"send", "--dry-run", "1", "1.5"},
        {"send", "--index", "0", "6"},
        {"send", "--device", "/dev/hidraw0", "4", "0.5"},
        {"sequence", "--channel", "1", "1", "2", "--auto-restart"},
        {"sequence", "--dry-run", "--channel", "8", "0", "2678400.0", "--no-auto-restart"},
        {"list"},
        {"list", "--json"},
    };
    // clang-format off
    const std::string words[] = {
        "list", "send", "sequence", "--json", "--dry-run", "--device", "--index", "--file",
        "--channel", "--auto-restart", "--no-auto-restart", "--help", "-h", "--version", "--",
        "-", "", "0", "1", "8", "9", "1.5", "0.1", "2678400.1", "-1", "1e3", "x", "/dev/hidraw0",
        "/nonexistent", "--dry-run=x", "--index=1", "--device=", "99999999999", "-x",
    };
    // clang-format on
    for (int run = 0; run < 300; ++run) {
        std::vector<std::string> arguments = lines[pick(lines.size())];
        for (std::size_t edits = 1 + pick(3); edits > 0; --edits) {
            const std::size_t at = pick(arguments.size() + 1);
            switch (pick(4)) {
            case 0:
                arguments.insert(arguments.begin() + static_cast<long>(at),
                                 words[pick(std::size(words))]);
                break;
            case 1:
                if (at < arguments.size())
                    arguments.erase(arguments.begin() + static_cast<long>(at));
                break;
            case 2:
                if (at < arguments.size()) arguments[at] = words[pick(std::size(words))];
                break;
            default:
                if (at < arguments.size())
                    arguments[at] = arguments[at].substr(0, pick(arguments[at].size() + 1));
            }
        }
        std::string shown;
        for (const std::string& argument : arguments) shown += " [" + argument + "]";
        SCOPED_TRACE("run " + std::to_string(run) + ":" + shown);
        SetUp();
        check(arguments, Run_Tool(arguments));
        Close_Device();
    }
}

struct Outcome_Case {
    const char* name;
    void (*script)(fake_hid::Device&);
    int exit_code;
    const char* message;
};

TEST_F(Kx418ctl, OutcomesHaveTheSystemsTextsAndTheirExitCodes)
{
    const Outcome_Case cases[] = {
        {"acknowledged", [](fake_hid::Device&) {}, Exit_Sent,
         "Die Einstellungen wurden abgeschickt!\n"},
        {"absent", [](fake_hid::Device& d) { d.vendor = 0x1234; }, Exit_Not_Found,
         "Das Geraet wurde nicht gefunden!\n"},
        {"write fails", [](fake_hid::Device& d) { d.write_fails = true; }, Exit_Not_Written,
         "Sendefehler!\n"},
        {"silent", [](fake_hid::Device& d) { d.acknowledge = false; }, Exit_Not_Acknowledged,
         "Empfangsfehler!\n"},
    };
    for (const Outcome_Case& c : cases) {
        for (const char* command : {"send", "sequence"}) {
            SCOPED_TRACE(std::string(c.name) + " " + command);
            SetUp();
            c.script(state.devices[0]);
            const Run_Result result = std::string(command) == "send"
                                          ? Run_Tool({"send", "1", "1.5"})
                                          : Run_Tool({"sequence", "--channel", "1", "1", "2"});
            EXPECT_EQ(result.exit_code, c.exit_code);
            EXPECT_EQ(c.exit_code == Exit_Sent ? result.out : result.err, c.message);
            EXPECT_EQ(c.exit_code == Exit_Sent ? result.err : result.out, "");
            // A failed sequence stops at its first report.
            const std::size_t reports =
                c.exit_code == Exit_Sent && std::string(command) == "sequence" ? 9 : 1;
            EXPECT_EQ(state.written.size(),
                      c.exit_code == Exit_Not_Found || c.exit_code == Exit_Not_Written ? 0
                                                                                       : reports);
        }
    }
}

TEST_F(Kx418ctl, NotFoundSaysWhichDeviceThisUserMayNotOpen)
{
    state.devices[0].refuse_probe = true;
    state.devices[0].refusal = Hid_Open_Failure::Busy;
    const Run_Result result = Run_Tool({"send", "7"});
    EXPECT_EQ(result.exit_code, Exit_Not_Found);
    EXPECT_EQ(result.err,
              "Das Geraet wurde nicht gefunden!\n"
              "kx418ctl: /dev/hidraw0 cannot be opened (busy); 'kx418ctl list' says what to do\n");
}

TEST_F(Kx418ctl, ListExitCodesAndReasons)
{
    // One module this user may not open: exit 5, with the reason and the remedy.
    state.devices[0].refuse_probe = true;
    Run_Result result = Run_Tool({"list"});
    EXPECT_EQ(result.exit_code, Exit_No_Access);
    EXPECT_NE(result.out.find("/dev/hidraw0  ????:????  unknown  permission denied: "),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(Access_Remedy()), std::string::npos);

    // Only foreign devices: exit 1.
    SetUp();
    state.devices[0].vendor = 0x1234;
    result = Run_Tool({"list"});
    EXPECT_EQ(result.exit_code, Exit_Not_Found);
    EXPECT_NE(result.out.find("/dev/hidraw0  1234:0418  other device  can be opened"),
              std::string::npos)
        << result.out;

    // Nothing at all: exit 1; a module that can be opened: exit 0, and the
    // walk leaves nothing open.
    fake_hid::Reset();
    EXPECT_EQ(Run_Tool({"list"}).exit_code, Exit_Not_Found);
    SetUp();
    EXPECT_EQ(Run_Tool({"list", "--json"}).exit_code, Exit_Sent);
    EXPECT_EQ(fake_hid::Open_Count(), 0);
}

TEST_F(Kx418ctl, IndexCountsTheModulesThatCanBeOpenedAndDeviceTakesOnlyAModule)
{
    fake_hid::Add_Device("/dev/hidraw1", 0x1234, 0x5678).acknowledge = true;
    fake_hid::Add_Device("/dev/hidraw2", KX418_Vendor_ID, KX418_Product_ID).refuse_probe = true;
    fake_hid::Add_Device("/dev/hidraw3", KX418_Vendor_ID, KX418_Product_ID).acknowledge = true;

    EXPECT_EQ(Run_Tool({"send", "--index", "1", "6"}).exit_code, Exit_Sent);
    ASSERT_EQ(state.written.size(), 1u);
    EXPECT_EQ(state.written[0].path, "/dev/hidraw3");
    EXPECT_EQ(Run_Tool({"send", "--index", "2", "6"}).exit_code, Exit_Not_Found);

    EXPECT_EQ(Run_Tool({"send", "--device", "/dev/hidraw1", "6"}).exit_code, Exit_Not_Found);
    EXPECT_EQ(Run_Tool({"send", "--device", "/dev/hidraw3", "6"}).exit_code, Exit_Sent);
    ASSERT_EQ(state.written.size(), 2u);
    EXPECT_EQ(state.written[1].path, "/dev/hidraw3");
    EXPECT_EQ(fake_hid::Open_Count(), 0);
}

// list numbers the modules as the open counts them: a path the open passes
// over unopened (here one whose text a zero ends early, so that it reads as
// another device's path) is no module, and the index after it stays the
// one the open selects.
TEST_F(Kx418ctl, IndexIsTheOneTheOpenCountsPastAPathItPassesOver)
{
    fake_hid::Add_Device(std::string("/dev/hidraw0\0/1", 15), 0x1234, 0x5678);
    fake_hid::Add_Device("/dev/hidraw2", KX418_Vendor_ID, KX418_Product_ID).acknowledge = true;

    const Run_Result list = Run_Tool({"list"});
    EXPECT_NE(list.out.find("/dev/hidraw2  2b5d:0418  KX418 (index 1)"), std::string::npos)
        << list.out;
    EXPECT_EQ(list.out.find("(index 2)"), std::string::npos) << list.out;

    EXPECT_EQ(Run_Tool({"send", "--index", "1", "6"}).exit_code, Exit_Sent);
    ASSERT_EQ(state.written.size(), 1u);
    EXPECT_EQ(state.written[0].path, "/dev/hidraw2");
    EXPECT_EQ(fake_hid::Open_Count(), 0);
}

// A module another program holds keeps its index: the tool says it is in
// use and sends nothing, least of all to the module after it.
TEST_F(Kx418ctl, IndexOfABusyModuleIsInUseNotTheNextModule)
{
    state.devices[0].held = true;
    fake_hid::Add_Device("/dev/hidraw1", KX418_Vendor_ID, KX418_Product_ID).acknowledge = true;

    const Run_Result list = Run_Tool({"list"});
    EXPECT_NE(list.out.find("/dev/hidraw0  2b5d:0418  KX418 (index 0)"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("/dev/hidraw1  2b5d:0418  KX418 (index 1)"), std::string::npos)
        << list.out;

    const Run_Result busy = Run_Tool({"send", "--index", "0", "6"});
    EXPECT_EQ(busy.exit_code, Exit_In_Use);
    EXPECT_NE(busy.err.find("/dev/hidraw0 is in use by another program"), std::string::npos)
        << busy.err;
    EXPECT_TRUE(state.written.empty());

    EXPECT_EQ(Run_Tool({"send", "--index", "1", "6"}).exit_code, Exit_Sent);
    ASSERT_EQ(state.written.size(), 1u);
    EXPECT_EQ(state.written[0].path, "/dev/hidraw1");

    const Run_Result past = Run_Tool({"send", "--index", "2", "6"});
    EXPECT_EQ(past.exit_code, Exit_Not_Found);
    EXPECT_NE(past.err.find("2 modules can be opened (index 0 and 1)"), std::string::npos)
        << past.err;
    EXPECT_EQ(fake_hid::Open_Count(), 0);
}

}  // namespace

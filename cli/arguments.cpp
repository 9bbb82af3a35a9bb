// arguments.cpp - see arguments.h.
#include "arguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>
#include <vector>

#include <toml.hpp>

namespace {

constexpr std::string_view Time_Form =
    "seconds as digits with at most one decimal after a point, e.g. 1.5";

bool Is_Digit(char c)
{
    return c >= '0' && c <= '9';
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The text as it may be shown inside quotes on one line: control bytes
// escaped, a long text cut short.
std::string Shown(std::string_view text)
{
    constexpr std::size_t Longest = 40;
    std::string shown;
    if (text.size() > Longest) return Shown(text.substr(0, Longest)) + "...";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        }
    }
    return shown;
}

[[noreturn]] void Refuse(std::string_view name, std::string_view text, std::string_view rule)
{
    throw Usage_Error(std::string(name) + " \"" + Shown(text) + "\": " + std::string(rule));
}

// Why `text` is not digits with at most one decimal; "" when it is.
std::string Form_Problem(std::string_view text)
{
    if (text.empty()) return "empty";
    const std::string lower = Lower(text);
    if (lower.find("inf") != std::string::npos || lower.find("nan") != std::string::npos)
        return "not a finite number";
    if (text.front() == '+' || text.front() == '-') return "no sign allowed";
    if (lower.starts_with("0x")) return "no hexadecimal";
    if (text.find(',') != std::string_view::npos) return "decimal comma; use a point";
    std::size_t i = 0;
    while (i < text.size() && Is_Digit(text[i])) ++i;
    if (i == 0) return "not a number";
    if (i == text.size()) return "";
    if (text[i] == 'e' || text[i] == 'E') return "no exponent";
    if (text[i] != '.') return "unexpected characters after the number";
    const std::size_t decimals_start = ++i;
    while (i < text.size() && Is_Digit(text[i])) ++i;
    const std::size_t decimals = i - decimals_start;
    if (i < text.size()) {
        if (text[i] == 'e' || text[i] == 'E') return "no exponent";
        return "unexpected characters after the number";
    }
    if (decimals == 0) return "a digit must follow the point";
    if (decimals > 1) return "more than one decimal";
    return "";
}

std::string Limit_Text(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

}  // namespace

double Parse_Seconds(std::string_view text, std::string_view name, double lower_limit)
{
    if (const std::string problem = Form_Problem(text); !problem.empty())
        Refuse(name, text, problem + " (" + std::string(Time_Form) + ")");

    double seconds = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error == std::errc::result_out_of_range || !std::isfinite(seconds))
        Refuse(name, text, "too large (at most " + Limit_Text(Page_Time_Upper_Limit) + " s)");
    if (error != std::errc{} || end != text.data() + text.size())
        Refuse(name, text, "not a number (" + std::string(Time_Form) + ")");
    if (seconds < lower_limit)
        Refuse(name, text, "below the lowest time, " + Limit_Text(lower_limit) + " s");
    if (seconds > Page_Time_Upper_Limit)
        Refuse(name, text,
               "above the upper limit, " + Limit_Text(Page_Time_Upper_Limit) + " s (31 days)");
    return seconds;
}

namespace {

// A small whole number from `lowest` to `highest`, as digits only.
int Parse_Small_Number(std::string_view text, std::string_view name, int lowest, int highest,
                       std::string_view what)
{
    const std::string rule =
        std::string(what) + " " + std::to_string(lowest) + " to " + std::to_string(highest);
    if (text.empty()) Refuse(name, text, "empty (" + rule + ")");
    if (!std::all_of(text.begin(), text.end(), Is_Digit))
        Refuse(name, text, "not a whole number (" + rule + ")");
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number < lowest ||
        number > highest)
        Refuse(name, text, "unknown (" + rule + ")");
    return number;
}

}  // namespace

const Function_Page& Parse_Function(std::string_view text)
{
    const int function = Parse_Small_Number(
        text, "FUNCTION", 1, static_cast<int>(Function_Pages.size()), "functions are");
    return *Find_Function_Page(function);
}

int Parse_Channel(std::string_view text, std::string_view name)
{
    return Parse_Small_Number(text, name, 1, Sequencer_Channel_Count, "channels are");
}

int Parse_Index(std::string_view text)
{
    return Parse_Small_Number(text, "--index", 0, Highest_Index, "modules are numbered");
}

// ---------------------------------------------------------------------------
// Sequence file
// ---------------------------------------------------------------------------

namespace {

// A hand-written sequence file is a few hundred bytes.
constexpr std::size_t Longest_Sequence_File = 64 * 1024;

using Toml_Value = toml::basic_value<toml::discard_comments, std::map, std::vector>;

[[noreturn]] void File_Error(const std::string& path, std::uint_least32_t line,
                             const std::string& problem)
{
    throw Usage_Error("sequence file " + path + ":" + std::to_string(line) + ": " + problem);
}

// The deepest a sequence file nests tables: channel, then its number. Each
// bracket, brace and dot of a key is one level: [channel.1] is two, as are
// channel.1.start = 1.5 and channel = { 1 = { start = 1.5 } }. Nothing
// valid goes deeper.
constexpr int Deepest_Nesting = 2;

// The line on which `text` first nests deeper than Deepest_Nesting, with
// brackets, braces and the dots of keys counted outside strings and
// comments; 0 where it never does. Checked before the parser, which
// descends one call per level.
std::uint_least32_t Too_Deep_Line(std::string_view text)
{
    enum class In { Code, Comment, Basic, Literal, Multiline_Basic, Multiline_Literal };
    constexpr std::string_view Three_Quotes = "\"\"\"";
    constexpr std::string_view Three_Apostrophes = "'''";
    In in = In::Code;
    int depth = 0;
    std::array<char, Deepest_Nesting + 1> opened{};  // the brackets and braces open now
    bool in_key = true;  // where a key may be: a line's start, a header, after { or ,
    int key_dots = 0;
    std::uint_least32_t line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const std::string_view rest = text.substr(i);
        if (c == '\n') {
            ++line;
            in_key = true;
            key_dots = 0;
            // A comment or a one-line string ends with its line.
            if (in == In::Comment || in == In::Basic || in == In::Literal) in = In::Code;
            continue;
        }
        switch (in) {
        case In::Code:
            if (c == '#') {
                in = In::Comment;
            } else if (rest.starts_with(Three_Quotes)) {
                in = In::Multiline_Basic;
                i += 2;
            } else if (rest.starts_with(Three_Apostrophes)) {
                in = In::Multiline_Literal;
                i += 2;
            } else if (c == '"') {
                in = In::Basic;
            } else if (c == '\'') {
                in = In::Literal;
            } else if (c == '[' || c == '{') {
                if (++depth + key_dots > Deepest_Nesting) return line;
                opened[static_cast<std::size_t>(depth)] = c;
                in_key = c == '{' || depth == 1;
                key_dots = 0;
            } else if ((c == ']' || c == '}') && depth > 0) {
                --depth;
            } else if (c == '=') {
                in_key = false;
                key_dots = 0;
            } else if (c == ',' && depth > 0 && opened[static_cast<std::size_t>(depth)] == '{') {
                in_key = true;
            } else if (c == '.' && in_key && depth + ++key_dots > Deepest_Nesting) {
                return line;
            }
            break;
        case In::Comment: break;
        case In::Basic:
        case In::Multiline_Basic:
            if (c == '\\' && i + 1 < text.size() && text[i + 1] != '\n') {
                ++i;  // an escaped character, a quote among them
            } else if (in == In::Basic ? c == '"' : rest.starts_with(Three_Quotes)) {
                if (in == In::Multiline_Basic) i += 2;
                in = In::Code;
            }
            break;
        case In::Literal:
        case In::Multiline_Literal:
            if (in == In::Literal ? c == '\'' : rest.starts_with(Three_Apostrophes)) {
                if (in == In::Multiline_Literal) i += 2;
                in = In::Code;
            }
            break;
        }
    }
    return 0;
}

std::string Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// What a line that the parser could not read should have been, told from
// the line itself: a sequence file holds [channel.N] table headers and
// key = value lines whose values are times or true or false. `repeated`
// where the parser found the key or table given before.
std::string Expected_On(std::string_view line, bool repeated)
{
    const std::string code = Trimmed(line.substr(0, line.find('#')));
    if (code.starts_with("[["))
        return "expected a table header [channel.N], not an array of tables";
    if (code.starts_with("[")) {
        if (repeated) return "table " + Shown(code) + " given twice";
        if (!code.ends_with("]"))
            return "expected a table header [channel.N] closed by \"]\", found \"" + Shown(code) +
                   "\"";
        return "expected a table header [channel.N], N from 1 to 8, found \"" + Shown(code) + "\"";
    }
    if (code.empty())
        return "expected the end of what an earlier line began (a bracket, brace or quote left "
               "open)";
    const std::size_t equals = code.find('=');
    if (equals == std::string::npos)
        return "expected key = value, e.g. start = 1.5, found \"" + Shown(code) + "\"";
    const std::string key = Trimmed(std::string_view(code).substr(0, equals));
    const std::string value = Trimmed(std::string_view(code).substr(equals + 1));
    const bool bare_key = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return Is_Digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
               c == '_' || c == '.';
    });
    if (!bare_key && !key.starts_with('"') && !key.starts_with('\''))
        return "expected a key (auto-restart, start or stop) before \"=\", found \"" + Shown(key) +
               "\"";
    if (repeated) return "\"" + Shown(key) + "\" given twice";
    const std::string expected = "a time in seconds (e.g. 1.5), or true or false";
    if (value.empty()) return "expected " + expected + " after \"" + Shown(key) + " =\"";
    return "expected " + expected + " after \"" + Shown(key) + " =\", found \"" + Shown(value) +
           "\"";
}

// The value's text as written in the file, so that a time in the file is
// held to the same rules as one on the command line.
std::string Source_Text(const Toml_Value& value)
{
    const toml::source_location where = value.location();
    const std::string& line = where.line_str();
    if (where.column() == 0 || where.column() > line.size()) return {};
    return line.substr(where.column() - 1, where.region());
}

double Time_Of(const std::string& path, const Toml_Value& value, const std::string& name)
{
    if (!value.is_floating() && !value.is_integer())
        File_Error(path, value.location().line(), name + ": a time in seconds must be a number");
    try {
        return Parse_Seconds(Source_Text(value), name, Sequencer_Time_Lower_Limit);
    } catch (const Usage_Error& error) {
        File_Error(path, value.location().line(), error.what());
    }
}

}  // namespace

void Read_Sequence_File(const std::string& path, Sequence_Settings& settings)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw Usage_Error("sequence file " + path + ": a folder, not a file");
    // Read whole first, so that a pipe or a device works as well as a file
    // and the parser never sizes its buffer from a stream position.
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Usage_Error("sequence file " + path + ": cannot be read");
    std::string text;
    std::array<char, 4096> chunk{};
    while (file.read(chunk.data(), chunk.size()) || file.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(file.gcount()));
        if (text.size() > Longest_Sequence_File)
            throw Usage_Error("sequence file " + path + ": larger than " +
                              std::to_string(Longest_Sequence_File / 1024) + " KiB");
    }
    if (file.bad()) throw Usage_Error("sequence file " + path + ": cannot be read");

    if (const std::uint_least32_t line = Too_Deep_Line(text))
        File_Error(path, line,
                   "nested deeper than a sequence file goes ([channel.N] tables of start and "
                   "stop times)");
    Toml_Value root;
    try {
        std::istringstream stream(text);
        root = toml::parse<toml::discard_comments, std::map, std::vector>(stream, path);
    } catch (const toml::exception& error) {
        const toml::source_location where = error.location();
        const bool repeated =
            std::string_view(error.what()).find("already exists") != std::string_view::npos;
        File_Error(path, where.line(), Expected_On(where.line_str(), repeated));
    } catch (const std::exception&) {
        throw Usage_Error("sequence file " + path + ": cannot be read as TOML");
    }

    for (const auto& [key, value] : root.as_table()) {
        if (key == "auto-restart") {
            if (!value.is_boolean())
                File_Error(path, value.location().line(), "auto-restart must be true or false");
            settings.auto_restart = value.as_boolean();
        } else if (key == "channel") {
            if (!value.is_table())
                File_Error(path, value.location().line(),
                           "channel must be a table: [channel.N] with start and stop");
            for (const auto& [number, channel] : value.as_table()) {
                int index = 0;
                try {
                    index = Parse_Channel(number, "channel");
                } catch (const Usage_Error& error) {
                    File_Error(path, channel.location().line(), error.what());
                }
                if (!channel.is_table())
                    File_Error(path, channel.location().line(),
                               "channel " + number + " must be a table with start and stop");
                for (const auto& [field, time] : channel.as_table()) {
                    const std::string name = "channel " + number + " " + field;
                    if (field == "start")
                        settings.start[static_cast<std::size_t>(index - 1)] =
                            Time_Of(path, time, name);
                    else if (field == "stop")
                        settings.stop[static_cast<std::size_t>(index - 1)] =
                            Time_Of(path, time, name);
                    else
                        File_Error(path, time.location().line(),
                                   "unknown key \"" + Shown(field) +
                                       "\" (a channel has start and stop)");
                }
            }
        } else {
            File_Error(path, value.location().line(),
                       "unknown key \"" + Shown(key) + "\" (known: auto-restart, channel)");
        }
    }
}

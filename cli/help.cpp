// help.cpp - see help.h.
#include "help.h"

#include <algorithm>
#include <vector>

namespace {

// One line per command, as the manual page's SYNOPSIS gives them; the
// tool's own line last.
struct Synopsis_Line {
    std::string_view command;
    std::string_view line;
};
constexpr Synopsis_Line Synopsis[] = {
    {"list", "kx418ctl list [--json]"},
    {"send", "kx418ctl send [--dry-run] [--device PATH | --index N] FUNCTION [TIME1 [TIME2]]"},
    {"sequence", "kx418ctl sequence [--dry-run] [--device PATH | --index N] [--file FILE] "
                 "[--channel N START STOP]... [--auto-restart | --no-auto-restart]"},
    {"", "kx418ctl [--help | --version]"},
};

// Each exit code with its meaning for the tool as a whole, for send and
// sequence, and for list; nullptr where that command cannot give it.
struct Exit_Row {
    int code;
    const char* tool;
    const char* transfer;
    const char* list;
};
constexpr Exit_Row Exit_Rows[] = {
    {0, "sent and acknowledged; list: a KX418 can be opened", "sent and acknowledged",
     "a KX418 can be opened"},
    {1,
     "\"Das Geraet wurde nicht gefunden!\": no module found, or it could not be opened; "
     "list: no KX418 present",
     "\"Das Geraet wurde nicht gefunden!\": no module found, or it could not be opened",
     "no KX418 present"},
    {2,
     "bad usage: one line names the argument and the rule it breaks; nothing was opened "
     "or sent",
     "bad usage: one line names the argument and the rule it breaks; nothing was opened "
     "or sent",
     "bad usage: one line names the argument and the rule it breaks; nothing was opened"},
    {3, "\"Sendefehler!\": a report could not be written",
     "\"Sendefehler!\": a report could not be written", nullptr},
    {4, "\"Empfangsfehler!\": a report was not acknowledged within 2000 ms",
     "\"Empfangsfehler!\": a report was not acknowledged within 2000 ms", nullptr},
    {5, "list: no KX418 could be opened, and devices are present that this user cannot open",
     nullptr, "no KX418 could be opened, and devices are present that this user cannot open"},
    {6,
     "the module is in use by another program: it stayed held for 3 s; list: no KX418 can "
     "be opened now, and one present is held by another program",
     "the module is in use by another program: it stayed held for 3 s",
     "no KX418 can be opened now, and one present is held by another program"},
};

constexpr std::string_view Times_Note =
    "Times are seconds as digits with at most one decimal after a point: 0, 1.5, "
    "2678400.0. The module is sent milliseconds: the seconds times 1000, truncated, as the "
    "configurator does; so 32.3 s is sent as 32299 ms (32.3 times 1000 is 32299.999... in "
    "binary floating point), and --dry-run shows the milliseconds each report carries.";

constexpr std::string_view Sequence_File_Note =
    "A sequence file is TOML of this form; a channel given nowhere is 0.0 and 0.0:";
constexpr std::string_view Sequence_File_Example[] = {
    "auto-restart = true", "[channel.1]",  "start = 1.5", "stop = 2.5",
    "[channel.3]",         "start = 32.3", "stop = 10",
};

constexpr std::string_view Tool_Note =
    "Each command's --help gives its arguments, e.g. kx418ctl send --help.";

// Splits `text` into words at spaces; with `keep_brackets`, a bracketed
// group ("[--device PATH | --index N]") stays one word.
std::vector<std::string_view> Words(std::string_view text, bool keep_brackets)
{
    std::vector<std::string_view> words;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        if (keep_brackets && c == '[') ++depth;
        if (keep_brackets && c == ']' && depth > 0) --depth;
        if (c == ' ' && depth == 0) {
            if (i > start) words.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return words;
}

// Appends `text` to the page's current line, which already holds `column`
// characters, wrapped to Help_Width; further lines are indented by
// `indent`. Ends the last line.
void Wrap(std::string& page, std::string_view text, std::size_t column, std::size_t indent,
          bool keep_brackets = false)
{
    bool line_has_words = false;
    for (std::string_view word : Words(text, keep_brackets)) {
        if (line_has_words && column + 1 + word.size() > Help_Width) {
            page += "\n" + std::string(indent, ' ');
            column = indent;
            line_has_words = false;
        }
        if (line_has_words) {
            page += ' ';
            ++column;
        }
        page += word;
        column += word.size();
        line_has_words = true;
    }
    page += '\n';
}

struct Row {
    std::string term;
    std::string text;
};

// Rows of a term and its meaning: the meanings start in one column, after
// the longest term that leaves them room; a longer term has its meaning
// on the next line.
void Add_Rows(std::string& page, std::string_view heading, const std::vector<Row>& rows)
{
    if (rows.empty()) return;
    constexpr std::size_t Longest_Term = 24;
    std::size_t longest = 0;
    for (const Row& row : rows)
        if (row.term.size() <= Longest_Term) longest = std::max(longest, row.term.size());
    const std::size_t column = 2 + longest + 2;
    page += "\n" + std::string(heading) + ":\n";
    for (const Row& row : rows) {
        page += "  " + row.term;
        if (row.term.size() > longest) {
            page += "\n" + std::string(column, ' ');
        } else {
            page += std::string(column - 2 - row.term.size(), ' ');
        }
        Wrap(page, row.text, column, column);
    }
}

void Add_Paragraph(std::string& page, std::string_view text)
{
    page += "  ";
    Wrap(page, text, 2, 2);
}

// An option as a user writes it: its names, then the value it takes.
std::string Option_Term(const CLI::Option& option)
{
    if (option.get_positional()) return option.get_type_name();
    std::string term;
    for (const std::string& name : option.get_snames()) term += (term.empty() ? "-" : ", -") + name;
    for (const std::string& name : option.get_lnames())
        term += (term.empty() ? "--" : ", --") + name;
    if (option.get_type_size() > 0) term += " " + option.get_type_name();
    return term;
}

class Help_Formatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string /*name*/,
                          CLI::AppFormatMode /*mode*/) const override
    {
        const std::string command = app->get_parent() ? app->get_name() : "";
        std::string page;

        std::string_view lead = "Usage: ";
        for (const Synopsis_Line& synopsis : Synopsis) {
            if (!command.empty() && synopsis.command != command) continue;
            // Continued lines start under the command's first argument.
            const std::size_t name_length = synopsis.line.find(' ', synopsis.line.find(' ') + 1);
            page += lead;
            Wrap(page, synopsis.line, 7, 7 + std::min(name_length, synopsis.line.size()) + 1, true);
            lead = "       ";
        }
        page += "\n";
        Wrap(page, app->get_description(), 0, 0);

        std::vector<Row> commands;
        for (const CLI::App* sub : app->get_subcommands([](const CLI::App*) { return true; }))
            commands.push_back({sub->get_name(), sub->get_description()});
        Add_Rows(page, "Commands", commands);

        std::vector<Row> arguments;
        std::vector<Row> options;
        for (const CLI::Option* option : app->get_options())
            (option->get_positional() ? arguments : options)
                .push_back({Option_Term(*option), option->get_description()});
        Add_Rows(page, "Arguments", arguments);
        Add_Rows(page, "Options", options);

        if (command.empty() || command == "send" || command == "sequence") {
            page += "\nTimes:\n";
            Add_Paragraph(page, Times_Note);
        }
        if (command == "sequence") {
            page += "\nSequence file:\n";
            Add_Paragraph(page, Sequence_File_Note);
            for (std::string_view line : Sequence_File_Example)
                page += "    " + std::string(line) + "\n";
        }
        if (command.empty()) {
            page += "\n";
            Add_Paragraph(page, Tool_Note);
        }

        std::vector<Row> exits;
        for (const Exit_Row& row : Exit_Rows) {
            const char* text = command.empty()     ? row.tool
                               : command == "list" ? row.list
                                                   : row.transfer;
            if (text) exits.push_back({std::to_string(row.code), text});
        }
        Add_Rows(page, "Exit codes", exits);
        return page;
    }
};

}  // namespace

std::shared_ptr<CLI::FormatterBase> Make_Help_Formatter()
{
    return std::make_shared<Help_Formatter>();
}

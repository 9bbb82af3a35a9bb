// help.h - kx418ctl's help pages: one layout for the tool and each command,
// wrapped at 80 columns, in the tool's own words; and the one synopsis that
// the help and the manual page both give.
#ifndef KX418CTL_HELP_H
#define KX418CTL_HELP_H

#include <memory>

#include <CLI/CLI.hpp>

// No help line is wider than this.
constexpr std::size_t Help_Width = 80;

// The help pages' formatter: usage, description, commands, arguments and
// options with their meaning and range, the command's notes and the exit
// codes it can give. Subcommands take it from the tool when they are added.
std::shared_ptr<CLI::FormatterBase> Make_Help_Formatter();

#endif  // KX418CTL_HELP_H

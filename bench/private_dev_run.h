// private_dev_run.h - the outer half of a benchmark that measures inside a
// mount namespace whose /dev/hidraw<N> are the virtual module's nodes: it
// reads "[--NAME COUNT] [--spread]", pins itself to one CPU unless told to
// spread, starts the module and runs itself again through
// tools/virtual-module/private-dev with "--inside COUNT", where the
// measuring is done.
#ifndef KX418_BENCH_PRIVATE_DEV_RUN_H
#define KX418_BENCH_PRIVATE_DEV_RUN_H

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "virtual_module.h"

namespace bench {

// Returns the program's exit code. `count_option` is "--runs", say, and
// `fallback` its count when not given. The module is stopped and its
// folder removed before this returns.
inline int Run_Inside_Virtual_Dev(int argc, char** argv, const char* program_name,
                                  std::string_view count_option, int fallback,
                                  const std::vector<std::string>& nodes, const char* private_dev)
{
    const auto fail = [program_name](const std::string& what) {
        std::fprintf(stderr, "%s: %s\n", program_name, what.c_str());
        return 1;
    };
    int count = fallback;
    bool spread = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == count_option && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (argument == "--spread")
            spread = true;
        else
            count = 0;
    }
    if (count <= 0)
        return fail("usage: " + std::string(program_name) + " [" + std::string(count_option) +
                    " N] [--spread]");
    if (const std::string reason = virtual_module::Unavailable_Reason(); !reason.empty())
        return fail(reason);
    if (!Pin_Unless_Spread(spread)) return fail("cannot pin to one CPU (try --spread)");
    const std::string self = Self_Path();
    if (self.empty()) return fail("cannot find this program's path");
    std::fflush(stdout);

    std::string output;
    int status = 0;
    try {
        const virtual_module::Running_Module module(nodes, false);
        status = process::Run_Program(
            {private_dev, module.Folder(), self, "--inside", std::to_string(count)}, output);
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    std::fputs(output.c_str(), stdout);
    if (!process::Exited_Cleanly(status)) return fail("the measuring run failed");
    return 0;
}

}  // namespace bench

#endif  // KX418_BENCH_PRIVATE_DEV_RUN_H

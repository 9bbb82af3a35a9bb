// cli_bench.cpp - one "kx418ctl send 1 1.5" as a whole process, next to a
// minimal program doing the same exchange with raw system calls (also a
// whole process), against the virtual module.
//
//   kx418_cli_bench [--runs N] [--spread]
//
// The benchmark starts kx418-virtual-module (no log kept) with one node
// playing the module, then runs itself again through
// tools/virtual-module/private-dev, so that the node is /dev/hidraw0 as a
// plugged-in module's would be. There each program is started N times
// (default 200, after 10 to warm up), in blocks that take turns in five
// rounds; a sample is the time from posix_spawn to waitpid returning, its
// output going to /dev/null:
//
//   kx418ctl  send 1 1.5: the walk of /dev, the probe, the lock, the three
//             channels, the discard of queued input,
//             the report, the acknowledgement, the close, the message.
//   raw       kx418_raw_send /dev/hidraw0: open twice, write, poll, read,
//             close; no walk, no argument checks, no message.
//
// Prints figures only; nothing passes or fails. The benchmark and the
// module run on one CPU unless --spread is given.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "private_dev_run.h"
#include "virtual_module.h"

extern char** environ;

namespace {

using bench::Clock;
using bench::Figures;
using bench::Micros;
using bench::Summarise;

constexpr int Warm_Up = 10;
constexpr int Rounds = 5;

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "kx418_cli_bench: %s\n", what.c_str());
    std::exit(1);
}

// Runs a program to its end with its output on /dev/null; the time taken
// in microseconds.
double Run_Once(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto started = Clock::now();
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) Fail("cannot start " + arguments[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {}
    const double took = Micros(Clock::now() - started);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail(arguments[0] + " failed (status " + std::to_string(status) + ")");
    return took;
}

struct Method {
    const char* name;
    std::vector<std::string> command;
    std::vector<double> samples;
};

// Inside the private mount namespace: /dev/hidraw0 is the virtual module's.
int Measure(int runs)
{
    std::vector<Method> methods{
        {"kx418ctl send 1 1.5", {KX418CTL_PROGRAM, "send", "1", "1.5"}, {}},
        {"raw: open, write, poll, read, close", {KX418_RAW_SEND_PROGRAM, "/dev/hidraw0"}, {}},
    };
    const int per_round = std::max(1, runs / Rounds);
    for (Method& method : methods)
        for (int i = 0; i < Warm_Up; ++i) Run_Once(method.command);
    for (int round = 0; round < Rounds; ++round)
        for (Method& method : methods)
            for (int i = 0; i < per_round; ++i) method.samples.push_back(Run_Once(method.command));

    std::printf("One report as a whole process, spawn to exit; %d of each in %d rounds\n",
                per_round * Rounds, Rounds);
    std::printf("   %-40s %10s %10s %10s\n", "", "median us", "mean us", "p90 us");
    std::vector<Figures> figures;
    for (const Method& method : methods) {
        figures.push_back(Summarise(method.samples));
        std::printf("   %-40s %10.1f %10.1f %10.1f\n", method.name, figures.back().median,
                    figures.back().mean, figures.back().p90);
    }
    std::printf("   kx418ctl / raw: %.2fx (median)  %.2fx (mean)   goal: within 1.5x\n",
                figures[0].median / figures[1].median, figures[0].mean / figures[1].mean);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--inside") return Measure(std::atoi(argv[2]));
    return bench::Run_Inside_Virtual_Dev(argc, argv, "kx418_cli_bench", "--runs", 200, {"hidraw0"},
                                         KX418_PRIVATE_DEV);
}

// process.h - child processes for the tests, the benchmarks and the tools
// beside them: started with a changed environment, waited for with a
// limit, ended with their owner.
#ifndef KX418_PROCESS_H
#define KX418_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "spawn_actions.h"

namespace process {

// A pipe's two ends, each closed with its owner unless taken (-1).
struct Fd_Pair {
    int read = -1;
    int write = -1;
    Fd_Pair() = default;
    ~Fd_Pair();
    Fd_Pair(const Fd_Pair&) = delete;
    Fd_Pair& operator=(const Fd_Pair&) = delete;
};

// This process's environment with `changes` applied: an entry "NAME=VALUE"
// replaces the one of the same name, "NAME=" alone removes it.
std::vector<std::string> Environment_With(const std::vector<std::string>& changes);

// A new pipe whose write end the child gets as its stdout (and stderr,
// when asked); the read end stays with the caller. Throws
// std::runtime_error when no pipe can be made.
void Capture_Output(Fd_Pair& pipe_ends, Spawn_Actions& actions, bool with_stderr);

// Starts the program arguments[0] (searched on PATH) with this process's
// environment changed as Environment_With takes it. Throws
// std::runtime_error when it cannot be started.
pid_t Spawn(const std::vector<std::string>& arguments, Spawn_Actions& actions,
            const std::vector<std::string>& environment = {});

// Waits up to `limit` for the child; true when it ended (its waitpid
// status in `status`) or cannot be waited for.
bool Wait_For(pid_t pid, int& status, std::chrono::milliseconds limit);

// Runs a program to its end; returns the waitpid status and, in `output`,
// what it wrote to stdout and stderr.
int Run_Program(const std::vector<std::string>& arguments, std::string& output);

// True when `status` says the program ended by exit code 0.
bool Exited_Cleanly(int status);

// "what: " and the system's text for errno, for an exception's message.
std::string Error_Text(const std::string& what);

// A program running as a child process, its standard output and error in
// a file. Ended (SIGTERM, then SIGKILL) when the owner goes.
class Child {
public:
    // `environment` as Spawn takes it. `pass_fd`, when not -1, becomes the
    // child's descriptor 3.
    Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
          const std::string& output_file, int pass_fd = -1);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Waits up to `limit` for the child to end; its waitpid status, or
    // nothing while it still runs. Later calls return the status again.
    std::optional<int> Wait(std::chrono::milliseconds limit);
    // Ends the child if it still runs; its status.
    int Stop();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

}  // namespace process

#endif  // KX418_PROCESS_H

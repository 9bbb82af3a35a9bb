// process.cpp - starting, waiting for and ending child processes.
#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace process {

namespace {

constexpr auto Stop_Limit = std::chrono::seconds(5);

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::string Error_Text(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

Fd_Pair::~Fd_Pair()
{
    if (read >= 0) close(read);
    if (write >= 0) close(write);
}

std::vector<std::string> Environment_With(const std::vector<std::string>& changes)
{
    std::vector<std::string> result;
    auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        bool replaced = false;
        for (const std::string& change : changes)
            replaced = replaced || name_of(change) == name_of(text);
        if (!replaced) result.push_back(text);
    }
    for (const std::string& change : changes)
        if (change.find('=') + 1 < change.size()) result.push_back(change);
    return result;
}

void Capture_Output(Fd_Pair& pipe_ends, Spawn_Actions& actions, bool with_stderr)
{
    std::array<int, 2> ends{};
    if (pipe2(ends.data(), O_CLOEXEC) != 0) throw std::runtime_error(Error_Text("pipe"));
    pipe_ends.read = ends[0];
    pipe_ends.write = ends[1];
    posix_spawn_file_actions_adddup2(actions.get(), pipe_ends.write, STDOUT_FILENO);
    if (with_stderr)
        posix_spawn_file_actions_adddup2(actions.get(), pipe_ends.write, STDERR_FILENO);
}

pid_t Spawn(const std::vector<std::string>& arguments, Spawn_Actions& actions,
            const std::vector<std::string>& environment)
{
    std::vector<std::string> argv_texts = arguments;
    std::vector<std::string> env_texts = Environment_With(environment);
    std::vector<char*> argv = Pointers(argv_texts);
    std::vector<char*> envp = Pointers(env_texts);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), envp.data());
    if (error != 0) {
        errno = error;
        throw std::runtime_error(Error_Text("cannot start " + arguments[0]));
    }
    return pid;
}

bool Wait_For(pid_t pid, int& status, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int Run_Program(const std::vector<std::string>& arguments, std::string& output)
{
    Fd_Pair pipe_ends;
    Spawn_Actions actions;
    Capture_Output(pipe_ends, actions, true);
    const pid_t pid = Spawn(arguments, actions);
    close(std::exchange(pipe_ends.write, -1));

    output.clear();
    std::array<char, 4096> chunk{};
    for (;;) {
        const ssize_t got = read(pipe_ends.read, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output.append(chunk.data(), static_cast<std::size_t>(got));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return status;
}

bool Exited_Cleanly(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Child::Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const std::string& output_file, int pass_fd)
{
    Spawn_Actions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, output_file.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO);
    if (pass_fd >= 0) posix_spawn_file_actions_adddup2(actions.get(), pass_fd, 3);
    pid_ = Spawn(arguments, actions, environment);
}

Child::~Child()
{
    Stop();
}

std::optional<int> Child::Wait(std::chrono::milliseconds limit)
{
    if (status_) return status_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = status;
            return status_;
        }
        if (done < 0 && errno != EINTR) {
            status_ = -1;
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int Child::Stop()
{
    if (status_) return *status_;
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    if (!Wait(Stop_Limit)) {
        kill(pid_, SIGKILL);
        Wait(Stop_Limit);
    }
    return status_.value_or(-1);
}

}  // namespace process

// runner.cpp - starting and stopping the virtual module as a child process.
#include "runner.h"
#include "spawn_actions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace virtual_module {

namespace {

constexpr auto Start_Limit = std::chrono::seconds(10);
constexpr auto Stop_Limit = std::chrono::seconds(5);

std::string Error_Text(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

struct Fd_Pair {
    int read = -1;
    int write = -1;
    ~Fd_Pair()
    {
        if (read >= 0) close(read);
        if (write >= 0) close(write);
    }
};

// A pipe whose write end the child gets as its stdout (and stderr, when
// asked); the read end stays with the caller.
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

pid_t Spawn(const std::vector<std::string>& arguments, Spawn_Actions& actions)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ);
    if (error != 0) {
        errno = error;
        throw std::runtime_error(Error_Text("cannot start " + arguments[0]));
    }
    return pid;
}

// Waits for the child up to `limit`; true when it ended.
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

}  // namespace

bool Exited_Cleanly(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Unavailable_Reason()
{
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        return Error_Text("FUSE is not available here (/dev/fuse") + ")";
    if (geteuid() != 0 && access("/usr/bin/fusermount3", X_OK) != 0 &&
        access("/bin/fusermount3", X_OK) != 0)
        return "FUSE mounts need root or fusermount3, and neither is there";
    return {};
}

Running_Module::Running_Module(const std::vector<std::string>& nodes, bool log)
{
    std::string pattern = "/tmp/kx418-virtual-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error(Error_Text("mkdtemp"));
    directory_ = pattern;
    folder_ = directory_ + "/nodes";
    log_ = directory_ + "/log";
    if (mkdir(folder_.c_str(), 0755) != 0) {
        const std::string error = Error_Text("mkdir " + folder_);
        rmdir(directory_.c_str());
        throw std::runtime_error(error);
    }

    std::vector<std::string> arguments{KX418_VIRTUAL_MODULE_PROGRAM, folder_};
    if (log) {
        arguments.push_back("--log");
        arguments.push_back(log_);
    }
    for (const std::string& node : nodes) {
        arguments.push_back("--node");
        arguments.push_back(node);
    }

    try {
        Fd_Pair pipe_ends;
        Spawn_Actions actions;
        Capture_Output(pipe_ends, actions, false);
        pid_ = Spawn(arguments, actions);
        close(std::exchange(pipe_ends.write, -1));

        // "ready" on the module's stdout says the folder is mounted.
        std::string said;
        const auto deadline = std::chrono::steady_clock::now() + Start_Limit;
        while (said.find("ready\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{pipe_ends.read, POLLIN, 0};
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) == 0)
                throw std::runtime_error("the virtual module did not get ready in time");
            std::array<char, 256> chunk{};
            const ssize_t got = read(pipe_ends.read, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) throw std::runtime_error("the virtual module ended before it was ready");
            said.append(chunk.data(), static_cast<std::size_t>(got));
        }
        ready_pipe_ = std::exchange(pipe_ends.read, -1);
    } catch (...) {
        Stop();
        unlink(log_.c_str());
        rmdir(folder_.c_str());
        rmdir(directory_.c_str());
        throw;
    }
}

Running_Module::~Running_Module()
{
    Stop();
    unlink(log_.c_str());
    rmdir(folder_.c_str());
    rmdir(directory_.c_str());
}

std::string Running_Module::Node_Path(std::string_view node) const
{
    return folder_ + "/" + std::string(node);
}

std::vector<std::string> Running_Module::Log_Lines() const
{
    std::vector<std::string> lines;
    std::ifstream file(log_);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Running_Module::Reports_Of(std::string_view node) const
{
    const std::string prefix = std::string(node) + " report ";
    std::vector<std::string> reports;
    for (std::string& line : Log_Lines())
        if (line.starts_with(prefix)) reports.push_back(std::move(line));
    return reports;
}

bool Running_Module::Mounted() const
{
    std::ifstream mounts("/proc/self/mountinfo");
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountpoint;
        fields >> id >> parent >> device >> root >> mountpoint;
        if (mountpoint == folder_) return true;
    }
    return false;
}

int Running_Module::Stop(int signal)
{
    if (pid_ > 0) {
        kill(pid_, signal);
        if (!Wait_For(pid_, status_, Stop_Limit)) {
            kill(pid_, SIGKILL);
            Wait_For(pid_, status_, Stop_Limit);
        }
        pid_ = -1;
    }
    if (ready_pipe_ >= 0) close(std::exchange(ready_pipe_, -1));
    // A module that died or was killed leaves its mount behind: detach it,
    // or the next start on this machine trips over it.
    if (!folder_.empty() && Mounted()) {
        if (geteuid() == 0) {
            umount2(folder_.c_str(), MNT_DETACH);
        } else {
            std::string output;
            Run_Program({"fusermount3", "-u", "-z", folder_}, output);
        }
    }
    return status_;
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

}  // namespace virtual_module

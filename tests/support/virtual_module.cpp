// virtual_module.cpp - starting and stopping the virtual module as a child
// process.
#include "virtual_module.h"
#include "file_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace virtual_module {

namespace {

constexpr auto Start_Limit = std::chrono::seconds(10);
constexpr auto Stop_Limit = std::chrono::seconds(5);

}  // namespace

std::string Unavailable_Reason()
{
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        return process::Error_Text("FUSE is not available here (/dev/fuse") + ")";
    if (geteuid() != 0 && access("/usr/bin/fusermount3", X_OK) != 0 &&
        access("/bin/fusermount3", X_OK) != 0)
        return "FUSE mounts need root or fusermount3, and neither is there";
    return {};
}

Running_Module::Running_Module(const std::vector<std::string>& nodes, bool log)
    : directory_("kx418-virtual", "/tmp")
{
    folder_ = directory_.String() + "/nodes";
    log_ = directory_.String() + "/log";
    if (mkdir(folder_.c_str(), 0755) != 0)
        throw std::runtime_error(process::Error_Text("mkdir " + folder_));

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
        process::Fd_Pair pipe_ends;
        Spawn_Actions actions;
        process::Capture_Output(pipe_ends, actions, false);
        pid_ = process::Spawn(arguments, actions);
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
        throw;
    }
}

// The directory goes after this, with the log and the unmounted folder.
Running_Module::~Running_Module()
{
    Stop();
}

std::string Running_Module::Node_Path(std::string_view node) const
{
    return folder_ + "/" + std::string(node);
}

std::vector<std::string> Running_Module::Log_Lines() const
{
    return support::Read_Lines(log_);
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
        if (!process::Wait_For(pid_, status_, Stop_Limit)) {
            kill(pid_, SIGKILL);
            process::Wait_For(pid_, status_, Stop_Limit);
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
            process::Run_Program({"fusermount3", "-u", "-z", folder_}, output);
        }
    }
    return status_;
}

}  // namespace virtual_module

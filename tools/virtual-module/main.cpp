// main.cpp - kx418-virtual-module: mounts a folder of virtual hidraw nodes
// (see hidraw_nodes.h) and serves it until SIGINT or SIGTERM.
//
// One thread runs one loop: it waits on the FUSE channel, on a signalfd for
// the stop signals and, with its timeout, for the next delayed answer.
// When stdout is a pipe, the loop also stops once nobody reads that pipe
// any more: a test or script that started the module and died takes the
// module, and its mount, with it.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hidraw_nodes.h"
#include "node_options.h"
#include "report_log.h"
#include "unique_fd.h"

namespace {

using namespace virtual_module;

constexpr const char* Program = "kx418-virtual-module";
constexpr int Exit_Failure = 1;
constexpr int Exit_Usage = 2;

struct Session_Destroy {
    void operator()(fuse_session* session) const { fuse_session_destroy(session); }
};
using Session = std::unique_ptr<fuse_session, Session_Destroy>;

// Mounted for the lifetime of the object.
class Mount {
public:
    Mount(fuse_session* session, const std::string& mountpoint) : session_(session)
    {
        mounted_ = fuse_session_mount(session, mountpoint.c_str()) == 0;
    }
    ~Mount()
    {
        if (mounted_) fuse_session_unmount(session_);
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    bool mounted() const { return mounted_; }

private:
    fuse_session* session_;
    bool mounted_ = false;
};

// The request buffer, allocated by the first receive and reused after it.
struct Request_Buffer {
    fuse_buf buffer{};
    Request_Buffer() = default;
    ~Request_Buffer() { std::free(buffer.mem); }
    Request_Buffer(const Request_Buffer&) = delete;
    Request_Buffer& operator=(const Request_Buffer&) = delete;
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", Program, message.c_str());
    return Exit_Failure;
}

// libfuse's messages: kept until the folder is mounted, so that a failed
// mount is told in one line with its reason; printed as they come after.
std::string Fuse_Message;
bool Fuse_Messages_Printed = false;

void Take_Fuse_Message(fuse_log_level /*level*/, const char* format, va_list arguments)
{
    std::array<char, 512> text{};
    std::vsnprintf(text.data(), text.size(), format, arguments);
    std::string message(text.data());
    if (message.starts_with("fuse: ")) message.erase(0, 6);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    if (Fuse_Messages_Printed)
        Fail(message);
    else
        Fuse_Message = message;
}

// Milliseconds until `due`, rounded up, for poll; -1 waits without limit.
int Poll_Timeout(std::optional<Clock::time_point> due)
{
    if (!due) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

// True when stdout is a pipe (or FIFO), whose reader can go away.
bool Stdout_Is_Pipe()
{
    struct stat status {};
    return fstat(STDOUT_FILENO, &status) == 0 && S_ISFIFO(status.st_mode);
}

int Serve(const Options& options)
{
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        return Fail(std::string("FUSE is not available (/dev/fuse: ") + std::strerror(errno) + ")");

    // The stop signals are taken from a signalfd, so they are blocked first.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &stop_signals, nullptr) != 0)
        return Fail(std::string("cannot block signals: ") + std::strerror(errno));
    Fd signals{signalfd(-1, &stop_signals, SFD_CLOEXEC | SFD_NONBLOCK)};
    if (signals.get() < 0) return Fail(std::string("signalfd: ") + std::strerror(errno));

    Report_Log log = options.log_path.empty() ? Report_Log{} : Report_Log{options.log_path};
    Hidraw_Nodes nodes{options.nodes, std::move(log)};

    std::vector<std::string> argument_texts{Program, "-o",
                                            "fsname=kx418-virtual-module,subtype=kx418"};
    std::vector<char*> argument_pointers;
    for (std::string& text : argument_texts) argument_pointers.push_back(text.data());
    fuse_args arguments =
        FUSE_ARGS_INIT(static_cast<int>(argument_pointers.size()), argument_pointers.data());
    const fuse_lowlevel_ops& operations = Hidraw_Nodes::Operations();
    fuse_set_log_func(Take_Fuse_Message);
    Session session{fuse_session_new(&arguments, &operations, sizeof operations, &nodes)};
    fuse_opt_free_args(&arguments);
    if (!session)
        return Fail("cannot create the FUSE session" +
                    (Fuse_Message.empty() ? "" : " (" + Fuse_Message + ")"));

    Mount mount{session.get(), options.mountpoint};
    if (!mount.mounted())
        return Fail("cannot mount " + options.mountpoint +
                    (Fuse_Message.empty() ? "" : " (" + Fuse_Message + ")"));
    Fuse_Messages_Printed = true;

    std::printf("ready\n");
    std::fflush(stdout);

    Request_Buffer request;
    // A pipe's write end reports POLLERR once its last reader has closed it.
    const int watched_stdout = Stdout_Is_Pipe() ? STDOUT_FILENO : -1;
    int status = 0;
    while (!fuse_session_exited(session.get())) {
        std::array<pollfd, 3> waits{{{fuse_session_fd(session.get()), POLLIN, 0},
                                     {signals.get(), POLLIN, 0},
                                     {watched_stdout, 0, 0}}};
        const int ready = poll(waits.data(), waits.size(), Poll_Timeout(nodes.Next_Answer_Due()));
        if (ready < 0 && errno != EINTR) {
            status = Fail(std::string("poll: ") + std::strerror(errno));
            break;
        }
        if (waits[1].revents & POLLIN) break;               // SIGINT or SIGTERM: stop cleanly
        if (waits[2].revents & (POLLERR | POLLHUP)) break;  // nobody reads stdout any more

        if (waits[0].revents & POLLIN) {
            const int received = fuse_session_receive_buf(session.get(), &request.buffer);
            if (received == -EINTR || received == -EAGAIN || received == -ENOENT) continue;
            if (received <= 0) break;  // unmounted from outside, or the channel failed
            fuse_session_process_buf(session.get(), &request.buffer);
        } else if (waits[0].revents & (POLLERR | POLLHUP)) {
            break;
        }
        nodes.Deliver_Due_Answers(Clock::now());
    }
    nodes.Shut_Down();
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    Options options;
    try {
        options = Parse_Options(arguments);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "%s: %s (see --help)\n", Program, error.what());
        return Exit_Usage;
    }
    if (options.help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    try {
        return Serve(options);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}

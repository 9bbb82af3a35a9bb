// x_session.cpp - child processes, the private X server and the desktop
// tools of the end-to-end tests.
#include "x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

#include "runner.h"
#include "spawn_actions.h"

extern char** environ;

namespace e2e {

namespace {

constexpr auto Stop_Limit = std::chrono::seconds(5);
constexpr auto Server_Start_Limit = std::chrono::seconds(20);
constexpr auto Poll_Step = std::chrono::milliseconds(40);

std::string Error_Text(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

bool On_Path(const std::string& tool)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && access((folder + "/" + tool).c_str(), X_OK) == 0) return true;
    return false;
}

// This process's environment with `changes` applied.
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

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

Child::Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const std::string& output_file, int pass_fd)
{
    std::vector<std::string> argv_texts = arguments;
    std::vector<std::string> env_texts = Environment_With(environment);
    std::vector<char*> argv = Pointers(argv_texts);
    std::vector<char*> envp = Pointers(env_texts);

    Spawn_Actions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, output_file.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO);
    if (pass_fd >= 0) posix_spawn_file_actions_adddup2(actions.get(), pass_fd, 3);
    const int error =
        posix_spawnp(&pid_, argv[0], actions.get(), nullptr, argv.data(), envp.data());
    if (error != 0) {
        errno = error;
        throw std::runtime_error(Error_Text("cannot start " + arguments[0]));
    }
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

std::string X_Unavailable_Reason()
{
    if (!On_Path("Xvfb"))
        return "Xvfb is missing (Debian package xvfb; tools/install-deps installs it)";
    return {};
}

std::string Missing_Desktop_Tools()
{
    std::string missing;
    for (const char* tool : {"xdotool", "xclip", "openbox"})
        if (!On_Path(tool)) missing += std::string(missing.empty() ? "" : ", ") + tool;
    return missing;
}

X_Server::X_Server(const std::string& log_file, const std::string& authority_file,
                   const std::string& cookie)
{
    // The server takes the cookies of its authority file whatever display
    // they are written for; its clients look for their display's own.
    const auto add_cookie = [&](const std::string& display) {
        std::string output;
        if (!virtual_module::Exited_Cleanly(virtual_module::Run_Program(
                {"xauth", "-f", authority_file, "add", display, ".", cookie}, output)))
            throw std::runtime_error("xauth cannot write " + authority_file + ": " + output);
    };
    if (!cookie.empty()) add_cookie(":0");

    // Xvfb picks a free display and writes its number to descriptor 3 once
    // it listens. -noreset: by default the server resets whenever its last
    // client leaves, and a client that connects meanwhile is turned away;
    // the tests' tools come and go all the time.
    std::array<int, 2> ends{};
    if (pipe2(ends.data(), O_CLOEXEC) != 0) throw std::runtime_error(Error_Text("pipe"));
    struct Ends {
        std::array<int, 2>& fds;
        ~Ends()
        {
            for (int& fd : fds)
                if (fd >= 0) close(std::exchange(fd, -1));
        }
    } closer{ends};

    std::vector<std::string> command{"Xvfb", "-displayfd", "3", "-noreset",   "-nolisten",
                                     "tcp",  "-screen",    "0", "1024x768x24"};
    if (!cookie.empty()) command.insert(command.end(), {"-auth", authority_file});
    server_ = std::make_unique<Child>(command, std::vector<std::string>{}, log_file, ends[1]);
    close(std::exchange(ends[1], -1));

    std::string said;
    const auto deadline = std::chrono::steady_clock::now() + Server_Start_Limit;
    while (said.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{ends[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) == 0)
            throw std::runtime_error("Xvfb did not start in time; see " + log_file);
        std::array<char, 64> chunk{};
        const ssize_t got = read(ends[0], chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0)
            throw std::runtime_error("Xvfb ended before it took a display; see " + log_file);
        said.append(chunk.data(), static_cast<std::size_t>(got));
    }
    display_ = ":" + said.substr(0, said.find('\n'));
    if (!cookie.empty()) add_cookie(display_);

    // A client must get in before anyone relies on the server.
    std::string output;
    std::vector<std::string> client{"timeout", "10", "env", "DISPLAY=" + display_};
    if (!cookie.empty()) client.push_back("XAUTHORITY=" + authority_file);
    client.insert(client.end(), {"xdotool", "getdisplaygeometry"});
    const int status = virtual_module::Run_Program(client, output);
    if (!virtual_module::Exited_Cleanly(status))
        throw std::runtime_error("no client gets into Xvfb on " + display_ + ": " + output);
}

Window_Manager::Window_Manager(const std::string& display, const std::string& log_file)
{
    manager_ = std::make_unique<Child>(std::vector<std::string>{"openbox", "--sm-disable"},
                                       std::vector<std::string>{"DISPLAY=" + display}, log_file);
    // It has taken the display once the root window says how many
    // desktops there are.
    const Desktop desktop(display);
    for (const auto deadline = std::chrono::steady_clock::now() + Server_Start_Limit;;) {
        int status = 0;
        desktop.Run({"xdotool", "get_num_desktops"}, &status);
        if (virtual_module::Exited_Cleanly(status)) return;
        if (manager_->Wait(std::chrono::milliseconds(0)))
            throw std::runtime_error("openbox ended at its start; see " + log_file);
        if (std::chrono::steady_clock::now() >= deadline)
            throw std::runtime_error("openbox did not take the display in time; see " + log_file);
        std::this_thread::sleep_for(Poll_Step);
    }
}

std::string Desktop::Run(const std::vector<std::string>& arguments, int* status) const
{
    // No desktop tool may hang a test: each gets 20 s.
    std::vector<std::string> command{"timeout", "20", "env", "DISPLAY=" + display_};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::string output;
    const int result = virtual_module::Run_Program(command, output);
    if (status != nullptr) *status = result;
    return output;
}

std::vector<std::string> Desktop::Windows(const std::string& title_pattern) const
{
    int status = 0;
    std::istringstream lines(
        Run({"xdotool", "search", "--onlyvisible", "--name", title_pattern}, &status));
    std::vector<std::string> windows;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
            windows.push_back(line);
    return windows;
}

std::string Desktop::Wait_For_Window(const std::string& title_pattern,
                                     std::chrono::milliseconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::vector<std::string> found = Windows(title_pattern);
        if (!found.empty()) return found.front();
        if (std::chrono::steady_clock::now() >= deadline) return {};
        std::this_thread::sleep_for(Poll_Step);
    }
}

bool Desktop::Wait_Until_Gone(const std::string& title_pattern,
                              std::chrono::milliseconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (Windows(title_pattern).empty()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(Poll_Step);
    }
}

std::string Desktop::Title(const std::string& window) const
{
    std::string title = Run({"xdotool", "getwindowname", window});
    while (!title.empty() && title.back() == '\n') title.pop_back();
    return title;
}

void Desktop::Click(const std::string& window, int x, int y, int button, int count) const
{
    Run({"xdotool", "mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y),
         "click", "--repeat", std::to_string(count), "--delay", "60", std::to_string(button)});
}

void Desktop::Key(const std::string& keys) const
{
    Run({"xdotool", "key", "--clearmodifiers", keys});
}

void Desktop::Type(const std::string& text) const
{
    Run({"xdotool", "type", "--delay", "20", text});
}

// The pointer goes into the window too: with no window manager, keys go
// to the window under the pointer once the focus reverts to the root.
// Without --sync: that waits for the focus to be on exactly this window,
// which never comes when the program hands it on to one of its own.
void Desktop::Focus(const std::string& window) const
{
    Run({"xdotool", "mousemove", "--window", window, "5", "5"});
    Run({"xdotool", "windowfocus", window});
}

std::string Desktop::Selection_Text(const char* selection) const
{
    int status = 0;
    const std::string text = Run({"xclip", "-out", "-selection", selection}, &status);
    return virtual_module::Exited_Cleanly(status) ? text : std::string();
}

// The box takes the keyboard focus when it shows; should a key still
// reach the window before it, the copy is asked for again.
std::string Desktop::Box_Message(const std::string& window, const std::string& title) const
{
    const std::string separator = "---------------------------\n";
    const std::string head = separator + title + "\n" + separator;
    std::string copied;
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         !copied.starts_with(head) && std::chrono::steady_clock::now() < deadline;) {
        Focus(window);
        Key("ctrl+c");
        for (const auto asked = std::chrono::steady_clock::now();
             std::chrono::steady_clock::now() < asked + std::chrono::seconds(1);) {
            if ((copied = Clipboard()).starts_with(head)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (!copied.starts_with(head) || !copied.ends_with("\n" + separator)) return {};
    return copied.substr(head.size(), copied.size() - head.size() - separator.size() - 1);
}

bool Desktop::Dismiss_Box(const std::string& window, const std::string& title_pattern) const
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        Focus(window);
        Key("Return");
        if (Wait_Until_Gone(title_pattern, std::chrono::seconds(2))) return true;
    }
    return false;
}
std::string Desktop::Clipboard() const
{
    return Selection_Text("clipboard");
}

std::string Desktop::Selection() const
{
    return Selection_Text("primary");
}

}  // namespace e2e

// x_session.cpp - the private X server and the desktop tools of the tests
// that drive a real program.
#include "x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace support {

namespace {

constexpr auto Server_Start_Limit = std::chrono::seconds(20);
constexpr auto Poll_Step = std::chrono::milliseconds(40);

bool On_Path(const std::string& tool)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && access((folder + "/" + tool).c_str(), X_OK) == 0) return true;
    return false;
}

}  // namespace

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
        if (!process::Exited_Cleanly(process::Run_Program(
                {"xauth", "-f", authority_file, "add", display, ".", cookie}, output)))
            throw std::runtime_error("xauth cannot write " + authority_file + ": " + output);
    };
    if (!cookie.empty()) add_cookie(":0");

    // Xvfb picks a free display and writes its number to descriptor 3 once
    // it listens. -noreset: by default the server resets whenever its last
    // client leaves, and a client that connects meanwhile is turned away;
    // the tests' tools come and go all the time.
    std::array<int, 2> ends{};
    if (pipe2(ends.data(), O_CLOEXEC) != 0) throw std::runtime_error(process::Error_Text("pipe"));
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
    server_ =
        std::make_unique<process::Child>(command, std::vector<std::string>{}, log_file, ends[1]);
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
    const int status = process::Run_Program(client, output);
    if (!process::Exited_Cleanly(status))
        throw std::runtime_error("no client gets into Xvfb on " + display_ + ": " + output);
}

Window_Manager::Window_Manager(const std::string& display, const std::string& log_file)
{
    manager_ =
        std::make_unique<process::Child>(std::vector<std::string>{"openbox", "--sm-disable"},
                                         std::vector<std::string>{"DISPLAY=" + display}, log_file);
    // It has taken the display once the root window says how many
    // desktops there are.
    const Desktop desktop(display);
    for (const auto deadline = std::chrono::steady_clock::now() + Server_Start_Limit;;) {
        int status = 0;
        desktop.Run({"xdotool", "get_num_desktops"}, &status);
        if (process::Exited_Cleanly(status)) return;
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
    const int result = process::Run_Program(command, output);
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
    return process::Exited_Cleanly(status) ? text : std::string();
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

}  // namespace support

// startup_test.cpp - the shipped KX418 started where no window can be
// shown: no display, a display named but unreachable or malformed, a
// Wayland socket that is gone, a platform asked for that is not installed.
// Every time the program ends by itself with exit code 0 (no abort, no
// window waited for) and says why in one line on its standard error.
// Where a window can be shown, a start says nothing, whatever the
// session's runtime folder.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "file_text.h"
#include "prerequisite.h"
#include "temp_folder.h"
#include "x_session.h"

namespace {

using namespace std::chrono_literals;

// A display number that no X server on this machine uses.
std::string Unused_Display()
{
    for (int n = 59;; ++n) {
        const std::string number = std::to_string(n);
        if (access(("/tmp/.X11-unix/X" + number).c_str(), F_OK) != 0 &&
            access(("/tmp/.X" + number + "-lock").c_str(), F_OK) != 0)
            return ":" + number;
    }
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        runtime_folder_ = std::make_unique<support::Temp_Folder>("kx418-startup", "/tmp");
        runtime_dir_ = runtime_folder_->String();
        // A socket a compositor left behind when it ended: the file is
        // there, nobody listens.
        left_behind_ = runtime_dir_ + "/wayland-left";
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, left_behind_.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        close(fd);
    }
    void TearDown() override { runtime_folder_.reset(); }

    // Runs the program to its end: it must end by itself with exit code 0
    // and one line of output, saying that no window can be shown. The line,
    // or "" after a failure.
    std::string Ended_Saying_Why(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment) const
    {
        const std::string output = runtime_dir_ + "/output";
        unlink(output.c_str());
        process::Child program(arguments, environment, output);
        const auto status = program.Wait(30s);
        if (!status) {
            ADD_FAILURE() << "the program still runs";
            return {};
        }
        EXPECT_TRUE(WIFEXITED(*status)) << "status " << *status;
        EXPECT_EQ(WEXITSTATUS(*status), 0);
        const std::vector<std::string> lines = support::Read_Lines(output);
        if (lines.size() != 1) {
            ADD_FAILURE() << "not one line of output: " << ::testing::PrintToString(lines);
            return {};
        }
        EXPECT_TRUE(lines[0].starts_with("KX418 UI runtime: no window can be shown: ")) << lines[0];
        return lines[0];
    }

    std::unique_ptr<support::Temp_Folder> runtime_folder_;
    std::string runtime_dir_;
    std::string left_behind_;
};

TEST_F(Startup, NoWindowPossibleEndsWithExitCodeZeroAndOneLine)
{
    const std::string unused = Unused_Display();
    struct Case {
        const char* situation;
        std::vector<std::string> environment;
        std::vector<std::string> arguments;
        const char* why;  // a part of the line
    };
    const Case cases[] = {
        {"no display", {}, {}, "no display"},
        {"X display named, no server on it", {"DISPLAY=" + unused}, {}, unused.c_str()},
        {"X display malformed", {"DISPLAY=nonsense"}, {}, "\"nonsense\" is not a display name"},
        {"Wayland socket gone", {"WAYLAND_DISPLAY=wayland-gone"}, {}, "wayland-gone"},
        {"Wayland socket left behind", {"WAYLAND_DISPLAY=wayland-left"}, {}, "wayland-left"},
        {"Wayland socket gone, X display unreachable",
         {"WAYLAND_DISPLAY=wayland-gone", "DISPLAY=" + unused},
         {},
         unused.c_str()},
        {"platform not installed",
         {"QT_QPA_PLATFORM=kx418-none"},
         {},
         "\"kx418-none\" is not installed"},
        {"platform not installed, by argument",
         {},
         {"-platform", "kx418-none"},
         "\"kx418-none\" is not installed"},
        {"X asked for, none named", {"QT_QPA_PLATFORM=xcb"}, {}, "DISPLAY is not set"},
        {"Wayland asked for, socket gone",
         {"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=wayland-gone"},
         {},
         "wayland-gone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        std::vector<std::string> environment = {
            "DISPLAY=", "WAYLAND_DISPLAY=", "WAYLAND_SOCKET=", "QT_QPA_PLATFORM=",
            "XDG_RUNTIME_DIR=" + runtime_dir_};
        environment.insert(environment.end(), c.environment.begin(), c.environment.end());
        std::vector<std::string> arguments = {KX418_PROGRAM};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const std::string line = Ended_Saying_Why(arguments, environment);
        EXPECT_NE(line.find(c.why), std::string::npos) << line;
    }
}

// An X server that lets in only the holders of its cookie, as after sudo
// or an ssh session whose forwarding ended: the display is there, the
// program is refused.
TEST_F(Startup, XDisplayRefusingTheConnectionEndsWithExitCodeZeroAndOneLine)
{
    if (const std::string reason = support::X_Unavailable_Reason(); !reason.empty())
        SKIP_OR_FAIL_WITHOUT(reason);
    {
        const support::X_Server server(runtime_dir_ + "/xvfb.log", runtime_dir_ + "/authority",
                                       "4b5834313820636f6f6b696520746573");
        const std::string line = Ended_Saying_Why(
            {KX418_PROGRAM},
            {"DISPLAY=" + server.Display(), "XAUTHORITY=" + runtime_dir_ + "/no-authority",
             "WAYLAND_DISPLAY=", "WAYLAND_SOCKET=", "QT_QPA_PLATFORM="});
        // With the server's own reason after it.
        EXPECT_NE(line.find("the X display \"" + server.Display() +
                            "\" does not answer or refuses the connection: "),
                  std::string::npos)
            << line;
    }
}

// A start as root, or from a session without a login manager, has no
// runtime folder of its own or one Qt finds fault with: the window comes
// up all the same, "Beenden" ends it, and nothing is printed.
TEST_F(Startup, WindowShownWithoutAUsableRuntimeFolderPrintsNothing)
{
    if (const std::string reason = support::X_Unavailable_Reason(); !reason.empty())
        SKIP_OR_FAIL_WITHOUT(reason);
    const std::string missing = support::Missing_Desktop_Tools();
    ASSERT_TRUE(missing.empty()) << missing << " missing; tools/install-deps installs it";
    const std::string open_folder = runtime_dir_ + "/open";
    ASSERT_EQ(mkdir(open_folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(open_folder.c_str(), 0755), 0);

    const support::X_Server server(runtime_dir_ + "/xvfb.log");
    const support::Desktop desktop(server.Display());
    struct Case {
        const char* situation;
        std::string folder;  // XDG_RUNTIME_DIR, "" for unset
    };
    const Case cases[] = {
        {"XDG_RUNTIME_DIR not set", ""},
        {"a folder others may read", open_folder},
        {"a folder everybody may write to", "/tmp"},
        {"a folder that is not there", runtime_dir_ + "/gone"},
    };
    int quit_x = 590;  // within "Beenden" (570 to 688), a new point each time:
                       // a pointer already there would not move, and the
                       // click waits for it to move
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        const std::string output = runtime_dir_ + "/output";
        unlink(output.c_str());
        process::Child program({KX418_PROGRAM},
                               {"DISPLAY=" + server.Display(),
                                "WAYLAND_DISPLAY=", "WAYLAND_SOCKET=", "QT_QPA_PLATFORM=",
                                "XDG_RUNTIME_DIR=" + c.folder},
                               output);
        const std::string window = desktop.Wait_For_Window("^KX418 Configurator", 30s);
        ASSERT_FALSE(window.empty()) << "no window; the program said: "
                                     << ::testing::PrintToString(support::Read_Lines(output));
        desktop.Click(window, quit_x += 10, 500);
        const auto status = program.Wait(15s);
        ASSERT_TRUE(status) << "the program did not end on \"Beenden\"";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
        EXPECT_EQ(support::Read_Lines(output), std::vector<std::string>{});
    }
}

}  // namespace

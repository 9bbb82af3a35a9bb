// installed_program_test.cpp - the program as the kx418 package installs
// it, started as a user starts it from the menu: /usr/bin/KX418 with no
// library path of its own in the environment, on a private X server. It
// must bind the installed libkx418.so.1, so that a send with no module
// says the module was not found (not that the library is missing), and
// end on "Beenden" with exit code 0.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "file_text.h"
#include "process.h"
#include "temp_folder.h"
#include "x_session.h"

namespace {

using namespace std::chrono_literals;

const std::string Installed_Program = "/usr/bin/KX418";
const std::string Main_Window = "^KX418 Configurator";
const std::string Any_Box = "^(Info|Fehler)$";
// From the main panel's layout: "Einstellungen abschicken" of page Fn1,
// and "Beenden".
constexpr int Send_X = 15 + 37 + 151 / 2, Send_Y = 32 + 312 + 26 / 2;
constexpr int Quit_X = 570 + 118 / 2, Quit_Y = 487 + 26 / 2;

// The device library the running installed program has mapped, as a
// path; "" when it has mapped none or no such program runs.
std::string Mapped_Library()
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path() / "exe", error) != Installed_Program)
            continue;
        std::istringstream maps(support::Read_File(entry.path() / "maps"));
        for (std::string line; std::getline(maps, line);)
            if (const auto at = line.find(" /");
                at != std::string::npos && line.find("libkx418") != std::string::npos)
                return line.substr(at + 1);
    }
    return {};
}

TEST(Installed_Program, Binds_The_Installed_Library_And_Ends_With_Zero)
{
    ASSERT_EQ(access(Installed_Program.c_str(), X_OK), 0)
        << Installed_Program << " is not installed";
    const std::string reason = support::X_Unavailable_Reason();
    ASSERT_TRUE(reason.empty()) << reason;
    const std::string missing = support::Missing_Desktop_Tools();
    ASSERT_TRUE(missing.empty()) << missing << " missing; tools/install-deps installs it";

    const support::Temp_Folder work_folder("kx418-installed", ::testing::TempDir());
    const std::string work = work_folder.String();
    support::X_Server server(work + "/xvfb.log");
    support::Desktop desktop(server.Display());
    process::Child program(
        {Installed_Program},
        {"DISPLAY=" + server.Display(), "QT_QPA_PLATFORM=xcb",
         "WAYLAND_DISPLAY=", "LD_LIBRARY_PATH=", "LD_PRELOAD=", "QT_PLUGIN_PATH="},
        work + "/program.log");
    const std::string window = desktop.Wait_For_Window(Main_Window, 30s);
    ASSERT_FALSE(window.empty()) << "the window did not appear:\n"
                                 << support::Read_File(work + "/program.log");

    // Bound at start-up: the versioned file under the system's library
    // folder, reached through its SONAME.
    const std::string library = Mapped_Library();
    EXPECT_TRUE(library.starts_with("/usr/lib/") && library.ends_with("/libkx418.so.1.0.0"))
        << "mapped: \"" << library << "\"";

    desktop.Click(window, Send_X, Send_Y);
    const std::string box = desktop.Wait_For_Window(Any_Box, 20s);
    ASSERT_FALSE(box.empty()) << "no message box after the send";
    EXPECT_EQ(desktop.Title(box), "Fehler");
    EXPECT_EQ(desktop.Box_Message(box, "Fehler"), "Das Geraet wurde nicht gefunden!");
    EXPECT_TRUE(desktop.Dismiss_Box(box, Any_Box));

    desktop.Click(window, Quit_X, Quit_Y);
    const auto status = program.Wait(15s);
    EXPECT_TRUE(status && process::Exited_Cleanly(*status))
        << "no exit with code 0 on \"Beenden\":\n"
        << support::Read_File(work + "/program.log");
    std::filesystem::remove_all(work);
}

}  // namespace

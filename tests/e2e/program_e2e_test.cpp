// program_e2e_test.cpp - the shipped KX418 and the libkx418.so beside it,
// used as a person uses them: the program under a private X server, driven
// by real mouse and keyboard events, talking to the virtual module at
// /dev/hidraw0 of a private mount namespace. What the module received is
// read from its log; what the program told the user is read from the
// message box on the screen (its title, and its text through Ctrl+C and
// the clipboard).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../app/access_table.h"
#include "file_text.h"
#include "prerequisite.h"
#include "temp_folder.h"
#include "virtual_module.h"
#include "x_session.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string Main_Window = "^KX418 Configurator";
const std::string Any_Box = "^(Info|Fehler)$";

// Places on the main window, from its layout: every page lies at (15, 32)
// of the window; a numeric's field lies right of its 9 pixels of arrows.
struct Point {
    int x;
    int y;
};
constexpr Point Page_Center(int left, int top, int width, int height)
{
    return {15 + left + width / 2, 32 + top + height / 2};
}
constexpr Point Page_Field(int left, int top, int width, int height)
{
    return {15 + left + 9 + (width - 9) / 2, 32 + top + height / 2};
}
// The converter's controls lie on the main window itself.
constexpr Point Panel_Center(int left, int top, int width, int height)
{
    return {left + width / 2, top + height / 2};
}
constexpr Point Panel_Field(int left, int top, int width, int height)
{
    return {left + 9 + (width - 9) / 2, top + height / 2};
}
constexpr Point First_Tab{36, 23};
constexpr Point Days = Panel_Field(181, 437, 58, 21);
constexpr Point Hours = Panel_Field(254, 437, 59, 21);
constexpr Point Minutes = Panel_Field(330, 437, 59, 21);
constexpr Point Seconds = Panel_Field(403, 437, 57, 21);
constexpr Point Calc_Button = Panel_Center(31, 430, 117, 27);
constexpr Point Result = Panel_Center(537, 437, 134, 21);
constexpr Point Quit_Button{570 + 118 / 2, 487 + 26 / 2};
constexpr Point Send_Button = Page_Center(37, 312, 151, 26);  // pages Fn1 to Fn8
constexpr Point Fn3_Time1 = Page_Field(31, 87, 106, 21);
constexpr Point Fn3_Time2 = Page_Field(29, 137, 108, 21);
constexpr Point Fn9_Send_Button = Page_Center(78, 312, 151, 26);
constexpr Point Fn9_Auto_Restart = Page_Center(437, 312, 40, 26);
constexpr int Fn9_Row_Tops[8] = {61, 90, 119, 149, 178, 207, 236, 265};
constexpr Point Fn9_Start(int channel)
{
    return Page_Field(288, Fn9_Row_Tops[channel - 1], 106, 21);
}
constexpr Point Fn9_Stop(int channel)
{
    return Page_Field(501, Fn9_Row_Tops[channel - 1], 108, 21);
}

// One report as the module's log tells it.
struct Report {
    int function = -1;
    int setting = -1;
    long long time1 = -1;
    long long time2 = -1;
    bool checksum_ok = false;
};

std::vector<Report> Reports(const std::vector<std::string>& lines)
{
    static const std::regex line_pattern(
        R"(report \d+: function (\d+) setting (\d+) time1 (\d+) ms time2 (\d+) ms checksum [0-9a-f]{2} (ok|bad) )");
    std::vector<Report> reports;
    for (const std::string& line : lines) {
        std::smatch m;
        if (!std::regex_search(line, m, line_pattern)) {
            ADD_FAILURE() << "log line not understood: " << line;
            continue;
        }
        reports.push_back(
            {std::stoi(m[1]), std::stoi(m[2]), std::stoll(m[3]), std::stoll(m[4]), m[5] == "ok"});
    }
    return reports;
}

// A message box as the user saw it.
struct Box {
    std::string title;
    std::string message;
    std::chrono::milliseconds after{};  // from the press that caused it
};

// The program with the virtual module in place of /dev's hidraw nodes, on
// an X server of its own. Skips, in one line, where FUSE or Xvfb is
// missing (a missing Xvfb fails in CI). At the end no box may be left
// open, "Beenden" must end the program with exit code 0, and the module
// must stop cleanly.
class Program_Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string reason = virtual_module::Unavailable_Reason(); !reason.empty())
            SKIP_OR_FAIL_WITHOUT(reason);
        if (const std::string reason = support::X_Unavailable_Reason(); !reason.empty())
            SKIP_OR_FAIL_WITHOUT(reason);
        const std::string missing = support::Missing_Desktop_Tools();
        ASSERT_TRUE(missing.empty()) << missing << " missing; tools/install-deps installs it";

        work_folder_ = std::make_unique<support::Temp_Folder>("kx418-e2e", "/tmp");
        work_ = work_folder_->String();
        server_ = std::make_unique<support::X_Server>(work_ + "/xvfb.log");
        desktop_ = std::make_unique<support::Desktop>(server_->Display());
    }

    void TearDown() override
    {
        if (program_) {
            EXPECT_TRUE(desktop_->Windows(Any_Box).empty()) << "a message box is left open";
            if (!window_.empty()) desktop_->Click(window_, Quit_Button.x, Quit_Button.y);
            const auto status = program_->Wait(15s);
            EXPECT_TRUE(status && process::Exited_Cleanly(*status))
                << "the program did not end with exit code 0 on \"Beenden\"";
            program_->Stop();
            if (HasFailure())
                std::cout << "program output:\n"
                          << support::Read_File(work_ + "/program.log") << "X server output:\n"
                          << support::Read_File(work_ + "/xvfb.log");
        }
        if (module_) {
            EXPECT_TRUE(process::Exited_Cleanly(module_->Stop()));
            EXPECT_FALSE(module_->Mounted());
        }
        program_.reset();
        module_.reset();
        session_bus_.reset();
        window_manager_.reset();
        desktop_.reset();
        server_.reset();
        work_folder_.reset();
    }

    // Starts the module with `nodes` and the program against it, and waits
    // for the program's window.
    // `environment` is added to the program's.
    void Start(const std::vector<std::string>& nodes,
               const std::vector<std::string>& environment = {})
    {
        module_ = std::make_unique<virtual_module::Running_Module>(nodes);
        std::vector<std::string> program_environment{"DISPLAY=" + server_->Display(),
                                                     "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY="};
        program_environment.insert(program_environment.end(), environment.begin(),
                                   environment.end());
        program_ = std::make_unique<process::Child>(
            std::vector<std::string>{KX418_PRIVATE_DEV, module_->Folder(), KX418_PROGRAM},
            program_environment, work_ + "/program.log");
        window_ = desktop_->Wait_For_Window(Main_Window, 30s);
        ASSERT_FALSE(window_.empty()) << "the program's window did not appear:\n"
                                      << support::Read_File(work_ + "/program.log");
    }

    // A window manager on the display, before the program starts: it gives
    // the keyboard to the program's window.
    void Start_Window_Manager()
    {
        window_manager_ =
            std::make_unique<support::Window_Manager>(server_->Display(), work_ + "/openbox.log");
    }

    // A session message bus of its own, which starts the accessibility bus
    // when a program asks for it, as a desktop session does; its address.
    std::string Start_Session_Bus()
    {
        const std::string socket = work_ + "/bus";
        session_bus_ = std::make_unique<process::Child>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork",
                                     "--address=unix:path=" + socket},
            std::vector<std::string>{"DISPLAY=" + server_->Display()}, work_ + "/bus.log");
        for (const auto deadline = Clock::now() + 10s;
             access(socket.c_str(), F_OK) != 0 && Clock::now() < deadline;)
            std::this_thread::sleep_for(50ms);
        EXPECT_EQ(access(socket.c_str(), F_OK), 0) << "the session bus did not start";
        return "unix:path=" + socket;
    }

    // What a screen reader reads of the program on the bus at `bus`, one
    // "role<TAB>name" a line (screen_reader_names.py).
    std::vector<std::string> Screen_Reader_Lines(const std::string& bus) const
    {
        std::string output;
        const int status = process::Run_Program(
            {"timeout", "60", "env", "DISPLAY=" + server_->Display(),
             "DBUS_SESSION_BUS_ADDRESS=" + bus, "/usr/bin/python3", KX418_SCREEN_READER_SCRIPT},
            output);
        EXPECT_TRUE(process::Exited_Cleanly(status)) << output;
        std::vector<std::string> lines;
        std::istringstream text(output);
        for (std::string line; std::getline(text, line);)
            if (line.find('\t') != std::string::npos) lines.push_back(line);
        return lines;
    }

    void Key(const std::string& keys) const { desktop_->Key(keys); }
    void Type(const std::string& text) const { desktop_->Type(text); }
    void Key_Pressed(const std::string& keys)
    {
        desktop_->Key(keys);
        pressed_ = Clock::now();
    }
    // The text the window puts on the clipboard for Ctrl+C, waited for up
    // to 5 s; what it held last.
    std::string Copied(const std::string& expected) const
    {
        std::string text;
        for (const auto deadline = Clock::now() + 5s;
             text != expected && Clock::now() < deadline;) {
            desktop_->Key("ctrl+c");
            std::this_thread::sleep_for(100ms);
            text = desktop_->Clipboard();
        }
        return text;
    }

    // Brings page `index` (0 is "Fn1") to the front: the mouse wheel over
    // the tab strip steps one page per notch, whatever the tabs' widths.
    void Show_Page(int index) { desktop_->Click(window_, First_Tab.x, First_Tab.y, 5, index); }

    // Clicks into a numeric's field, selects its text and types over it.
    void Enter(Point field, const std::string& text)
    {
        desktop_->Click(window_, field.x, field.y);
        desktop_->Key("ctrl+a");
        desktop_->Type(text);
        desktop_->Key("Tab");
    }

    // The converter's result as the window shows it: a double click selects
    // its text, which is then read from the primary selection. Waits up to
    // 5 s for it to read `expected` (the program takes the clicks in its
    // own time); what it read last.
    std::string Shown_Result(const std::string& expected)
    {
        std::string text;
        for (const auto deadline = Clock::now() + 5s;
             text != expected && Clock::now() < deadline;) {
            desktop_->Click(window_, Result.x, Result.y, 1, 2);
            std::this_thread::sleep_for(100ms);
            text = desktop_->Selection();
        }
        return text;
    }

    bool Box_Shown() const { return !desktop_->Windows(Any_Box).empty(); }

    void Press(Point button)
    {
        desktop_->Click(window_, button.x, button.y);
        pressed_ = Clock::now();
    }

    // Waits for the message box the last press brought up, reads it and
    // dismisses it with Enter, as a user would (keys that went astray
    // before the box had the keyboard are given again). A second box after
    // it fails the test.
    Box Next_Box(std::chrono::milliseconds limit = 20s)
    {
        Box box;
        const std::string window = desktop_->Wait_For_Window(Any_Box, limit);
        box.after = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pressed_);
        if (window.empty()) {
            ADD_FAILURE() << "no message box appeared";
            return box;
        }
        box.title = desktop_->Title(window);
        box.message = desktop_->Box_Message(window, box.title);
        EXPECT_FALSE(box.message.empty()) << "the box's text did not reach the clipboard";
        EXPECT_TRUE(desktop_->Dismiss_Box(window, Any_Box)) << "the box did not close on Enter";
        // Exactly one box per transfer.
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(desktop_->Windows(Any_Box).empty())
            << "a second box followed \"" << box.message << "\"";
        return box;
    }

    std::unique_ptr<virtual_module::Running_Module> module_;

private:
    std::unique_ptr<support::Temp_Folder> work_folder_;
    std::string work_;
    std::unique_ptr<support::X_Server> server_;
    std::unique_ptr<support::Desktop> desktop_;
    std::unique_ptr<process::Child> program_;
    std::unique_ptr<support::Window_Manager> window_manager_;
    std::unique_ptr<process::Child> session_bus_;
    std::string window_;
    Clock::time_point pressed_ = Clock::now();
};

TEST_F(Program_Test, PageFn3SendsBothTimesAndConfirms)
{
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0"}));
    Show_Page(2);
    Enter(Fn3_Time1, "10");
    Enter(Fn3_Time2, "20");
    Press(Send_Button);

    const Box box = Next_Box();
    EXPECT_EQ(box.title, "Info");
    EXPECT_EQ(box.message, "Die Einstellungen wurden abgeschickt!");
    const auto reports = Reports(module_->Reports_Of("hidraw0"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].function, 3);
    EXPECT_EQ(reports[0].setting, 0);
    EXPECT_EQ(reports[0].time1, 10000);
    EXPECT_EQ(reports[0].time2, 20000);
    EXPECT_TRUE(reports[0].checksum_ok);
}

// The keyboard alone, as a user without a mouse works the window: the page
// keys to "Fn3", Tab through its fields to its button, Enter presses it;
// after the box (closed with Enter) the button has the keyboard again and
// Space sends once more; then Tab on to the converter, Enter on "Zeit
// umrechnen", and Tab reaches the result, whose text is copied with Ctrl+C.
TEST_F(Program_Test, KeyboardAloneSendsAPageAndConverts)
{
    ASSERT_NO_FATAL_FAILURE(Start_Window_Manager());
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0"}));
    // The tab strip has the keyboard at the start.
    Key("ctrl+Tab");
    Key("ctrl+Tab");
    Key("Tab");
    Type("10");
    Key("Tab");
    Type("20");
    Key("Tab");
    Key_Pressed("Return");
    Box box = Next_Box();
    EXPECT_EQ(box.title, "Info");
    EXPECT_EQ(box.message, "Die Einstellungen wurden abgeschickt!");
    Key_Pressed("space");
    box = Next_Box();
    EXPECT_EQ(box.title, "Info");
    const auto reports = Reports(module_->Reports_Of("hidraw0"));
    ASSERT_EQ(reports.size(), 2u) << "one report for each press";
    for (const Report& report : reports) {
        EXPECT_EQ(report.function, 3);
        EXPECT_EQ(report.time1, 10000);
        EXPECT_EQ(report.time2, 20000);
        EXPECT_TRUE(report.checksum_ok);
    }

    // From the send button on to the converter's inputs.
    for (const char* typed : {"30", "23", "59", "59"}) {
        Key("Tab");
        Type(typed);
    }
    Key("Tab");
    Key("Return");
    Key("Tab");
    EXPECT_EQ(Copied("2678399"), "2678399");
    EXPECT_FALSE(Box_Shown());
}

// Why a screen reader cannot be tried here, or "".
std::string Screen_Reader_Unavailable()
{
    std::string output;
    const int status = process::Run_Program(
        {"sh", "-c", "command -v dbus-daemon && /usr/bin/python3 -c 'import pyatspi'"}, output);
    if (process::Exited_Cleanly(status)) return {};
    return "no D-Bus session daemon or no AT-SPI reader (Debian packages dbus-daemon, "
           "at-spi2-core, python3-pyatspi; tools/install-deps installs them)";
}

// Through AT-SPI, as a screen reader on the desktop reads the window: every
// control a person uses by the name of the table, the toggle as a check
// box, the pages by their tabs.
TEST_F(Program_Test, ScreenReaderReadsEveryControlByItsName)
{
    if (const std::string reason = Screen_Reader_Unavailable(); !reason.empty()) {
        ASSERT_EQ(std::getenv("CI"), nullptr) << reason;
        GTEST_SKIP() << reason;
    }
    const std::string bus = Start_Session_Bus();
    ASSERT_NO_FATAL_FAILURE(Start(
        {"hidraw0"}, {"DBUS_SESSION_BUS_ADDRESS=" + bus, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"}));
    std::vector<std::string> names, pages;
    bool toggle_is_a_check_box = false;
    for (const std::string& line : Screen_Reader_Lines(bus)) {
        const std::string role = line.substr(0, line.find('\t'));
        const std::string name = line.substr(line.find('\t') + 1);
        (role == "page" ? pages : names).push_back(name);
        toggle_is_a_check_box = toggle_is_a_check_box || line == "check box\tAuto-Restart";
    }
    std::vector<std::string> expected;
    for (const Access_Name_Row& row : Access_Names()) expected.push_back(row.name);
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(pages, Access_Page_Names());
    EXPECT_TRUE(toggle_is_a_check_box);
}

TEST_F(Program_Test, SequencerSendsNineReportsInOrder)
{
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0"}));
    Show_Page(8);
    // Channel 3 stops before it starts and is sent as entered; 32.3 s is
    // 32299 ms (truncated); channel 8 starts at the page's largest time.
    Enter(Fn9_Start(1), "1.5");
    Enter(Fn9_Stop(1), "2.5");
    Enter(Fn9_Start(3), "32.3");
    Enter(Fn9_Stop(3), "10");
    Enter(Fn9_Start(8), "2678400");
    Enter(Fn9_Stop(8), "0.1");
    Press(Fn9_Auto_Restart);
    Press(Fn9_Send_Button);

    const Box box = Next_Box();
    EXPECT_EQ(box.title, "Info");
    EXPECT_EQ(box.message, "Die Einstellungen wurden abgeschickt!");

    struct Expected {
        int function, setting;
        long long time1, time2;
    };
    const Expected expected[9] = {
        {91, 0, 1500, 2500}, {92, 0, 0, 0}, {93, 0, 32299, 10000}, {94, 0, 0, 0},
        {95, 0, 0, 0},       {96, 0, 0, 0}, {97, 0, 0, 0},         {98, 0, 2678400000LL, 100},
        {9, 1, 0, 0}};
    const auto reports = Reports(module_->Reports_Of("hidraw0"));
    ASSERT_EQ(reports.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        SCOPED_TRACE("report " + std::to_string(i + 1));
        EXPECT_EQ(reports[i].function, expected[i].function);
        EXPECT_EQ(reports[i].setting, expected[i].setting);
        EXPECT_EQ(reports[i].time1, expected[i].time1);
        EXPECT_EQ(reports[i].time2, expected[i].time2);
        EXPECT_TRUE(reports[i].checksum_ok);
    }
}

TEST_F(Program_Test, ConverterByMouseAndKeyboard)
{
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0"}));
    EXPECT_EQ(Shown_Result("0"), "0");
    Enter(Days, "30");
    Enter(Hours, "23");
    Enter(Minutes, "59");
    Enter(Seconds, "59");
    EXPECT_EQ(Shown_Result("0"), "0") << "the result changed before the button was pressed";
    Press(Calc_Button);
    EXPECT_EQ(Shown_Result("2678399"), "2678399");
    // It sends nothing and tells nothing.
    EXPECT_FALSE(Box_Shown());
    EXPECT_TRUE(module_->Reports_Of("hidraw0").empty());
}

TEST_F(Program_Test, SilentModuleGivesReceiveErrorAfterTheReplyWait)
{
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0:silent"}));
    Press(Send_Button);  // page Fn1, as it starts

    const Box box = Next_Box();
    EXPECT_EQ(box.title, "Fehler");
    EXPECT_EQ(box.message, "Empfangsfehler!");
    // The library waits 2000 ms for the answer; the bound above only says
    // the wait ends.
    EXPECT_GE(box.after, 1900ms);
    EXPECT_LT(box.after, 10s);
    const auto reports = Reports(module_->Reports_Of("hidraw0"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].function, 1);
    EXPECT_TRUE(reports[0].checksum_ok);
}

TEST_F(Program_Test, NoModuleAmongTheDevicesGivesDeviceNotFound)
{
    // One hidraw device, but not the module: the walk passes it over.
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0:vendor=1234,product=5678"}));
    Press(Send_Button);

    const Box box = Next_Box();
    EXPECT_EQ(box.title, "Fehler");
    EXPECT_EQ(box.message, "Das Geraet wurde nicht gefunden!");
    EXPECT_TRUE(module_->Reports_Of("hidraw0").empty());
}

// A module that answers report 1 twice and then nothing: the repeat must
// not acknowledge report 2, so the page stops there with "Empfangsfehler!".
TEST_F(Program_Test, SequencerCountsOnlyEachReportsOwnAnswer)
{
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0:answer-first,answer-twice"}));
    Show_Page(8);
    Press(Fn9_Send_Button);

    const Box box = Next_Box();
    EXPECT_EQ(box.title, "Fehler");
    EXPECT_EQ(box.message, "Empfangsfehler!");
    EXPECT_GE(box.after, 1900ms) << "report 2 waited its own 2000 ms";
    const auto reports = Reports(module_->Reports_Of("hidraw0"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].function, 91);
    EXPECT_EQ(reports[1].function, 92);
}

// kx418ctl started while the program's transfer waits for its answer: the
// tool waits for the module, and each is told of its own report.
TEST_F(Program_Test, TheToolBesideTheProgramWaitsForItsTransfer)
{
    ASSERT_NO_FATAL_FAILURE(Start({"hidraw0:delay=1000"}));
    Press(Send_Button);  // page Fn1, as it starts
    std::this_thread::sleep_for(500ms);
    auto tool = std::async(std::launch::async, [&] {
        std::string output;
        const int status = process::Run_Program(
            {KX418_PRIVATE_DEV, module_->Folder(), KX418CTL_PROGRAM, "send", "7"}, output);
        return std::make_pair(status, output);
    });

    const Box box = Next_Box();
    EXPECT_EQ(box.title, "Info");
    EXPECT_EQ(box.message, "Die Einstellungen wurden abgeschickt!");
    const auto [status, output] = tool.get();
    EXPECT_TRUE(process::Exited_Cleanly(status)) << output;
    EXPECT_EQ(output, "Die Einstellungen wurden abgeschickt!\n");
    // The tool's report went out only after the program's had its answer.
    std::vector<std::string> events;
    for (const std::string& line : module_->Log_Lines())
        events.push_back(line.substr(0, line.find(':')));
    EXPECT_EQ(events, (std::vector<std::string>{"hidraw0 report 1", "hidraw0 answered report 1",
                                                "hidraw0 report 2", "hidraw0 answered report 2"}));
    const auto reports = Reports(module_->Reports_Of("hidraw0"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].function, 1);
    EXPECT_EQ(reports[1].function, 7);
}

}  // namespace

// The program's start-up, shutdown and library binding. Start-up and exit
// run in child processes (this test program started again with
// --scenario), so the exit routines and the library's release can be
// watched; the fake libraries are found by the bare file name through the
// search path the child is given. Every release of the library in the
// child is logged where it happens (this program's dlclose stands in front
// of the system's), and an exit routine registered before Load_KX418 runs
// after the program's own: it logs whether the library is still held or
// still loaded then.
#include "KX418.h"
#include "KX418_DLL.h"
#include "ui_driver.h"
#include "qt/ui_qt_access.h"
#include "ui_runtime.h"
#include "ui_test_hooks.h"
#include "file_text.h"
#include "prerequisite.h"
#include "process.h"
#include "temp_folder.h"

#include <QGuiApplication>
#include <QObject>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <functional>
#include <memory>
#include <string>
#include <vector>

int KX418_Main(int argc, char* argv[]);  // the program's main, renamed for tests

namespace {

// ---- in the child --------------------------------------------------------

std::string g_log;

void Log(const std::string& line)
{
    if (std::FILE* f = std::fopen(g_log.c_str(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

// The handle Load_KX418 got, once the child has seen it.
void* g_library = nullptr;

using Dlclose_Fn = int (*)(void*);
Dlclose_Fn Real_Dlclose()
{
    static const auto real = reinterpret_cast<Dlclose_Fn>(dlsym(RTLD_NEXT, "dlclose"));
    return real;
}

// Runs after the program's exit routine and before the destructors of its
// globals: by then the library must be released, and gone from the process.
void Check_Release_At_Exit()
{
    std::string line = KX418_Handle ? "end: handle set" : "end: handle empty";
    if (void* again = dlopen(KX418_Library_Name, RTLD_NOW | RTLD_NOLOAD)) {
        line += ", library loaded";
        Real_Dlclose()(again);
    } else {
        line += ", library gone";
    }
    Log(line);
}

template <typename Fn>
void LogEntryPoint(const char* name, Fn entry_point)
{
    if (entry_point == nullptr) {
        Log(std::string(name) + " null");
        return;
    }
    int result = 0;
    if constexpr (std::is_same_v<Fn, KX418_Send_Cfg_Fn>)
        result = entry_point(1, 0, 1000, 0);
    else
        result = entry_point();
    Log(std::string(name) + " " + std::to_string(result));
}

int RunScenario(const std::string& scenario)
{
    // Registered before the program registers its exit routine, so it runs
    // after it: whatever the routine released is logged before "end".
    std::atexit(Check_Release_At_Exit);
    if (scenario == "bind") {
        Log("result " + std::to_string(Load_KX418()));
        g_library = KX418_Handle.get();
        Log(KX418_Handle ? "handle set" : "handle null");
        LogEntryPoint("KX418_Open", KX418_Open);
        LogEntryPoint("KX418_Close", KX418_Close);
        LogEntryPoint("KX418_Send_Cfg", KX418_Send_Cfg);
        LogEntryPoint("KX418_Get_Reply", KX418_Get_Reply);
        return 0;
    }
    // The whole program; a driver looks at the panel once the event loop
    // runs, then ends the program as a user would.
    UiTest_SetLoopObserver([scenario] {
        g_library = KX418_Handle.get();
        QWidget* window = UiQt_PanelWidget(Panel_Handle);
        Log(window != nullptr && window->isVisible() ? "shown" : "not shown");
        if (window == nullptr) std::_Exit(3);
        if (scenario == "platform")
            Log("on " + QGuiApplication::platformName().toStdString() + " " +
                std::to_string(window->width()) + "x" + std::to_string(window->height()));
        if (scenario == "quit")
            QTest::mouseClick(UiQt_ControlWidget(Panel_Handle, PANEL_BUTTON_QUIT), Qt::LeftButton);
        else
            window->close();
    });
    static char name[] = "KX418";
    static char* argv[] = {name, nullptr};
    const int rc = KX418_Main(1, argv);
    Log("main " + std::to_string(rc));
    return rc;
}

}  // namespace

// Every dlclose in the child passes here; one of the library is logged.
extern "C" int dlclose(void* handle) noexcept
{
    if (g_library != nullptr && handle == g_library) Log("dlclose");
    return Real_Dlclose()(handle);
}

namespace {

// ---- in the test ---------------------------------------------------------

std::string g_self;

struct Child {
    int status = -1;
    std::vector<std::string> log;
};

// `environment` entries "NAME=VALUE" replace the child's variable of that
// name, "NAME=" removes it; `wrapper` is a command the child is started
// through (found on the search path).
Child RunChild(const std::string& library_folder, const std::string& scenario,
               const std::vector<std::string>& environment = {},
               const std::vector<std::string>& wrapper = {})
{
    const support::Temp_Folder folder("kx418-" + scenario, ::testing::TempDir());
    const std::string log = folder / "fake.log";
    std::vector<std::string> changes = {"LD_LIBRARY_PATH=" + library_folder,
                                        "KX418_FAKE_LOG=" + log};
    changes.insert(changes.end(), environment.begin(), environment.end());
    std::vector<std::string> arguments = wrapper;
    arguments.insert(arguments.end(), {g_self, "--scenario", scenario, log});

    Child child;
    Spawn_Actions actions;
    const pid_t pid = process::Spawn(arguments, actions, changes);
    while (waitpid(pid, &child.status, 0) < 0 && errno == EINTR) {}
    child.log = support::Read_Lines(log);
    return child;
}

std::string Fakes(const char* variant)
{
    return std::string(FAKE_LIBRARY_ROOT) + "/" + variant;
}

using Lines = std::vector<std::string>;

// At exit the program holds no library and none is loaded: released by
// the exit routine, exactly once (one "dlclose" in the log), or never
// loaded.
const char* const kReleased = "end: handle empty, library gone";

TEST(Binding, LoadsTheLibraryByFileNameAndReleasesItOnceAtExit)
{
    struct Case {
        const char* variant;
        Lines log;
    };
    const Case cases[] = {
        {"complete",
         {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close 12", "KX418_Send_Cfg 13",
          "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"absent",
         {"result 1", "handle null", "KX418_Open null", "KX418_Close null", "KX418_Send_Cfg null",
          "KX418_Get_Reply null", kReleased}},
        {"no_open",
         {"load", "result 0", "handle set", "KX418_Open null", "KX418_Close 12",
          "KX418_Send_Cfg 13", "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"no_close",
         {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close null",
          "KX418_Send_Cfg 13", "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"no_send_cfg",
         {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close 12",
          "KX418_Send_Cfg null", "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"no_get_reply",
         {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close 12", "KX418_Send_Cfg 13",
          "KX418_Get_Reply null", "dlclose", kReleased}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        const Child child = RunChild(Fakes(c.variant), "bind");
        ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
        EXPECT_EQ(WEXITSTATUS(child.status), 0);
        EXPECT_EQ(child.log, c.log);
    }
}

TEST(StartUp, PanelShownAndExitCodeZeroWithOrWithoutTheLibrary)
{
    struct Case {
        const char* variant;
        const char* ending;
        Lines log;
    };
    const Case cases[] = {
        {"complete", "quit", {"load", "shown", "main 0", "dlclose", kReleased}},
        {"complete", "close", {"load", "shown", "main 0", "dlclose", kReleased}},
        {"absent", "quit", {"shown", "main 0", kReleased}},
        {"no_get_reply", "close", {"load", "shown", "main 0", "dlclose", kReleased}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + " " + c.ending);
        const Child child = RunChild(Fakes(c.variant), c.ending);
        ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
        EXPECT_EQ(WEXITSTATUS(child.status), 0);
        EXPECT_EQ(child.log, c.log);
    }
}

// A Wayland compositor without a screen (weston's headless backend), on a
// socket of its own in a runtime folder of its own, until the owner goes.
class Compositor {
public:
    static constexpr const char* Socket = "kx418-test";

    Compositor()
        : child_(std::make_unique<process::Child>(
              std::vector<std::string>{"weston", "--backend=headless-backend.so", "--no-config",
                                       "--idle-time=0", std::string("--socket=") + Socket},
              std::vector<std::string>{"XDG_RUNTIME_DIR=" + folder_.String(),
                                       "DISPLAY=", "WAYLAND_DISPLAY="},
              "/dev/null"))
    {
        // Ready once its socket is there.
        struct stat socket_file {};
        for (int waited = 0; waited < 200 && !child_->Wait(std::chrono::milliseconds(0));
             ++waited) {
            if (stat((folder_ / Socket).c_str(), &socket_file) == 0 &&
                S_ISSOCK(socket_file.st_mode)) {
                ready_ = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    bool Ready() const { return ready_; }
    std::string Folder() const { return folder_.String(); }

private:
    // The compositor ends before its runtime folder goes.
    support::Temp_Folder folder_{"kx418-wayland", ::testing::TempDir()};
    std::unique_ptr<process::Child> child_;
    bool ready_ = false;
};

bool On_Search_Path(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// On a Wayland desktop the program runs natively; where X is all there is,
// on X; its client area is 700x523 on either.
TEST(StartUp, WaylandNativelyElseX)
{
    for (const char* tool : {"weston", "xvfb-run"}) {
        if (On_Search_Path(tool)) continue;
        SKIP_OR_FAIL_WITHOUT(std::string(tool) + " is missing (tools/install-deps installs it)");
    }
    const Compositor compositor;
    ASSERT_TRUE(compositor.Ready()) << "weston's headless compositor did not start";
    const std::string runtime = "XDG_RUNTIME_DIR=" + compositor.Folder();
    const std::string wayland = std::string("WAYLAND_DISPLAY=") + Compositor::Socket;
    const std::vector<std::string> x_server = {"xvfb-run", "--auto-servernum"};
    // Xvfb -terminate ends where a server resets, and tells its display
    // once it is ready.
    const std::vector<std::string> X_Server_Ending_With_Its_Last_Client = {
        "sh", "-c",
        "ready=$(mktemp); Xvfb -displayfd 3 -terminate -nolisten tcp 3>\"$ready\" 2>/dev/null & "
        "for i in $(seq 200); do [ -s \"$ready\" ] && break; sleep 0.05; done; "
        "DISPLAY=:$(cat \"$ready\") \"$@\"; status=$?; kill $! 2>/dev/null; rm -f \"$ready\"; "
        "exit $status",
        "sh"};
    struct Case {
        const char* desktop;
        std::vector<std::string> environment;
        std::vector<std::string> wrapper;
        const char* on;
        mode_t folder_mode = 0700;  // of the session's runtime folder
    };
    const Case cases[] = {
        {"Wayland only", {runtime, wayland, "DISPLAY="}, {}, "on wayland 700x523"},
        {"Wayland with X beside it", {runtime, wayland}, x_server, "on wayland 700x523"},
        {"X only", {runtime, "WAYLAND_DISPLAY="}, x_server, "on xcb 700x523"},
        {"Wayland socket gone, X there",
         {runtime, "WAYLAND_DISPLAY=kx418-gone"},
         x_server,
         "on xcb 700x523"},
        // An X server with no other client resets (here: ends) when its
        // last client leaves: the check that it answers must not be that
        // client.
        {"X only, ending with its last client",
         {runtime, "WAYLAND_DISPLAY="},
         X_Server_Ending_With_Its_Last_Client,
         "on xcb 700x523"},
        // The program takes a runtime folder of its own; the compositor's
        // socket stays where the session's folder has it.
        {"Wayland, the runtime folder open to others",
         {runtime, wayland, "DISPLAY="},
         {},
         "on wayland 700x523",
         0755},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desktop);
        ASSERT_EQ(chmod(compositor.Folder().c_str(), c.folder_mode), 0);
        std::vector<std::string> environment = {"QT_QPA_PLATFORM=", "WAYLAND_SOCKET="};
        environment.insert(environment.end(), c.environment.begin(), c.environment.end());
        const Child child = RunChild(Fakes("complete"), "platform", environment, c.wrapper);
        ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
        EXPECT_EQ(WEXITSTATUS(child.status), 0);
        EXPECT_EQ(child.log, (Lines{"load", "shown", c.on, "main 0", "dlclose", kReleased}));
    }
}

// panelCB and Quit, on the loaded panel, in this process.
class Callbacks : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartUiForTests(); }
    void SetUp() override
    {
        Panel_Handle = LoadPanel(0, "KX418.uir", PANEL);
        ASSERT_GE(Panel_Handle, 0);
        ASSERT_GE(DisplayPanel(Panel_Handle), 0);
    }
    void TearDown() override
    {
        UiTest_SetLoopObserver({});
        DiscardPanel(Panel_Handle);
        Panel_Handle = 0;
    }

    // Runs the event loop, does `action` in it, and tells whether the loop
    // ended by itself before a timer 20 ms later would end it.
    static bool LoopStopsAfter(const std::function<void()>& action)
    {
        bool still_running = false;
        QObject context;
        UiTest_SetLoopObserver([&] {
            action();
            QTimer::singleShot(20, &context, [&] {
                still_running = true;
                QuitUserInterface(0);
            });
        });
        RunUserInterface();
        UiTest_SetLoopObserver({});
        return !still_running;
    }
};

TEST_F(Callbacks, PanelCallbackEndsTheLoopOnTheCloseEventOnly)
{
    for (int event = 0; event <= 24; ++event)
        EXPECT_EQ(LoopStopsAfter([event] { panelCB(Panel_Handle, event, nullptr, 0, 0); }),
                  event == EVENT_CLOSE)
            << "event " << event;
}

TEST_F(Callbacks, QuitEndsTheLoopOnTheCommitEventOnly)
{
    for (int event = 0; event <= 24; ++event)
        EXPECT_EQ(LoopStopsAfter(
                      [event] { Quit(Panel_Handle, PANEL_BUTTON_QUIT, event, nullptr, 0, 0); }),
                  event == EVENT_COMMIT)
            << "event " << event;
}

TEST_F(Callbacks, BeendenAndClosingTheWindowEndTheLoop)
{
    EXPECT_TRUE(LoopStopsAfter([] { Press(Panel_Handle, PANEL_BUTTON_QUIT); }));
    EXPECT_TRUE(LoopStopsAfter([] { UiQt_PanelWidget(Panel_Handle)->close(); }));
    // Pressing elsewhere does not.
    EXPECT_FALSE(LoopStopsAfter([] { Press(Panel_Handle, PANEL_BUTTON_CALC_TIME); }));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--scenario") == 0) {
        g_log = argv[3];
        return RunScenario(argv[2]);
    }
    g_self = argv[0];
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // the children inherit it
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

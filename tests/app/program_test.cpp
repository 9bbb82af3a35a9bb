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
#include "uiruntime/qt/ui_qt_access.h"
#include "uiruntime/ui_runtime.h"
#include "uiruntime/ui_test_hooks.h"

#include <QObject>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

extern char** environ;
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

template <typename Fn> void LogEntryPoint(const char* name, Fn entry_point)
{
    if (entry_point == nullptr) {
        Log(std::string(name) + " null");
        return;
    }
    int result = 0;
    if constexpr (std::is_same_v<Fn, KX418_Send_Cfg_Fn>) result = entry_point(1, 0, 1000, 0);
    else result = entry_point();
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
        if (scenario == "quit") QTest::mouseClick(UiQt_ControlWidget(Panel_Handle, PANEL_BUTTON_QUIT), Qt::LeftButton);
        else window->close();
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

Child RunChild(const std::string& library_folder, const std::string& scenario)
{
    const std::string log = ::testing::TempDir() + "kx418_" + scenario + "_" +
                            std::to_string(getpid()) + ".log";
    std::remove(log.c_str());
    std::vector<std::string> env_strings;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "LD_LIBRARY_PATH=", 16) != 0 && std::strncmp(*e, "KX418_FAKE_LOG=", 15) != 0)
            env_strings.emplace_back(*e);
    env_strings.push_back("LD_LIBRARY_PATH=" + library_folder);
    env_strings.push_back("KX418_FAKE_LOG=" + log);
    std::vector<char*> env;
    for (auto& s : env_strings) env.push_back(s.data());
    env.push_back(nullptr);
    std::string flag = "--scenario";
    std::vector<std::string> args_strings = {g_self, flag, scenario, log};
    std::vector<char*> args;
    for (auto& s : args_strings) args.push_back(s.data());
    args.push_back(nullptr);

    Child child;
    pid_t pid = 0;
    if (posix_spawn(&pid, g_self.c_str(), nullptr, nullptr, args.data(), env.data()) != 0) return child;
    waitpid(pid, &child.status, 0);
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) child.log.push_back(line);
    std::remove(log.c_str());
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
    struct Case { const char* variant; Lines log; };
    const Case cases[] = {
        {"complete", {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close 12",
                      "KX418_Send_Cfg 13", "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"absent", {"result 1", "handle null", "KX418_Open null", "KX418_Close null",
                    "KX418_Send_Cfg null", "KX418_Get_Reply null", kReleased}},
        {"no_open", {"load", "result 0", "handle set", "KX418_Open null", "KX418_Close 12",
                     "KX418_Send_Cfg 13", "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"no_close", {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close null",
                      "KX418_Send_Cfg 13", "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"no_send_cfg", {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close 12",
                         "KX418_Send_Cfg null", "KX418_Get_Reply 14", "dlclose", kReleased}},
        {"no_get_reply", {"load", "result 0", "handle set", "KX418_Open 11", "KX418_Close 12",
                          "KX418_Send_Cfg 13", "KX418_Get_Reply null", "dlclose", kReleased}},
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
    struct Case { const char* variant; const char* ending; Lines log; };
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
        EXPECT_EQ(LoopStopsAfter([event] { panelCB(Panel_Handle, event, nullptr, 0, 0); }), event == EVENT_CLOSE)
            << "event " << event;
}

TEST_F(Callbacks, QuitEndsTheLoopOnTheCommitEventOnly)
{
    for (int event = 0; event <= 24; ++event)
        EXPECT_EQ(LoopStopsAfter([event] { Quit(Panel_Handle, PANEL_BUTTON_QUIT, event, nullptr, 0, 0); }),
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

// exchange_test.cpp - only an answer to this report counts, and one
// transfer at a time on a module: the library with its hidraw backend over
// virtual nodes, in this process and in child processes beside it.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "hidraw_internal.h"
#include "kx418.h"
#include "kx418_logic.h"
#include "virtual_fixture.h"

namespace {

using virtual_module::Running_Module;
using Clock = std::chrono::steady_clock;

class Exchange_Test : public Virtual_Module_Test {
protected:
    void TearDown() override
    {
        KX418_Close();
        for (pid_t child : children_) Wait_For(child);
        Hidraw_Set_Device_Folder("/dev");
        Virtual_Module_Test::TearDown();
    }

    static void Use(const Running_Module& module) { Hidraw_Set_Device_Folder(module.Folder()); }

    // Runs `body` in a child process; its result is the child's exit code.
    pid_t Child(const std::function<int()>& body)
    {
        const pid_t pid = fork();
        if (pid == 0) _exit(body());
        children_.push_back(pid);
        return pid;
    }

    int Wait_For(pid_t pid)
    {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        std::erase(children_, pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    std::vector<pid_t> children_;
};

// One whole transfer as the program makes it: 1 when acknowledged.
int Transfer(std::uint32_t function)
{
    if (!KX418_Open()) return 2;
    if (!KX418_Send_Cfg(function, 0, 1000, 0)) return 3;
    if (!KX418_Get_Reply()) return 4;
    KX418_Close();
    return 0;
}

// Answers that are not this report's: a late one, a repeated one, one that
// was queued before the open. Two pairs on one open each time; the second
// pair must never be taken for acknowledged.
TEST_F(Exchange_Test, OnlyAnAnswerToThisReportCounts)
{
    struct Case {
        const char* node;
        int first_reply;
        int second_send;
        std::size_t reports;  // reaching the module
    };
    const Case cases[] = {
        // Answered 2.3 s late, after the wait: the exchange has ended.
        {"hidraw0:answer-first,delay=2300", 0, 0, 1},
        // The repeat of the first answer is dropped before report 2 goes out.
        {"hidraw0:answer-first,answer-twice", 1, 1, 2},
        // An answer waiting in the queue at the open is no answer to report 1.
        {"hidraw0:silent,queued-at-open", 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        Running_Module& module = Start({c.node});
        Use(module);
        ASSERT_EQ(KX418_Open(), 1);
        ASSERT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
        EXPECT_EQ(KX418_Get_Reply(), c.first_reply);
        EXPECT_EQ(KX418_Send_Cfg(2, 0, 1000, 0), c.second_send);
        EXPECT_EQ(KX418_Get_Reply(), 0) << "the second report is never acknowledged";
        // Whatever is still on its way has arrived by now.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(module.Reports_Of("hidraw0").size(), c.reports);
        KX418_Close();
    }
}

// Two processes at once on one module.
TEST_F(Exchange_Test, TwoProcessesTakeTurnsOnOneModule)
{
    {
        SCOPED_TRACE("the module answers only the first report");
        Running_Module& module = Start({"hidraw0:answer-first,delay=500"});
        Use(module);
        const pid_t first = Child([] { return Transfer(1); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const pid_t second = Child([] { return Transfer(2); });
        const int results = Wait_For(first) * 10 + Wait_For(second);
        EXPECT_TRUE(results == 4 || results == 40) << "one acknowledged, one not: " << results;
        EXPECT_EQ(module.Reports_Of("hidraw0").size(), 2u);
    }
    {
        SCOPED_TRACE("the module answers everything");
        Running_Module& module = Start({"hidraw0:delay=300"});
        Use(module);
        const pid_t first = Child([] { return Transfer(1); });
        const pid_t second = Child([] { return Transfer(2); });
        EXPECT_EQ(Wait_For(first), 0);
        EXPECT_EQ(Wait_For(second), 0);
        // Report 2 reaches the module only once report 1 had its answer.
        std::vector<std::string> events;
        for (const std::string& line : module.Log_Lines())
            events.push_back(line.substr(0, line.find(':')));
        EXPECT_EQ(events,
                  (std::vector<std::string>{"hidraw0 report 1", "hidraw0 answered report 1",
                                            "hidraw0 report 2", "hidraw0 answered report 2"}));
    }
}

// Another process holds the module: an open waits for it, at most
// Lock_Limit_Ms, and then passes it over as held.
TEST_F(Exchange_Test, AHeldModuleIsWaitedForUpToTheBound)
{
    Running_Module& module = Start({"hidraw0"});
    Use(module);
    struct Case {
        const char* name;
        int hold_ms;
        int result;  // of KX418_Open
    };
    const Case cases[] = {
        {"released after 1 s", 1000, 1},
        {"held past the bound", static_cast<int>(Lock_Limit_Ms) + 1500, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const int hold_ms = c.hold_ms;
        const pid_t holder = Child([&] {
            close(ready[0]);
            const int opened = KX418_Open();
            (void)!write(ready[1], "x", 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
            return opened ? 0 : 1;  // ends holding it: its end releases it
        });
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        EXPECT_TRUE(Device_Held(module.Node_Path("hidraw0").c_str()));

        const auto started = Clock::now();
        EXPECT_EQ(KX418_Open(), c.result);
        const long long waited = Elapsed_Ms(started);
        if (c.result == 1) {
            EXPECT_GE(waited, 700) << "waited for the holder";
            EXPECT_EQ(Last_Open_Failure(), ::Open_Failure::None);
            EXPECT_EQ(KX418_Send_Cfg(1, 0, 1000, 0), 1);
            EXPECT_EQ(KX418_Get_Reply(), 1);
        } else {
            EXPECT_GE(waited, static_cast<long long>(Lock_Limit_Ms));
            EXPECT_EQ(Last_Open_Failure(), ::Open_Failure::Held);
            EXPECT_EQ(Last_Held_Path(), module.Node_Path("hidraw0"));
        }
        KX418_Close();
        EXPECT_EQ(Wait_For(holder), 0);
        EXPECT_FALSE(Device_Held(module.Node_Path("hidraw0").c_str()))
            << "a process that ended holds nothing";
    }
}

}  // namespace

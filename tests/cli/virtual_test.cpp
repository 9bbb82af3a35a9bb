// kx418ctl as a whole program against the virtual module, whose nodes it
// finds as /dev/hidraw<N> in a mount namespace of its own (private-dev).
// What it sends is checked in the module's log, byte for byte, and against
// what --dry-run prints for the same arguments.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <future>
#include <thread>

#include <nlohmann/json.hpp>

#include "kx418_logic.h"
#include "prerequisite.h"
#include "virtual_fixture.h"

namespace {

using virtual_module::Running_Module;

struct Tool_Run {
    int exit_code = -1;
    std::string output;  // stdout and stderr together
};

Tool_Run Finish(int status, std::string output)
{
    Tool_Run run;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.output = std::move(output);
    return run;
}

// kx418ctl with the module's nodes as its /dev/hidraw<N>.
Tool_Run Kx418ctl_Virtual_Run(const Running_Module& module,
                              const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{KX418_PRIVATE_DEV, module.Folder(), KX418CTL_PROGRAM};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::string output;
    const int status = process::Run_Program(command, output);
    return Finish(status, output);
}

// The hex bytes of each report line that --dry-run printed.
std::vector<std::string> Dry_Run_Bytes(const std::string& output)
{
    std::vector<std::string> bytes;
    const std::regex line(R"(report \d+ of \d+: ((?:[0-9a-f]{2} ?){17}))");
    for (std::sregex_iterator it(output.begin(), output.end(), line), end; it != end; ++it)
        bytes.push_back((*it)[1]);
    return bytes;
}

// The raw bytes of a report the module logged.
std::string Logged_Bytes(const std::string& log_line)
{
    const std::size_t raw = log_line.find(" raw ");
    return raw == std::string::npos ? "" : log_line.substr(raw + 5);
}

Tool_Run Kx418ctl_Virtual_Run(const Running_Module& module,
                              const std::vector<std::string>& arguments);

class Kx418ctl_Virtual : public Virtual_Module_Test {
protected:
    void SetUp() override
    {
        const std::string reason = virtual_module::Unavailable_Reason();
        if (!reason.empty()) SKIP_OR_FAIL_WITHOUT(reason);
    }

    static Tool_Run Run_On(const Running_Module& module, const std::vector<std::string>& arguments)
    {
        return Kx418ctl_Virtual_Run(module, arguments);
    }

    // kx418ctl alone, touching no device (--dry-run).
    static Tool_Run Run_Alone(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> command{KX418CTL_PROGRAM};
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::string output;
        const int status = process::Run_Program(command, output);
        return Finish(status, output);
    }
};

TEST_F(Kx418ctl_Virtual, SendsOneAndTwoTimeFunctionsByteForByteAsDryRunShowsThem)
{
    Running_Module& module = Start({"hidraw0"});
    struct Case {
        std::vector<std::string> arguments;
        std::string logged;  // what the module read from the report
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {{"1", "1.5"},
         "function 1 setting 0 time1 1500 ms time2 0 ms checksum 30 ok",
         "00 30 01 00 dc 05 00 00 00 00 00 00 00 00 00 00 00"},
        {{"3", "10", "20"},
         "function 3 setting 0 time1 10000 ms time2 20000 ms checksum 71 ok",
         "00 71 03 00 10 27 00 00 20 4e 00 00 00 00 00 00 00"},
        // Truncated, not rounded; and the upper limit through the upper branch.
        {{"8", "32.3", "2678400"}, "function 8 setting 0 time1 32299 ms time2 2678400000 ms", ""},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.logged);
        std::vector<std::string> arguments{"send"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());

        std::vector<std::string> dry = arguments;
        dry.push_back("--dry-run");
        const Tool_Run preview = Run_Alone(dry);
        ASSERT_EQ(preview.exit_code, 0) << preview.output;
        const std::vector<std::string> previewed = Dry_Run_Bytes(preview.output);
        ASSERT_EQ(previewed.size(), 1u) << preview.output;
        ASSERT_EQ(module.Reports_Of("hidraw0").size(), i) << "--dry-run sent something";

        const Tool_Run run = Run_On(module, arguments);
        EXPECT_EQ(run.exit_code, 0) << run.output;
        EXPECT_EQ(run.output, "Die Einstellungen wurden abgeschickt!\n");
        const std::vector<std::string> reports = module.Reports_Of("hidraw0");
        ASSERT_EQ(reports.size(), i + 1);
        EXPECT_NE(reports[i].find(c.logged), std::string::npos) << reports[i];
        if (!c.bytes.empty()) {
            EXPECT_EQ(Logged_Bytes(reports[i]), c.bytes);
        }
        EXPECT_EQ(Logged_Bytes(reports[i]), previewed[0]);
    }
}

TEST_F(Kx418ctl_Virtual, SequenceSendsNineReportsFromFileAndCommandLineAsDryRunShowsThem)
{
    Running_Module& module = Start({"hidraw0"});
    char name[] = "/tmp/kx418ctl-sequence-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    const std::string file = name;
    std::ofstream(file)
        << "# line 4\nauto-restart = false\n\n[channel.1]\nstart = 1.5\nstop = 2.5\n"
           "[channel.3]\nstart = 32.3\nstop = 10\n";
    struct Remove {
        std::string path;
        ~Remove() { std::remove(path.c_str()); }
    } remove_file{file};
    const std::vector<std::string> arguments{"sequence", "--file",  file,  "--channel",
                                             "8",        "2678400", "0.1", "--auto-restart"};
    std::vector<std::string> dry = arguments;
    dry.push_back("--dry-run");
    const Tool_Run preview = Run_Alone(dry);
    ASSERT_EQ(preview.exit_code, 0) << preview.output;
    const std::vector<std::string> previewed = Dry_Run_Bytes(preview.output);
    ASSERT_EQ(previewed.size(), 9u) << preview.output;

    const Tool_Run run = Run_On(module, arguments);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(run.output, "Die Einstellungen wurden abgeschickt!\n");
    const std::vector<std::string> reports = module.Reports_Of("hidraw0");
    ASSERT_EQ(reports.size(), 9u);
    for (std::size_t i = 0; i < reports.size(); ++i)
        EXPECT_EQ(Logged_Bytes(reports[i]), previewed[i]);
    EXPECT_NE(reports[0].find("function 91 setting 0 time1 1500 ms time2 2500 ms"),
              std::string::npos);
    EXPECT_NE(reports[1].find("function 92 setting 0 time1 0 ms time2 0 ms"), std::string::npos);
    EXPECT_NE(reports[2].find("function 93 setting 0 time1 32299 ms time2 10000 ms"),
              std::string::npos);
    EXPECT_NE(reports[7].find("function 98 setting 0 time1 2678400000 ms time2 100 ms"),
              std::string::npos);
    EXPECT_NE(reports[8].find("function 9 setting 1 time1 0 ms time2 0 ms"), std::string::npos);
}

TEST_F(Kx418ctl_Virtual, SequenceStopsAtOnceWhenTheModuleIsRemoved)
{
    Running_Module& module = Start({"hidraw0:remove-after=3"});
    // The time the tool itself takes, inside the namespace.
    std::string output;
    const int status = process::Run_Program(
        {KX418_PRIVATE_DEV, module.Folder(), "/bin/bash", "-c",
         "start=$EPOCHREALTIME; \"$@\"; code=$?; echo \"took $start $EPOCHREALTIME\"; exit $code",
         "timed", KX418CTL_PROGRAM, "sequence", "--channel", "1", "1", "2"},
        output);
    const Tool_Run run = Finish(status, output);
    EXPECT_EQ(run.exit_code, 4) << run.output;
    std::smatch took;
    ASSERT_TRUE(std::regex_search(run.output, took, std::regex(R"(took (\S+) (\S+)\n$)")))
        << run.output;
    EXPECT_EQ(run.output.substr(0, took.position(0)), "Empfangsfehler!\n");
    const double seconds = std::stod(took[2]) - std::stod(took[1]);
    EXPECT_LT(seconds, 1.0) << seconds
                            << " s: it waited for the reply limit instead of stopping at once";

    const std::vector<std::string> reports = module.Reports_Of("hidraw0");
    EXPECT_EQ(reports.size(), 3u);
    bool removed = false;
    for (const std::string& line : module.Log_Lines()) removed |= line == "hidraw0 removed";
    EXPECT_TRUE(removed);
}

TEST_F(Kx418ctl_Virtual, ListShowsEveryDeviceInWalkOrderWithAccessAndReasons)
{
    Running_Module& module =
        Start({"hidraw0:vendor=1234,product=5678", "hidraw1", "hidraw2:refuse-open=eacces",
               "hidraw3:refuse-open=ebusy", "hidraw4"});
    const Tool_Run text = Run_On(module, {"list"});
    EXPECT_EQ(text.exit_code, 0) << text.output;
    const std::regex expected(
        "/dev/hidraw0  1234:5678  other device  can be opened\n"
        "/dev/hidraw1  2b5d:0418  KX418 \\(index 0\\)  can be opened\n"
        "/dev/hidraw2  \\?\\?\\?\\?:\\?\\?\\?\\?  unknown  permission denied: [^\n]*udev "
        "rule[^\n]*re-plug[^\n]*\n"
        "/dev/hidraw3  \\?\\?\\?\\?:\\?\\?\\?\\?  unknown  busy: [^\n]*re-plug[^\n]*\n"
        "/dev/hidraw4  2b5d:0418  KX418 \\(index 1\\)  can be opened\n"
        "A KX418 module can be opened.\n");
    EXPECT_TRUE(std::regex_match(text.output, expected)) << text.output;

    const Tool_Run json = Run_On(module, {"list", "--json"});
    EXPECT_EQ(json.exit_code, 0) << json.output;
    const nlohmann::json document = nlohmann::json::parse(json.output);
    ASSERT_EQ(document["devices"].size(), 5u);
    EXPECT_EQ(document["exit_code"], 0);
    const nlohmann::json& foreign = document["devices"][0];
    EXPECT_EQ(foreign, nlohmann::json::parse(R"({"path": "/dev/hidraw0", "vendor_id": "1234",
        "product_id": "5678", "kx418": false, "index": null, "can_open": true, "busy": false,
        "problem": null, "remedy": null})"));
    const nlohmann::json& second = document["devices"][4];
    EXPECT_EQ(second["kx418"], true);
    EXPECT_EQ(second["index"], 1);
    const nlohmann::json& refused = document["devices"][2];
    EXPECT_EQ(refused["path"], "/dev/hidraw2");
    EXPECT_EQ(refused["can_open"], false);
    EXPECT_TRUE(refused["vendor_id"].is_null() && refused["kx418"].is_null());
    EXPECT_EQ(refused["problem"], "permission denied");
    EXPECT_NE(refused["remedy"].get<std::string>().find("udev rule"), std::string::npos);
    EXPECT_EQ(document["devices"][3]["problem"], "busy");
}

TEST_F(Kx418ctl_Virtual, TwoModulesAreChosenByIndexOrPath)
{
    Running_Module& module = Start({"hidraw0", "hidraw1", "hidraw2:vendor=1234"});
    EXPECT_EQ(Run_On(module, {"send", "--index", "1", "6"}).exit_code, 0);
    EXPECT_EQ(module.Reports_Of("hidraw0").size(), 0u);
    ASSERT_EQ(module.Reports_Of("hidraw1").size(), 1u);

    EXPECT_EQ(Run_On(module, {"send", "--device", "/dev/hidraw0", "7"}).exit_code, 0);
    ASSERT_EQ(module.Reports_Of("hidraw0").size(), 1u);
    EXPECT_NE(module.Reports_Of("hidraw0")[0].find("function 7 "), std::string::npos);

    // A foreign device and a missing path are no module.
    Tool_Run run = Run_On(module, {"send", "--device", "/dev/hidraw2", "7"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.output, "Das Geraet wurde nicht gefunden!\n"
                          "kx418ctl: /dev/hidraw2 is 1234:0418, not a KX418\n");
    run = Run_On(module, {"send", "--device", "/dev/hidraw9", "7"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(
        run.output,
        "Das Geraet wurde nicht gefunden!\n"
        "kx418ctl: /dev/hidraw9: not present; plug the module in (again), or check the path\n");
    run = Run_On(module, {"send", "--index", "2", "7"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.output, "Das Geraet wurde nicht gefunden!\n"
                          "kx418ctl: 2 modules can be opened (index 0 and 1)\n");
    EXPECT_EQ(module.Reports_Of("hidraw2").size(), 0u);
}

TEST_F(Kx418ctl_Virtual, AModuleThisUserMayNotOpenIsNamedWithTheRemedy)
{
    Running_Module& module = Start({"hidraw0:refuse-open=eacces"});
    EXPECT_EQ(Run_On(module, {"list"}).exit_code, 5);
    const Tool_Run run = Run_On(module, {"send", "7"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.output,
              "Das Geraet wurde nicht gefunden!\n"
              "kx418ctl: /dev/hidraw0 cannot be opened (permission denied); 'kx418ctl list' says "
              "what to do\n");
}

// The function number of each report the module logged, in order.
std::vector<int> Logged_Functions(const Running_Module& module, std::string_view node)
{
    std::vector<int> functions;
    for (const std::string& line : module.Reports_Of(node)) {
        const std::size_t at = line.find("function ");
        functions.push_back(at == std::string::npos ? -1 : std::stoi(line.substr(at + 9)));
    }
    return functions;
}

// Two runs of the tool at once on one module, the second `delay_ms` later.
std::pair<Tool_Run, Tool_Run> Run_Together(const Running_Module& module,
                                           const std::vector<std::string>& first,
                                           const std::vector<std::string>& second, int delay_ms)
{
    auto one = std::async(std::launch::async, [&] { return Kx418ctl_Virtual_Run(module, first); });
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    Tool_Run two = Kx418ctl_Virtual_Run(module, second);
    return {one.get(), std::move(two)};
}

TEST_F(Kx418ctl_Virtual, TwoRunsAtOnceTakeTurnsAndEachOutcomeIsItsOwn)
{
    {
        SCOPED_TRACE("the module answers only the first report, 500 ms late");
        Running_Module& module = Start({"hidraw0:answer-first,delay=500"});
        const auto [first, second] =
            Run_Together(module, {"send", "3", "10", "20"}, {"send", "1", "5"}, 100);
        // Whichever got the module first is acknowledged; the other is not.
        const bool first_won = first.exit_code == 0;
        const Tool_Run& won = first_won ? first : second;
        const Tool_Run& lost = first_won ? second : first;
        EXPECT_EQ(won.exit_code, 0) << won.output;
        EXPECT_EQ(won.output, "Die Einstellungen wurden abgeschickt!\n");
        EXPECT_EQ(lost.exit_code, 4) << lost.output;
        EXPECT_EQ(lost.output, "Empfangsfehler!\n");
        EXPECT_EQ(Logged_Functions(module, "hidraw0"),
                  (first_won ? std::vector<int>{3, 1} : std::vector<int>{1, 3}));
    }
    {
        SCOPED_TRACE("two sequencer transfers");
        Running_Module& module = Start({"hidraw0:delay=20"});
        const auto [first, second] =
            Run_Together(module, {"sequence", "--channel", "1", "1", "2"},
                         {"sequence", "--channel", "2", "3", "4", "--auto-restart"}, 0);
        EXPECT_EQ(first.exit_code, 0) << first.output;
        EXPECT_EQ(second.exit_code, 0) << second.output;
        const std::vector<int> nine{91, 92, 93, 94, 95, 96, 97, 98, 9};
        std::vector<int> both = nine;
        both.insert(both.end(), nine.begin(), nine.end());
        EXPECT_EQ(Logged_Functions(module, "hidraw0"), both) << "the runs interleaved";
        // Each run's nine reports together: the run with channel 1 set, and
        // the one with channel 2 set and auto-restart on.
        const std::vector<std::string> reports = module.Reports_Of("hidraw0");
        ASSERT_EQ(reports.size(), 18u);
        const auto has = [&](std::size_t i, const char* text) {
            return reports[i].find(text) != std::string::npos;
        };
        for (std::size_t block : {std::size_t{0}, std::size_t{9}}) {
            const bool first_run = has(block, "time1 1000 ms");
            EXPECT_EQ(has(block + 1, "time1 3000 ms"), !first_run) << block;
            EXPECT_EQ(has(block + 8, "setting 1"), !first_run) << block;
        }
        EXPECT_NE(has(0, "time1 1000 ms"), has(9, "time1 1000 ms")) << "one block for each run";
    }
}

// A late answer and a repeated answer never acknowledge the sequencer's
// next report: the transfer stops with "Empfangsfehler!".
TEST_F(Kx418ctl_Virtual, SequenceCountsOnlyEachReportsOwnAnswer)
{
    struct Case {
        const char* node;
        std::size_t reports;
    };
    const Case cases[] = {
        {"hidraw0:answer-first,delay=2300", 1},
        {"hidraw0:answer-first,answer-twice", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        Running_Module& module = Start({c.node});
        const Tool_Run run = Run_On(module, {"sequence", "--channel", "1", "1", "2"});
        EXPECT_EQ(run.exit_code, 4) << run.output;
        EXPECT_EQ(run.output, "Empfangsfehler!\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(module.Reports_Of("hidraw0").size(), c.reports);
    }
}

// Another program holds the module (this test, through the library's own
// lock on the node): list shows it busy; a transfer waits for it, and
// gives up after the bound with exit code 6 and its line.
TEST_F(Kx418ctl_Virtual, AModuleInUseIsWaitedForThenReportedBusy)
{
    Running_Module& module = Start({"hidraw0:vendor=1234", "hidraw1"});
    Hid_Handle lock = Hid_None;
    ASSERT_EQ(Hid_Lock_Device(module.Node_Path("hidraw1").c_str(), 0, lock),
              Hid_Lock_Result::Acquired);

    const Tool_Run list = Run_On(module, {"list"});
    EXPECT_EQ(list.exit_code, 6) << list.output;
    EXPECT_EQ(list.output,
              "/dev/hidraw0  1234:0418  other device  can be opened\n"
              "/dev/hidraw1  2b5d:0418  KX418 (index 0)  busy: in use by another program\n"
              "No KX418 module can be opened now; another program is using it.\n");
    const nlohmann::json json = nlohmann::json::parse(Run_On(module, {"list", "--json"}).output);
    EXPECT_EQ(json["exit_code"], 6);
    EXPECT_EQ(json["devices"][1]["busy"], true);
    EXPECT_EQ(json["devices"][1]["index"], 0);
    EXPECT_EQ(json["devices"][1]["problem"], "in use by another program");

    const auto started = std::chrono::steady_clock::now();
    const Tool_Run held = Run_On(module, {"send", "6"});
    EXPECT_GE(Elapsed_Ms(started), static_cast<long long>(Lock_Limit_Ms));
    EXPECT_EQ(held.exit_code, 6) << held.output;
    EXPECT_EQ(held.output,
              "Das Geraet wurde nicht gefunden!\n"
              "kx418ctl: /dev/hidraw1 is in use by another program (still busy after 3 s); try "
              "again when that program is done\n");
    EXPECT_EQ(module.Reports_Of("hidraw1").size(), 0u);

    // Released a second after the transfer began: it waits, then succeeds.
    auto run = std::async(std::launch::async, [&] { return Run_On(module, {"send", "6"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ASSERT_EQ(module.Reports_Of("hidraw1").size(), 0u) << "sent while the module was held";
    Hid_Release_Lock(lock);
    const Tool_Run waited = run.get();
    EXPECT_EQ(waited.exit_code, 0) << waited.output;
    EXPECT_EQ(module.Reports_Of("hidraw1").size(), 1u);
    EXPECT_EQ(Run_On(module, {"list"}).exit_code, 0);
}

}  // namespace

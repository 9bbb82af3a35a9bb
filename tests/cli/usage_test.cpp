// kx418ctl in process over scripted devices: bad input is refused with
// the usage exit code and a one-line message naming the argument and the
// rule, before anything is opened; the outcomes of a transfer map to
// their texts and exit codes; list tells the walk as it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "hid_fake.h"
#include "kx418ctl.h"
#include "kx418_logic.h"
#include "platform.h"

namespace {

using fake_hid::state;

struct Run_Result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

Run_Result Run_Tool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "kx418ctl");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out;
    std::ostringstream err;
    Run_Result result;
    result.exit_code = Kx418ctl_Main(static_cast<int>(argv.size()), argv.data(), out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// The system's temporary folder (under wine, the prefix's).
std::string Temporary_Folder() { return std::filesystem::temp_directory_path().string(); }

// A file in the temporary folder, removed again at the end.
class Temporary_File {
public:
    explicit Temporary_File(const std::string& text) {
        static std::mt19937_64 random{std::random_device{}()};
        path_ = (std::filesystem::temp_directory_path() /
                 ("kx418ctl-test-" + std::to_string(random()) + ".toml"))
                    .string();
        std::ofstream(path_) << text;
    }
    ~Temporary_File() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class Kx418ctl : public ::testing::Test {
protected:
    void SetUp() override {
        fake_hid::Reset();
        // A module that would acknowledge anything: whatever is refused is
        // refused before it is reached.
        fake_hid::Add_Device("/dev/hidraw0", KX418_Vendor_ID, KX418_Product_ID).acknowledge = true;
    }
    void TearDown() override { Close_Device(); }
};

struct Bad_Input {
    std::vector<std::string> arguments;
    std::string message;  // a part of the one line the tool writes
};

TEST_F(Kx418ctl, BadInputIsRefusedBeforeAnythingIsOpened) {
    const std::string huge(400, '9');
    Temporary_File malformed("auto-restart = true\n[channel.1]\nstart = 1.5\nstop = = 2\n");
    Temporary_File two_decimals("[channel.2]\nstart = 1.25\n");
    Temporary_File unknown_key("[channel.3]\nbegin = 1\n");
    Temporary_File bad_channel("[channel.9]\nstart = 1\n");
    Temporary_File exponent("[channel.1]\nstop = 1e3\n");
    Temporary_File wrong_type("auto-restart = \"yes\"\n");
    const std::vector<Bad_Input> cases = {
        {{"send", "0"}, "FUNCTION \"0\": unknown (functions are 1 to 8)"},
        {{"send", "9"}, "FUNCTION \"9\": unknown (functions are 1 to 8)"},
        {{"send", "+1", "1"}, "FUNCTION \"+1\": not a whole number"},
        {{"send", "0x1", "1"}, "FUNCTION \"0x1\": not a whole number"},
        {{"send", "", "1"}, "FUNCTION \"\": empty"},
        {{"send", huge}, "FUNCTION \"9999999999999999999999999999999999999999...\": unknown"},
        {{"send", "1"}, "too few times: 0 given, function 1 (on-delay with reset) takes 1 time"},
        {{"send", "3", "1"}, "too few times: 1 given, function 3"},
        {{"send", "1", "1", "2"}, "too many times: 2 given, function 1"},
        {{"send", "6", "1"}, "too many times: 1 given, function 6 (on/off switch) takes 0 times"},
        {{"send", "8", "1", "2", "3"}, "too many times: 3 given"},
        {{"send", "4", "0.0"}, "TIME1 \"0.0\": below the lowest time, 0.1 s"},
        {{"send", "8", "0.1", "0"}, "TIME2 \"0\": below the lowest time, 0.1 s"},
        {{"send", "2", "2678400.1"}, "TIME1 \"2678400.1\": above the upper limit, 2678400.0 s"},
        {{"send", "1", "1.55"}, "TIME1 \"1.55\": more than one decimal"},
        {{"send", "1", "1,5"}, "TIME1 \"1,5\": decimal comma"},
        {{"send", "1", "-1.5"}, "TIME1 \"-1.5\": no sign allowed"},
        {{"send", "1", "+1.5"}, "TIME1 \"+1.5\": no sign allowed"},
        {{"send", "1", "0x10"}, "TIME1 \"0x10\": no hexadecimal"},
        {{"send", "1", "1e3"}, "TIME1 \"1e3\": no exponent"},
        {{"send", "1", "1.5E1"}, "TIME1 \"1.5E1\": no exponent"},
        {{"send", "1", "inf"}, "TIME1 \"inf\": not a finite number"},
        {{"send", "1", "NaN"}, "TIME1 \"NaN\": not a finite number"},
        {{"send", "1", ""}, "TIME1 \"\": empty"},
        {{"send", "1", " 1"}, "TIME1 \" 1\": not a number"},
        {{"send", "1", "1.5s"}, "TIME1 \"1.5s\": unexpected characters after the number"},
        {{"send", "1", "1."}, "TIME1 \"1.\": a digit must follow the point"},
        {{"send", "1", ".5"}, "TIME1 \".5\": not a number"},
        {{"send", "2", "99999999999999999999"}, "above the upper limit"},
        {{"send", "2", huge}, "TIME1 \"9999999999999999999999999999999999999999...\": too large"},
        {{"send", "1", "1", "--index", "-1"}, "--index"},
        {{"send", "1", "1", "--index", "x"}, "--index"},
        {{"send", "1", "1", "--device", "/dev/hidraw0", "--index", "1"}, "excludes"},
        {{"send", "1", "1", "--device", ""}, "--device: empty path"},
        {{"send", "1", "1", "--frobnicate"}, "--frobnicate"},
        {{}, "subcommand"},
        {{"reset"}, "reset"},
        {{"sequence", "--channel", "0", "1", "2"}, "--channel N \"0\": unknown (channels are 1 to 8)"},
        {{"sequence", "--channel", "1", "1", "2", "--channel", "1", "3", "4"},
         "--channel 1: given twice"},
        {{"sequence", "--channel", "2", "1,5", "2"}, "channel 2 START \"1,5\": decimal comma"},
        {{"sequence", "--channel", "2", "1", "2678401"}, "channel 2 STOP \"2678401\": above"},
        {{"sequence", "--file", "/nonexistent/seq.toml"},
         "sequence file /nonexistent/seq.toml: cannot be read"},
        {{"sequence", "--file", Temporary_Folder()},
         "sequence file " + Temporary_Folder() + ": a folder, not a file"},
        {{"sequence", "--file", malformed.path()}, malformed.path() + ":4: malformed"},
        {{"sequence", "--file", two_decimals.path()},
         two_decimals.path() + ":2: channel 2 start \"1.25\": more than one decimal"},
        {{"sequence", "--file", unknown_key.path()}, unknown_key.path() + ":2: unknown key \"begin\""},
        {{"sequence", "--file", bad_channel.path()}, "channel \"9\": unknown (channels are 1 to 8)"},
        {{"sequence", "--file", exponent.path()}, exponent.path() + ":2: channel 1 stop \"1e3\": no exponent"},
        {{"sequence", "--file", wrong_type.path()}, wrong_type.path() + ":1: auto-restart must be true or false"},
    };
    for (const Bad_Input& bad : cases) {
        std::string shown;
        for (const std::string& argument : bad.arguments) shown += " [" + argument + "]";
        SCOPED_TRACE("kx418ctl" + shown);
        state.opens = 0;
        state.calls.clear();
        const Run_Result result = Run_Tool(bad.arguments);
        EXPECT_EQ(result.exit_code, Exit_Usage);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(result.err.starts_with("kx418ctl: ")) << result.err;
        EXPECT_NE(result.err.find(bad.message), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(state.opens, 0);
        EXPECT_TRUE(state.calls.empty()) << "the device list was asked for";
        EXPECT_TRUE(state.written.empty());
    }
}

TEST_F(Kx418ctl, HelpAndVersionForTheToolAndEachSubcommand) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"list", "--help"}, {"send", "--help"},
          {"sequence", "--help"}}) {
        const Run_Result result = Run_Tool(arguments);
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_NE(result.out.find("Usage: kx418ctl"), std::string::npos) << result.out;
        // Every exit code is documented where the help is.
        EXPECT_NE(result.out.find("4  \"Empfangsfehler!\""), std::string::npos) << result.out;
    }
    EXPECT_NE(Run_Tool({"send", "--help"}).out.find("kx418ctl send"), std::string::npos);
    const Run_Result version = Run_Tool({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_TRUE(version.out.starts_with("kx418ctl ")) << version.out;
    EXPECT_EQ(state.opens, 0);
}

struct Outcome_Case {
    const char* name;
    void (*script)(fake_hid::Device&);
    int exit_code;
    const char* message;
};

TEST_F(Kx418ctl, OutcomesHaveTheSystemsTextsAndTheirExitCodes) {
    const Outcome_Case cases[] = {
        {"acknowledged", [](fake_hid::Device&) {}, Exit_Sent, "Die Einstellungen wurden abgeschickt!\n"},
        {"absent", [](fake_hid::Device& d) { d.vendor = 0x1234; }, Exit_Not_Found,
         "Das Geraet wurde nicht gefunden!\n"},
        {"write fails", [](fake_hid::Device& d) { d.write_fails = true; }, Exit_Not_Written,
         "Sendefehler!\n"},
        {"silent", [](fake_hid::Device& d) { d.acknowledge = false; }, Exit_Not_Acknowledged,
         "Empfangsfehler!\n"},
    };
    for (const Outcome_Case& c : cases) {
        for (const char* command : {"send", "sequence"}) {
            SCOPED_TRACE(std::string(c.name) + " " + command);
            SetUp();
            c.script(state.devices[0]);
            const Run_Result result = std::string(command) == "send"
                                          ? Run_Tool({"send", "1", "1.5"})
                                          : Run_Tool({"sequence", "--channel", "1", "1", "2"});
            EXPECT_EQ(result.exit_code, c.exit_code);
            EXPECT_EQ(c.exit_code == Exit_Sent ? result.out : result.err, c.message);
            EXPECT_EQ(c.exit_code == Exit_Sent ? result.err : result.out, "");
            // A failed sequence stops at its first report.
            const std::size_t reports = c.exit_code == Exit_Sent && std::string(command) == "sequence" ? 9 : 1;
            EXPECT_EQ(state.written.size(), c.exit_code == Exit_Not_Found || c.exit_code == Exit_Not_Written ? 0 : reports);
        }
    }
}

TEST_F(Kx418ctl, NotFoundSaysWhichDeviceThisUserMayNotOpen) {
    state.devices[0].refuse_probe = true;
    state.devices[0].refusal = Hid_Open_Failure::Busy;
    const Run_Result result = Run_Tool({"send", "7"});
    EXPECT_EQ(result.exit_code, Exit_Not_Found);
    EXPECT_EQ(result.err,
              "Das Geraet wurde nicht gefunden!\n"
              "kx418ctl: /dev/hidraw0 cannot be opened (busy); 'kx418ctl list' says what to do\n");
}

TEST_F(Kx418ctl, ListExitCodesAndReasons) {
    // One module this user may not open: exit 5, with the reason and the remedy.
    state.devices[0].refuse_probe = true;
    Run_Result result = Run_Tool({"list"});
    EXPECT_EQ(result.exit_code, Exit_No_Access);
    EXPECT_NE(result.out.find("/dev/hidraw0  ????:????  unknown  permission denied: "), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(Access_Remedy()), std::string::npos);

    // Only foreign devices: exit 1.
    SetUp();
    state.devices[0].vendor = 0x1234;
    result = Run_Tool({"list"});
    EXPECT_EQ(result.exit_code, Exit_Not_Found);
    EXPECT_NE(result.out.find("/dev/hidraw0  1234:0418  other device  can be opened"), std::string::npos)
        << result.out;

    // Nothing at all: exit 1; a module that can be opened: exit 0, and the
    // walk leaves nothing open.
    fake_hid::Reset();
    EXPECT_EQ(Run_Tool({"list"}).exit_code, Exit_Not_Found);
    SetUp();
    EXPECT_EQ(Run_Tool({"list", "--json"}).exit_code, Exit_Sent);
    EXPECT_EQ(fake_hid::Open_Count(), 0);
}

TEST_F(Kx418ctl, IndexCountsTheModulesThatCanBeOpenedAndDeviceTakesOnlyAModule) {
    fake_hid::Add_Device("/dev/hidraw1", 0x1234, 0x5678).acknowledge = true;
    fake_hid::Add_Device("/dev/hidraw2", KX418_Vendor_ID, KX418_Product_ID).refuse_probe = true;
    fake_hid::Add_Device("/dev/hidraw3", KX418_Vendor_ID, KX418_Product_ID).acknowledge = true;

    EXPECT_EQ(Run_Tool({"send", "--index", "1", "6"}).exit_code, Exit_Sent);
    ASSERT_EQ(state.written.size(), 1u);
    EXPECT_EQ(state.written[0].path, "/dev/hidraw3");
    EXPECT_EQ(Run_Tool({"send", "--index", "2", "6"}).exit_code, Exit_Not_Found);

    EXPECT_EQ(Run_Tool({"send", "--device", "/dev/hidraw1", "6"}).exit_code, Exit_Not_Found);
    EXPECT_EQ(Run_Tool({"send", "--device", "/dev/hidraw3", "6"}).exit_code, Exit_Sent);
    ASSERT_EQ(state.written.size(), 2u);
    EXPECT_EQ(state.written[1].path, "/dev/hidraw3");
    EXPECT_EQ(fake_hid::Open_Count(), 0);
}

}  // namespace

// namespace_test.cpp - the shipped libkx418.so, loaded by file name and
// unchanged, finds a virtual module at /dev/hidraw0 and completes a
// transfer. /dev is replaced inside a private mount namespace only.
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "virtual_fixture.h"

namespace {

using virtual_module::Running_Module;
using Shared_Library_Test = Virtual_Module_Test;

TEST_F(Shared_Library_Test, FindsTheModuleAtDevHidraw0AndCompletesATransfer)
{
    if (geteuid() != 0) SKIP_OR_FAIL_WITHOUT("a private mount namespace takes root");
    Running_Module& module = Start({"hidraw0"});

    std::string output;
    const int status = process::Run_Program(
        {KX418_NAMESPACE_DRIVER, module.Folder(), KX418_SHARED_LIBRARY}, output);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) SKIP_OR_FAIL_WITHOUT(output);
    EXPECT_TRUE(process::Exited_Cleanly(status)) << status << ": " << output;
    EXPECT_EQ(output, "KX418_Open 1 KX418_Send_Cfg 1 KX418_Get_Reply 1 KX418_Close 1\n");

    const auto reports = module.Reports_Of("hidraw0");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("function 3 setting 1 time1 5000 ms time2 2500 ms checksum d5 ok "
                              "raw 00 d5 03 01 88 13 00 00 c4 09 00 00 00 00 00 00 00"),
              std::string::npos)
        << reports[0];
}

}  // namespace

// virtual_fixture.h - what the tests against virtual nodes share: a fixture
// that starts virtual modules and checks that each stops cleanly, and a
// count of the process's open descriptors.
#ifndef KX418_TESTS_VIRTUAL_FIXTURE_H
#define KX418_TESTS_VIRTUAL_FIXTURE_H

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "prerequisite.h"
#include "unique_fd.h"
#include "virtual_module.h"

// Open descriptors of this process, from /proc/self/fd.
inline int Open_Descriptors()
{
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = readdir(folder))
        if (entry->d_name[0] != '.') ++count;
    closedir(folder);
    return count - 1;  // the listing's own descriptor
}

inline long long Elapsed_Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

// Skips where FUSE cannot be used; every module started is stopped at the
// end, and must have ended by exit code 0 with its folder unmounted, so a
// module that crashed, hung, or tripped a sanitizer fails the test.
class Virtual_Module_Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string reason = virtual_module::Unavailable_Reason();
        if (!reason.empty()) SKIP_OR_FAIL_WITHOUT(reason);
    }

    void TearDown() override
    {
        for (auto& module : modules_) {
            const int status = module->Stop();
            EXPECT_TRUE(process::Exited_Cleanly(status))
                << "virtual module ended with status " << status;
            EXPECT_FALSE(module->Mounted()) << module->Folder() << " is still mounted";
        }
        modules_.clear();
    }

    virtual_module::Running_Module& Start(const std::vector<std::string>& nodes)
    {
        modules_.push_back(std::make_unique<virtual_module::Running_Module>(nodes));
        return *modules_.back();
    }

private:
    std::vector<std::unique_ptr<virtual_module::Running_Module>> modules_;
};

#endif  // KX418_TESTS_VIRTUAL_FIXTURE_H

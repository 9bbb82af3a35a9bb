// prerequisite.h - the one rule for a test whose prerequisite this machine
// lacks (FUSE, an X server, a tool): it is skipped with the reason, but
// where the environment variable CI is set (to anything but ""), the set-up
// is at fault and the test fails with the reason instead.
#ifndef KX418_SUPPORT_PREREQUISITE_H
#define KX418_SUPPORT_PREREQUISITE_H

#include <gtest/gtest.h>

#include <string>

namespace support {

// True where CI is set and not empty: there every prerequisite must be met.
bool Prerequisites_Required();

}  // namespace support

// Skips the test with `reason`, or fails it where support::
// Prerequisites_Required(); either way returns from the calling function,
// as GTEST_SKIP() and FAIL() do. For a test body, SetUp or another
// function returning void.
#define SKIP_OR_FAIL_WITHOUT(reason)                                                               \
    do {                                                                                           \
        const std::string kx418_prerequisite_reason_ = (reason);                                   \
        if (::support::Prerequisites_Required())                                                   \
            FAIL() << "CI must run this test: " << kx418_prerequisite_reason_;                     \
        GTEST_SKIP() << kx418_prerequisite_reason_;                                                \
    } while (false)

#endif  // KX418_SUPPORT_PREREQUISITE_H

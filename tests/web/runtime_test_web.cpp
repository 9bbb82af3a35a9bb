// runtime_test_web.cpp - the runtime's shared cases run inside the page:
// the page calls Run_Tests with a GoogleTest filter once the program's
// runtime is ready, and learns the result when the promise settles. What
// GoogleTest prints goes to the page's console.
#include <emscripten.h>
#include <gtest/gtest.h>

#include <array>

extern "C" EMSCRIPTEN_KEEPALIVE int Run_Tests(const char* filter)
{
    std::array<char, 20> name{"web_runtime_test"};
    std::array<char*, 2> argv{name.data(), nullptr};
    int argc = 1;
    testing::InitGoogleTest(&argc, argv.data());
    if (filter != nullptr && *filter != '\0') GTEST_FLAG_SET(filter, filter);
    return RUN_ALL_TESTS();
}

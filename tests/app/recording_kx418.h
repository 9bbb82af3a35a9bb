// recording_kx418.h - a stand-in device library that records every call
// and answers as a test scripts it. Built as libkx418.so.1 in a folder of its
// own; the test program finds it by the bare file name and reaches its
// script through the extra export Recording_KX418_State.
#ifndef KX418_TESTS_APP_RECORDING_KX418_H
#define KX418_TESTS_APP_RECORDING_KX418_H

#include <string>
#include <vector>

struct Recording_KX418 {
    // Answers. A 1-based count names the call that fails; 0 means none.
    int open_result = 1;
    int failing_send = 0;
    int failing_reply = 0;

    // "open", "send 3 0 10000 20000", "reply", "close", in call order; a
    // test may add its own lines (message boxes) to see where they fall.
    std::vector<std::string> calls;
    int sends = 0;
    int replies = 0;
    bool open = false;  // opened and not closed since
};

extern "C" Recording_KX418* Recording_KX418_State();

#endif

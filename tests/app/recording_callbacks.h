// recording_callbacks.h - a callback table for runtime tests: every name
// the panel file gives, bound to a function that records its calls, except
// "Send_F9", which is left out to show a name bound to nothing.
#ifndef KX418_TESTS_APP_RECORDING_CALLBACKS_H
#define KX418_TESTS_APP_RECORDING_CALLBACKS_H

#include <string>
#include <vector>

struct RecordedCall {
    std::string name;
    int panel;
    int control;  // -1 for a panel callback
    int event;
};

std::vector<RecordedCall>& RecordedCalls();

#endif

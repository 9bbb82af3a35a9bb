// recording_kx418.cpp - the recording stand-in device library.
#include "recording_kx418.h"

#include "kx418.h"

#include <string>

namespace {
Recording_KX418 state;
}

extern "C" __attribute__((visibility("default"))) Recording_KX418* Recording_KX418_State()
{
    return &state;
}

int32_t KX418_Open(void)
{
    state.calls.push_back("open");
    state.open = state.open_result != 0;
    return state.open_result;
}

int32_t KX418_Close(void)
{
    state.calls.push_back("close");
    state.open = false;
    return 1;
}

int32_t KX418_Send_Cfg(uint32_t function, uint32_t setting, uint32_t time1, uint32_t time2)
{
    state.calls.push_back("send " + std::to_string(function) + " " + std::to_string(setting) + " " +
                          std::to_string(time1) + " " + std::to_string(time2));
    return ++state.sends == state.failing_send ? 0 : 1;
}

int32_t KX418_Get_Reply(void)
{
    state.calls.push_back("reply");
    return ++state.replies == state.failing_reply ? 0 : 1;
}

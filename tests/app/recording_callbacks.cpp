// recording_callbacks.cpp - the runtime tests' callback table.
#include "recording_callbacks.h"

#include "ui_runtime.h"

namespace {

const char* const kControlNames[] = {"Quit",    "Time_Calc", "Send_F1", "Send_F2", "Send_F3",
                                     "Send_F4", "Send_F5",   "Send_F6", "Send_F7", "Send_F8"};

template <int N>
int RecordControl(int panel, int control, int event, void*, int, int)
{
    RecordedCalls().push_back({kControlNames[N], panel, control, event});
    return 0;
}

int RecordPanel(int panel, int event, void*, int, int)
{
    RecordedCalls().push_back({"panelCB", panel, -1, event});
    return 0;
}

constexpr UiCallbackBinding kTable[] = {
    {"panelCB", RecordPanel},      {"Quit", RecordControl<0>},    {"Time_Calc", RecordControl<1>},
    {"Send_F1", RecordControl<2>}, {"Send_F2", RecordControl<3>}, {"Send_F3", RecordControl<4>},
    {"Send_F4", RecordControl<5>}, {"Send_F5", RecordControl<6>}, {"Send_F6", RecordControl<7>},
    {"Send_F7", RecordControl<8>}, {"Send_F8", RecordControl<9>},
};

}  // namespace

std::vector<RecordedCall>& RecordedCalls()
{
    static std::vector<RecordedCall> calls;
    return calls;
}

std::span<const UiCallbackBinding> UiProgramCallbacks()
{
    return kTable;
}

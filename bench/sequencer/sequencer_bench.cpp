// sequencer_bench.cpp - the sequencer's whole transfer through the
// program's own Send_F9, next to the same nine exchanges done with raw
// system calls, against the virtual module.
//
//   kx418_sequencer_bench [--transfers N] [--spread]
//
// The benchmark starts kx418-virtual-module (no log kept) with two nodes
// playing the module, hidraw0 and hidraw1, then runs itself again through
// tools/virtual-module/private-dev, so that the shipped libkx418.so, loaded
// by file name as the program loads it, finds hidraw0 at /dev/hidraw0.
// There, with the program's panel loaded on the offscreen platform and the
// sequencer page filled in, each of these runs N times (default 300, after
// 20 to warm up), in blocks that take turns in five rounds:
//
//   Send_F9   the press of "Einstellungen abschicken" on page Fn9: the
//             program's callback as the event loop calls it, with the
//             page's handle. KX418_Open, eight channels read and sent, the
//             closing report, each acknowledged, KX418_Close, then the
//             "Info" box. The clock stops when the library's KX418_Close
//             returns (the bench puts a wrapper that calls it and notes
//             the time into the program's KX418_Close entry point), before
//             the box is built. The box is dismissed the moment it shows,
//             through the runtime's popup observer (ui_test_hooks.h); the
//             time from the close to the box on screen is shown apart.
//             Nine untimed raw exchanges after the box put each transfer
//             where each raw sample starts; a second row leaves them out
//             and shows what the box before costs the next transfer.
//   open      KX418_Open + KX418_Close alone (the walk of /dev, the probe,
//             the three channels), for what the raw rows do not do.
//   raw       nine exchanges on /dev/hidraw1, kept open: write 17 bytes,
//             poll, read 16, as a minimal hidraw client does; and the same
//             with the node opened (read and write) before and closed
//             after, as every transfer must.
//
// Prints figures only; nothing passes or fails. The benchmark and the
// module run on one CPU unless --spread is given (see kx418_device_bench).
#include <QString>
#include <QtGlobal>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "KX418.h"
#include "KX418_DLL.h"
#include "bench_support.h"
#include "private_dev_run.h"
#include "virtual_module.h"
#include "unique_fd.h"
#include "ui_runtime.h"
#include "ui_test_hooks.h"

namespace {

using bench::Clock;
using bench::Figures;
using bench::Micros;
using bench::Summarise;

constexpr int Warm_Up = 20;
constexpr int Rounds = 5;
// A report with a valid checksum (function 1, 1000 ms), answered with "!".
constexpr std::array<std::uint8_t, 17> Report{0x00, 0x57, 0x01, 0x00, 0xE8, 0x03};

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "kx418_sequencer_bench: %s\n", what.c_str());
    std::exit(1);
}

bool Raw_Exchange(int writer, int reader)
{
    if (write(writer, Report.data(), Report.size()) != 17) return false;
    pollfd wait{reader, POLLIN, 0};
    if (poll(&wait, 1, 2000) != 1) return false;
    std::array<std::uint8_t, 16> input{};
    return read(reader, input.data(), input.size()) == 16 && input[0] == '!';
}

bool Raw_Nine(int writer, int reader)
{
    for (int i = 0; i < 9; ++i)
        if (!Raw_Exchange(writer, reader)) return false;
    return true;
}

bool Raw_Nine_With_Open(const char* path)
{
    Fd reader{open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    Fd writer{open(path, O_WRONLY | O_CLOEXEC)};
    return reader.get() >= 0 && writer.get() >= 0 && Raw_Nine(writer.get(), reader.get());
}

// The library's own KX418_Close, called through by Timed_Close, which
// notes when it returned: there the transfer ends and the box begins.
KX418_Close_Fn Library_Close = nullptr;
Clock::time_point Closed_At;
std::int32_t KX418_CALL Timed_Close()
{
    const std::int32_t result = Library_Close();
    Closed_At = Clock::now();
    return result;
}

// The offscreen platform says once per box that it cannot pass size hints
// on; nothing else it says is dropped.
void Quiet_Size_Hints(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QStringLiteral("propagateSizeHints"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

struct Method {
    const char* name;
    std::function<double()> run;
    std::vector<double> samples;
};

// Inside the private mount namespace: /dev/hidraw0 and /dev/hidraw1 are
// the virtual module's.
int Measure(int transfers, char* self)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(Quiet_Size_Hints);
    if (Load_KX418() != 0 || KX418_Close == nullptr)
        Fail("libkx418.so was not loaded from beside the benchmark");
    Library_Close = KX418_Close;
    KX418_Close = Timed_Close;
    static char* argv[] = {self, nullptr};
    if (InitCVIRTEEx(nullptr, argv, nullptr) == 0) Fail("the UI runtime did not start");
    const int panel = LoadPanel(0, "KX418.uir", PANEL);
    if (panel < 0 || DisplayPanel(panel) < 0) Fail("the panel did not load");
    int page = -1;
    GetPanelHandleFromTabPage(panel, PANEL_TAB, 8, &page);
    if (page < 0) Fail("no page Fn9");
    // A few channels set, auto-restart on; the rest stays 0.
    SetCtrlAttribute(page, TAB_FN9_NUMERIC_T1_START_F9, ATTR_CTRL_VAL, 1.5);
    SetCtrlAttribute(page, TAB_FN9_NUMERIC_T1_STOP_F9, ATTR_CTRL_VAL, 2.5);
    SetCtrlAttribute(page, TAB_FN9_NUMERIC_T3_START_F9, ATTR_CTRL_VAL, 32.3);
    SetCtrlAttribute(page, TAB_FN9_NUMERIC_T3_STOP_F9, ATTR_CTRL_VAL, 10.0);
    SetCtrlAttribute(page, TAB_FN9_AUTORESTART_F9, ATTR_CTRL_VAL, std::int32_t{1});

    // Every box is dismissed the moment it is shown, as its OK button
    // would be; the observer notes the moment.
    Clock::time_point shown;
    std::string shown_title;
    UiTest_SetPopupObserver([&](const std::string& title, const std::string&) {
        shown = Clock::now();
        shown_title = title;
        return true;
    });

    const char* raw_path = "/dev/hidraw1";
    Fd reader{open(raw_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    Fd writer{open(raw_path, O_WRONLY | O_CLOEXEC)};
    if (reader.get() < 0 || writer.get() < 0) Fail("cannot open /dev/hidraw1");

    std::vector<Method> methods;
    std::vector<double> box_samples;
    auto send_f9 = [&] {
        shown_title.clear();
        const auto started = Clock::now();
        if (Send_F9(page, TAB_FN9_BUTTON_SEND_FN9, EVENT_COMMIT, nullptr, 0, 0) != 0 ||
            shown_title != "Info")
            Fail("Send_F9 did not complete (box \"" + shown_title + "\")");
        box_samples.push_back(Micros(shown - Closed_At));
        return Micros(Closed_At - started);
    };
    // Showing the box leaves the caches to the next transfer colder than
    // an exchange leaves them to the next exchange. Nine untimed raw
    // exchanges after the box put each transfer where each raw sample
    // starts: after exchanges. The second row keeps the box's after-effect.
    methods.push_back({"Send_F9, until KX418_Close returned",
                       [&] {
                           const double took = send_f9();
                           if (!Raw_Nine(writer.get(), reader.get())) Fail("a raw exchange failed");
                           return took;
                       },
                       {}});
    methods.push_back({"  the same, right after the box before", send_f9, {}});
    methods.push_back({"KX418_Open + KX418_Close alone",
                       [&] {
                           const auto started = Clock::now();
                           if (KX418_Open() == 0) Fail("KX418_Open found no module");
                           Library_Close();
                           return Micros(Clock::now() - started);
                       },
                       {}});
    methods.push_back({"raw: 9 x write + poll + read, kept open",
                       [&] {
                           const auto started = Clock::now();
                           if (!Raw_Nine(writer.get(), reader.get())) Fail("a raw exchange failed");
                           return Micros(Clock::now() - started);
                       },
                       {}});
    // The kept-open files would queue the answers meant for these: closed
    // while the node is opened afresh, opened again after.
    methods.push_back({"raw: the same, node opened and closed",
                       [&] {
                           reader.Reset();
                           writer.Reset();
                           const auto started = Clock::now();
                           if (!Raw_Nine_With_Open(raw_path)) Fail("a raw exchange failed");
                           const double took = Micros(Clock::now() - started);
                           reader.Reset(open(raw_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
                           writer.Reset(open(raw_path, O_WRONLY | O_CLOEXEC));
                           if (reader.get() < 0 || writer.get() < 0)
                               Fail("cannot open /dev/hidraw1");
                           return took;
                       },
                       {}});

    // Each method runs a block at a time, and the blocks take turns in
    // five rounds: a change in the machine's load falls on all alike, and
    // each sample follows one of its own kind (Send_F9's follows the box
    // of the one before, as presses do).
    const int per_round = std::max(1, transfers / Rounds);
    for (Method& method : methods)
        for (int i = 0; i < Warm_Up; ++i) method.run();
    box_samples.clear();
    for (int round = 0; round < Rounds; ++round)
        for (Method& method : methods)
            for (int i = 0; i < per_round; ++i) method.samples.push_back(method.run());
    UiTest_SetPopupObserver({});
    DiscardPanel(panel);
    KX418_Close = Library_Close;

    std::printf(
        "The sequencer's transfer: nine reports, each acknowledged; %d of each in %d rounds\n",
        per_round * Rounds, Rounds);
    std::printf("   %-44s %10s %10s %10s\n", "", "median us", "mean us", "p90 us");
    auto row = [](const char* name, const Figures& f) {
        std::printf("   %-44s %10.1f %10.1f %10.1f\n", name, f.median, f.mean, f.p90);
    };
    std::vector<Figures> figures;
    for (const Method& method : methods) {
        figures.push_back(Summarise(method.samples));
        row(method.name, figures.back());
        if (&method == &methods[1])
            row("  then the \"Info\" box, until shown", Summarise(box_samples));
    }
    std::printf("   Send_F9 / raw kept open        : %.2fx (median)  %.2fx (mean)\n",
                figures[0].median / figures[3].median, figures[0].mean / figures[3].mean);
    std::printf("   Send_F9 / raw opened and closed: %.2fx (median)  %.2fx (mean)\n",
                figures[0].median / figures[4].median, figures[0].mean / figures[4].mean);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--inside")
        return Measure(std::atoi(argv[2]), argv[0]);
    return bench::Run_Inside_Virtual_Dev(argc, argv, "kx418_sequencer_bench", "--transfers", 300,
                                         {"hidraw0", "hidraw1"}, KX418_PRIVATE_DEV);
}

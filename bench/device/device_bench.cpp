// device_bench.cpp - figures for the device library on virtual nodes.
//
//   kx418_device_bench [--exchanges N] [--spread]
//
// In one run, on nodes served by kx418-virtual-module (no log kept):
//   1. one report exchange (send and reply) through the library, with raw
//      write/poll/read, and with hidapi's hid_write + hid_read_timeout, each
//      on a node of its own served by the same module, N of each (default
//      5000) in alternating rounds; once with the answer there at once, once
//      with it 1 ms late, as from a device; and, on its own, the discard of
//      queued input that the library does before each write, on an empty
//      queue (part of the library's figure);
//   2. KX418_Open with 0, 16 and 64 other devices before the module;
//   3. the CPU time of a 2000 ms reply wait that gets no answer, and how
//      long after the limit the call returns.
// Prints figures only; nothing passes or fails.
//
// The benchmark and the module it starts run on one CPU unless --spread is
// given: a FUSE round trip costs a few microseconds between two processes
// taking turns on one CPU, and several tens when each wake-up crosses to
// another CPU, which makes unpinned figures swing with the machine's load.
#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <poll.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hidraw_internal.h"
#include "kx418.h"
#include "kx418_logic.h"
#include "bench_support.h"
#include "virtual_module.h"
#include "unique_fd.h"

namespace {

using bench::Clock;
using bench::Figures;
using bench::Micros;
using bench::Pin_To_One_Cpu;
using bench::Summarise;
using virtual_module::Running_Module;

constexpr std::array<std::uint8_t, 17> Worked_Example{0x00, 0x57, 0x01, 0x00, 0xE8, 0x03};
constexpr int Rounds = 5;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "kx418_device_bench: %s\n", what);
    std::exit(1);
}

struct Hid_Close {
    void operator()(hid_device* device) const { hid_close(device); }
};

// ---------------------------------------------------------------------------

void Exchange(int exchanges, int delay_ms)
{
    // One node per client, alike in all else: an answer goes to every file
    // open on its node, so clients sharing one would read each other's.
    const std::string settings = delay_ms == 0 ? "" : ":delay=" + std::to_string(delay_ms);
    Running_Module module({"hidraw0" + settings, "hidraw1" + settings, "hidraw2" + settings},
                          false);

    Hidraw_Set_Device_Folder(module.Folder());
    if (KX418_Open() != 1) Fail("KX418_Open found no module");  // hidraw0, the first

    const std::string raw_path = module.Node_Path("hidraw1");
    Fd reader{open(raw_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    Fd writer{open(raw_path.c_str(), O_WRONLY | O_CLOEXEC)};
    if (reader.get() < 0 || writer.get() < 0) Fail("cannot open the node");

    if (hid_init() != 0) Fail("hid_init failed");
    std::unique_ptr<hid_device, Hid_Close> device{
        hid_open_path(module.Node_Path("hidraw2").c_str())};
    if (!device) Fail("hid_open_path failed");

    const std::function<bool()> library = [] {
        return KX418_Send_Cfg(1, 0, 1000, 0) == 1 && KX418_Get_Reply() == 1;
    };
    // What Write_Report does first: one non-blocking read that finds nothing.
    const std::function<bool()> discard = [] {
        Hid_Discard_Input(Read_Handle);
        return true;
    };
    const std::function<bool()> raw = [&] {
        std::array<std::uint8_t, 16> input{};
        if (write(writer.get(), Worked_Example.data(), Worked_Example.size()) != 17) return false;
        pollfd wait{reader.get(), POLLIN, 0};
        if (poll(&wait, 1, 2000) != 1) return false;
        return read(reader.get(), input.data(), input.size()) == 16 && input[0] == '!';
    };
    const std::function<bool()> hidapi = [&] {
        std::array<unsigned char, 16> input{};
        if (hid_write(device.get(), Worked_Example.data(), Worked_Example.size()) != 17)
            return false;
        return hid_read_timeout(device.get(), input.data(), input.size(), 2000) == 16 &&
               input[0] == '!';
    };

    struct Method {
        const char* name;
        const std::function<bool()>& exchange;
        std::vector<double> samples;
    };
    std::array<Method, 4> methods{{{"library (KX418_Send_Cfg + KX418_Get_Reply)", library, {}},
                                   {"raw write + poll + read", raw, {}},
                                   {"hidapi hid_write + hid_read_timeout", hidapi, {}},
                                   {"  of the library's: discard, empty queue", discard, {}}}};

    for (Method& method : methods)  // warm up
        for (int i = 0; i < 50; ++i)
            if (!method.exchange()) Fail("an exchange failed");
    const int per_round = std::max(1, exchanges / Rounds);
    for (int round = 0; round < Rounds; ++round) {
        for (Method& method : methods) {
            for (int i = 0; i < per_round; ++i) {
                const auto started = Clock::now();
                if (!method.exchange()) Fail("an exchange failed");
                method.samples.push_back(Micros(Clock::now() - started));
            }
        }
    }
    KX418_Close();
    device.reset();
    hid_exit();

    std::printf("1%c. One report exchange (send + reply), answer %s, %d of each, in %d rounds\n",
                delay_ms == 0 ? 'a' : 'b',
                delay_ms == 0 ? "at once" : ("after " + std::to_string(delay_ms) + " ms").c_str(),
                per_round * Rounds, Rounds);
    std::printf("   %-44s %10s %10s %10s\n", "", "median us", "mean us", "p99 us");
    std::array<Figures, 4> figures;
    for (std::size_t i = 0; i < methods.size(); ++i) {
        figures[i] = Summarise(methods[i].samples);
        std::printf("   %-44s %10.1f %10.1f %10.1f\n", methods[i].name, figures[i].median,
                    figures[i].mean, figures[i].p99);
    }
    std::printf("   library / raw    : %.2fx (median)  %.2fx (mean)\n",
                figures[0].median / figures[1].median, figures[0].mean / figures[1].mean);
    std::printf("   library / hidapi : %.2fx (median)  %.2fx (mean)\n\n",
                figures[0].median / figures[2].median, figures[0].mean / figures[2].mean);
}

void Open_Cost()
{
    constexpr int Opens = 300;
    std::printf("2. KX418_Open with other devices before the module, %d opens each\n", Opens);
    std::printf("   %-14s %10s %10s %16s\n", "others before", "median us", "mean us",
                "us per other");
    double base = 0;
    for (int others : {0, 16, 64}) {
        std::vector<std::string> nodes;
        for (int i = 0; i < others; ++i)
            nodes.push_back("hidraw" + std::to_string(i) + ":vendor=1234");
        nodes.push_back("hidraw" + std::to_string(others));
        Running_Module module(nodes, false);
        Hidraw_Set_Device_Folder(module.Folder());

        std::vector<double> samples;
        for (int i = 0; i < Opens + 20; ++i) {
            const auto started = Clock::now();
            if (KX418_Open() != 1) Fail("KX418_Open found no module");
            const double took = Micros(Clock::now() - started);
            KX418_Close();
            if (i >= 20) samples.push_back(took);  // the first ones warm up
        }
        const Figures figures = Summarise(samples);
        if (others == 0) base = figures.median;
        if (others == 0)
            std::printf("   %-14d %10.1f %10.1f %16s\n", others, figures.median, figures.mean, "-");
        else
            std::printf("   %-14d %10.1f %10.1f %16.1f\n", others, figures.median, figures.mean,
                        (figures.median - base) / others);
    }
    std::printf("\n");
}

double Cpu_Ms(const rusage& usage)
{
    auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1000.0 +
               static_cast<double>(time.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void Silent_Wait()
{
    constexpr int Waits = 3;
    std::printf("3. KX418_Get_Reply from a module that never answers (limit 2000 ms), %d waits\n",
                Waits);
    std::printf("   %-6s %12s %14s %18s\n", "wait", "CPU ms", "returned ms", "after the limit ms");
    Running_Module module({"hidraw0:silent"}, false);
    Hidraw_Set_Device_Folder(module.Folder());
    for (int wait = 1; wait <= Waits; ++wait) {
        // A failed reply ends the exchange on its open: each wait opens anew.
        if (KX418_Open() != 1) Fail("KX418_Open found no module");
        if (KX418_Send_Cfg(1, 0, 1000, 0) != 1) Fail("KX418_Send_Cfg failed");
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const auto started = Clock::now();
        const int result = KX418_Get_Reply();
        const double elapsed_ms = Micros(Clock::now() - started) / 1000.0;
        getrusage(RUSAGE_SELF, &after);
        if (result != 0) Fail("a silent module was acknowledged");
        std::printf("   %-6d %12.3f %14.1f %18.1f\n", wait, Cpu_Ms(after) - Cpu_Ms(before),
                    elapsed_ms, elapsed_ms - 2000.0);
    }
    KX418_Close();
}

}  // namespace

int main(int argc, char** argv)
{
    int exchanges = 5000;
    bool spread = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--exchanges" && i + 1 < argc)
            exchanges = std::atoi(argv[++i]);
        else if (argument == "--spread")
            spread = true;
        else
            exchanges = 0;
    }
    if (exchanges <= 0) Fail("usage: kx418_device_bench [--exchanges N] [--spread]");
    const std::string reason = virtual_module::Unavailable_Reason();
    if (!reason.empty()) Fail(reason.c_str());

    if (spread) {
        std::printf("Benchmark and virtual module free to run on any CPU.\n\n");
    } else {
        const int cpu = Pin_To_One_Cpu();
        if (cpu < 0) Fail("cannot pin to one CPU (try --spread)");
        std::printf("Benchmark and virtual module pinned to CPU %d.\n\n", cpu);
    }
    try {
        Exchange(exchanges, 0);
        Exchange(std::max(1, exchanges / 5), 1);
        Open_Cost();
        Silent_Wait();
    } catch (const std::exception& error) {
        Fail(error.what());
    }
    Hidraw_Set_Device_Folder("/dev");
    return 0;
}

// startup_bench.cpp - start-up of KX418.exe next to the bare window, in one
// run under wine: for each program given, the time from its start until
// its window is shown and painted (the program waits for input: its first
// frame is done) and its peak memory, then it is closed by its close box.
//
//   kx418_startup_bench.exe RUNS PROGRAM.exe...
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM found)
{
    auto& f = *reinterpret_cast<Found*>(found);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == f.process && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
        f.window = window;
        return FALSE;
    }
    return TRUE;
}

struct Figures {
    double ms = 0;
    double peak_mib = 0;
};

bool RunOnce(const std::string& program, Figures& figures)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string command = "\"" + program + "\"";
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    Found found{process.dwProcessId, nullptr};
    // Shown, then idle: the first frame has been painted.
    for (int i = 0; i < 30000 && found.window == nullptr; ++i) {
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&found));
        if (found.window == nullptr) Sleep(1);
    }
    WaitForInputIdle(process.hProcess, 30000);
    const auto painted = std::chrono::steady_clock::now();
    figures.ms = std::chrono::duration<double, std::milli>(painted - start).count();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory)))
        figures.peak_mib = static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
    if (found.window != nullptr) PostMessageA(found.window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return found.window != nullptr && ended;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: kx418_startup_bench RUNS PROGRAM.exe...\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const int programs = argc - 2;
    // The programs take turns, after one start each that is not counted
    // (it reads them from disk): a busy moment of the machine falls on all.
    std::vector<std::vector<Figures>> all(static_cast<std::size_t>(programs));
    for (int run = -1; run < runs; ++run) {
        for (int p = 0; p < programs; ++p) {
            Figures f;
            if (!RunOnce(argv[p + 2], f)) {
                std::fprintf(stderr, "%s: no window, or it did not close\n", argv[p + 2]);
                return 1;
            }
            if (run >= 0) all[static_cast<std::size_t>(p)].push_back(f);
        }
    }
    std::vector<Figures> medians;
    for (int p = 0; p < programs; ++p) {
        auto& figures = all[static_cast<std::size_t>(p)];
        const auto middle = figures.begin() + static_cast<std::ptrdiff_t>(figures.size() / 2);
        Figures median;
        std::nth_element(figures.begin(), middle, figures.end(),
                         [](const Figures& a, const Figures& b) { return a.ms < b.ms; });
        median.ms = middle->ms;
        std::nth_element(
            figures.begin(), middle, figures.end(),
            [](const Figures& a, const Figures& b) { return a.peak_mib < b.peak_mib; });
        median.peak_mib = middle->peak_mib;
        std::printf("%-60s start to first frame %8.1f ms (median of %d)   peak memory %6.1f MiB\n",
                    argv[p + 2], median.ms, runs, median.peak_mib);
        medians.push_back(median);
    }
    if (medians.size() >= 2 && medians[1].ms > 0 && medians[1].peak_mib > 0)
        std::printf("ratio first/second: time %.2fx, memory %.2fx\n", medians[0].ms / medians[1].ms,
                    medians[0].peak_mib / medians[1].peak_mib);
    return 0;
}

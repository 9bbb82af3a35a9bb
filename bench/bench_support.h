// bench_support.h - what the benchmarks share: the clock, the summary of a
// run of samples, and keeping a run on one CPU.
#ifndef KX418_BENCH_SUPPORT_H
#define KX418_BENCH_SUPPORT_H

#if defined(__linux__)
#include <sched.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Micros(Clock::duration duration)
{
    return std::chrono::duration<double, std::micro>(duration).count();
}

// Median, mean and upper percentiles of a run, in the samples' unit.
struct Figures {
    double median = 0;
    double mean = 0;
    double p90 = 0;
    double p99 = 0;
};

inline Figures Summarise(std::vector<double> samples)
{
    Figures figures;
    if (samples.empty()) return figures;
    std::sort(samples.begin(), samples.end());
    figures.median = samples[samples.size() / 2];
    double sum = 0;
    for (double sample : samples) sum += sample;
    figures.mean = sum / static_cast<double>(samples.size());
    figures.p90 = samples[samples.size() * 9 / 10];
    figures.p99 = samples[samples.size() * 99 / 100];
    return figures;
}

#if defined(__linux__)
// Keeps this process, and what it starts later, on its first allowed CPU,
// so that client and module do not float between CPUs mid-run. Returns
// that CPU, or -1.
inline int Pin_To_One_Cpu()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return -1;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed)) continue;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        return sched_setaffinity(0, sizeof one, &one) == 0 ? cpu : -1;
    }
    return -1;
}

// Keeps the run on one CPU unless `spread`, and says which; false when
// pinning failed.
inline bool Pin_Unless_Spread(bool spread)
{
    if (spread) {
        std::printf("Benchmark and virtual module free to run on any CPU.\n");
        return true;
    }
    const int cpu = Pin_To_One_Cpu();
    if (cpu < 0) return false;
    std::printf("Benchmark and virtual module pinned to CPU %d.\n", cpu);
    return true;
}

// This program's own path, to run itself again (inside a mount namespace,
// say); "" when it cannot be had.
inline std::string Self_Path()
{
    std::array<char, 4096> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    return length <= 0 ? std::string() : std::string(path.data(), static_cast<std::size_t>(length));
}
#endif

}  // namespace bench

#endif  // KX418_BENCH_SUPPORT_H

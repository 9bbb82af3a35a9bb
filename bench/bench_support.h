// bench_support.h - what the benchmarks share: the clock, the summary of a
// run of samples, and keeping a run on one CPU.
#ifndef KX418_BENCH_SUPPORT_H
#define KX418_BENCH_SUPPORT_H

#if defined(__linux__)
#include <sched.h>
#endif

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Micros(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

// Median, mean and upper percentiles of a run, in the samples' unit.
struct Figures {
    double median = 0;
    double mean = 0;
    double p90 = 0;
    double p99 = 0;
};

inline Figures Summarise(std::vector<double> samples) {
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
inline int Pin_To_One_Cpu() {
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
#endif

}  // namespace bench

#endif  // KX418_BENCH_SUPPORT_H

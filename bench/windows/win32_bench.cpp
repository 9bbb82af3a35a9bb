// win32_bench.cpp - kx418.dll under wine against the virtual module:
//   1. one report exchange (send + acknowledgement) through the shipped
//      kx418.dll, loaded by name, next to the same exchange done with raw
//      WriteFile + overlapped ReadFile + WaitForSingleObject on the same
//      device, in alternating rounds of one run;
//   2. KX418_Get_Reply from a module that stays silent: the process's CPU
//      time during the 2000 ms wait and how far past the limit it returns.
// Runs in a module session (see bench/windows/CMakeLists.txt for the
// command); the module must answer (node without `silent`).
#define KX418_BIND_AT_RUNTIME
#include "kx418.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "kx418_logic.h"

namespace {

using bench::Clock;

constexpr int Rounds = 10;
constexpr int Per_Round = 30;
constexpr int Silent_Waits = 3;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "kx418_win32_bench: %s\n", what);
    std::exit(1);
}

struct Library {
    HMODULE module = nullptr;
    KX418_Open_Fn open = nullptr;
    KX418_Close_Fn close = nullptr;
    KX418_Send_Cfg_Fn send_cfg = nullptr;
    KX418_Get_Reply_Fn get_reply = nullptr;
};

template <typename Function>
void Bind(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function == nullptr) Fail("an export of kx418.dll is missing");
}

Library Load()
{
    Library library;
    library.module = LoadLibraryA("kx418.dll");
    if (library.module == nullptr) Fail("cannot load kx418.dll");
    Bind(library.module, "KX418_Open", library.open);
    Bind(library.module, "KX418_Close", library.close);
    Bind(library.module, "KX418_Send_Cfg", library.send_cfg);
    Bind(library.module, "KX418_Get_Reply", library.get_reply);
    return library;
}

// The same exchange without the library: a report written, one overlapped
// read awaited on an event, the event reset.
struct Raw_Channels {
    HANDLE read = INVALID_HANDLE_VALUE;
    HANDLE write = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;

    explicit Raw_Channels(const char* path)
    {
        read = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        write = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
        event = CreateEventA(nullptr, TRUE, TRUE, "");
        if (read == INVALID_HANDLE_VALUE || write == INVALID_HANDLE_VALUE || event == nullptr)
            Fail("cannot open the module's raw channels");
    }
    ~Raw_Channels()
    {
        CloseHandle(event);
        CloseHandle(read);
        CloseHandle(write);
    }
    Raw_Channels(const Raw_Channels&) = delete;
    Raw_Channels& operator=(const Raw_Channels&) = delete;

    bool Exchange(const std::array<std::uint8_t, 17>& report)
    {
        std::array<std::uint8_t, 17> reply{};
        DWORD count = 0;
        if (!WriteFile(write, report.data(), 17, &count, nullptr)) return false;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event;
        ReadFile(read, reply.data(), 17, nullptr, &overlapped);
        const DWORD waited = WaitForSingleObject(event, 2000);
        if (waited != WAIT_OBJECT_0) {
            CancelIo(read);
            GetOverlappedResult(read, &overlapped, &count, TRUE);
        }
        ResetEvent(event);
        return waited == WAIT_OBJECT_0 && reply[1] == '!';
    }
};

double Cpu_Ms()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME time) {
        return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

}  // namespace

int main()
{
    Library library = Load();

    // The module's path, found as the library finds it.
    std::array<char, Device_Path_Size> path{};
    if (!Find_Device(0, KX418_Vendor_ID, KX418_Product_ID, KX418_Version_Number,
                     Match_Vendor_ID | Match_Product_ID, path))
        Fail("no module found");
    // The worked example, sealed as the library seals it.
    const std::array<std::uint8_t, 17> report{0, 0x57, 1, 0, 0xE8, 0x03};

    std::vector<double> through_library;
    std::vector<double> raw;
    for (int round = 0; round < Rounds; ++round) {
        // One side at a time holds the device open: an input report goes to
        // every reader, and a reader that is not reading would pile them up.
        if (library.open() != 1) Fail("KX418_Open failed");
        for (int i = 0; i < Per_Round; ++i) {
            const auto start = Clock::now();
            const bool ok = library.send_cfg(1, 0, 1000, 0) == 1 && library.get_reply() == 1;
            through_library.push_back(bench::Micros(Clock::now() - start));
            if (!ok) Fail("an exchange through kx418.dll failed");
        }
        library.close();

        Raw_Channels channels(path.data());
        for (int i = 0; i < Per_Round; ++i) {
            const auto start = Clock::now();
            const bool ok = channels.Exchange(report);
            raw.push_back(bench::Micros(Clock::now() - start));
            if (!ok) Fail("a raw exchange failed");
        }
    }
    const bench::Figures library_figures = bench::Summarise(through_library);
    const bench::Figures raw_figures = bench::Summarise(raw);
    std::printf("1. One report exchange under wine (send + reply), %d of each, in %d rounds\n",
                Rounds * Per_Round, Rounds);
    std::printf("   %-44s %10s %10s %10s\n", "", "median us", "mean us", "p99 us");
    std::printf("   %-44s %10.1f %10.1f %10.1f\n", "kx418.dll (KX418_Send_Cfg + KX418_Get_Reply)",
                library_figures.median, library_figures.mean, library_figures.p99);
    std::printf("   %-44s %10.1f %10.1f %10.1f\n", "raw WriteFile + ReadFile + WaitForSingleObject",
                raw_figures.median, raw_figures.mean, raw_figures.p99);
    std::printf("   library / raw : %.2fx (median)  %.2fx (mean)\n\n",
                library_figures.median / raw_figures.median,
                library_figures.mean / raw_figures.mean);

    std::printf("2. KX418_Get_Reply from a module that does not answer (limit 2000 ms), %d waits\n",
                Silent_Waits);
    std::printf("   %-6s %12s %14s %18s\n", "wait", "CPU ms", "returned ms", "after the limit ms");
    if (library.open() != 1) Fail("KX418_Open failed");
    for (int wait = 1; wait <= Silent_Waits; ++wait) {
        const double cpu_before = Cpu_Ms();
        const auto start = Clock::now();
        // No report was sent, so no answer comes.
        if (library.get_reply() != 0) Fail("a reply came without a report");
        const double returned = bench::Micros(Clock::now() - start) / 1000.0;
        std::printf("   %-6d %12.3f %14.1f %18.1f\n", wait, Cpu_Ms() - cpu_before, returned,
                    returned - 2000.0);
    }
    library.close();
    // The counter the CPU figures come from, over the whole run.
    std::printf("   (CPU time of this whole run, for scale: %.1f ms)\n", Cpu_Ms());
    FreeLibrary(library.module);
    return 0;
}

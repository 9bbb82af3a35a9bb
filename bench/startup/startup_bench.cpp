// startup_bench.cpp - time from process start to the first painted frame of
// the main panel, and peak memory, for the program (runtime, panel file,
// library binding) and for a bare Qt window holding the same widgets built
// directly, side by side, on the offscreen platform and under Xvfb.
//
//   kx418_startup_bench [ROUNDS]     (default 15 rounds per figure)
//
// Each round starts a fresh process of this program in one of two child
// modes; the child notes the monotonic clock when its first frame has been
// painted, with its peak resident memory, prints both and ends at once.
#include "bare_window.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;
int KX418_Main(int argc, char* argv[]);  // the program's main, renamed for the benchmark

namespace {

long long NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Notes the first paint of any widget in a window, then, once that paint
// and its flush to the screen are done, prints the figures and ends.
class FirstFrame final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                const long long now = NowNs();
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                std::printf("frame_ns=%lld maxrss_kb=%ld\n", now, usage.ru_maxrss);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

int Child(const char* mode, char* self)
{
    static int argc = 1;
    static char* argv[] = {self, nullptr};
    // Both kinds make the application object the same way and watch it the
    // same way; the runtime then works within it.
    QApplication app(argc, argv);
    FirstFrame watcher;
    app.installEventFilter(&watcher);
    if (std::strcmp(mode, "program") == 0) return KX418_Main(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    auto window = BuildBareWindow();
    window->show();
    return app.exec();
}

struct Sample {
    double ms;
    long kb;
};

bool RunChild(const std::string& self, const char* mode, const std::vector<std::string>& extra_env,
              Sample& out)
{
    std::vector<std::string> env_strings;
    for (char** e = environ; *e != nullptr; ++e) env_strings.emplace_back(*e);
    env_strings.insert(env_strings.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> env;
    for (auto& s : env_strings) env.push_back(s.data());
    env.push_back(nullptr);
    std::string flag = "--child", m = mode, s = self;
    char* args[] = {s.data(), flag.data(), m.data(), nullptr};

    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    pid_t pid = 0;
    const long long start = NowNs();
    const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, args, env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (rc != 0) {
        close(pipe_fds[0]);
        return false;
    }
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long frame = 0;
    long kb = 0;
    const std::size_t at = text.find("frame_ns=");
    if (at == std::string::npos ||
        std::sscanf(text.c_str() + at, "frame_ns=%lld maxrss_kb=%ld", &frame, &kb) != 2)
        return false;
    out = {static_cast<double>(frame - start) / 1e6, kb};
    return true;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

struct Figures {
    double ms_median = 0, ms_min = 0, kb_median = 0;
    int failed = 0;
};

// Alternates the two kinds round by round, so both see the same machine.
void Measure(const std::string& self, const char* platform, const std::vector<std::string>& env,
             int rounds)
{
    const char* const modes[2] = {"program", "bare"};
    std::vector<double> ms[2], kb[2];
    int failed[2] = {0, 0};
    Sample warm{};
    RunChild(self, "program", env, warm);  // page cache and font cache warm for both
    RunChild(self, "bare", env, warm);
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const int mode = (round % 2 == 0) ? k : 1 - k;
            Sample sample{};
            if (RunChild(self, modes[mode], env, sample)) {
                ms[mode].push_back(sample.ms);
                kb[mode].push_back(static_cast<double>(sample.kb));
            } else {
                ++failed[mode];
            }
        }
    }
    Figures f[2];
    for (int mode = 0; mode < 2; ++mode) {
        f[mode].ms_median = Median(ms[mode]);
        f[mode].ms_min =
            ms[mode].empty() ? 0.0 : *std::min_element(ms[mode].begin(), ms[mode].end());
        f[mode].kb_median = Median(kb[mode]);
        f[mode].failed = failed[mode];
    }
    std::printf("%-10s %-8s %9.1f ms %9.1f ms %9.0f KiB %s\n", platform, "program", f[0].ms_median,
                f[0].ms_min, f[0].kb_median, f[0].failed != 0 ? "(some runs failed)" : "");
    std::printf("%-10s %-8s %9.1f ms %9.1f ms %9.0f KiB %s\n", platform, "bare", f[1].ms_median,
                f[1].ms_min, f[1].kb_median, f[1].failed != 0 ? "(some runs failed)" : "");
    if (f[1].ms_median > 0 && f[1].kb_median > 0)
        std::printf(
            "%-10s %-8s %9.2fx    %9.2fx    %9.2fx     (goal: time <= 1.20x, memory <= 1.10x)\n",
            platform, "ratio", f[0].ms_median / f[1].ms_median, f[0].ms_min / f[1].ms_min,
            f[0].kb_median / f[1].kb_median);
    std::fflush(stdout);
}

// A private X server on a free display number; 0 when none could be had.
pid_t StartXvfb(int& display)
{
    for (display = 90; display < 140; ++display) {
        struct stat st {};
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
        const std::string lock = "/tmp/.X" + std::to_string(display) + "-lock";
        if (stat(socket.c_str(), &st) == 0 || stat(lock.c_str(), &st) == 0) continue;
        std::string name = "Xvfb", disp = ":" + std::to_string(display), screen = "-screen",
                    zero = "0", geometry = "1024x768x24", nolisten = "-nolisten", tcp = "tcp";
        char* args[] = {name.data(),     disp.data(),     screen.data(), zero.data(),
                        geometry.data(), nolisten.data(), tcp.data(),    nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, args, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return 0;
        for (int i = 0; i < 100; ++i) {  // up to 10 s for the server to listen
            if (stat(socket.c_str(), &st) == 0) return pid;
            usleep(100000);
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return 0;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return Child(argv[2], argv[0]);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    char self_path[4096];
    const ssize_t n = readlink("/proc/self/exe", self_path, sizeof self_path - 1);
    if (n <= 0) return 1;
    self_path[n] = '\0';
    const std::string self = self_path;

    std::printf("Start-up to first painted frame of the main panel, and peak resident memory;\n"
                "%d fresh processes per row (median, best; memory median).\n"
                "program: the configurator (library binding, runtime, panel file KX418.uir);\n"
                "bare:    the same widgets built directly in code, no runtime, no panel file.\n\n",
                rounds);
    std::printf("%-10s %-8s %12s %12s %13s\n", "platform", "kind", "time median", "time best",
                "peak memory");
    Measure(self, "offscreen", {"QT_QPA_PLATFORM=offscreen"}, rounds);
    int display = 0;
    const pid_t xvfb = StartXvfb(display);
    if (xvfb == 0) {
        std::printf("%-10s no Xvfb could be started (tools/install-deps installs it)\n", "xvfb");
        return 0;
    }
    Measure(self, "xvfb", {"QT_QPA_PLATFORM=xcb", "DISPLAY=:" + std::to_string(display)}, rounds);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return 0;
}

// Measures programs from outside their process.
//   bench_process startup APP BASELINE VMOUSE_SO HOOK_SO [RUNS]
//     start-up time (spawn until the first idle after the window shows), peak and idle RSS,
//     of APP (virtual mouse preloaded) against BASELINE; medians of RUNS alternating runs.
//   bench_process profiles APP_50_PROFILES APP_1_PROFILE VMOUSE_SO HOOK_SO [RUNS]
//     start-up time and idle RSS of the program in a data tree with 50 profiles and 20 rules
//     against the same program in a tree with one profile.
//   bench_process idle APP VMOUSE_SO [SECONDS]
//     CPU time and wake-ups of APP over SECONDS of idling with a virtual mouse attached,
//     against none.
//   bench_process tray APP TRAY_BASELINE VMOUSE_SO HOOK_SO [SECONDS]
//     RSS of APP SECONDS after its window was shown and closed to the tray, against
//     TRAY_BASELINE (a tray icon alone) as long after its start. Needs DISPLAY with a tray
//     host (bench/run starts Xvfb and trayer).
#include "bench/benchrow.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The current environment with `set` (NAME=value) replacing or adding variables.
std::vector<std::string> environment(const std::vector<std::string> &set)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        const bool replaced = std::any_of(set.begin(), set.end(), [&](const std::string &s) {
            return s.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), set.begin(), set.end());
    return env;
}

pid_t spawn(const std::string &program, const std::vector<std::string> &env)
{
    std::vector<char *> argv{const_cast<char *>(program.c_str()), nullptr};
    std::vector<char *> envp;
    for (const std::string &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    // The programs under test write nothing of interest to the terminal.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

struct StartRun
{
    double ms = -1;
    double hwmKb = -1;
    double rssKb = -1;
};

StartRun startOnce(const std::string &program, const std::string &preload)
{
    char out[] = "/tmp/bench-idle-XXXXXX";
    const int fd = mkstemp(out);
    if (fd < 0)
        return {};
    ::close(fd);
    const std::vector<std::string> env = environment({
        "LD_PRELOAD=" + preload, "QT_QPA_PLATFORM=offscreen",
        "MOUSECFG_BENCH_EXIT_WHEN_IDLE=1", std::string("MOUSECFG_BENCH_OUT=") + out});
    StartRun run;
    const long long start = monotonicNs();
    const pid_t pid = spawn(program, env);
    if (pid < 0) {
        ::unlink(out);
        return run;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream file(out);
    std::string line;
    std::getline(file, line);
    ::unlink(out);
    long long idleNs = 0;
    long hwm = 0, rss = 0;
    if (std::sscanf(line.c_str(), "idle_ns=%lld hwm_kb=%ld rss_kb=%ld", &idleNs, &hwm, &rss) == 3) {
        run.ms = double(idleNs - start) / 1e6;
        run.hwmKb = double(hwm);
        run.rssKb = double(rss);
    }
    return run;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int startup(const std::string &app, const std::string &baseline, const std::string &vmouse,
            const std::string &hook, int runs)
{
    std::vector<double> appMs, appHwm, appRss, baseMs, baseHwm, baseRss;
    // One unmeasured run of each fills the page cache and the font cache.
    startOnce(app, vmouse + ":" + hook);
    startOnce(baseline, hook);
    int failures = 0;
    for (int i = 0; i < runs; ++i) {
        const StartRun a = startOnce(app, vmouse + ":" + hook);
        const StartRun b = startOnce(baseline, hook);
        if (a.ms < 0 || b.ms < 0) {
            ++failures;
            continue;
        }
        appMs.push_back(a.ms);
        appHwm.push_back(a.hwmKb / 1024);
        appRss.push_back(a.rssKb / 1024);
        baseMs.push_back(b.ms);
        baseHwm.push_back(b.hwmKb / 1024);
        baseRss.push_back(b.rssKb / 1024);
    }
    if (appMs.empty()) {
        BenchRow::print("start-up time", "failed", "-", "-", "<= 2.00x", "NO");
        return 1;
    }
    BenchRow::ratio("start-up to idle with window shown (median)", median(appMs), median(baseMs), "ms", 2.0);
    BenchRow::ratio("peak RSS at start-up", median(appHwm), median(baseHwm), "MiB", 1.5);
    BenchRow::ratio("RSS when idle after start-up", median(appRss), median(baseRss), "MiB", 1.5);
    if (failures)
        std::fprintf(stderr, "bench_process: %d of %d start-up runs gave no idle report\n", failures, runs);
    return 0;
}

// The same program in two data trees, both with the virtual mouse: one profile against 50
// profiles and 20 switching rules.
int profilesStartup(const std::string &many, const std::string &one, const std::string &vmouse,
                    const std::string &hook, int runs)
{
    std::vector<double> manyMs, manyRss, oneMs, oneRss;
    startOnce(many, vmouse + ":" + hook);
    startOnce(one, vmouse + ":" + hook);
    for (int i = 0; i < runs; ++i) {
        const StartRun a = startOnce(many, vmouse + ":" + hook);
        const StartRun b = startOnce(one, vmouse + ":" + hook);
        if (a.ms < 0 || b.ms < 0)
            continue;
        manyMs.push_back(a.ms);
        manyRss.push_back(a.rssKb / 1024);
        oneMs.push_back(b.ms);
        oneRss.push_back(b.rssKb / 1024);
    }
    if (manyMs.empty()) {
        BenchRow::print("start-up with 50 profiles", "failed", "-", "-", "<= 1.05x", "NO");
        return 1;
    }
    BenchRow::ratio("start-up, 50 profiles and 20 rules vs one profile", median(manyMs), median(oneMs), "ms", 1.05);
    BenchRow::ratio("idle RSS, 50 profiles and 20 rules vs one profile", median(manyRss), median(oneRss), "MiB", 1.05);
    return 0;
}

// Sum of what `count` reads from one file of each thread of pid; -1 when the process is gone.
template <typename Count>
long long sumOverThreads(pid_t pid, const char *file, Count count)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR *d = opendir(dir.c_str());
    if (!d)
        return -1;
    long long total = 0;
    while (dirent *e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        std::ifstream f(dir + "/" + e->d_name + "/" + file);
        total += count(f);
    }
    closedir(d);
    return total;
}

// CPU time of every thread of pid, in ns (threads that ended are not counted).
long long cpuNs(pid_t pid)
{
    return sumOverThreads(pid, "schedstat", [](std::ifstream &f) {
        long long runNs = 0;
        return (f >> runNs) ? runNs : 0LL;
    });
}

// Context switches of every thread of pid so far: each is a wake-up or a preemption.
long long switches(pid_t pid)
{
    return sumOverThreads(pid, "status", [](std::ifstream &f) {
        long long n = 0;
        std::string line;
        while (std::getline(f, line)) {
            if (line.find("ctxt_switches:") != std::string::npos)
                n += std::atoll(line.c_str() + line.find(':') + 1);
        }
        return n;
    });
}

long statusKb(pid_t pid, const std::string &key)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0)
            return std::atol(line.c_str() + key.size() + 1);
    }
    return -1;
}

int threadCount(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR *d = opendir(dir.c_str());
    if (!d)
        return -1;
    int n = 0;
    while (dirent *e = readdir(d))
        n += e->d_name[0] != '.';
    closedir(d);
    return n;
}

struct IdleRun
{
    double percent = -1;
    double wakeups = -1; // per second
    int threads = 0;
};

IdleRun idleOnce(const std::string &app, const std::string &vmouse, bool mouse, int seconds)
{
    std::vector<std::string> set{"LD_PRELOAD=" + vmouse, "QT_QPA_PLATFORM=offscreen"};
    if (!mouse)
        set.push_back("VMOUSE_DEVICES="); // empty: no mouse plugged
    const pid_t pid = spawn(app, environment(set));
    IdleRun run;
    if (pid < 0)
        return run;
    // Start-up, the device check and the first paint are over well before this.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long long cpu0 = cpuNs(pid);
    const long long sw0 = switches(pid);
    const long long t0 = monotonicNs();
    run.threads = threadCount(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long cpu1 = cpuNs(pid);
    const long long sw1 = switches(pid);
    const long long t1 = monotonicNs();
    // SIGKILL: the measured program must not write its profile into the build's data files.
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (cpu0 >= 0 && cpu1 >= cpu0)
        run.percent = 100.0 * double(cpu1 - cpu0) / double(t1 - t0);
    if (sw0 >= 0 && sw1 >= sw0)
        run.wakeups = double(sw1 - sw0) / (double(t1 - t0) / 1e9);
    return run;
}

int idle(const std::string &app, const std::string &vmouse, int seconds)
{
    const IdleRun with = idleOnce(app, vmouse, true, seconds);
    const IdleRun without = idleOnce(app, vmouse, false, seconds);
    char base[64];
    std::snprintf(base, sizeof base, "%.4f %% (no mouse)", without.percent);
    BenchRow::bound("idle CPU with a mouse attached, " + std::to_string(seconds) + " s",
                    with.percent, "% of a core", base, 0.02, true);
    std::snprintf(base, sizeof base, "%.2f /s (no mouse)", without.wakeups);
    BenchRow::bound("idle wake-ups with a mouse attached, " + std::to_string(seconds) + " s",
                    with.wakeups, "/s", base, 2, true);
    std::fprintf(stderr, "bench_process: threads with mouse %d, without %d\n", with.threads,
                 without.threads);
    return with.percent < 0 || without.percent < 0;
}

bool waitForFile(const std::string &path, const std::string &prefix, int ms, std::string &line)
{
    for (int waited = 0; waited < ms; waited += 50) {
        std::ifstream f(path);
        if (std::getline(f, line) && line.compare(0, prefix.size(), prefix) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void stop(pid_t pid)
{
    // SIGKILL: the measured program must not write its profile into the build's data files.
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

int tray(const std::string &app, const std::string &baseline, const std::string &vmouse,
         const std::string &hook, int seconds)
{
    const std::string figure = "RSS after " + std::to_string(seconds) + " s hidden in the tray";
    char appOut[] = "/tmp/bench-tray-XXXXXX";
    char baseOut[] = "/tmp/bench-tray-XXXXXX";
    const int fa = mkstemp(appOut), fb = mkstemp(baseOut);
    if (fa < 0 || fb < 0)
        return 1;
    ::close(fa);
    ::close(fb);
    // Both run at once: memory does not depend on the other, and it halves the wait.
    const pid_t b = spawn(baseline, environment({"QT_QPA_PLATFORM=xcb", std::string("MOUSECFG_BENCH_OUT=") + baseOut}));
    const long long baseStart = monotonicNs();
    const pid_t a = spawn(app, environment({"LD_PRELOAD=" + vmouse + ":" + hook, "QT_QPA_PLATFORM=xcb",
                                            "MOUSECFG_BENCH_CLOSE_AFTER_SHOW=1000",
                                            std::string("MOUSECFG_BENCH_OUT=") + appOut}));
    std::string appLine, baseLine;
    // The window shows once the device check found the virtual mouse, and is closed 1 s later.
    const bool closed = a > 0 && waitForFile(appOut, "closed_ns=", 30000, appLine);
    const bool baseUp = b > 0 && waitForFile(baseOut, "tray=", 30000, baseLine);
    const long long hiddenAt = monotonicNs();
    std::string problem;
    if (!closed)
        problem = "window never shown and closed";
    else if (appLine.find("visible=0") == std::string::npos)
        problem = "window still visible after close";
    else if (!baseUp || baseLine != "tray=1")
        problem = "no system tray host";
    long appKb = -1, baseKb = -1;
    if (problem.empty()) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(hiddenAt + seconds * 1000000000LL - monotonicNs()));
        appKb = statusKb(a, "VmRSS");
        const long long left = baseStart + seconds * 1000000000LL - monotonicNs();
        if (left > 0)
            std::this_thread::sleep_for(std::chrono::nanoseconds(left));
        baseKb = statusKb(b, "VmRSS");
        if (appKb < 0)
            problem = "program ended while hidden (no tray?)";
    }
    if (a > 0)
        stop(a);
    if (b > 0)
        stop(b);
    ::unlink(appOut);
    ::unlink(baseOut);
    if (!problem.empty()) {
        BenchRow::print(figure, "failed: " + problem, "-", "-", "<= 1.20x", "NO");
        return 1;
    }
    BenchRow::ratio(figure, double(appKb) / 1024, double(baseKb) / 1024, "MiB", 1.2);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc >= 6)
        return startup(argv[2], argv[3], argv[4], argv[5], argc > 6 ? std::atoi(argv[6]) : 10);
    if (mode == "profiles" && argc >= 6)
        return profilesStartup(argv[2], argv[3], argv[4], argv[5], argc > 6 ? std::atoi(argv[6]) : 10);
    if (mode == "idle" && argc >= 4)
        return idle(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 20);
    if (mode == "tray" && argc >= 6)
        return tray(argv[2], argv[3], argv[4], argv[5], argc > 6 ? std::atoi(argv[6]) : 60);
    std::fprintf(stderr, "usage: bench_process startup APP BASELINE VMOUSE_SO HOOK_SO [RUNS]\n"
                         "       bench_process profiles APP_50_PROFILES APP_1_PROFILE VMOUSE_SO HOOK_SO [RUNS]\n"
                         "       bench_process idle APP VMOUSE_SO [SECONDS]\n"
                         "       bench_process tray APP TRAY_BASELINE VMOUSE_SO HOOK_SO [SECONDS]\n");
    return 2;
}

// Launch: from exec to the window shown with all five launch checks passed, for Scanbrook on a
// private copy of the simulated Mac, next to a bare Qt program that shows an empty QMainWindow
// (bare_window), both offscreen. Each run is a new process.
//
// Scanbrook has no option to announce that it is ready, and gets none for this: the simulated
// Mac tells instead. In the copy, the log tool is launch_probe, which runs the real simulated
// tool and notes the moment the last launch check's request ("log show --style json --last 2")
// has been answered: Scanbrook has shown its window before the checks start, and after that
// answer only parses a few hundred bytes. bare_window notes its first paint. Both moments are
// read from CLOCK_MONOTONIC, as is the moment before the process is spawned; process teardown
// is left out of both. A third figure is what the three tools of the launch checks take on
// their own, run one after another: Scanbrook must wait for them, a bare window runs none.
#include "support/SimRoot.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr long long kTimeoutNanos = 20'000'000'000LL;

long long monotonicNanos() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

std::optional<long long> readMarker(const std::string& path) {
    std::ifstream in(path);
    long long value = 0;
    if (in >> value) {
        return value;
    }
    return std::nullopt;
}

/// The current environment with `overrides` ("NAME=value") put in place.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto name = text.substr(0, text.find('=') + 1);
        const bool replaced = std::any_of(overrides.begin(), overrides.end(),
                                          [&](const auto& o) { return o.starts_with(name); });
        if (!replaced) {
            result.push_back(text);
        }
    }
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

/// Spawns the program and returns the milliseconds from just before the spawn to the moment
/// it (or its probe) wrote into `marker`. A program still running then is terminated.
double timeToMarker(std::vector<std::string> arguments, std::vector<std::string> environment,
                    const std::string& marker) {
    fs::remove(marker);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Qt's warnings about the offscreen platform are of no interest here.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    auto argv = pointers(arguments);
    auto envp = pointers(environment);
    pid_t child = 0;
    const long long start = monotonicNanos();
    const int error = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + arguments[0]);
    }
    std::optional<long long> reached;
    bool exited = false;
    int status = 0;
    while (!reached && monotonicNanos() - start < kTimeoutNanos) {
        reached = readMarker(marker);
        if (!reached && !exited && ::waitpid(child, &status, WNOHANG) == child) {
            exited = true;
            // One more look: the marker may have been written just before the exit.
            reached = readMarker(marker);
            if (!reached) {
                break;
            }
        }
        if (!reached) {
            const timespec pause{0, 200'000};
            ::nanosleep(&pause, nullptr);
        }
    }
    if (!exited) {
        ::kill(child, SIGTERM);
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (!reached) {
        throw std::runtime_error(arguments[0] + " never got there");
    }
    return static_cast<double>(*reached - start) / 1e6;
}

/// A folder of the benchmark's own, removed afterwards.
struct TempFolder {
    TempFolder() {
        std::string pattern = "/tmp/scanbrook-launch-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp");
        }
        path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string path;
};

void report(benchmark::State& state, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        state.counters["median_ms"] = samples[samples.size() / 2];
        state.counters["min_ms"] = samples.front();
    }
}

void BM_LaunchScanbrook(benchmark::State& state) {
    try {
        scanbrook::test::TempSimRoot root;
        const std::string tool = root.pathOf("/usr/bin/log");
        fs::rename(tool, tool + "-real");
        fs::copy_file(SCANBROOK_BENCH_LAUNCH_PROBE, tool);
        TempFolder folder;
        // A user who turned the update check off: the launch then reaches no network.
        fs::create_directories(folder.path + "/config/Scanbrook");
        std::ofstream(folder.path + "/config/Scanbrook/Scanbrook.conf")
            << "[General]\nnoUpdateCheck=true\n";
        const std::string marker = folder.path + "/marker";
        const auto environment = environmentWith({
            "QT_QPA_PLATFORM=offscreen",
            "XDG_CONFIG_HOME=" + folder.path + "/config",
            "SCANBROOK_PLATFORM_ROOT=" + root.path(),
            "SCANBROOK_BENCH_REAL_TOOL=" + tool + "-real",
            "SCANBROOK_BENCH_MARKER=" + marker,
        });
        std::vector<double> samples;
        for (auto _ : state) {
            const double ms = timeToMarker({SCANBROOK_BENCH_APP}, environment, marker);
            samples.push_back(ms);
            state.SetIterationTime(ms / 1000);
        }
        report(state, samples);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

/// What the simulated Mac's tools take on their own: the three programs that the launch checks
/// run, one after another, each waited for, as the checks do (without the probe).
void BM_LaunchCheckTools(benchmark::State& state) {
    try {
        scanbrook::test::TempSimRoot root;
        auto environment = environmentWith({"SCANBROOK_PLATFORM_ROOT=" + root.path()});
        auto envp = pointers(environment);
        const std::vector<std::vector<std::string>> commands = {
            {root.pathOf("/usr/bin/id"), "-G", "root"},
            {root.pathOf("/usr/bin/log"), "show", "--last", "2"},
            {root.pathOf("/usr/bin/log"), "show", "--style", "json", "--last", "2"},
        };
        std::vector<double> samples;
        for (auto _ : state) {
            const long long start = monotonicNanos();
            for (std::vector<std::string> command : commands) {
                posix_spawn_file_actions_t actions;
                posix_spawn_file_actions_init(&actions);
                posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
                auto argv = pointers(command);
                pid_t child = 0;
                const int error =
                    ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
                posix_spawn_file_actions_destroy(&actions);
                if (error != 0) {
                    throw std::runtime_error("cannot start " + command[0]);
                }
                int status = 0;
                while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
                }
            }
            const double ms = static_cast<double>(monotonicNanos() - start) / 1e6;
            samples.push_back(ms);
            state.SetIterationTime(ms / 1000);
        }
        report(state, samples);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void BM_LaunchBareWindow(benchmark::State& state) {
    try {
        TempFolder folder;
        const std::string marker = folder.path + "/marker";
        const auto environment = environmentWith({
            "QT_QPA_PLATFORM=offscreen",
            "XDG_CONFIG_HOME=" + folder.path,
            "SCANBROOK_BENCH_MARKER=" + marker,
        });
        std::vector<double> samples;
        for (auto _ : state) {
            const double ms = timeToMarker({SCANBROOK_BENCH_BARE_WINDOW}, environment, marker);
            samples.push_back(ms);
            state.SetIterationTime(ms / 1000);
        }
        report(state, samples);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

BENCHMARK(BM_LaunchScanbrook)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);
BENCHMARK(BM_LaunchCheckTools)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);
BENCHMARK(BM_LaunchBareWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);

} // namespace

BENCHMARK_MAIN();

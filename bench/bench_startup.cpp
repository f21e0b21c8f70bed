// Start-up harness: runs the real launcher against the dev registry on an X server (Xvfb in
// scripts/bench), and a minimal Qt window as the floor, in rotation, and reports medians of
//   exec -> the program's top-level window mapped, seen as MapNotify on the root window,
//   exec -> the ReplyAck line read from the registry's stderr (launcher only),
//   peak RSS of the program, from wait4() after it is killed.
// Timestamps are CLOCK_MONOTONIC taken as this process reads each event, so both figures carry
// the same small delivery delay. Plain C++ over xcb: the harness loads no Qt of its own.
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto EventTimeout = std::chrono::seconds(20);
// Lets the first paint and the registry conversation finish before the program is killed, so
// peak RSS covers a window that is really up.
constexpr auto SettleTime = std::chrono::milliseconds(300);

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The registry outlives nothing of ours: a failed run must not leave it holding the port.
pid_t runningRegistry = 0;

[[noreturn]] void fail(const std::string &message) {
    std::fprintf(stderr, "bench_startup: %s\n", message.c_str());
    if (runningRegistry > 0)
        kill(runningRegistry, SIGTERM);
    std::exit(1);
}

// Starts `argv` with stdin and stdout on /dev/null; stderr goes to `stderrFd` when given, else
// to /dev/null.
pid_t spawn(const std::vector<std::string> &argv, int stderrFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (stderrFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stderrFd, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        fail("cannot start " + argv[0] + ": " + std::strerror(error));
    return pid;
}

// The dev registry's stderr, read line by line without blocking.
class RegistryLog {
public:
    explicit RegistryLog(int fd) : fd(fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

    int descriptor() const { return fd; }

    // Reads what is there; returns the complete lines. Throws away nothing.
    std::vector<std::string> readLines() {
        char chunk[4096];
        for (;;) {
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n > 0) {
                pending.append(chunk, static_cast<size_t>(n));
                continue;
            }
            if (n == 0)
                closed = true;
            break;
        }
        std::vector<std::string> lines;
        for (size_t newline; (newline = pending.find('\n')) != std::string::npos;) {
            lines.push_back(pending.substr(0, newline));
            pending.erase(0, newline + 1);
        }
        return lines;
    }

    bool isClosed() const { return closed; }

private:
    int fd;
    std::string pending;
    bool closed = false;
};

bool isReplyAck(const std::string &line) {
    const std::string ack = "00 01 04";
    return line.rfind("received:", 0) == 0 && line.size() >= ack.size() &&
           line.compare(line.size() - ack.size(), ack.size(), ack) == 0;
}

struct Sample {
    double mappedMs = 0;
    std::optional<double> ackMs;
    long peakRssKb = 0;
};

class Harness {
public:
    Harness() {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection))
            fail("cannot connect to the X server; run under Xvfb (scripts/bench does)");
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        // SubstructureNotify on the root reports every top-level window's MapNotify; without a
        // window manager nothing reparents, so that is the moment the window is on screen.
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_generic_error_t *error = xcb_request_check(
            connection,
            xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask));
        if (error) {
            std::free(error);
            fail("cannot watch the root window");
        }
    }

    ~Harness() { xcb_disconnect(connection); }

    Harness(const Harness &) = delete;
    Harness &operator=(const Harness &) = delete;

    void startRegistry(const std::string &path) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            fail("pipe failed");
        registryPid = spawn({path}, fds[1]);
        runningRegistry = registryPid;
        close(fds[1]);
        registry = std::make_unique<RegistryLog>(fds[0]);
        const auto deadline = Clock::now() + EventTimeout;
        while (Clock::now() < deadline) {
            pollfd wait{registry->descriptor(), POLLIN, 0};
            poll(&wait, 1, 100);
            for (const std::string &line : registry->readLines()) {
                if (line.rfind("listening on", 0) == 0)
                    return;
                std::fprintf(stderr, "registry: %s\n", line.c_str());
            }
            if (registry->isClosed())
                fail("the dev registry exited; is port 5679 taken (another run or test)?");
        }
        fail("the dev registry did not start listening");
    }

    void stopRegistry() {
        if (registryPid <= 0)
            return;
        kill(registryPid, SIGTERM);
        waitpid(registryPid, nullptr, 0);
        registryPid = runningRegistry = 0;
    }

    Sample run(const std::vector<std::string> &program, bool waitForAck) {
        drainEvents();
        if (registry)
            registry->readLines();

        Sample sample;
        const Clock::time_point start = Clock::now();
        const pid_t pid = spawn(program);
        std::optional<Clock::time_point> mapped;
        std::optional<Clock::time_point> acked;
        const auto deadline = start + EventTimeout;
        while (!(mapped && (!waitForAck || acked))) {
            if (Clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
                fail(program[0] + ": no window mapped or no ReplyAck within the time limit");
            }
            std::vector<pollfd> waits{{xcb_get_file_descriptor(connection), POLLIN, 0}};
            if (registry)
                waits.push_back({registry->descriptor(), POLLIN, 0});
            poll(waits.data(), waits.size(), 50);
            const Clock::time_point now = Clock::now();
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                    if (!map->override_redirect && !mapped)
                        mapped = now;
                }
                std::free(event);
            }
            if (xcb_connection_has_error(connection))
                fail("lost the X server");
            if (registry) {
                for (const std::string &line : registry->readLines())
                    if (isReplyAck(line) && !acked)
                        acked = now;
            }
        }
        sample.mappedMs = msBetween(start, *mapped);
        if (acked)
            sample.ackMs = msBetween(start, *acked);

        pollfd idle{-1, 0, 0};
        poll(&idle, 0, static_cast<int>(SettleTime.count()));
        // The launcher never exits by itself; neither does the floor.
        kill(pid, SIGTERM);
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid)
            fail("wait4 failed");
        sample.peakRssKb = usage.ru_maxrss;
        return sample;
    }

private:
    void drainEvents() {
        xcb_flush(connection);
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection))
            std::free(event);
    }

    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
    pid_t registryPid = 0;
    std::unique_ptr<RegistryLog> registry;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Figures {
    std::vector<double> mapped, ack, ackAfterMap, rssMb;
};

void add(Figures &figures, const Sample &sample) {
    figures.mapped.push_back(sample.mappedMs);
    figures.rssMb.push_back(static_cast<double>(sample.peakRssKb) / 1024.0);
    if (sample.ackMs) {
        figures.ack.push_back(*sample.ackMs);
        figures.ackAfterMap.push_back(*sample.ackMs - sample.mappedMs);
    }
}

std::string format(const char *pattern, double a, double b = 0, double c = 0) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

std::string verdict(bool met) {
    return met ? "met" : "**not met**";
}

std::string spread(const std::vector<double> &values, const char *unit) {
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return format("%.1f", median(values)) + " " + unit + " (" + format("%.1f", *low) + "–" +
           format("%.1f", *high) + ")";
}

} // namespace

int main(int argc, char **argv) {
    std::string launcher, floor, registryPath, reportPath;
    int runs = 15;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--launcher")
            launcher = value;
        else if (key == "--floor")
            floor = value;
        else if (key == "--registry")
            registryPath = value;
        else if (key == "--runs")
            runs = std::max(1, std::atoi(value.c_str()));
        else if (key == "--report")
            reportPath = value;
        else
            fail("unknown option " + key);
    }
    if (launcher.empty() || floor.empty() || registryPath.empty())
        fail("usage: bench_startup --launcher PATH --floor PATH --registry PATH [--runs N] "
             "[--report FILE]");
    // Both programs must show real X windows, whatever the caller's environment says.
    unsetenv("QT_QPA_PLATFORM");
    signal(SIGPIPE, SIG_IGN);

    Harness harness;
    harness.startRegistry(registryPath);
    const std::vector<std::string> launcherCommand{launcher};
    const std::vector<std::string> floorCommand{floor};
    const std::vector<std::string> textFloorCommand{floor, "--label"};
    const std::vector<std::string> controlsFloorCommand{floor, "--controls"};
    // The first start of each fills the caches of the file system and fontconfig; not counted.
    harness.run(launcherCommand, true);
    harness.run(floorCommand, false);
    harness.run(textFloorCommand, false);
    harness.run(controlsFloorCommand, false);

    Figures launcherFigures, floorFigures, textFloorFigures, controlsFloorFigures;
    for (int i = 0; i < runs; ++i) {
        // Rotating the order spreads any drift of the machine evenly over all four.
        for (int slot = 0; slot < 4; ++slot) {
            switch ((slot + i) % 4) {
            case 0:
                add(launcherFigures, harness.run(launcherCommand, true));
                break;
            case 1:
                add(floorFigures, harness.run(floorCommand, false));
                break;
            case 2:
                add(textFloorFigures, harness.run(textFloorCommand, false));
                break;
            default:
                add(controlsFloorFigures, harness.run(controlsFloorCommand, false));
            }
        }
        std::fprintf(stderr,
                     "run %d: launcher mapped %.1f ms, ack %.1f ms; floor mapped %.1f ms; with "
                     "text %.1f ms; with the launcher's controls %.1f ms\n",
                     i + 1, launcherFigures.mapped.back(), launcherFigures.ack.back(),
                     floorFigures.mapped.back(), textFloorFigures.mapped.back(),
                     controlsFloorFigures.mapped.back());
    }
    harness.stopRegistry();

    const double mappedRatio = median(launcherFigures.mapped) / median(floorFigures.mapped);
    const double ackAfterMap = median(launcherFigures.ackAfterMap);
    const double rssRatio = median(launcherFigures.rssMb) / median(floorFigures.rssMb);

    std::string report = "## Start-up\n\n";
    report += "The real launcher under Xvfb against the dev registry serving its built-in sample "
              "list, and `minimal_qt_window` (one empty `QWidget` of the same size) as the floor, "
              "started in rotation, " +
              std::to_string(runs) +
              " counted runs each after one uncounted warm-up each. `bench_startup` watches the "
              "root window with SubstructureNotify over xcb and takes CLOCK_MONOTONIC when it "
              "reads the MapNotify of the program's window (no window manager runs, so mapped is "
              "on screen), and when it reads the registry's `received: 00 01 04` line from the "
              "registry's stderr. Times count from just before `posix_spawn`. Peak RSS is "
              "`ru_maxrss` from `wait4` after the program has been up 300 ms and is then killed. "
              "Median (min–max).\n\n";
    report += "The last two columns, not targets, split the launcher's excess. The same minimal "
              "window with one `QLabel` (`minimal_qt_window --label`): text makes Qt load the "
              "font database before the window maps, which the empty window never does. And with "
              "the launcher's five controls in its font and places, but no data and no network "
              "(`minimal_qt_window --controls`): what those widgets cost by themselves.\n\n";
    report += "| figure | launcher | minimal Qt window | launcher / minimal | minimal with one "
              "label | minimal with the launcher's controls |\n|---|---:|---:|---:|---:|---:|\n";
    report += "| exec → window mapped | " + spread(launcherFigures.mapped, "ms") + " | " +
              spread(floorFigures.mapped, "ms") + format(" | %.2fx | ", mappedRatio) +
              spread(textFloorFigures.mapped, "ms") + " | " +
              spread(controlsFloorFigures.mapped, "ms") + " |\n";
    report += "| exec → ReplyAck at the registry | " + spread(launcherFigures.ack, "ms") +
              " | — | — | — | — |\n";
    report += "| ReplyAck after window mapped | " + spread(launcherFigures.ackAfterMap, "ms") +
              " | — | — | — | — |\n";
    report += "| peak RSS | " + spread(launcherFigures.rssMb, "MiB") + " | " +
              spread(floorFigures.rssMb, "MiB") + format(" | %.2fx | ", rssRatio) +
              spread(textFloorFigures.rssMb, "MiB") + " | " +
              spread(controlsFloorFigures.rssMb, "MiB") + " |\n";
    report += "\n| target | figure | verdict |\n|---|---:|---|\n";
    report += format("| window mapped within 1.15x of the minimal Qt window | %.2fx", mappedRatio) +
              " | " + verdict(mappedRatio <= 1.15) + " |\n";
    report += format("| ReplyAck no later than 20 ms after the window is mapped | %+.1f ms",
                     ackAfterMap) +
              " | " + verdict(ackAfterMap <= 20) + " |\n";
    report += format("| peak RSS within 1.3x of the minimal Qt window's | %.2fx", rssRatio) +
              " | " + verdict(rssRatio <= 1.3) + " |\n\n";

    std::printf("\n%s", report.c_str());
    if (!reportPath.empty()) {
        std::ofstream out(reportPath, std::ios::app);
        out << report;
        if (!out)
            fail("cannot write " + reportPath);
    }
    return 0;
}

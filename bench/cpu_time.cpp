// CPU time of another process: over a window, from /proc/PID/stat (user + system time, in clock
// ticks) and, as ticks are coarse for an idle process, from its CPU-time clock in ns; or in all.
//
//   bench_cpu PID SECONDS    prints: stat_percent A clock_percent B
//   bench_cpu PID            prints: cpu_seconds S (since the process started)
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace {

// Fields 14 and 15 of /proc/PID/stat; the command name (field 2) may hold spaces, so counting
// starts after its closing parenthesis.
long statTicks(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        std::fprintf(stderr, "no process %d\n", static_cast<int>(pid));
        std::exit(1);
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14) {
            utime = std::stol(field);
        } else if (n == 15) {
            stime = std::stol(field);
        }
    }
    return utime + stime;
}

double clockSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s PID [SECONDS]\n", argv[0]);
        return 2;
    }
    const pid_t pid = std::atoi(argv[1]);
    clockid_t cpuClock;
    if (clock_getcpuclockid(pid, &cpuClock) != 0) {
        std::fprintf(stderr, "no CPU clock for process %d\n", static_cast<int>(pid));
        return 1;
    }
    if (argc == 2) {
        std::printf("cpu_seconds %.6f\n", clockSeconds(cpuClock));
        return 0;
    }
    const double window = std::atof(argv[2]);
    const long ticks0 = statTicks(pid);
    const double cpu0 = clockSeconds(cpuClock), wall0 = clockSeconds(CLOCK_MONOTONIC);
    usleep(static_cast<useconds_t>(window * 1e6));
    const long ticks1 = statTicks(pid);
    const double cpu1 = clockSeconds(cpuClock), wall1 = clockSeconds(CLOCK_MONOTONIC);
    const double wall = wall1 - wall0;
    std::printf("stat_percent %.3f clock_percent %.4f\n",
                100.0 * (ticks1 - ticks0) / sysconf(_SC_CLK_TCK) / wall, 100.0 * (cpu1 - cpu0) / wall);
    return 0;
}

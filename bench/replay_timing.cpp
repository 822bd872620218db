// Replay timing at a fixed rate. Message i of a take is "/t ,i i", due i / RATE seconds after
// message 0. The receiver measures how far each arrives from its place: its arrival after message
// 0's, minus i / RATE, taken from the median of those so that message 0's own delay cancels. The
// floor is a bare sender: clock_nanosleep to each absolute due time, then one send().
//
//   bench_replay_timing receive PORT RATE IDLE_MS   prints "ready", then: samples N p50_us A p99_us B max_us
//   C bench_replay_timing send PORT RATE COUNT        the floor's sender
#include "bench_receiver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

double monotonicSeconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

double percentile(const std::vector<double> &sorted, double p) {
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(p * sorted.size()))];
}

int receive(int port, double rate, int idleMs) {
    int fd = boundSocket(port);
    std::printf("ready\n");
    std::fflush(stdout);
    std::vector<std::pair<uint32_t, double>> arrivals;
    unsigned char datagram[64];
    double last = 0;
    for (;;) {
        ssize_t n = recv(fd, datagram, sizeof datagram, 0);
        double now = monotonicSeconds();
        if (n == 12 && std::memcmp(datagram, "/t\0\0,i\0\0", 8) == 0) {
            uint32_t index;
            std::memcpy(&index, datagram + 8, 4);
            arrivals.emplace_back(ntohl(index), now);
            last = now;
        } else if (!arrivals.empty() && (now - last) * 1000 > idleMs) {
            break;
        }
    }
    std::vector<double> offsets;
    for (const auto &[index, at] : arrivals)
        offsets.push_back((at - arrivals[0].second - (index - arrivals[0].first) / rate) * 1e6);
    std::vector<double> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    double median = percentile(sorted, 0.5);
    for (double &e : offsets)
        e = std::fabs(e - median);
    std::sort(offsets.begin(), offsets.end());
    std::printf("samples %zu p50_us %.0f p95_us %.0f p99_us %.0f max_us %.0f\n", offsets.size(),
                percentile(offsets, 0.5), percentile(offsets, 0.95), percentile(offsets, 0.99),
                offsets.back());
    return 0;
}

int send(int port, double rate, long count) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to);
    unsigned char datagram[12] = {'/', 't', 0, 0, ',', 'i', 0, 0};
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (long i = 0; i < count; ++i) {
        int64_t due = start.tv_sec * 1000000000LL + start.tv_nsec + static_cast<int64_t>(i * 1e9 / rate);
        timespec until{static_cast<time_t>(due / 1000000000), static_cast<long>(due % 1000000000)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
        }
        uint32_t index = htonl(static_cast<uint32_t>(i));
        std::memcpy(datagram + 8, &index, 4);
        ::send(fd, datagram, sizeof datagram, 0);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 5 && std::string(argv[1]) == "receive")
        return receive(std::atoi(argv[2]), std::atof(argv[3]), std::atoi(argv[4]));
    if (argc == 5 && std::string(argv[1]) == "send")
        return send(std::atoi(argv[2]), std::atof(argv[3]), std::atol(argv[4]));
    std::fprintf(stderr, "usage: bench_replay_timing receive PORT RATE IDLE_MS | send PORT RATE COUNT\n");
    return 2;
}

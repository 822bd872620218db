// The receiver of the whole-bridge runs: counts datagrams, or measures how late clock messages
// arrive. It waits for the first datagram, then stops once none has arrived for IDLE_MS.
//
// Both modes print "ready" once the port is bound, and their result when they stop.
//   bench_receive count PORT IDLE_MS              prints: datagrams N seconds S
//   bench_receive latency PORT ADDRESS IDLE_MS    prints: samples N p50_us A p99_us B max_us C
// ADDRESS is the OSC address of the clock connector; its two values are the due time's whole
// seconds of CLOCK_MONOTONIC modulo 65536 and the microseconds within that second.
#include "bench_receiver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int firstDatagramTimeoutMs = 30000;

double monotonicSeconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

bool waitReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    int n;
    while ((n = poll(&p, 1, timeoutMs)) == -1 && errno == EINTR) {
    }
    return n == 1;
}

int count(int fd, int idleMs) {
    Batch batch;
    long datagrams = 0;
    double first = 0, last = 0;
    int timeoutMs = firstDatagramTimeoutMs;
    while (waitReadable(fd, timeoutMs)) {
        const int n = batch.receive(fd, MSG_DONTWAIT);
        if (n <= 0) {
            continue;
        }
        last = monotonicSeconds();
        if (datagrams == 0) {
            first = last;
        }
        datagrams += n;
        timeoutMs = idleMs;
    }
    std::printf("datagrams %ld seconds %.6f\n", datagrams, last - first);
    return datagrams > 0 ? 0 : 1;
}

float bigEndianFloat(const unsigned char *p) {
    const std::uint32_t bits =
        std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// How long after its due time a clock message arrived, in microseconds; the due time carries only
// the seconds modulo 65536, so the difference is taken modulo 65536 s as well.
double lateness(double dueSecondsMod, double dueMicros, double now) {
    const double nowWhole = static_cast<double>(static_cast<std::int64_t>(now));
    double seconds = std::fmod(std::fmod(nowWhole, 65536.0) - dueSecondsMod + 65536.0, 65536.0);
    if (seconds > 32768) {
        seconds -= 65536;
    }
    return seconds * 1e6 + (now - nowWhole) * 1e6 - dueMicros;
}

double percentile(const std::vector<double> &sorted, double p) {
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(p * sorted.size()))];
}

int latency(int fd, const std::string &address, int idleMs) {
    // The clock message: the padded address, ",ff" padded to 4, then two floats.
    const std::size_t addressField = (address.size() + 4) & ~std::size_t(3);
    const std::size_t size = addressField + 4 + 8;
    std::vector<double> late;
    unsigned char datagram[Batch::datagramMax];
    long others = 0;
    int timeoutMs = firstDatagramTimeoutMs;
    while (waitReadable(fd, timeoutMs)) {
        const ssize_t n = recv(fd, datagram, sizeof datagram, MSG_DONTWAIT);
        const double now = monotonicSeconds();
        if (n < 0) {
            continue;
        }
        timeoutMs = idleMs;
        if (static_cast<std::size_t>(n) != size ||
            std::memcmp(datagram, address.c_str(), address.size() + 1) != 0) {
            ++others;
            continue;
        }
        const unsigned char *values = datagram + addressField + 4;
        late.push_back(lateness(bigEndianFloat(values), bigEndianFloat(values + 4), now));
    }
    if (late.empty()) {
        std::printf("samples 0 others %ld\n", others);
        return 1;
    }
    std::sort(late.begin(), late.end());
    std::printf("samples %zu p50_us %.0f p99_us %.0f max_us %.0f others %ld\n", late.size(),
                percentile(late, 0.5), percentile(late, 0.99), late.back(), others);
    return 0;
}

// Tells whoever started the receiver that the port is bound and senders may begin.
int announceReady(int fd) {
    std::puts("ready");
    std::fflush(stdout);
    return fd;
}
} // namespace

int main(int argc, char **argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "count" && argc == 4) {
        return count(announceReady(boundSocket(std::atoi(argv[2]))), std::atoi(argv[3]));
    }
    if (mode == "latency" && argc == 5) {
        return latency(announceReady(boundSocket(std::atoi(argv[2]))), argv[3], std::atoi(argv[4]));
    }
    std::fprintf(stderr, "usage: %s count PORT IDLE_MS | latency PORT ADDRESS IDLE_MS\n", argv[0]);
    return 2;
}

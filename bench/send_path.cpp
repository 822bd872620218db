// Per-message cost of the bridge's send path, side by side with a bare send() of the same bytes
// (the floor) and with liblo's lo_send. Repetitions interleave the three so that drift in a
// shared machine's speed hits all of them alike; each figure is the median over repetitions.
// Modes:
//   compare PORT MESSAGES REPETITIONS  the interleaved timing, with a receiver thread
//   count PATH PORT MESSAGES           one path (bridge, floor or liblo) alone, for callgrind
//   flood PORT MESSAGES                the floor as fast as it goes, for a receiver elsewhere;
//                                      prints the CPU time it took
#include "bench_receiver.h"
#include "vrennosc.h"

#include <lo/lo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// /vrenn/A0-light with 0.5, 0.25, 0.75: what every path must put on the wire.
const unsigned char lightMessage[36] = {'/',  'v', 'r', 'e', 'n',  'n',  '/', 'A', '0',  '-',  'l', 'i',
                                        'g',  'h', 't', 0,   ',',  'f',  'f', 'f', 0,    0,    0,   0,
                                        0x3f, 0,   0,   0,   0x3e, 0x80, 0,   0,   0x3f, 0x40, 0,   0};

enum Path { Bridge, Floor, Liblo, pathCount };
const char *const pathNames[pathCount] = {"bridge", "floor", "liblo"};

int connectedSocket(int port) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd == -1 || connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        std::perror("floor socket");
        std::exit(1);
    }
    return fd;
}

// The three ways of sending the light message, each set up once.
class Senders {
public:
    explicit Senders(int port) : floorFd(connectedSocket(port)) {
        bridge.port = port;
        bridge.signature(1, "light", "fff");
        bridge.values[0] = {0.5f, 0.25f, 0.75f};
        liblo = lo_address_new("127.0.0.1", std::to_string(port).c_str());
    }
    ~Senders() {
        lo_address_free(liblo);
        close(floorFd);
    }

    void send(Path path, long count) {
        switch (path) {
        case Bridge:
            // As the table hands over a completed vector: with copies of the name and the values.
            for (long i = 0; i < count; ++i) {
                bridge.sendOSCFloat(1, bridge.connectorNames[0], bridge.values[0]);
            }
            break;
        case Floor:
            for (long i = 0; i < count; ++i) {
                ::send(floorFd, lightMessage, sizeof lightMessage, 0);
            }
            break;
        default:
            for (long i = 0; i < count; ++i) {
                lo_send(liblo, "/vrenn/A0-light", "fff", 0.5f, 0.25f, 0.75f);
            }
        }
    }

private:
    VrennOSC bridge;
    int floorFd;
    lo_address liblo;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Ratios are taken within each repetition, where both sides met the same machine, then the median.
double pairedRatio(const std::vector<double> &a, const std::vector<double> &b) {
    std::vector<double> ratios;
    for (std::size_t r = 0; r < a.size(); ++r) {
        ratios.push_back(a[r] / b[r]);
    }
    return median(ratios);
}

double nsPerMessage(Senders &senders, Path path, long count) {
    const auto start = std::chrono::steady_clock::now();
    senders.send(path, count);
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    return took.count() / count;
}

int compare(int port, long count, int repetitions) {
    Receiver receiver(port, lightMessage, sizeof lightMessage);
    receiver.start();
    Senders senders(port);
    std::vector<double> ns[pathCount];
    long lost[pathCount] = {};
    for (int rep = -1; rep < repetitions; ++rep) {
        // Rotating the order keeps any path from always running first after a drain.
        for (int k = 0; k < pathCount; ++k) {
            const Path path = static_cast<Path>((k + rep + 1) % pathCount);
            const long before = receiver.received();
            const double t = nsPerMessage(senders, path, count);
            const long missing = count - (receiver.waitFor(before + count) - before);
            if (rep >= 0) { // the first round warms up sockets and caches
                ns[path].push_back(t);
                lost[path] += missing;
            }
        }
    }
    receiver.stop();
    std::printf("receive buffer %d bytes; %ld messages per path and repetition, %d repetitions\n",
                receiver.bufferBytes(), count, repetitions);
    std::printf("path   ns/message  vs floor  lost\n");
    for (int p = 0; p < pathCount; ++p) {
        std::printf("%-6s %10.1f  %8.3f  %ld\n", pathNames[p], median(ns[p]), pairedRatio(ns[p], ns[Floor]),
                    lost[p]);
    }
    std::printf("bridge/liblo %.3f\n", pairedRatio(ns[Bridge], ns[Liblo]));
    std::printf("wrong datagrams %ld\n", receiver.mismatched());
    return receiver.mismatched() == 0 ? 0 : 1;
}

// A bound socket that is never read keeps the port reachable, so no ICMP error reaches the
// senders; what does not fit its buffer the kernel drops without any user-space work.
int countOnly(const std::string &pathName, int port, long count) {
    const auto it = std::find(pathNames, pathNames + pathCount, pathName);
    if (it == pathNames + pathCount) {
        std::fprintf(stderr, "unknown path %s\n", pathName.c_str());
        return 2;
    }
    const int sink = boundSocket(port);
    Senders senders(port);
    senders.send(static_cast<Path>(it - pathNames), count);
    close(sink);
    return 0;
}

int flood(int port, long count) {
    const int fd = connectedSocket(port);
    for (long i = 0; i < count; ++i) {
        ::send(fd, lightMessage, sizeof lightMessage, 0);
    }
    close(fd);
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("cpu_seconds %.6f\n", cpu.tv_sec + cpu.tv_nsec * 1e-9);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "compare" && argc == 5) {
        return compare(std::atoi(argv[2]), std::atol(argv[3]), std::atoi(argv[4]));
    }
    if (mode == "count" && argc == 5) {
        return countOnly(argv[2], std::atoi(argv[3]), std::atol(argv[4]));
    }
    if (mode == "flood" && argc == 4) {
        return flood(std::atoi(argv[2]), std::atol(argv[3]));
    }
    std::fprintf(stderr,
                 "usage: %s compare PORT MESSAGES REPETITIONS | count PATH PORT MESSAGES | "
                 "flood PORT MESSAGES\n",
                 argv[0]);
    return 2;
}

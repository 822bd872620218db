// Soak test: the real bridge with the virtual hub preloaded plays thousands of unplug/replug
// cycles and random reports while a receiver checks every message against the model, and is
// stopped and restarted now and then. The bridge must stay up, keep one socket at most, and not
// grow. Prints its figures; exits 1 on the first fault.
//
// Usage: soak BRIDGE LIBVIRTUALHUB PORT CYCLES WORKDIR [--seed N] [--no-rss-check] [--preload-first LIB]
#include "bridge_process.h"
#include "osc_check.h"
#include "soak_plan.h"
#include "udp_receiver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {
struct Options {
    std::string bridge, hub, workDir, preloadFirst;
    int port = 0;
    long cycles = 0;
    unsigned seed = 1;
    bool checkRss = true;
};

// Resident memory may wobble by allocator pages; a leak per cycle or message shows far above this.
constexpr long rssSlackKb = 256;
constexpr int messageTimeoutMs = 5000;

// Unwinds to main, so that the bridge is stopped on the way.
[[noreturn]] void fail(const std::string &what) { throw std::runtime_error(what); }

Options parse(int argc, char **argv) {
    if (argc < 6) {
        fail("usage: soak BRIDGE LIBVIRTUALHUB PORT CYCLES WORKDIR [--seed N] [--no-rss-check] "
             "[--preload-first LIB]");
    }
    Options o{argv[1], argv[2], argv[5], "", std::atoi(argv[3]), std::atol(argv[4])};
    for (int i = 6; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--seed" && i + 1 < argc) {
            o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (flag == "--no-rss-check") {
            o.checkRss = false;
        } else if (flag == "--preload-first" && i + 1 < argc) {
            o.preloadFirst = argv[++i];
        } else {
            fail("unknown option " + flag);
        }
    }
    return o;
}

class Soak {
public:
    Soak(const Options &options, const SoakPlan &plan, BridgeProcess &bridge,
         std::unique_ptr<UdpReceiver> receiver)
        : options(options), plan(plan), bridge(bridge), receiver(std::move(receiver)) {}

    void run() {
        for (std::size_t s = 0; s < plan.segments.size(); ++s) {
            const SoakSegment &segment = plan.segments[s];
            if (!segment.sentWhileDown) {
                expect(segment, s);
            }
            if (segment.stopReceiverAfter) {
                restartReceiver();
            }
            if (s % 100 == 0) {
                sample(s);
            }
        }
        if (!receiver->receive(300).empty()) {
            fail("a datagram after the last expected one");
        }
        sample(plan.segments.size());
    }

    long rssGrowthKb() const { return endRss - startRss; }

    void report() const {
        std::printf("soak: seed %u, %ld unplug/replug cycles, %ld reports delivered, %ld lost while "
                    "unplugged, %zu segments\n",
                    options.seed, plan.cycles, plan.deliveredReports, plan.lostReports, plan.segments.size());
        std::printf("soak: %ld messages checked, receiver restarted %d times, at most %d socket(s)\n",
                    checked, restarts, maxSockets);
        std::printf("soak: RSS %ld kB at start, %ld kB at end\n", startRss, endRss);
    }

private:
    void expect(const SoakSegment &segment, std::size_t s) {
        for (std::size_t m = 0; m < segment.messages.size(); ++m) {
            const ExpectedMessage &message = segment.messages[m];
            const std::string where = "segment " + std::to_string(s) + ", message " + std::to_string(m) +
                                      " (" + message.address + ")";
            const int timeoutMs = messageTimeoutMs + (checked == 0 ? plan.leadInMs : 0);
            const std::vector<unsigned char> datagram = receiver->receive(timeoutMs);
            if (datagram.empty()) {
                fail(where + " did not arrive" + (bridge.alive() ? "" : "; the bridge " + bridge.ending));
            }
            const std::string difference = compareDatagram(datagram, message);
            if (!difference.empty()) {
                fail(where + ": " + difference);
            }
            ++checked;
        }
    }

    // Closed right after a segment's last message; the next segment falls due while nobody listens,
    // and the one after it must arrive whole.
    void restartReceiver() {
        receiver->close();
        std::this_thread::sleep_for(std::chrono::milliseconds(receiverPauseMs * 3 / 2));
        receiver.reset(new UdpReceiver(options.port));
        if (!receiver->isOpen()) {
            fail("cannot bind port " + std::to_string(options.port) + " again");
        }
        ++restarts;
    }

    void sample(std::size_t s) {
        if (!bridge.alive()) {
            fail("the bridge " + bridge.ending + " (segment " + std::to_string(s) + ")");
        }
        const int sockets = bridge.socketCount();
        maxSockets = std::max(maxSockets, sockets);
        if (sockets > 1) {
            fail(std::to_string(sockets) + " sockets open in the bridge (segment " + std::to_string(s) + ")");
        }
        // Start is taken once the hub has loaded its script and the bridge has sent a while.
        endRss = bridge.residentKb();
        if (startRss < 0 && s >= plan.segments.size() / 10) {
            startRss = endRss;
        }
    }

    const Options &options;
    const SoakPlan &plan;
    BridgeProcess &bridge;
    std::unique_ptr<UdpReceiver> receiver;
    long checked = 0;
    int restarts = 0;
    int maxSockets = 0;
    long startRss = -1;
    long endRss = -1;
};

void soak(int argc, char **argv) {
    const Options options = parse(argc, argv);
    const SoakPlan plan = makeSoakPlan(options.cycles, options.seed);
    const std::string scenario = options.workDir + "/soak-scenario.txt";
    std::ofstream(scenario) << plan.scenario;

    std::unique_ptr<UdpReceiver> receiver(new UdpReceiver(options.port));
    if (!receiver->isOpen()) {
        fail("port " + std::to_string(options.port) + " is in use");
    }

    const std::string preload =
        options.preloadFirst.empty() ? options.hub : options.preloadFirst + ":" + options.hub;
    BridgeProcess bridge(options.bridge, preload, scenario, options.workDir + "/soak-bridge.log");
    if (!bridge.started()) {
        fail("cannot start " + options.bridge);
    }
    Soak soak(options, plan, bridge, std::move(receiver));
    soak.run();
    soak.report();
    if (options.checkRss && soak.rssGrowthKb() > rssSlackKb) {
        fail("RSS grew by " + std::to_string(soak.rssGrowthKb()) + " kB");
    }
}
} // namespace

int main(int argc, char **argv) {
    try {
        soak(argc, argv);
    } catch (const std::exception &error) {
        std::printf("FAIL: %s\n", error.what());
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}

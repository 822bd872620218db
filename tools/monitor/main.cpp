// vrennosc-monitor: receives on 127.0.0.1, forwards every datagram, records it, and shows the
// stream. Options, then the sockets and files, then the threads, then a view until it ends.
#include "check.h"
#include "fail.h"
#include "live.h"
#include "options.h"
#include "plain.h"
#include "printable.h"
#include "query_server.h"
#include "show.h"
#include "stop_signals.h"
#include "web_server.h"

#include <cerrno>
#include <cstdio>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace monitor;

constexpr const char *kProgram = "vrennosc-monitor";

std::atomic<bool> stopping{false};

// The bind failure, with the port's holders named when it is taken.
common::Failure portTaken(common::Failure failure, uint16_t port) {
    if (failure.systemError != EADDRINUSE)
        return failure;
    failure.text += "; ";
    std::vector<std::string> holders = gatherFacts(Roots{}, port).holders;
    for (size_t i = 0; i < holders.size(); ++i)
        failure.text += holders[i] + (i == 0 ? " holds it; " : " also holds it; ");
    failure.text += "ss -ulpn 'sport = :" + std::to_string(port) + "' names the program";
    return failure;
}

// On standard error for a log, and in the header, where the live screen shows it from the start.
void warnWhenOpen(Live &live, const char *option, const common::Endpoint &where) {
    if (where.host.rfind("127.", 0) == 0)
        return;
    std::string warning = common::printable(std::string("warning: with ") + option + " " + where.text() +
                                            " anyone on the network can see the sensor data");
    std::fprintf(stderr, "%s: %s\n", kProgram, warning.c_str());
    std::lock_guard<std::mutex> hold(live.lock);
    live.status.warnings.push_back(warning);
}

std::string hostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

// --oscquery: answers from snapshots of the model, sends what arrives to the clients that listen,
// and is announced on the network; without a responder, one line says how to have one.
std::optional<common::Failure> startQuery(QueryServer &query, Announcer &announcer, Live &live,
                                          const Options &options) {
    {
        std::lock_guard<std::mutex> hold(live.lock);
        live.model.keepChanges();
        live.status.oscquery = options.oscquery.text();
    }
    auto answer = [&live, name = hostName()](std::string_view path, std::string_view query) {
        return answerQuery(snapshot(live).model, path, query, name);
    };
    std::string error;
    if (!query.start(options.oscquery.host, static_cast<uint16_t>(std::stoi(options.oscquery.port)), answer,
                     options.origins, error))
        return common::Failure{common::Exit::Failed, error};
    warnWhenOpen(live, "--oscquery", options.oscquery);
    // A service name has at most 63 bytes.
    std::string name = ("vrennosc-monitor on " + hostName()).substr(0, 63);
    std::string announced = announcer.start(
        name, options.oscquery.host, static_cast<uint16_t>(std::stoi(options.oscquery.port)), options.port);
    if (announced.rfind("discovery off", 0) == 0)
        std::fprintf(stderr, "%s: %s\n", kProgram, common::printable(announced).c_str());
    return std::nullopt;
}

// --web: serves the page from snapshots of the model; warns when other computers can open it.
std::optional<common::Failure> startWeb(WebServer &web, Live &live, const Options &options) {
    auto render = [&live, maker = FrameMaker()](bool full) mutable {
        Snapshot now = snapshot(live);
        return maker.make(now.model, now.status, now.now, full);
    };
    std::string error;
    if (!web.start(options.web.host, static_cast<uint16_t>(std::stoi(options.web.port)), render, error))
        return common::Failure{common::Exit::Failed, error};
    warnWhenOpen(live, "--web", options.web);
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv) {
    Options options;
    if (std::string refused = parseOptions(argc, argv, options); !refused.empty())
        return common::endWith(kProgram, {common::Exit::Refused, refused}, usageText());
    if (options.help)
        return std::fputs(usageText().c_str(), stdout), 0;
    if (options.check)
        return runCheck(options.port);
    Receiver receiver;
    if (auto failure = receiver.open(options.port))
        return common::endWith(kProgram, portTaken(*failure, options.port));
    // After the port, so that a monitor that cannot receive leaves no empty take behind.
    Recorder recorder;
    if (!options.record.empty())
        if (auto failure = recorder.open(options.record, options.append))
            return common::endWith(kProgram, *failure);
    // Bound first, so that the kernel keeps the datagrams that arrive while names are looked up.
    Forwarder forwarder;
    if (auto failure = forwarder.open(options.forwards, options.port))
        return common::endWith(kProgram, *failure);
    common::stopOnSignals(stopping);
    Live live;
    live.status.port = options.port;
    WebServer web;
    if (!options.web.port.empty())
        if (auto failure = startWeb(web, live, options))
            return common::endWith(kProgram, *failure);
    Listeners listeners;
    QueryServer query(listeners);
    Announcer announcer;
    if (!options.oscquery.port.empty())
        if (auto failure = startQuery(query, announcer, live, options))
            return common::endWith(kProgram, *failure);
    Flow flow{forwarder, recorder, listeners};
    std::thread receiving(receiveLoop, std::ref(receiver), flow, std::ref(live), std::cref(stopping));
    auto refresh = [&] { refreshStatus(live, flow, options.forwards, announcer); };
    if (options.plain || !isatty(STDOUT_FILENO)) {
        runPlain(live, options.seconds, refresh, stopping);
    } else if (runScreen(live, options.seconds, refresh, stopping)) {
        // The screen is gone with the terminal's alternate screen: the table stays in its place,
        // within the terminal's width, so that the terminal breaks no line inside a number.
        Snapshot last = snapshot(live);
        winsize size{};
        int width = ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
        std::printf("%s", renderPlain(last.model, last.status, last.now, width).c_str());
    }
    stopping = true;
    receiving.join();
    recorder.stop();          // after the last datagram is queued
    if (recorder.recording()) // the file as it is complete, after the last table or the screen
        std::printf("%s\n", common::printable(recorder.stateText()).c_str());
    return 0;
}

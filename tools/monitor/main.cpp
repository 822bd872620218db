// vrennosc-monitor: receives on 127.0.0.1, forwards every datagram, and shows the stream. A
// receiving thread forwards each batch before it takes the model's lock; the screen holds that
// lock only while drawing into memory, never while writing to the terminal.
#include "forwarder.h"
#include "options.h"
#include "plain.h"
#include "receiver.h"
#include "record_format.h"
#include "recorder.h"
#include "screen.h"
#include "web_server.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> stopping{false};

void stop(int) { stopping = true; }

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Shared {
    std::mutex lock;
    Model model;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

void receiveLoop(Receiver &receiver, Forwarder &forwarder, Recorder &recorder, Shared &shared) {
    static Message messages[Receiver::kBatch];
    bool wellFormed[Receiver::kBatch];
    while (!stopping) {
        int count = receiver.receive(100);
        if (count == 0)
            continue;
        uint64_t arrived = recorder.recording() ? timeTagNow() : 0;
        forwarder.send(receiver.batch(), count);
        for (int i = 0; i < count; ++i)
            wellFormed[i] = decodeMessage(receiver.data(i), receiver.size(i), messages[i]);
        for (int i = 0; i < count && arrived; ++i)
            if (wellFormed[i])
                recorder.add(receiver.data(i), receiver.size(i), arrived);
        double now = secondsSince(shared.start);
        std::lock_guard<std::mutex> hold(shared.lock);
        for (int i = 0; i < count; ++i)
            wellFormed[i] ? shared.model.add(messages[i], now) : shared.model.addMalformed();
    }
}

// Refreshes the facts once a second; the port is ours, so its holders are not looked for. They
// change under the lock, as the page's thread reads them.
void refreshFacts(Shared &shared, Status &status, const Forwarder &forwarder, const Recorder &recorder,
                  const Options &options) {
    static BridgeCache bridge;
    Facts facts = gatherFacts(Roots{}, bridge);
    std::string recording = recorder.stateText();
    std::vector<std::string> targets;
    for (size_t i = 0; i < forwarder.size(); ++i)
        targets.push_back(printable(options.forwards[i].text()) + " " + forwarder.state(i));
    std::lock_guard<std::mutex> hold(shared.lock);
    status.facts = std::move(facts);
    status.recording = std::move(recording);
    status.targets = std::move(targets);
}

// --web: serves the page from the model; warns when other computers can open it.
bool startWeb(WebServer &web, Shared &shared, const Status &status, const Options &options) {
    std::string error;
    // Renders from a copy, so that the lock is held for a copy of the rows (under 1 ms for 1024 of
    // them), not for the rendering (10 to 130 ms for 1024 rows of eight values).
    auto render = [&shared, &status, maker = FrameMaker(), model = Model(),
                   facts = Status()](bool full) mutable {
        double now;
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            model = shared.model;
            facts = status;
            now = secondsSince(shared.start);
        }
        return maker.make(model, facts, now, full);
    };
    if (!web.start(options.web.host, static_cast<uint16_t>(std::stoi(options.web.port)), render, error)) {
        std::fprintf(stderr, "vrennosc-monitor: %s\n", printable(error).c_str());
        return false;
    }
    if (options.web.host.rfind("127.", 0) != 0)
        std::fprintf(
            stderr,
            "vrennosc-monitor: warning: with --web %s anyone on the network can see the sensor data\n",
            options.web.text().c_str());
    return true;
}

void runPlain(Shared &shared, Status &status, const Forwarder &forwarder, const Recorder &recorder,
              const Options &options) {
    for (int tick = 1; !stopping; ++tick) {
        bool last = options.seconds > 0 && tick >= options.seconds;
        double wake = last ? options.seconds : tick;
        while (!stopping && secondsSince(shared.start) < wake)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        refreshFacts(shared, status, forwarder, recorder, options);
        std::string table;
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            table = renderPlain(shared.model, status, secondsSince(shared.start));
        }
        // A reader that went away ends the monitor even with SIGPIPE ignored, as civetweb leaves it.
        bool written = std::printf("%s\n", table.c_str()) >= 0 && std::fflush(stdout) == 0;
        if (last || !written)
            return;
    }
}

// Returns true when --seconds ran out.
bool runScreen(Shared &shared, Status &status, const Forwarder &forwarder, const Recorder &recorder,
               const Options &options) {
    Screen screen;
    double factsDue = 0;
    while (!stopping) {
        double now = secondsSince(shared.start);
        if (options.seconds > 0 && now >= options.seconds)
            return true;
        if (now >= factsDue) {
            refreshFacts(shared, status, forwarder, recorder, options);
            screen.repaint(); // a line another program wrote to the terminal lasts a second at most
            factsDue = now + 1;
        }
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            if (!status.frozen)
                screen.draw(shared.model, status, now);
        }
        screen.show();
        double nextDraw = now + 1.0 / 30;
        Key key =
            screen.waitKey(std::max(1, static_cast<int>((nextDraw - secondsSince(shared.start)) * 1000)));
        std::lock_guard<std::mutex> hold(shared.lock);
        if (key == Key::Quit)
            return false;
        if (key == Key::Freeze)
            status.frozen = !status.frozen;
        if (key == Key::Reset)
            shared.model.resetRanges();
        if (key == Key::Clear)
            shared.model.clear();
        if (key != Key::None && status.frozen) // a frozen view still shows what a key did
            screen.draw(shared.model, status, secondsSince(shared.start));
    }
    return false;
}

// --check: the facts, then two seconds of listening if the port is free. Messages that arrive
// prove the chain, whatever the facts say.
int runCheck(const Options &options) {
    Facts facts = gatherFacts(Roots{}, options.port);
    Receiver receiver;
    std::string error;
    bool inUse = false;
    CheckLine heard{false, "messages: not listened for, as the port is held"};
    long arrived = 0;
    if (!facts.portHeld && !receiver.open(options.port, error, inUse)) {
        heard.text = "messages: " + printable(error);
    } else if (!facts.portHeld) {
        auto start = std::chrono::steady_clock::now();
        while (secondsSince(start) < 2)
            arrived += receiver.receive(100);
        heard = {arrived > 0, arrived > 0 ? "messages: " + std::to_string(arrived) + " arrived in 2 s"
                                          : "messages: none arrived in 2 s; see the lines above"};
    }
    std::vector<CheckLine> lines = checkLines(facts, options.port, arrived > 0);
    lines.push_back(heard);
    bool allOk = true;
    for (const CheckLine &line : lines) {
        std::printf("%-5s %s\n", line.note ? "note" : line.ok ? "ok" : "FAIL", line.text.c_str());
        allOk &= line.ok;
    }
    return allOk ? 0 : 1;
}

int usageError(const std::string &error) {
    std::fprintf(stderr, "vrennosc-monitor: %s\n%s", printable(error).c_str(), usageText());
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error))
        return usageError(error);
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (options.check)
        return runCheck(options);
    Recorder recorder;
    bool refused = false;
    if (!options.record.empty() && !recorder.open(options.record, options.append, error, refused)) {
        std::fprintf(stderr, "vrennosc-monitor: %s\n", error.c_str());
        return refused ? 2 : 1;
    }
    Receiver receiver;
    bool inUse = false;
    if (!receiver.open(options.port, error, inUse)) {
        std::string holders;
        for (const std::string &holder :
             inUse ? gatherFacts(Roots{}, options.port).holders : std::vector<std::string>{})
            holders += printable(holder) + (holders.empty() ? " holds it; " : " also holds it; ");
        std::string p = std::to_string(options.port);
        std::fprintf(stderr, "vrennosc-monitor: %s%s\n", printable(error).c_str(),
                     inUse ? ("; " + holders + "ss -ulpn 'sport = :" + p + "' names the program").c_str()
                           : "");
        return 1;
    }
    // Bound first, so that the kernel keeps the datagrams that arrive while names are looked up.
    Forwarder forwarder;
    if (!forwarder.open(options.forwards, options.port, error)) {
        std::fprintf(stderr, "vrennosc-monitor: %s\n", printable(error).c_str());
        return 2;
    }
    std::signal(SIGINT, stop);
    std::signal(SIGTERM, stop);
    Shared shared;
    Status status;
    status.port = options.port;
    WebServer web;
    if (!options.web.port.empty() && !startWeb(web, shared, status, options))
        return 1;
    std::thread receiving(receiveLoop, std::ref(receiver), std::ref(forwarder), std::ref(recorder),
                          std::ref(shared));
    if (options.plain || !isatty(STDOUT_FILENO))
        runPlain(shared, status, forwarder, recorder, options);
    else if (runScreen(shared, status, forwarder, recorder, options)) {
        // The screen is gone with the terminal's alternate screen: the table stays in its place.
        std::lock_guard<std::mutex> hold(shared.lock);
        std::printf("%s", renderPlain(shared.model, status, secondsSince(shared.start)).c_str());
    }
    stopping = true;
    receiving.join();
    recorder.stop();          // after the last datagram is queued
    if (recorder.recording()) // the file as it is complete, after the last table or the screen
        std::printf("%s\n", recorder.stateText().c_str());
    return 0;
}

// vrennosc-play's options, each written once in the table below; every value is checked here.
#include "play_options.h"

#include "cli.h"

#include <cmath>
#include <cstdlib>

namespace play {
namespace {

bool parseSpeed(const char *text, double &speed) {
    char *end = nullptr;
    speed = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(speed) && speed > 0 && speed <= 1e6;
}

common::CommandLine commandLine(PlayOptions &o) {
    return {
        "Usage: vrennosc-play [--to HOST:PORT] [--speed X] [--loop] FILE\n"
        "Plays a recording of vrennosc-monitor --record (or of oscdump) with its timing: each line\n"
        "becomes one OSC message in its own datagram, the same bytes that arrived, so a receiver\n"
        "cannot tell the replay from the bridge. Stop it with Ctrl-C.\n",
        18,
        {
            {"--to", "HOST:PORT",
             "send to HOST:PORT instead of 127.0.0.1:9876, where the bridge sends;\n"
             "HOST is an IPv4 address, an [IPv6] address or a name",
             [&o](const char *value) {
                 return common::parseEndpoint(value, o.to) ? "" : common::endpointError("--to", value);
             }},
            {"--speed", "X", "play X times as fast (0.5: half as fast); the gaps are divided by X",
             [&o](const char *value) {
                 return parseSpeed(value, o.speed)
                            ? ""
                            : "--speed wants a number above 0 (2 plays twice as fast), not '" +
                                  std::string(value) + "'";
             }},
            {"--loop", nullptr, "start again after the last message, until stopped",
             [&o](const char *) { return o.loop = true, std::string(); }},
            {"--help", nullptr, nullptr, [&o](const char *) { return o.help = true, std::string(); }},
            {"-h", nullptr, nullptr, [&o](const char *) { return o.help = true, std::string(); }},
        },
        "The file is read through once before anything is sent: a line it cannot read stops it\n"
        "with FILE:LINE and what is wrong. On a terminal, one line shows the progress.\n"
        "Examples:\n"
        "  vrennosc-monitor --record take1.txt            (record; q stops)\n"
        "  vrennosc-play take1.txt                        (into Pd on 9876, with the bridge stopped)\n"
        "  vrennosc-play --loop --to 127.0.0.1:9877 take1.txt\n"
        "  vrennosc-play --speed 0.5 --to studio.local:9876 take1.txt\n"
        "  vrennosc-play --to 127.0.0.1:57120 take1.txt  (SuperCollider's sclang)\n"
        "  oscsendfile localhost 9876 take1.txt           (the same take, each message in a bundle)\n",
        [&o](const char *word) {
            if (!o.file.empty())
                return "one recording at a time, not also '" + std::string(word) + "'";
            o.file = word;
            return std::string();
        },
    };
}

} // namespace

std::string parsePlayOptions(int argc, char **argv, PlayOptions &options) {
    std::string refused = parseCommandLine(commandLine(options), argc, argv);
    if (refused.empty() && options.file.empty() && !options.help)
        refused = "which recording? Name its file";
    return refused;
}

std::string playUsageText() {
    PlayOptions unused;
    return usageText(commandLine(unused));
}

} // namespace play

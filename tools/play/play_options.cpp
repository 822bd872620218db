// Parses vrennosc-play's command line; every value is checked here.
#include "play_options.h"

#include <cmath>
#include <cstdlib>

namespace {

bool parseSpeed(const char *text, double &speed) {
    char *end = nullptr;
    speed = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(speed) && speed > 0 && speed <= 1e6;
}

} // namespace

bool parsePlayOptions(int argc, char **argv, PlayOptions &options, std::string &error) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        bool takesValue = option == "--to" || option == "--speed";
        const char *value = takesValue ? optionValue(argc, argv, i, error) : nullptr;
        if (takesValue && value == nullptr)
            return false;
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--loop") {
            options.loop = true;
        } else if (option == "--to") {
            if (!parseTarget(value, options.to)) {
                error = targetError(option, value);
                return false;
            }
        } else if (option == "--speed") {
            if (!parseSpeed(value, options.speed)) {
                error = "--speed wants a number above 0 (2 plays twice as fast), not '" + std::string(value) +
                        "'";
                return false;
            }
        } else if (option.size() > 1 && option[0] == '-') {
            error = "unknown option '" + option + "'";
            return false;
        } else if (!options.file.empty()) {
            error = "one recording at a time, not also '" + option + "'";
            return false;
        } else {
            options.file = option;
        }
    }
    if (options.file.empty() && !options.help) {
        error = "which recording? Name its file";
        return false;
    }
    return true;
}

const char *playUsageText() {
    return "Usage: vrennosc-play [--to HOST:PORT] [--speed X] [--loop] FILE\n"
           "Plays a recording of vrennosc-monitor --record (or of oscdump) with its timing: each line\n"
           "becomes one OSC message in its own datagram, the same bytes that arrived, so a receiver\n"
           "cannot tell the replay from the bridge. Stop it with Ctrl-C.\n"
           "  --to HOST:PORT  send to HOST:PORT instead of 127.0.0.1:9876, where the bridge sends;\n"
           "                  HOST is an IPv4 address, an [IPv6] address or a name\n"
           "  --speed X       play X times as fast (0.5: half as fast); the gaps are divided by X\n"
           "  --loop          start again after the last message, until stopped\n"
           "The file is read through once before anything is sent: a line it cannot read stops it\n"
           "with FILE:LINE and what is wrong. On a terminal, one line shows the progress.\n"
           "Examples:\n"
           "  vrennosc-monitor --record take1.txt            (record; q stops)\n"
           "  vrennosc-play take1.txt                        (into Pd on 9876, with the bridge stopped)\n"
           "  vrennosc-play --loop --to 127.0.0.1:9877 take1.txt\n"
           "  vrennosc-play --speed 0.5 --to studio.local:9876 take1.txt\n"
           "  vrennosc-play --to [::1]:57120 take1.txt      (SuperCollider on IPv6)\n"
           "  oscsendfile localhost 9876 take1.txt           (the same take, each message in a bundle)\n";
}

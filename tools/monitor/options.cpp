// Parses the monitor's command line into Options: every value is checked here, so that the rest of
// the program can trust it.
#include "options.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool parsePort(const char *text, uint16_t &port) {
    char *end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

bool parseTarget(const std::string &text, Target &target) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos)
        return false;
    uint16_t port = 0;
    if (host.empty() || !parsePort(text.c_str() + colon + 1, port))
        return false;
    target = Target{host, std::to_string(port)};
    return true;
}

namespace {

// [HOST:]PORT, HOST an IPv4 address or localhost, 127.0.0.1 when not given.
bool parseWebAddress(const std::string &text, Target &target) {
    in_addr address;
    bool hostGiven = text.find(':') != std::string::npos;
    if (!parseTarget(hostGiven ? text : "127.0.0.1:" + text, target))
        return false;
    if (target.host == "localhost")
        target.host = "127.0.0.1";
    return inet_pton(AF_INET, target.host.c_str(), &address) == 1;
}

bool parseSeconds(const char *text, double &seconds) {
    char *end = nullptr;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(seconds) && seconds > 0 && seconds < 1e9;
}

} // namespace

const char *optionValue(int argc, char **argv, int &i, std::string &error) {
    if (i + 1 < argc)
        return argv[++i];
    error = std::string(argv[i]) + " needs a value";
    return nullptr;
}

std::string targetError(const std::string &option, const char *value) {
    return option + " wants HOST:PORT (e.g. 127.0.0.1:9877 or [::1]:9877), not '" + value + "'";
}

bool parseOptions(int argc, char **argv, Options &options, std::string &error) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        bool takesValue = option == "--port" || option == "--forward" || option == "--seconds" ||
                          option == "--record" || option == "--web";
        const char *value = takesValue ? optionValue(argc, argv, i, error) : nullptr;
        if (takesValue && value == nullptr)
            return false;
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--plain") {
            options.plain = true;
        } else if (option == "--check") {
            options.check = true;
        } else if (option == "--record") {
            if (*value == '\0') {
                error = "--record wants a file name";
                return false;
            }
            options.record = value;
        } else if (option == "--append") {
            options.append = true;
        } else if (option == "--port") {
            if (!parsePort(value, options.port)) {
                error = "--port wants a number from 1 to 65535, not '" + std::string(value) + "'";
                return false;
            }
        } else if (option == "--forward") {
            Target target;
            if (!parseTarget(value, target)) {
                error = targetError(option, value);
                return false;
            }
            options.forwards.push_back(target);
        } else if (option == "--web") {
            if (!parseWebAddress(value, options.web)) {
                error = "--web wants [HOST:]PORT with an IPv4 address (e.g. 8080 or 0.0.0.0:8080), not '" +
                        std::string(value) + "'";
                return false;
            }
        } else if (option == "--seconds") {
            if (!parseSeconds(value, options.seconds)) {
                error = "--seconds wants a positive number, not '" + std::string(value) + "'";
                return false;
            }
        } else {
            error = "unknown option '" + option + "'";
            return false;
        }
    }
    if (options.append && options.record.empty()) {
        error = "--append goes with --record FILE";
        return false;
    }
    return true;
}

const char *usageText() {
    return "Usage: vrennosc-monitor [--port N] [--forward HOST:PORT]... [--plain] [--seconds S]\n"
           "                        [--record FILE [--append]] [--web [HOST:]PORT]\n"
           "       vrennosc-monitor --check\n"
           "Shows the OSC messages that arrive on UDP port N of 127.0.0.1 (default 9876): one row\n"
           "per address, with its rate, latest values, bars and recent history.\n"
           "  --port N            listen on port N instead of 9876\n"
           "  --forward HOST:PORT send every datagram on, unchanged; may be given more than once;\n"
           "                      a name that does not resolve yet is tried again every 3 s\n"
           "  --plain             print the table as text once a second (the default when the\n"
           "                      output is not a terminal)\n"
           "  --seconds S         stop after S seconds, printing the table one last time\n"
           "  --record FILE       also write every message to FILE, one line each, as oscdump\n"
           "                      writes them; vrennosc-play or oscsendfile replays FILE\n"
           "  --append            add to a FILE that holds a recording, instead of refusing it\n"
           "  --web [HOST:]PORT   also show the view as a live web page at http://HOST:PORT/;\n"
           "                      HOST is 127.0.0.1 unless given (0.0.0.0: every network)\n"
           "  --check             check the hub, the bridge and the network once, then exit\n"
           "Keys: q quits, space freezes the view, r resets ranges and histories, c clears rows.\n"
           "Examples:\n"
           "  vrennosc-monitor\n"
           "  vrennosc-monitor --forward 127.0.0.1:9877      (then open Pd on port 9877)\n"
           "  vrennosc-monitor --forward studio.local:9876 --forward [::1]:8000\n"
           "  vrennosc-monitor --plain --seconds 5 > table.txt\n"
           "  vrennosc-monitor --record take1.txt            (then: vrennosc-play --loop take1.txt)\n"
           "  vrennosc-monitor --web 8080                   (then open http://127.0.0.1:8080/)\n"
           "  vrennosc-monitor --check\n";
}

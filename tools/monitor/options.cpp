// The monitor's options, each written once in the table below: its value, its help and what it
// sets. Every value is checked here, so that the rest of the program can trust it.
#include "options.h"

#include "cli.h"

#include <arpa/inet.h>
#include <cmath>
#include <cstdlib>

namespace monitor {
namespace {

// [HOST:]PORT, HOST an IPv4 address or localhost, 127.0.0.1 when not given.
bool parseWebAddress(const std::string &text, common::Endpoint &endpoint) {
    in_addr address;
    bool hostGiven = text.find(':') != std::string::npos;
    if (!common::parseEndpoint(hostGiven ? text : "127.0.0.1:" + text, endpoint))
        return false;
    if (endpoint.host == "localhost")
        endpoint.host = "127.0.0.1";
    return inet_pton(AF_INET, endpoint.host.c_str(), &address) == 1;
}

bool parseSeconds(const char *text, double &seconds) {
    char *end = nullptr;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(seconds) && seconds > 0 && seconds < 1e9;
}

// The setter of a server's [HOST:]PORT option; example is a port for its error.
common::Setter serverAddress(const char *option, const char *example, common::Endpoint &endpoint) {
    return [=, &endpoint](const char *v) {
        return parseWebAddress(v, endpoint)
                   ? ""
                   : std::string(option) + " wants [HOST:]PORT with an IPv4 address (e.g. " + example +
                         " or 0.0.0.0:" + example + "), not '" + v + "'";
    };
}

// A setter that turns a flag on.
common::Setter flag(bool &on) {
    return [&on](const char *) { return on = true, std::string(); };
}

common::CommandLine commandLine(Options &o) {
    return {
        "Usage: vrennosc-monitor [--port N] [--forward HOST:PORT]... [--plain] [--seconds S]\n"
        "                        [--record FILE [--append]] [--web [HOST:]PORT]\n"
        "                        [--oscquery [HOST:]PORT [--allow-origin URL]...]\n"
        "       vrennosc-monitor --check\n"
        "Shows the OSC messages that arrive on UDP port N of 127.0.0.1 (default 9876): one row\n"
        "per address, with its rate, latest values, bars and recent history.\n",
        22,
        {
            {"--help", nullptr, nullptr, flag(o.help)},
            {"-h", nullptr, nullptr, flag(o.help)},
            {"--port", "N", "listen on port N instead of 9876",
             [&o](const char *v) {
                 return common::parsePort(v, o.port)
                            ? ""
                            : "--port wants a number from 1 to 65535, not '" + std::string(v) + "'";
             }},
            {"--forward", "HOST:PORT",
             "send every datagram on, unchanged; may be given more than once;\n"
             "a name that does not resolve yet is tried again every 3 s",
             [&o](const char *v) {
                 common::Endpoint target;
                 if (!common::parseEndpoint(v, target))
                     return common::endpointError("--forward", v);
                 o.forwards.push_back(target);
                 return std::string();
             }},
            {"--plain", nullptr,
             "print the table as text once a second (the default when the\n"
             "output is not a terminal)",
             flag(o.plain)},
            {"--seconds", "S", "stop after S seconds, printing the table one last time",
             [&o](const char *v) {
                 return parseSeconds(v, o.seconds)
                            ? ""
                            : "--seconds wants a positive number, not '" + std::string(v) + "'";
             }},
            {"--record", "FILE",
             "also write every message to FILE, one line each, as oscdump\n"
             "writes them, or raw in hex; vrennosc-play replays FILE",
             [&o](const char *v) {
                 o.record = v;
                 return *v ? "" : std::string("--record wants a file name");
             }},
            {"--append", nullptr, "add to a FILE that holds a recording, instead of refusing it",
             flag(o.append)},
            {"--web", "[HOST:]PORT",
             "also show the view as a live web page at http://HOST:PORT/;\n"
             "HOST is 127.0.0.1 unless given (0.0.0.0: every network)",
             serverAddress("--web", "8080", o.web)},
            {"--oscquery", "[HOST:]PORT",
             "also serve the addresses to OSCQuery programs at http://HOST:PORT/,\n"
             "with live values over a WebSocket there, and announce them on the\n"
             "network; HOST is 127.0.0.1 unless given (0.0.0.0: every network)",
             serverAddress("--oscquery", "9877", o.oscquery)},
            {"--allow-origin", "URL",
             "let scripts of the page at URL (e.g. http://localhost:8000) listen\n"
             "to the OSCQuery server; may be given more than once",
             [&o](const char *v) {
                 std::string origin = v;
                 bool web = origin.rfind("http://", 0) == 0 || origin.rfind("https://", 0) == 0;
                 if (!web || origin.size() < 9 ||
                     origin.find('/', origin.find("//") + 2) != std::string::npos)
                     return "--allow-origin wants a page's origin such as http://localhost:8000, not '" +
                            origin + "'";
                 o.origins.push_back(origin);
                 return std::string();
             }},
            {"--check", nullptr, "check the hub, the bridge and the network once, then exit", flag(o.check)},
        },
        "Keys: q quits, space freezes the view, r resets ranges and histories, c clears rows.\n"
        "Examples:\n"
        "  vrennosc-monitor\n"
        "  vrennosc-monitor --forward 127.0.0.1:9877      (then open Pd on port 9877)\n"
        "  vrennosc-monitor --forward studio.local:9876 --forward [::1]:8000\n"
        "  vrennosc-monitor --plain --seconds 5 > table.txt\n"
        "  vrennosc-monitor --record take1.txt            (then: vrennosc-play --loop take1.txt)\n"
        "  vrennosc-monitor --web 8080                   (then open http://127.0.0.1:8080/)\n"
        "  vrennosc-monitor --oscquery 0.0.0.0:9877       (found by OSCQuery programs)\n"
        "  vrennosc-monitor --check\n",
    };
}

} // namespace

std::string parseOptions(int argc, char **argv, Options &options) {
    std::string refused = common::parseCommandLine(commandLine(options), argc, argv);
    if (refused.empty() && options.append && options.record.empty())
        refused = "--append goes with --record FILE";
    if (refused.empty() && !options.origins.empty() && options.oscquery.port.empty())
        refused = "--allow-origin goes with --oscquery [HOST:]PORT";
    return refused;
}

std::string usageText() {
    Options unused;
    return common::usageText(commandLine(unused));
}

} // namespace monitor

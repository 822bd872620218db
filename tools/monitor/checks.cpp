// Each line says what is wrong and how to fix it. Names from outside (hidraw nodes, process names)
// go through printable(). Messages that arrive prove the chain, so the facts they disprove are
// kept as notes rather than failures.
#include "checks.h"

#include "format.h"

namespace {

std::vector<CheckLine> hubLines(const Facts &facts, bool heard) {
    std::string node = printable(facts.node);
    if (facts.hub == HubState::Absent)
        return {
            heard
                ? CheckLine{true, "hub: no hub node; the messages come from elsewhere, perhaps a virtual hub",
                            true}
                : CheckLine{false, "hub: not found; plug it in, try another cable (README: The hub is not "
                                   "found)"}};
    std::vector<CheckLine> lines{{true, "hub: present at " + node}};
    if (facts.hub == HubState::Readable)
        lines.push_back({true, "hub: readable by this user"});
    else if (heard)
        lines.push_back({true,
                         "hub: " + node +
                             " is not readable by this user; the messages come from a bridge of another "
                             "user, or from elsewhere",
                         true});
    else
        lines.push_back({false, "hub: " + node +
                                    " is not readable by this user; apply the udev rule (README: "
                                    "Permissions)"});
    return lines;
}

CheckLine bridgeLine(const Facts &facts) {
    std::string pid = std::to_string(facts.bridgePid);
    if (facts.bridgeHere)
        return {true, "bridge: vrennosc is running (pid " + pid + ")"};
    if (facts.bridgePid != 0)
        return {false, "bridge: vrennosc runs in another network namespace (pid " + pid +
                           "); its messages cannot arrive here: run it where the receiver runs"};
    return {false, "bridge: no vrennosc process; start it: vrennosc, or systemctl --user start vrennosc"};
}

std::vector<CheckLine> portLines(const Facts &facts, uint16_t port) {
    std::string p = std::to_string(port);
    if (!facts.portHeld)
        return {{true, "port " + p + ": free"}};
    std::string names;
    for (const std::string &holder : facts.holders)
        names += (names.empty() ? "" : ", ") + printable(holder);
    std::vector<CheckLine> lines{
        {false, "port " + p + ": held by " + names + "; stop it, or find it: ss -ulpn 'sport = :" + p + "'"}};
    if (facts.holders.size() > 1)
        lines.push_back(
            {false,
             "port " + p +
                 ": only one of them, the one that bound last, receives the messages; stop the others"});
    return lines;
}

} // namespace

std::string hubText(const Facts &facts) {
    switch (facts.hub) {
    case HubState::Absent:
        return "hub absent";
    case HubState::Readable:
        return "hub at " + printable(facts.node);
    default:
        return "hub at " + printable(facts.node) + " NOT readable";
    }
}

std::vector<CheckLine> checkLines(const Facts &facts, uint16_t port, bool heard) {
    std::vector<CheckLine> lines = hubLines(facts, heard);
    lines.push_back(bridgeLine(facts));
    lines.push_back(
        {facts.localhost,
         facts.localhost
             ? "localhost: resolves to 127.0.0.1"
             : "localhost: does not resolve to 127.0.0.1; add '127.0.0.1 localhost' to /etc/hosts"});
    lines.push_back({facts.loopback,
                     facts.loopback ? "loopback: lo is up" : "loopback: lo is down; sudo ip link set lo up"});
    for (CheckLine &line : lines)
        if (heard && !line.ok)
            line = {true, line.text.substr(0, line.text.find(';')) + "; yet messages arrive", true};
    for (CheckLine &line : portLines(facts, port))
        lines.push_back(line);
    return lines;
}

std::string firstProblem(const Facts &facts) {
    // The port is left out: the monitor holds it itself.
    for (const CheckLine &line : checkLines(facts, 0))
        if (!line.ok && line.text.rfind("port", 0) != 0)
            return line.text;
    return "";
}

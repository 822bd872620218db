// Each check says what is wrong and how to fix it. Names from outside (hidraw nodes, process names)
// go through printable(). Messages that arrive prove the chain, so the facts they disprove are
// kept as notes rather than failures.
#include "checks.h"

#include "printable.h"

namespace monitor {
namespace {

using common::printable;

std::vector<Check> hubChecks(const Facts &facts, bool heard) {
    std::string node = printable(facts.node);
    if (facts.hub == HubState::Absent)
        return {heard ? Check{CheckKind::Hub, Verdict::Note, "hub: no hub node",
                              "the messages come from elsewhere, perhaps a virtual hub"}
                      : Check{CheckKind::Hub, Verdict::Fail, "hub: not found",
                              "plug it in, try another cable (README: The hub is not found)"}};
    std::vector<Check> found{{CheckKind::Hub, Verdict::Ok, "hub: present at " + node, ""}};
    std::string unreadable = "hub: " + node + " is not readable by this user";
    if (facts.hub == HubState::Readable)
        found.push_back({CheckKind::Hub, Verdict::Ok, "hub: readable by this user", ""});
    else if (heard)
        found.push_back({CheckKind::Hub, Verdict::Note, unreadable,
                         "the messages come from a bridge of another user, or from elsewhere"});
    else
        found.push_back(
            {CheckKind::Hub, Verdict::Fail, unreadable, "apply the udev rule (README: Permissions)"});
    return found;
}

Check bridgeCheck(const Facts &facts) {
    std::string pid = std::to_string(facts.bridgePid);
    if (facts.bridgeHere)
        return {CheckKind::Bridge, Verdict::Ok, "bridge: vrennosc is running (pid " + pid + ")", ""};
    if (facts.bridgePid != 0)
        return {CheckKind::Bridge, Verdict::Fail,
                "bridge: vrennosc runs in another network namespace (pid " + pid + ")",
                "its messages cannot arrive here: run it where the receiver runs"};
    return {CheckKind::Bridge, Verdict::Fail, "bridge: no vrennosc process",
            "start it: vrennosc, or systemctl --user start vrennosc"};
}

Check moreBridgesCheck(const Facts &facts) {
    std::string pids = std::to_string(facts.bridgePid);
    for (int pid : facts.moreBridges)
        pids += ", " + std::to_string(pid);
    return {CheckKind::Bridge, Verdict::Fail,
            "bridge: " + std::to_string(facts.moreBridges.size() + 1) + " vrennosc processes run (pids " +
                pids + "), so every message arrives more than once",
            "stop all but one (systemctl --user stop vrennosc stops the service)"};
}

std::vector<Check> networkChecks(const Facts &facts) {
    return {facts.localhost
                ? Check{CheckKind::Localhost, Verdict::Ok, "localhost: resolves to 127.0.0.1", ""}
                : Check{CheckKind::Localhost, Verdict::Fail, "localhost: does not resolve to 127.0.0.1",
                        "add '127.0.0.1 localhost' to /etc/hosts"},
            facts.loopback ? Check{CheckKind::Loopback, Verdict::Ok, "loopback: lo is up", ""}
                           : Check{CheckKind::Loopback, Verdict::Fail, "loopback: lo is down",
                                   "sudo ip link set lo up"}};
}

std::vector<Check> portChecks(const Facts &facts, uint16_t port) {
    std::string p = "port " + std::to_string(port);
    if (!facts.portHeld)
        return {{CheckKind::Port, Verdict::Ok, p + ": free", ""}};
    std::string names;
    for (const std::string &holder : facts.holders)
        names += (names.empty() ? "" : ", ") + printable(holder);
    std::vector<Check> held{{CheckKind::Port, Verdict::Fail, p + ": held by " + names,
                             "stop it, or find it: ss -ulpn 'sport = :" + std::to_string(port) + "'"}};
    if (facts.holders.size() > 1)
        held.push_back({CheckKind::Port, Verdict::Fail,
                        p + ": only one of them, the one that bound last, receives the messages",
                        "stop the others"});
    return held;
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

std::vector<Check> checks(const Facts &facts, uint16_t port, bool heard) {
    std::vector<Check> all = hubChecks(facts, heard);
    all.push_back(bridgeCheck(facts));
    for (Check &check : networkChecks(facts))
        all.push_back(check);
    for (Check &check : all)
        if (heard && check.verdict == Verdict::Fail)
            check = {check.kind, Verdict::Note, check.fact, "yet messages arrive"};
    // Messages arriving do not disprove this one: they arrive twice.
    if (!facts.moreBridges.empty())
        all.push_back(moreBridgesCheck(facts));
    for (Check &check : portChecks(facts, port))
        all.push_back(check);
    return all;
}

Check messagesCheck(bool listened, const std::string &error, long arrived) {
    if (!listened)
        return {CheckKind::Messages, Verdict::Fail, "messages: not listened for, as the port is held", ""};
    if (!error.empty())
        return {CheckKind::Messages, Verdict::Fail, "messages: " + printable(error), ""};
    if (arrived > 0)
        return {CheckKind::Messages, Verdict::Ok, "messages: " + std::to_string(arrived) + " arrived in 2 s",
                ""};
    return {CheckKind::Messages, Verdict::Fail, "messages: none arrived in 2 s", "see the lines above"};
}

std::string firstProblem(const Facts &facts) {
    // The port is left out: the monitor holds it itself.
    for (const Check &check : checks(facts, 0))
        if (check.verdict == Verdict::Fail && check.kind != CheckKind::Port)
            return check.text();
    return "";
}

} // namespace monitor

// Each check reads one small file or link. The hub is the hidraw node whose HID device is named
// 0003:2341:8036.*; the bridge is a process named vrennosc; the port's holder is the process with
// a descriptor on the socket inode that the UDP table lists for the port.
#include "checks.h"
#include "hub_ids.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace {

std::vector<std::string> entries(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *entry = readdir(d))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(d);
    }
    return names;
}

std::string firstLine(const std::string &path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

bool isNumber(const std::string &name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

void readHub(const Roots &roots, Facts &facts) {
    for (const std::string &node : entries(roots.sys + "/class/hidraw")) {
        char target[PATH_MAX];
        ssize_t length =
            readlink((roots.sys + "/class/hidraw/" + node + "/device").c_str(), target, sizeof target - 1);
        if (length <= 0)
            continue;
        target[length] = '\0';
        const char *device = std::strrchr(target, '/');
        if (std::strncmp(device ? device + 1 : target, hubDeviceNamePrefix, hubDeviceNamePrefixLength) != 0)
            continue;
        facts.node = "/dev/" + node;
        bool readable = access((roots.dev + "/" + node).c_str(), R_OK | W_OK) == 0;
        facts.hub = readable ? HubState::Readable : HubState::Unreadable;
        return;
    }
}

void readBridge(const Roots &roots, Facts &facts) {
    for (const std::string &pid : entries(roots.proc))
        if (isNumber(pid) && firstLine(roots.proc + "/" + pid + "/comm") == "vrennosc") {
            facts.bridgePid = std::atoi(pid.c_str());
            return;
        }
}

// The inode of a socket bound to the port, from /proc/net/udp and udp6; empty when none.
std::string socketInode(const Roots &roots, uint16_t port) {
    char local[8];
    std::snprintf(local, sizeof local, ":%04X", port);
    for (const char *table : {"/net/udp", "/net/udp6"}) {
        std::ifstream file(roots.proc + table);
        std::string line;
        while (std::getline(file, line)) {
            char address[64], remote[64], inode[32];
            unsigned state = 0;
            if (std::sscanf(line.c_str(), " %*d: %63s %63s %x %*s %*s %*s %*s %*s %31s", address, remote,
                            &state, inode) == 4 &&
                std::strstr(address, local) != nullptr && std::strlen(std::strstr(address, local)) == 5 &&
                state == 7)
                return inode;
        }
    }
    return "";
}

std::string socketHolder(const Roots &roots, const std::string &inode) {
    std::string link = "socket:[" + inode + "]";
    for (const std::string &pid : entries(roots.proc)) {
        if (!isNumber(pid))
            continue;
        std::string fds = roots.proc + "/" + pid + "/fd/";
        for (const std::string &fd : entries(fds)) {
            char target[64];
            ssize_t length = readlink((fds + fd).c_str(), target, sizeof target - 1);
            if (length > 0 && std::string(target, length) == link)
                return firstLine(roots.proc + "/" + pid + "/comm") + " (pid " + pid + ")";
        }
    }
    return "";
}

bool localhostIsLoopback() {
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    if (getaddrinfo("localhost", nullptr, &hints, &found) != 0)
        return false;
    bool loopback = false;
    for (addrinfo *a = found; a != nullptr; a = a->ai_next)
        loopback |= reinterpret_cast<sockaddr_in *>(a->ai_addr)->sin_addr.s_addr == htonl(INADDR_LOOPBACK);
    freeaddrinfo(found);
    return loopback;
}

} // namespace

Facts gatherFacts(const Roots &roots, uint16_t port) {
    Facts facts;
    readHub(roots, facts);
    readBridge(roots, facts);
    facts.localhost = localhostIsLoopback();
    std::string operstate = firstLine(roots.sys + "/class/net/lo/operstate"); // "unknown" when up
    facts.loopback = !operstate.empty() && operstate != "down";
    std::string inode = socketInode(roots, port);
    facts.portHeld = !inode.empty();
    if (facts.portHeld)
        facts.holder = socketHolder(roots, inode);
    return facts;
}

std::string hubText(const Facts &facts) {
    switch (facts.hub) {
    case HubState::Absent:
        return "hub absent";
    case HubState::Readable:
        return "hub at " + facts.node;
    default:
        return "hub at " + facts.node + " NOT readable";
    }
}

std::vector<CheckLine> checkLines(const Facts &facts, uint16_t port) {
    std::string p = std::to_string(port);
    bool present = facts.hub != HubState::Absent, readable = facts.hub == HubState::Readable;
    std::string holder = facts.holder.empty() ? "another user's program" : facts.holder;
    return {
        {present, present ? "hub: present at " + facts.node
                          : "hub: not found; plug it in, try another cable (README: The hub is not found)"},
        {readable, readable  ? "hub: readable by this user"
                   : present ? "hub: " + facts.node +
                                   " is not readable by this user; apply the udev rule (README: Permissions)"
                             : "hub: nothing to read"},
        {facts.bridgePid != 0,
         facts.bridgePid != 0
             ? "bridge: vrennosc is running (pid " + std::to_string(facts.bridgePid) + ")"
             : "bridge: no vrennosc process; start it: vrennosc, or systemctl --user start vrennosc"},
        {facts.localhost,
         facts.localhost
             ? "localhost: resolves to 127.0.0.1"
             : "localhost: does not resolve to 127.0.0.1; add '127.0.0.1 localhost' to /etc/hosts"},
        {facts.loopback,
         facts.loopback ? "loopback: lo is up" : "loopback: lo is down; sudo ip link set lo up"},
        {!facts.portHeld, !facts.portHeld ? "port " + p + ": free"
                                          : "port " + p + ": held by " + holder +
                                                "; stop it, or find it: ss -ulpn 'sport = :" + p + "'"},
    };
}

std::string firstProblem(const Facts &facts) {
    // The port is left out: the monitor holds it itself.
    std::vector<CheckLine> lines = checkLines(Facts(facts), 0);
    lines.pop_back();
    for (const CheckLine &line : lines)
        if (!line.ok)
            return line.text;
    return "";
}

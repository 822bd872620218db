// Each fact reads a few small files or links. The hub is the hidraw node whose HID device is named
// 0003:2341:8036.*; the bridge is a process named vrennosc; a holder of the port is a process with
// a descriptor on a socket inode that the UDP tables list for the port. Those tables, /proc/net,
// show the reader's own network namespace, and so does the kernel's answer about lo.
#include "facts.h"
#include "hub_ids.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace monitor {

namespace {

constexpr auto kBridgeScanInterval = std::chrono::seconds(3);

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

// The first line of a small file, read with one call: a stream costs more than the read itself,
// and the bridge's lookup reads the name of every process.
std::string firstLine(const std::string &path) {
    char text[256];
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ssize_t length = fd == -1 ? 0 : read(fd, text, sizeof text);
    if (fd != -1)
        close(fd);
    std::string line(text, length > 0 ? length : 0);
    return line.substr(0, line.find('\n'));
}

std::string linkTarget(const std::string &path) {
    char target[PATH_MAX];
    ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, length) : "";
}

bool isNumber(const std::string &name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

void readHub(const Roots &roots, Facts &facts) {
    for (const std::string &node : entries(roots.sys + "/class/hidraw")) {
        std::string target = linkTarget(roots.sys + "/class/hidraw/" + node + "/device");
        if (target.compare(target.rfind('/') + 1, hubDeviceNamePrefixLength, hubDeviceNamePrefix) != 0)
            continue;
        facts.node = "/dev/" + node;
        bool readable = access((roots.dev + "/" + node).c_str(), R_OK | W_OK) == 0;
        facts.hub = readable ? HubState::Readable : HubState::Unreadable;
        return;
    }
}

bool isBridge(const Roots &roots, int pid) {
    return firstLine(roots.proc + "/" + std::to_string(pid) + "/comm") == "vrennosc";
}

// Whether a process shares the monitor's network namespace. Another user's process does not show
// its namespace; it is taken to share it, as a bridge started with sudo usually does.
bool sharesNamespace(const Roots &roots, int pid) {
    std::string own = linkTarget(roots.proc + "/self/ns/net");
    std::string theirs = linkTarget(roots.proc + "/" + std::to_string(pid) + "/ns/net");
    return own.empty() || theirs.empty() || own == theirs;
}

// A bridge in this namespace if there is one, else one in another; and any further ones here.
void scanBridges(const Roots &roots, BridgeCache &bridge) {
    bridge.pid = 0, bridge.here = false;
    bridge.more.clear();
    for (const std::string &name : entries(roots.proc)) {
        int pid = isNumber(name) ? std::atoi(name.c_str()) : 0;
        if (pid == 0 || !isBridge(roots, pid))
            continue;
        bool here = sharesNamespace(roots, pid);
        if (here && bridge.here && bridge.pid != 0)
            bridge.more.push_back(pid);
        else if (bridge.pid == 0 || here)
            bridge.pid = pid, bridge.here = here;
    }
    // In pid order, the oldest usually first, whatever order the directory gives.
    if (!bridge.more.empty()) {
        bridge.more.push_back(bridge.pid);
        std::sort(bridge.more.begin(), bridge.more.end());
        bridge.pid = bridge.more.front();
        bridge.more.erase(bridge.more.begin());
    }
}

void readBridge(const Roots &roots, BridgeCache &bridge, Facts &facts) {
    auto now = std::chrono::steady_clock::now();
    bool still =
        bridge.pid != 0 && isBridge(roots, bridge.pid) && sharesNamespace(roots, bridge.pid) == bridge.here;
    if (!still)
        bridge.pid = 0, bridge.more.clear();
    if (now >= bridge.nextScan) {
        scanBridges(roots, bridge);
        bridge.nextScan = now + kBridgeScanInterval;
    }
    facts.bridgePid = bridge.pid;
    facts.bridgeHere = bridge.pid != 0 && bridge.here;
    if (facts.bridgeHere)
        facts.moreBridges = bridge.more;
}

// The inodes of every socket bound to the port, from /proc/net/udp and udp6.
std::vector<std::string> socketInodes(const Roots &roots, uint16_t port) {
    char local[8];
    std::snprintf(local, sizeof local, ":%04X", port);
    std::vector<std::string> inodes;
    for (const char *table : {"/net/udp", "/net/udp6"}) {
        std::ifstream file(roots.proc + table);
        std::string line;
        while (std::getline(file, line)) {
            char address[64], remote[64], inode[32];
            unsigned state = 0;
            if (std::sscanf(line.c_str(), " %*d: %63s %63s %x %*s %*s %*s %*s %*s %31s", address, remote,
                            &state, inode) == 4 &&
                std::strlen(address) > 5 && std::strcmp(address + std::strlen(address) - 5, local) == 0 &&
                state == 7)
                inodes.push_back(inode);
        }
    }
    return inodes;
}

// The program's name as started, without its folder: the kernel's comm is cut to 15 characters.
// comm serves a process whose command line is empty or hidden.
std::string programName(const Roots &roots, const std::string &pid) {
    std::string command = firstLine(roots.proc + "/" + pid + "/cmdline");
    command = command.substr(0, command.find('\0'));
    command = command.substr(command.rfind('/') + 1);
    return command.empty() ? firstLine(roots.proc + "/" + pid + "/comm") : command;
}

// "NAME (pid N)" for each process with a descriptor on one of the sockets; a socket whose process
// this user cannot see is named so.
std::vector<std::string> socketHolders(const Roots &roots, const std::vector<std::string> &inodes) {
    std::vector<std::vector<std::string>> found(inodes.size());
    for (const std::string &pid : entries(roots.proc)) {
        if (!isNumber(pid))
            continue;
        std::string fds = roots.proc + "/" + pid + "/fd/";
        for (const std::string &fd : entries(fds)) {
            std::string target = linkTarget(fds + fd);
            for (size_t i = 0; i < inodes.size(); ++i)
                if (target == "socket:[" + inodes[i] + "]")
                    found[i].push_back(programName(roots, pid) + " (pid " + pid + ")");
        }
    }
    std::vector<std::string> holders;
    for (const std::vector<std::string> &names : found) {
        if (names.empty())
            holders.push_back("another user's program");
        holders.insert(holders.end(), names.begin(), names.end());
    }
    return holders;
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

// Asked of the kernel: /sys shows the interfaces of the namespace that mounted it, not ours.
bool loopbackIsUp() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd == -1)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_UP) != 0;
    close(fd);
    return up;
}

} // namespace

Facts gatherFacts(const Roots &roots, BridgeCache &bridge) {
    Facts facts;
    readHub(roots, facts);
    readBridge(roots, bridge, facts);
    facts.localhost = localhostIsLoopback();
    facts.loopback = loopbackIsUp();
    return facts;
}

Facts gatherFacts(const Roots &roots, uint16_t port) {
    BridgeCache bridge;
    Facts facts = gatherFacts(roots, bridge);
    std::vector<std::string> inodes = socketInodes(roots, port);
    facts.portHeld = !inodes.empty();
    facts.holders = socketHolders(roots, inodes);
    return facts;
}

} // namespace monitor

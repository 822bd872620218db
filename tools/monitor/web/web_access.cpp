// The checks compare names without regard to case, as DNS does.
#include "web_access.h"

#include <arpa/inet.h>
#include <climits>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <strings.h>
#include <unistd.h>

namespace monitor {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

void addInterfaceAddresses(std::vector<std::string> &names) {
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return;
    for (ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        char text[INET_ADDRSTRLEN];
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET &&
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in *>(entry->ifa_addr)->sin_addr, text,
                      sizeof text))
            names.push_back(text);
    }
    freeifaddrs(list);
}

} // namespace

std::vector<std::string> serverNames(const std::string &listenHost) {
    std::vector<std::string> names{"localhost", listenHost};
    char own[HOST_NAME_MAX + 1] = {};
    if (gethostname(own, sizeof own - 1) == 0 && own[0]) {
        names.push_back(own);
        names.push_back(std::string(own) + ".local");
    }
    if (listenHost == "0.0.0.0")
        addInterfaceAddresses(names);
    return names;
}

bool hostAllowed(std::string_view host, uint16_t port, const std::vector<std::string> &names) {
    std::string suffix = ":" + std::to_string(port);
    if (host.size() > suffix.size() && host.substr(host.size() - suffix.size()) == suffix)
        host.remove_suffix(suffix.size());
    else if (port != 80)
        return false;
    for (const std::string &name : names)
        if (sameName(host, name))
            return true;
    return false;
}

bool originAllowed(const char *origin, std::string_view host) {
    return origin == nullptr || sameName(origin, "http://" + std::string(host));
}

} // namespace monitor

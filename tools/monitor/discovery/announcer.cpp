// avahi's threaded poll runs every callback on its own thread; the monitor only reads the state.
// A name another computer holds gets avahi's alternative ("NAME #2"), as the responder expects.
#include "announcer.h"

#include <arpa/inet.h>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#include <ifaddrs.h>
#include <net/if.h>

namespace monitor {

namespace {

constexpr const char *kNoResponder = "discovery off: no mDNS responder runs (sudo apt install avahi-daemon, "
                                     "then sudo systemctl start avahi-daemon)";

// The interface that holds host, an IPv4 address: every one for 0.0.0.0, loopback for 127.x.
int interfaceOf(const std::string &host) {
    in_addr wanted{};
    inet_pton(AF_INET, host.c_str(), &wanted);
    if (wanted.s_addr == htonl(INADDR_ANY))
        return AVAHI_IF_UNSPEC;
    bool loopback = (ntohl(wanted.s_addr) >> 24) == 127;
    ifaddrs *all = nullptr;
    if (getifaddrs(&all) != 0)
        return AVAHI_IF_UNSPEC;
    int found = AVAHI_IF_UNSPEC;
    for (ifaddrs *each = all; each && found == AVAHI_IF_UNSPEC; each = each->ifa_next) {
        if (!each->ifa_addr || each->ifa_addr->sa_family != AF_INET)
            continue;
        in_addr address = reinterpret_cast<sockaddr_in *>(each->ifa_addr)->sin_addr;
        if (loopback ? (each->ifa_flags & IFF_LOOPBACK) != 0 : address.s_addr == wanted.s_addr)
            found = static_cast<int>(if_nametoindex(each->ifa_name));
    }
    freeifaddrs(all);
    return found;
}

} // namespace

struct AvahiCallbacks {
    static void client(AvahiClient *client, AvahiClientState state, void *self) {
        static_cast<Announcer *>(self)->clientChanged(client, state);
    }
    static void group(AvahiEntryGroup *group, AvahiEntryGroupState state, void *self) {
        static_cast<Announcer *>(self)->groupChanged(group, state);
    }
};

Announcer::~Announcer() {
    if (poll_)
        avahi_threaded_poll_stop(poll_);
    if (client_)
        avahi_client_free(client_); // frees the group too
    if (poll_)
        avahi_threaded_poll_free(poll_);
}

std::string Announcer::start(const std::string &name, const std::string &queryHost, uint16_t queryPort,
                             uint16_t oscPort) {
    name_ = name;
    queryInterface_ = interfaceOf(queryHost);
    oscInterface_ = interfaceOf("127.0.0.1");
    queryPort_ = queryPort;
    oscPort_ = oscPort;
    poll_ = avahi_threaded_poll_new();
    int error = 0;
    if (poll_)
        client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AVAHI_CLIENT_NO_FAIL,
                                   AvahiCallbacks::client, this, &error);
    if (!client_ || avahi_threaded_poll_start(poll_) < 0)
        setState(error == AVAHI_ERR_NO_DAEMON ? kNoResponder
                                              : std::string("discovery off: ") + avahi_strerror(error));
    return state();
}

std::string Announcer::state() const {
    std::lock_guard<std::mutex> hold(lock_);
    return state_;
}

void Announcer::setState(std::string state) {
    std::lock_guard<std::mutex> hold(lock_);
    state_ = std::move(state);
}

void Announcer::clientChanged(AvahiClient *client, int state) {
    switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
        publish(client);
        break;
    case AVAHI_CLIENT_S_COLLISION: // the host name is taken: announced again once it has another
    case AVAHI_CLIENT_S_REGISTERING:
        if (group_)
            avahi_entry_group_reset(group_);
        break;
    case AVAHI_CLIENT_CONNECTING:
        setState(kNoResponder);
        break;
    case AVAHI_CLIENT_FAILURE: {
        // The responder went away: its groups are gone with it, and a new client would wait for it.
        group_ = nullptr;
        int error = avahi_client_errno(client);
        setState(error == AVAHI_ERR_DISCONNECTED || error == AVAHI_ERR_NO_DAEMON
                     ? kNoResponder
                     : std::string("discovery off: ") + avahi_strerror(error));
        break;
    }
    default:
        break;
    }
}

void Announcer::groupChanged(AvahiEntryGroup *group, int state) {
    if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
        setState("announced as \"" + name_ + "\"");
    } else if (state == AVAHI_ENTRY_GROUP_COLLISION) {
        char *other = avahi_alternative_service_name(name_.c_str());
        name_ = other;
        avahi_free(other);
        avahi_entry_group_reset(group);
        publish(avahi_entry_group_get_client(group));
    } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
        setState(std::string("discovery off: ") +
                 avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
    }
}

void Announcer::publish(AvahiClient *client) {
    if (!group_)
        group_ = avahi_entry_group_new(client, AvahiCallbacks::group, this);
    if (!group_ || !avahi_entry_group_is_empty(group_))
        return;
    int error =
        avahi_entry_group_add_service(group_, queryInterface_, AVAHI_PROTO_INET, AvahiPublishFlags(0),
                                      name_.c_str(), "_oscjson._tcp", nullptr, nullptr, queryPort_, nullptr);
    if (error == AVAHI_ERR_COLLISION)
        return groupChanged(group_, AVAHI_ENTRY_GROUP_COLLISION);
    if (error == 0)
        error =
            avahi_entry_group_add_service(group_, oscInterface_, AVAHI_PROTO_INET, AvahiPublishFlags(0),
                                          name_.c_str(), "_osc._udp", nullptr, nullptr, oscPort_, nullptr);
    if (error == 0)
        error = avahi_entry_group_commit(group_);
    if (error != 0)
        setState(std::string("discovery off: ") + avahi_strerror(error));
}

} // namespace monitor

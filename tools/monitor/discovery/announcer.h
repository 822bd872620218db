// Announces the OSCQuery server through the system's mDNS responder (avahi): _oscjson._tcp where
// its clients can reach it, and _osc._udp for the port the monitor receives on, to this computer
// alone, as the monitor receives on loopback. Without a responder it says so, and announces as
// soon as one starts.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

struct AvahiClient;
struct AvahiEntryGroup;
struct AvahiThreadedPoll;

namespace monitor {

class Announcer {
public:
    Announcer() = default;
    ~Announcer();
    Announcer(const Announcer &) = delete;
    Announcer &operator=(const Announcer &) = delete;

    // Starts announcing name for the OSCQuery server on queryHost:queryPort and the monitor's
    // oscPort; returns what state() says at once.
    std::string start(const std::string &name, const std::string &queryHost, uint16_t queryPort,
                      uint16_t oscPort);
    // "announced as NAME", or "discovery off: " and why, in words.
    std::string state() const;

private:
    friend struct AvahiCallbacks; // avahi's calls, with its own types, in announcer.cpp
    void clientChanged(AvahiClient *client, int state);
    void groupChanged(AvahiEntryGroup *group, int state);
    void publish(AvahiClient *client);
    void setState(std::string state);

    AvahiThreadedPoll *poll_ = nullptr;
    AvahiClient *client_ = nullptr;
    AvahiEntryGroup *group_ = nullptr; // used in avahi's thread only, once started
    std::string name_;
    int queryInterface_ = -1, oscInterface_ = -1;
    uint16_t queryPort_ = 0, oscPort_ = 0;

    mutable std::mutex lock_; // guards state_
    std::string state_;
};

} // namespace monitor

// The OSCQuery clients on the WebSocket: the addresses each listens to, and a bounded queue of what
// is to be sent to each. The receiving thread only queues, never waits for a client: a client whose
// queue is full skips what does not fit, and the skips are counted.
#pragma once

#include "model.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace monitor {

struct Outgoing {
    bool binary; // a datagram as it arrived; otherwise a JSON text message
    std::string bytes;
};

class Listeners {
public:
    static constexpr int kMaxClients = 32;
    // What a client's queue may hold: about a second of the hub's busiest stream.
    static constexpr size_t kQueueBytes = 1 << 20;
    static constexpr size_t kEntryCost = 64; // what a queued message costs besides its bytes

    // A new client's number, or -1 when kMaxClients are there.
    int join();
    // Forgets the client, and wakes its take().
    void leave(int client);
    // Starts or stops sending the client the datagrams sent to address.
    void listen(int client, const std::string &address);
    void ignore(int client, const std::string &address);
    // Queues each of count datagrams for the clients that listen to its address.
    void offer(const std::string_view *datagrams, int count);
    // Queues PATH_ADDED or PATH_REMOVED for every client.
    void announce(const std::vector<PathChange> &changes);
    // Waits up to timeoutMs for what is queued for the client and takes it; false once it left.
    bool take(int client, std::vector<Outgoing> &out, int timeoutMs);
    // Clients now, and what they skipped in all.
    int clients() const;
    uint64_t skipped() const;

private:
    struct Client {
        bool present = false;
        std::set<std::string, std::less<>> addresses;
        std::vector<Outgoing> queue;
        size_t queued = 0;    // what queue costs, in bytes
        bool waiting = false; // its sender waits in take()
    };
    // Queues for the client; true when its sender is to be woken.
    bool queue(Client &client, Outgoing outgoing);
    // Wakes the senders of the clients in woken.
    void wake(const bool (&woken)[kMaxClients]);

    mutable std::mutex lock_;                    // guards everything below but ready_
    std::condition_variable ready_[kMaxClients]; // one per client, so that a message wakes only its own
    Client clients_[kMaxClients];
    int present_ = 0;
    uint64_t skipped_ = 0;
};

} // namespace monitor

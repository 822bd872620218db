// One lock for every client: the receiving thread holds it once per batch, for one lookup and one
// copy per listening client and datagram, and a client's sender only to swap its queue out. A
// sender is woken only when its queue was empty, so a busy stream costs one wakeup per batch.
#include "listeners.h"

#include "json_text.h"

#include <chrono>

namespace monitor {

int Listeners::join() {
    std::lock_guard<std::mutex> hold(lock_);
    for (int i = 0; i < kMaxClients; ++i)
        if (!clients_[i].present) {
            clients_[i] = Client{};
            clients_[i].present = true;
            ++present_;
            return i;
        }
    return -1;
}

void Listeners::leave(int client) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        clients_[client] = Client{};
        --present_;
    }
    ready_[client].notify_all();
}

void Listeners::listen(int client, const std::string &address) {
    std::lock_guard<std::mutex> hold(lock_);
    clients_[client].addresses.insert(address);
}

void Listeners::ignore(int client, const std::string &address) {
    std::lock_guard<std::mutex> hold(lock_);
    clients_[client].addresses.erase(address);
}

bool Listeners::queue(Client &client, Outgoing outgoing) {
    size_t cost = outgoing.bytes.size() + kEntryCost;
    if (client.queued + cost > kQueueBytes) {
        ++skipped_;
        return false;
    }
    client.queued += cost;
    client.queue.push_back(std::move(outgoing));
    return client.waiting;
}

void Listeners::wake(const bool (&woken)[kMaxClients]) {
    for (int i = 0; i < kMaxClients; ++i)
        if (woken[i])
            ready_[i].notify_one();
}

void Listeners::offer(const std::string_view *datagrams, int count) {
    bool woken[kMaxClients] = {};
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (present_ == 0)
            return;
        for (int d = 0; d < count; ++d) {
            // A well-formed message's address ends within it; bundles are matched by no address.
            std::string_view address = datagrams[d].substr(0, datagrams[d].find('\0'));
            for (int i = 0; i < kMaxClients; ++i)
                if (clients_[i].present && clients_[i].addresses.count(address))
                    woken[i] |= queue(clients_[i], {true, std::string(datagrams[d])});
        }
    }
    wake(woken);
}

void Listeners::announce(const std::vector<PathChange> &changes) {
    bool woken[kMaxClients] = {};
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (present_ == 0)
            return;
        for (const PathChange &change : changes) {
            std::string text = std::string("{\"COMMAND\":\"") +
                               (change.added ? "PATH_ADDED" : "PATH_REMOVED") +
                               "\",\"DATA\":" + common::jsonString(change.address) + "}";
            for (int i = 0; i < kMaxClients; ++i)
                if (clients_[i].present)
                    woken[i] |= queue(clients_[i], {false, text});
        }
    }
    wake(woken);
}

bool Listeners::take(int client, std::vector<Outgoing> &out, int timeoutMs) {
    std::unique_lock<std::mutex> hold(lock_);
    Client &mine = clients_[client];
    mine.waiting = true;
    ready_[client].wait_for(hold, std::chrono::milliseconds(timeoutMs),
                            [&] { return !mine.present || !mine.queue.empty(); });
    mine.waiting = false;
    out.clear();
    out.swap(mine.queue);
    mine.queued = 0;
    return mine.present;
}

int Listeners::clients() const {
    std::lock_guard<std::mutex> hold(lock_);
    return present_;
}

uint64_t Listeners::skipped() const {
    std::lock_guard<std::mutex> hold(lock_);
    return skipped_;
}

} // namespace monitor

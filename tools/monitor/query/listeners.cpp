// One lock for every client: the receiving thread holds it for one comparison and one copy per
// listening client and datagram, and a client's sender only to swap its queue out.
#include "listeners.h"

#include "json_text.h"

#include <chrono>
#include <cstring>

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
    ready_.notify_all();
}

void Listeners::listen(int client, const std::string &address) {
    std::lock_guard<std::mutex> hold(lock_);
    clients_[client].addresses.insert(address);
}

void Listeners::ignore(int client, const std::string &address) {
    std::lock_guard<std::mutex> hold(lock_);
    clients_[client].addresses.erase(address);
}

void Listeners::queue(Client &client, Outgoing outgoing) {
    size_t cost = outgoing.bytes.size() + kEntryCost;
    if (client.queued + cost > kQueueBytes) {
        ++skipped_;
        return;
    }
    client.queued += cost;
    client.queue.push_back(std::move(outgoing));
}

void Listeners::offer(const uint8_t *data, size_t size) {
    // A well-formed message's address ends within it; bundles are matched by no address.
    std::string_view address(reinterpret_cast<const char *>(data),
                             strnlen(reinterpret_cast<const char *>(data), size));
    bool queued = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (present_ == 0)
            return;
        for (Client &client : clients_)
            if (client.present && client.addresses.count(address)) {
                queue(client, {true, std::string(reinterpret_cast<const char *>(data), size)});
                queued = true;
            }
    }
    if (queued)
        ready_.notify_all();
}

void Listeners::announce(const std::vector<PathChange> &changes) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (present_ == 0)
            return;
        for (const PathChange &change : changes) {
            std::string text = std::string("{\"COMMAND\":\"") +
                               (change.added ? "PATH_ADDED" : "PATH_REMOVED") +
                               "\",\"DATA\":" + common::jsonString(change.address) + "}";
            for (Client &client : clients_)
                if (client.present)
                    queue(client, {false, text});
        }
    }
    ready_.notify_all();
}

bool Listeners::take(int client, std::vector<Outgoing> &out, int timeoutMs) {
    std::unique_lock<std::mutex> hold(lock_);
    Client &mine = clients_[client];
    ready_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                    [&] { return !mine.present || !mine.queue.empty(); });
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

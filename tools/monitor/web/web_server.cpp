// Every request is answered from begin_request: civetweb serves no files.
#include "web_server.h"

#include "http.h"
#include "web_access.h"
#include "web_files.h"

#include <chrono>
#include <civetweb.h>
#include <cstring>

namespace monitor {

namespace {

constexpr int kMaxStreams = 32;
// One computer may not hold every stream while another waits: some are kept for the others.
constexpr int kMaxStreamsFromOne = 24;
constexpr auto kFrameInterval = std::chrono::milliseconds(100);
constexpr auto kKeepAlive = std::chrono::seconds(1);    // an idle stream still notices a closed page
constexpr auto kFullInterval = std::chrono::seconds(1); // full frames cost most: one a second at most

const WebFile *findFile(const char *uri) {
    std::string_view path = std::strcmp(uri, "/") == 0 ? "/index.html" : uri;
    for (size_t i = 0; i < kWebFileCount; ++i)
        if (path == kWebFiles[i].path)
            return &kWebFiles[i];
    return nullptr;
}

} // namespace

WebServer::~WebServer() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    fresh_.notify_all();
    if (publisher_.joinable())
        publisher_.join();
    if (context_)
        mg_stop(context_); // waits for the streams, which see stopping_
}

bool WebServer::start(const std::string &host, uint16_t port, Render render, std::string &error) {
    host_ = host;
    port_ = port;
    render_ = std::move(render);
    mg_callbacks callbacks{};
    callbacks.begin_request = onRequest;
    // The page's files load beside full streams.
    context_ = startHttp(host, port, kMaxStreams + 8, callbacks, this, "the page", error);
    if (!context_)
        return false;
    publisher_ = std::thread(&WebServer::publish, this);
    return true;
}

int WebServer::onRequest(mg_connection *connection) {
    return static_cast<WebServer *>(mg_get_user_data(mg_get_context(connection)))->answer(connection);
}

int WebServer::answer(mg_connection *connection) {
    const mg_request_info *request = mg_get_request_info(connection);
    const char *host = mg_get_header(connection, "Host");
    if (!host || !hostAllowed(host, port_, serverNames(host_)))
        return refuse(connection, 403, "Forbidden", "open the page by this computer's name or address");
    if (std::strcmp(request->request_method, "GET") != 0)
        return refuse(connection, 405, "Method Not Allowed", "the page is read-only", "Allow: GET\r\n");
    if (std::strcmp(request->local_uri, "/stream") == 0)
        return originAllowed(mg_get_header(connection, "Origin"), host)
                   ? stream(connection)
                   : refuse(connection, 403, "Forbidden", "the stream is for this server's own page");
    const WebFile *file = findFile(request->local_uri);
    if (!file)
        return refuse(connection, 404, "Not Found", "the page is at /");
    return reply(connection, 200, "OK", file->type, file->data, file->size);
}

int WebServer::stream(mg_connection *connection) {
    const std::string client = mg_get_request_info(connection)->remote_addr;
    bool room;
    {
        std::lock_guard<std::mutex> hold(lock_);
        room = streams_ < kMaxStreams && streamsFrom_[client] < kMaxStreamsFromOne;
        streams_ += room;
        if (room)
            ++streamsFrom_[client];
        else if (streamsFrom_[client] == 0)
            streamsFrom_.erase(client);
    }
    if (!room) // answered outside the lock, which a slow client must never hold
        return refuse(connection, 503, "Service Unavailable", "too many pages are open",
                      "Retry-After: 5\r\n");
    dropWhenPeerVanishes(connection);
    replyHead(connection, "text/event-stream");
    uint64_t sent = 0;
    bool needFull = true; // the first frame, and the one after any skipped, carries every row
    for (;;) {
        std::shared_ptr<const std::string> frame;
        {
            std::unique_lock<std::mutex> hold(lock_);
            fullWanted_ |= needFull;
            bool fresh = fresh_.wait_for(hold, kKeepAlive, [&] {
                return stopping_ || (number_ > sent && (!needFull || frames_.full));
            });
            if (stopping_)
                break;
            if (fresh && !needFull && number_ != sent + 1) {
                needFull = true; // the frames in between are lost to this page
                continue;
            }
            if (fresh) {
                frame = needFull ? frames_.full : frames_.changes;
                sent = number_;
                needFull = false;
            }
        }
        std::string event = frame ? "data: " + *frame + "\n\n" : ":\n\n";
        if (mg_write(connection, event.data(), event.size()) <= 0)
            break; // closed, or stalled past the request timeout
    }
    std::lock_guard<std::mutex> hold(lock_);
    --streams_;
    if (--streamsFrom_[client] == 0)
        streamsFrom_.erase(client);
    return 200;
}

void WebServer::publish() {
    std::unique_lock<std::mutex> hold(lock_);
    auto lastFull = std::chrono::steady_clock::now() - kFullInterval;
    while (!stopping_) {
        auto now = std::chrono::steady_clock::now(), next = now + kFrameInterval;
        if (streams_ > 0) {
            bool full = fullWanted_ && now - lastFull >= kFullInterval;
            fullWanted_ &= !full;
            lastFull = full ? now : lastFull;
            hold.unlock();
            Frames frames = render_(full);
            hold.lock();
            frames_ = std::move(frames);
            ++number_;
            fresh_.notify_all();
        } else {
            frames_ = Frames{};
        }
        fresh_.wait_until(hold, next, [&] { return stopping_; });
    }
}

} // namespace monitor

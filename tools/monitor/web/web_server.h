// The page's HTTP server (civetweb): the embedded page, and one Server-Sent Events stream per open
// page. While pages are open, a publisher thread renders a frame ten times a second; each stream's
// own thread writes the latest frame, so a slow page skips frames and a stalled one times out on its
// own. The receiving thread never waits for anything here.
#pragma once

#include "web_frame.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct mg_connection;
struct mg_context;

namespace monitor {

class WebServer {
public:
    // Renders the frames of this moment; called by the publisher thread only.
    using Render = std::function<Frames(bool full)>;

    WebServer() = default;
    ~WebServer();
    WebServer(const WebServer &) = delete;
    WebServer &operator=(const WebServer &) = delete;

    // Listens on host:port (an IPv4 address); on failure returns false with a one-line reason.
    bool start(const std::string &host, uint16_t port, Render render, std::string &error);

private:
    static int onRequest(mg_connection *connection);
    int answer(mg_connection *connection);
    int stream(mg_connection *connection);
    void publish();

    std::string host_;
    uint16_t port_ = 0;
    Render render_;
    mg_context *context_ = nullptr;
    std::thread publisher_;

    std::mutex lock_; // guards everything below
    std::condition_variable fresh_;
    uint64_t number_ = 0; // of the latest frame
    Frames frames_;
    bool fullWanted_ = false;
    bool stopping_ = false;
    int streams_ = 0;
    std::map<std::string, int> streamsFrom_; // open streams by the client's address
};

} // namespace monitor

// The OSCQuery server (civetweb): the namespace as JSON over HTTP, and on the same port the
// WebSocket through which clients LISTEN to addresses. Each client has a sender thread of its own,
// so that one that stops reading only skips its own messages.
#pragma once

#include "listeners.h"
#include "query_tree.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct mg_connection;
struct mg_context;

namespace monitor {

class QueryServer {
public:
    // Answers GET path?query; called by civetweb's threads.
    using Answer = std::function<QueryAnswer(std::string_view path, std::string_view query)>;

    explicit QueryServer(Listeners &listeners) : listeners_(listeners) {}
    ~QueryServer();
    QueryServer(const QueryServer &) = delete;
    QueryServer &operator=(const QueryServer &) = delete;

    // Listens on host:port (an IPv4 address); origins are the web pages, besides its own, whose
    // scripts may connect. On failure returns false with a one-line reason.
    bool start(const std::string &host, uint16_t port, Answer answer, std::vector<std::string> origins,
               std::string &error);

private:
    static int onRequest(mg_connection *connection);
    int answer(mg_connection *connection);
    bool originAllowed(const char *origin, const char *host) const;

    Listeners &listeners_;
    std::string host_;
    uint16_t port_ = 0;
    Answer answer_;
    std::vector<std::string> origins_;
    mg_context *context_ = nullptr;
};

} // namespace monitor

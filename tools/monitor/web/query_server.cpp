// HTTP requests are answered from begin_request; an upgrade that passes the Host and Origin checks
// goes on to civetweb's WebSocket handlers below, one session per client.
#include "query_server.h"

#include "command.h"
#include "http.h"
#include "web_access.h"

#include <atomic>
#include <civetweb.h>
#include <cstring>
#include <strings.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace monitor {

namespace {

// One WebSocket client: its number among the listeners, and the thread that sends to it.
struct Session {
    Listeners &listeners;
    mg_connection *connection = nullptr;
    int client = -1;
    std::atomic<bool> closing{false}, broken{false};
    std::thread sender;

    Session(Listeners &all, int number) : listeners(all), client(number) {}
    void send() {
        // On a small computer, sending to clients gives way to receiving, forwarding and recording.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
        std::vector<Outgoing> out;
        while (!closing && listeners.take(client, out, 100))
            for (const Outgoing &item : out)
                if (mg_websocket_write(connection,
                                       item.binary ? MG_WEBSOCKET_OPCODE_BINARY : MG_WEBSOCKET_OPCODE_TEXT,
                                       item.bytes.data(), item.bytes.size()) <= 0)
                    return broken = true, void(); // gone, or stalled past the timeout
    }
};

int onConnect(const mg_connection *connection, void *listeners) {
    int client = static_cast<Listeners *>(listeners)->join();
    if (client < 0)
        return 1; // full since the upgrade was let through
    mg_set_user_connection_data(connection, new Session(*static_cast<Listeners *>(listeners), client));
    return 0;
}

void onReady(mg_connection *connection, void *) {
    auto *session = static_cast<Session *>(mg_get_user_connection_data(connection));
    session->connection = connection;
    dropWhenPeerVanishes(connection);
    session->sender = std::thread(&Session::send, session);
}

// Text frames carry commands; anything a client sends otherwise is not taken in.
int onData(mg_connection *connection, int bits, char *data, size_t size, void *) {
    auto *session = static_cast<Session *>(mg_get_user_connection_data(connection));
    if (session->broken)
        return 0;
    if ((bits & 0x0f) != MG_WEBSOCKET_OPCODE_TEXT)
        return 1;
    if (auto command = parseCommand(std::string_view(data, size))) {
        if (command->name == "LISTEN")
            session->listeners.listen(session->client, command->data);
        else if (command->name == "IGNORE")
            session->listeners.ignore(session->client, command->data);
    }
    return 1;
}

void onClose(const mg_connection *connection, void *) {
    auto *session = static_cast<Session *>(mg_get_user_connection_data(connection));
    if (!session)
        return;
    session->closing = true;
    if (session->sender.joinable())
        session->sender.join();
    session->listeners.leave(session->client);
    delete session;
}

bool upgrade(mg_connection *connection) {
    const char *upgrade = mg_get_header(connection, "Upgrade");
    return upgrade && strcasecmp(upgrade, "websocket") == 0;
}

const char *reasonOf(int status) {
    switch (status) {
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    default:
        return "Not Found";
    }
}

} // namespace

QueryServer::~QueryServer() {
    if (context_)
        mg_stop(context_); // closes every session, each joining its sender
}

bool QueryServer::start(const std::string &host, uint16_t port, Answer answer,
                        std::vector<std::string> origins, std::string &error) {
    host_ = host;
    port_ = port;
    answer_ = std::move(answer);
    origins_ = std::move(origins);
    mg_callbacks callbacks{};
    callbacks.begin_request = onRequest;
    context_ = startHttp(host, port, Listeners::kMaxClients + 8, callbacks, this, "OSCQuery", error);
    if (!context_)
        return false;
    mg_set_websocket_handler(context_, "/", onConnect, onReady, onData, onClose, &listeners_);
    return true;
}

int QueryServer::onRequest(mg_connection *connection) {
    return static_cast<QueryServer *>(mg_get_user_data(mg_get_context(connection)))->answer(connection);
}

bool QueryServer::originAllowed(const char *origin, const char *host) const {
    for (const std::string &allowed : origins_)
        if (origin && allowed == origin)
            return true;
    return monitor::originAllowed(origin, host);
}

int QueryServer::answer(mg_connection *connection) {
    const mg_request_info *request = mg_get_request_info(connection);
    const char *host = mg_get_header(connection, "Host"), *origin = mg_get_header(connection, "Origin");
    if (!host || !hostAllowed(host, port_, serverNames(host_)))
        return refuse(connection, 403, "Forbidden", "ask by this computer's name or address");
    if (std::strcmp(request->request_method, "GET") != 0)
        return refuse(connection, 405, "Method Not Allowed", "the namespace is read-only", "Allow: GET\r\n");
    if (upgrade(connection)) {
        if (!originAllowed(origin, host))
            return refuse(connection, 403, "Forbidden", "this page may not listen; see --allow-origin");
        if (listeners_.clients() >= Listeners::kMaxClients)
            return refuse(connection, 503, "Service Unavailable", "too many clients listen",
                          "Retry-After: 5\r\n");
        return 0; // on to the WebSocket handlers
    }
    QueryAnswer found = answer_(request->local_uri, request->query_string ? request->query_string : "");
    if (found.status != 200)
        return reply(connection, found.status, reasonOf(found.status), "text/plain", "", 0);
    // A script from an allowed page may read the answer too.
    std::string extra = origin && originAllowed(origin, host)
                            ? "Access-Control-Allow-Origin: " + std::string(origin) + "\r\nVary: Origin\r\n"
                            : "";
    return reply(connection, 200, "OK", "application/json", found.body.data(), found.body.size(),
                 extra.c_str());
}

} // namespace monitor

// civetweb runs a fixed pool of worker threads and stops accepting while they and its short queue
// are busy, so a flood of connections holds a bounded number of sockets and never reaches the
// monitor's own threads.
#include "http.h"

#include <arpa/inet.h>
#include <cerrno>
#include <civetweb.h>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace monitor {

namespace {

// The headers every answer carries: nothing is cached, and a page may load only its own files.
constexpr const char *kCommonHeaders =
    "Cache-Control: no-store\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Content-Security-Policy: default-src 'self'; frame-ancestors 'none'\r\n"
    "Referrer-Policy: no-referrer\r\n"
    "Connection: close\r\n";

constexpr unsigned kUnacknowledgedMs = 5000; // the streams write at least once a second

// Whether fd is the TCP socket between local port and the peer at address:port.
bool joins(int fd, uint16_t local, const in_addr &address, uint16_t port) {
    sockaddr_in ours{}, theirs{};
    socklen_t size = sizeof ours, theirSize = sizeof theirs;
    return getsockname(fd, reinterpret_cast<sockaddr *>(&ours), &size) == 0 && ours.sin_family == AF_INET &&
           ntohs(ours.sin_port) == local &&
           getpeername(fd, reinterpret_cast<sockaddr *>(&theirs), &theirSize) == 0 &&
           ntohs(theirs.sin_port) == port && theirs.sin_addr.s_addr == address.s_addr;
}

// Why host:port cannot be listened on, in the system's words, as civetweb only says that it failed.
std::string bindFailure(const std::string &host, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    int fd = socket(AF_INET, SOCK_STREAM, 0), one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    bool bound = bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    int reason = errno;
    close(fd);
    if (bound)
        return "";
    return std::strerror(reason) +
           std::string(reason == EADDRINUSE
                           ? "; ss -ltnp 'sport = :" + std::to_string(port) + "' names the program"
                           : "");
}

} // namespace

mg_context *startHttp(const std::string &host, uint16_t port, int threads, const mg_callbacks &callbacks,
                      void *user, const char *what, std::string &error) {
    std::string listen = host + ":" + std::to_string(port), workers = std::to_string(threads);
    // A WebSocket that is silent for 10 s is pinged, so that a vanished client is noticed.
    const char *options[] = {"listening_ports",
                             listen.c_str(),
                             "num_threads",
                             workers.c_str(),
                             "connection_queue",
                             "16",
                             "listen_backlog",
                             "64",
                             "max_request_size",
                             "8192",
                             "request_timeout_ms",
                             "5000",
                             "enable_keep_alive",
                             "no",
                             "websocket_timeout_ms",
                             "10000",
                             "enable_websocket_ping_pong",
                             "yes",
                             nullptr};
    mg_callbacks quiet = callbacks;
    quiet.log_message = [](const mg_connection *, const char *) { return 1; }; // not on the screen
    mg_init_data init{&quiet, user, options};
    char text[256] = {};
    mg_error_data failure{nullptr, text, sizeof text};
    mg_init_library(MG_FEATURES_WEBSOCKET);
    mg_context *context = mg_start2(&init, &failure);
    if (!context) {
        std::string reason = bindFailure(host, port);
        error =
            std::string("cannot serve ") + what + " on " + listen + ": " + (reason.empty() ? text : reason);
    }
    return context;
}

int reply(mg_connection *connection, int status, const char *reason, const char *type, const void *body,
          size_t size, const char *extra) {
    mg_printf(connection, "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\n%s%s\r\n", status,
              reason, type, size, kCommonHeaders, extra);
    mg_write(connection, body, size);
    return status;
}

void replyHead(mg_connection *connection, const char *type) {
    mg_printf(connection, "HTTP/1.1 200 OK\r\nContent-Type: %s\r\n%s\r\n", type, kCommonHeaders);
}

// civetweb does not give a connection's socket, so it is found among this process's descriptors by
// its two ends, once per connection.
void dropWhenPeerVanishes(const mg_connection *connection) {
    const mg_request_info *request = mg_get_request_info(connection);
    in_addr peer{};
    if (inet_pton(AF_INET, request->remote_addr, &peer) != 1)
        return;
    DIR *descriptors = opendir("/proc/self/fd");
    if (!descriptors)
        return;
    while (dirent *entry = readdir(descriptors)) {
        int fd = std::atoi(entry->d_name);
        if (fd > 2 && joins(fd, static_cast<uint16_t>(request->server_port), peer,
                            static_cast<uint16_t>(request->remote_port))) {
            setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &kUnacknowledgedMs, sizeof kUnacknowledgedMs);
            break;
        }
    }
    closedir(descriptors);
}

int refuse(mg_connection *connection, int status, const char *reason, const char *why, const char *extra) {
    std::string body = std::string(reason) + ": " + why + "\n";
    return reply(connection, status, reason, "text/plain; charset=utf-8", body.data(), body.size(), extra);
}

} // namespace monitor

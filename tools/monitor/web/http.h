// What the page's server and the OSCQuery server share: starting civetweb on one address with
// bounded threads, queues and timeouts, and answers that carry the same safe headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct mg_callbacks;
struct mg_connection;
struct mg_context;

namespace monitor {

// Starts civetweb on host:port with threads workers, calling callbacks with user; null on failure,
// with what the server is for and the system's reason in error.
mg_context *startHttp(const std::string &host, uint16_t port, int threads, const mg_callbacks &callbacks,
                      void *user, const char *what, std::string &error);
// Writes a whole answer; returns status.
int reply(mg_connection *connection, int status, const char *reason, const char *type, const void *body,
          size_t size, const char *extra = "");
// Writes the head of a 200 answer whose body follows for as long as it lasts.
void replyHead(mg_connection *connection, const char *type);
// Ends the connection once what is written to it stays unacknowledged for a few seconds, as when
// the peer's computer leaves the network without closing: TCP alone would retry for 15 minutes.
void dropWhenPeerVanishes(const mg_connection *connection);
// A refusal with its reason as plain text.
int refuse(mg_connection *connection, int status, const char *reason, const char *why,
           const char *extra = "");

} // namespace monitor

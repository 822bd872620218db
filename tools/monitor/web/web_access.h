// Who may read the page. A page from another site could reach this server through a name of its
// own that resolves here (DNS rebinding): so the Host header must name this server, and a stream
// request that says where it comes from must come from the page itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace monitor {

// The names this server answers to: localhost, the machine's name (also with .local), the listening
// address, and when listening on every interface, the addresses of all of them.
std::vector<std::string> serverNames(const std::string &listenHost);
// Whether a Host header names one of names, with the listening port (which only port 80 may omit).
bool hostAllowed(std::string_view host, uint16_t port, const std::vector<std::string> &names);
// Whether an Origin header, when there is one, is the page's own: http:// and the Host header.
bool originAllowed(const char *origin, std::string_view host);

} // namespace monitor

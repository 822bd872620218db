// A test's own OSC receiver on 127.0.0.1. liblo, an OSC implementation written elsewhere, decodes
// each datagram into one line, "address ,tags value …", so that tests compare readable text.
#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <lo/lo.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

class OscReceiver {
public:
    // Binds the given port, or a free one for 0.
    explicit OscReceiver(int wanted = 0) : fd(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<unsigned short>(wanted));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &length) == 0) {
            port = ntohs(addr.sin_port);
        }
    }
    ~OscReceiver() { ::close(fd); }
    OscReceiver(const OscReceiver &) = delete;
    OscReceiver &operator=(const OscReceiver &) = delete;

    // Decoded datagrams, up to `most`, each awaited for at most waitMs.
    std::vector<std::string> receive(int waitMs = 30, std::size_t most = SIZE_MAX) {
        std::vector<std::string> lines;
        pollfd waiting{fd, POLLIN, 0};
        std::vector<char> datagram(65536);
        while (lines.size() < most && poll(&waiting, 1, waitMs) == 1) {
            const ssize_t n = recv(fd, datagram.data(), datagram.size(), 0);
            lines.push_back(decode(datagram.data(), n > 0 ? n : 0));
        }
        return lines;
    }

    static std::string decode(char *data, std::size_t size) {
        int result = 0;
        lo_message message = lo_message_deserialise(data, size, &result);
        if (message == nullptr) {
            return "malformed";
        }
        std::string line = std::string(lo_get_path(data, size)) + " ," + lo_message_get_types(message);
        lo_arg **argv = lo_message_get_argv(message);
        for (int i = 0; i < lo_message_get_argc(message); ++i) {
            float value; // liblo's argument pointers are not aligned for its union type
            std::memcpy(&value, argv[i], sizeof value);
            char text[32];
            std::snprintf(text, sizeof text, " %g", value);
            line += text;
        }
        lo_message_free(message);
        return line;
    }

    int port = 0;

private:
    int fd;
};

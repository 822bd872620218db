// Fuzzes the device link: arbitrary bytes become the hub's reads and go through the bridge's real
// decode -> table -> message path. Every datagram it sends is decoded by liblo and compared with an
// independent model of the sixteen tables; a missing, extra or differing datagram is a crash.
//
// Input: a sequence of reads, each a header byte h and its bytes:
//   h < 0xc0: a 62-byte read (the hub's report size); h < 0xf8: a read of 1 + next byte bytes;
//   otherwise: the hub is unplugged (the read fails). A read cut short by the input's end is shorter.
#include "fake_hidapi.h"
#include "hub_model.h"
#include "osc_check.h"
#include "vrennosc.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
[[noreturn]] void fail(const std::string &what) {
    std::fprintf(stderr, "device fuzzer: %s\n", what.c_str());
    std::abort();
}

// Where the bridge sends: a socket on an ephemeral port of 127.0.0.1, open for the whole run so
// that every instance of the fuzzer has its own.
class Receiver {
public:
    Receiver() : fd(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (fd == -1 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &length) != 0) {
            fail("cannot bind a receiver on 127.0.0.1");
        }
        port = ntohs(addr.sin_port);
    }

    // The next datagram, or an empty vector when none arrives within timeoutMs.
    std::vector<unsigned char> receive(int timeoutMs) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, timeoutMs) != 1) {
            return {};
        }
        std::vector<unsigned char> datagram(65536);
        const ssize_t n = recv(fd, datagram.data(), datagram.size(), 0);
        datagram.resize(n > 0 ? n : 0);
        return datagram;
    }

    int port = 0;

private:
    int fd;
};

struct Read {
    int result; // what hid_read returns: the length, or -1 for an unplugged hub
    std::vector<unsigned char> bytes;
};

bool nextRead(const std::uint8_t *&data, const std::uint8_t *end, Read &read) {
    if (data == end) {
        return false;
    }
    const std::uint8_t header = *data++;
    if (header >= 0xf8) {
        read = {-1, {}};
        return true;
    }
    std::size_t length = 62;
    if (header >= 0xc0) {
        length = data == end ? 1 : 1 + std::size_t(*data++);
    }
    length = std::min(length, std::size_t(end - data));
    read = {static_cast<int>(length), std::vector<unsigned char>(data, data + length)};
    data += length;
    return length > 0;
}

void expectSent(Receiver &receiver, const std::vector<ExpectedMessage> &expected) {
    for (const ExpectedMessage &message : expected) {
        const std::vector<unsigned char> datagram = receiver.receive(1000);
        if (datagram.empty()) {
            fail("no datagram for " + message.address);
        }
        const std::string difference = compareDatagram(datagram, message);
        if (!difference.empty()) {
            fail(difference);
        }
    }
    if (!receiver.receive(0).empty()) {
        fail("a datagram the model does not expect");
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static Receiver receiver;
    VrennOSC bridge;
    bridge.port = receiver.port;
    HIDCommunication link(&bridge);
    HubModel model;
    fakehid::reset();
    fakehid::stopAtLastRead(&link);

    const std::uint8_t *end = data + size;
    Read read;
    while (nextRead(data, end, read)) {
        if (read.result > 0) {
            fakehid::queueReport(read.bytes);
        } else {
            fakehid::queueUnplug();
        }
        link.run();
        std::vector<ExpectedMessage> expected;
        if (read.result > 0) {
            model.apply(read.bytes.data(), read.bytes.size(), expected);
        }
        expectSent(receiver, expected);
    }
    return 0;
}

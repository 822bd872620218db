// Sends COUNT OSC messages to 127.0.0.1:PORT as fast as it can, cycling over DISTINCT addresses
// (/bench/0000000 …), each with one float: the monitor's memory under many messages or many rows.
//   bench_addresses PORT COUNT DISTINCT    prints: sent N
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_addresses PORT COUNT DISTINCT\n");
        return 2;
    }
    long count = std::atol(argv[2]), distinct = std::atol(argv[3]);
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[1])));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd == -1 || distinct < 1 || distinct > 10000000 ||
        connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        std::perror("bench_addresses");
        return 1;
    }
    // "/bench/NNNNNNN" is 14 bytes, padded to 16; then ",f" padded to 4 and the big-endian float.
    unsigned char message[24] = {};
    std::memcpy(message + 16, ",f", 2);
    long sent = 0;
    for (long i = 0; i < count; ++i) {
        char address[32]; // 14 characters while distinct is at most 10^7
        std::snprintf(address, sizeof address, "/bench/%07ld", i % distinct);
        std::memcpy(message, address, 14);
        float value = static_cast<float>(i % 1000) / 1000;
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        bits = htonl(bits);
        std::memcpy(message + 20, &bits, 4);
        sent += send(fd, message, sizeof message, 0) == sizeof message;
    }
    std::printf("sent %ld\n", sent);
    return 0;
}

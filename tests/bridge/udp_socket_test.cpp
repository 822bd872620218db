// The UDP socket on real loopback sockets: connecting, binding, and the ways it can fail.
#include "osc_receiver.h"
#include "udp.h"

#include <gtest/gtest.h>

namespace {

char datagram[] = "/x\0\0,f\0\0\x3f\x80\0\0";
constexpr std::size_t datagramSize = 12;
const std::vector<std::string> oneMessage = {"/x ,f 1"};

TEST(UdpSocket, ConnectsToLocalhostOrBindsAndSendsToAGivenDestination) {
    OscReceiver receiver;
    osc::UdpSocket connected;
    ASSERT_TRUE(connected.connectTo("localhost", receiver.port, 1));
    EXPECT_FALSE(connected.isBound());
    osc::SockAddr unused;
    EXPECT_TRUE(
        connected.sendPacketTo(datagram, datagramSize, unused)); // connected: the destination plays no part
    EXPECT_EQ(receiver.receive(), oneMessage);

    osc::UdpSocket bound;
    ASSERT_TRUE(bound.connectTo("", 0, 1));
    EXPECT_TRUE(bound.isBound());
    EXPECT_TRUE(bound.sendPacketTo(datagram, datagramSize, connected.remote_addr));
    EXPECT_EQ(receiver.receive(), oneMessage);
    EXPECT_FALSE(bound.sendPacket(datagram, datagramSize)); // never connected: nowhere to send
    EXPECT_TRUE(bound.isOk());
}

struct Failure {
    const char *what;
    std::string host;
    const char *firstError; // recorded by the open, or else by the first send
};

TEST(UdpSocket, FailuresAreRecordedAndKeptUntilTheNextOpen) {
    osc::UdpSocket holder;
    ASSERT_TRUE(holder.connectTo("", 0, 1));
    const int taken = ntohs(reinterpret_cast<const sockaddr_in *>(holder.bound_addr.addr())->sin_port);
    const Failure cases[] = {
        {"a failed lookup looks healthy until the first send", "no-such-host.invalid", "not opened.."},
        // The kernel refuses to connect to the broadcast address without SO_BROADCAST.
        {"a refused connect", "255.255.255.255", "connect failed"},
        {"a port bound twice", "", "bind failed"},
    };
    for (const Failure &c : cases) {
        osc::UdpSocket sock;
        EXPECT_FALSE(sock.connectTo(c.host, taken, 1)) << c.what;
        EXPECT_EQ(sock.handle, -1) << c.what;
        EXPECT_FALSE(sock.sendPacket(datagram, datagramSize)) << c.what;
        EXPECT_EQ(sock.first_error, c.firstError) << c.what;
        EXPECT_FALSE(sock.sendPacket(datagram, datagramSize)) << c.what;
        EXPECT_TRUE(sock.connectTo("127.0.0.1", taken, 1)) << c.what;
        EXPECT_TRUE(sock.isOk()) << c.what;
    }
}

TEST(UdpSocket, EmptyOrClosedSendsFail) {
    OscReceiver receiver;
    osc::UdpSocket sock;
    ASSERT_TRUE(sock.connectTo("localhost", receiver.port, 1));
    EXPECT_FALSE(sock.sendPacket(datagram, 0));
    EXPECT_FALSE(sock.sendPacket(nullptr, datagramSize));
    EXPECT_TRUE(sock.isOk());
    sock.close();
    sock.close();
    EXPECT_FALSE(sock.sendPacket(datagram, datagramSize));
    EXPECT_EQ(sock.first_error, "not opened..");
    EXPECT_TRUE(receiver.receive().empty());
}

} // namespace

// The UDP socket on real loopback sockets: connecting, binding, and every way it can fail.
#include "udp.h"
#include "udp_receiver.h"

#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>

namespace {

constexpr int listenerPort = 29871;
constexpr int boundPort = 29872;
const char datagram[] = "/x\0\0,f\0\0\x3f\x80\0\0";
constexpr std::size_t datagramSize = 12;

osc::SockAddr loopbackAddress(int port) {
    osc::SockAddr address;
    sockaddr_in in;
    std::memset(&in, 0, sizeof in);
    in.sin_family = AF_INET;
    in.sin_port = htons(static_cast<unsigned short>(port));
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::memcpy(address.addr(), &in, sizeof in);
    return address;
}

std::vector<unsigned char> expectedDatagram() {
    return std::vector<unsigned char>(datagram, datagram + datagramSize);
}

TEST(UdpSocket, ConnectedSocketDeliversToLocalhost) {
    UdpReceiver receiver(listenerPort);
    ASSERT_TRUE(receiver.isOpen());
    osc::UdpSocket sock;
    ASSERT_TRUE(sock.connectTo("localhost", listenerPort, 1));
    EXPECT_TRUE(sock.isOk());
    EXPECT_FALSE(sock.isBound());
    EXPECT_EQ(sock.remote_addr.actualLen(), sizeof(sockaddr_in));

    // Not bound, so the destination argument plays no part.
    osc::SockAddr elsewhere = loopbackAddress(1);
    EXPECT_TRUE(sock.sendPacketTo(datagram, datagramSize, elsewhere));
    EXPECT_EQ(receiver.receive(), expectedDatagram());
}

TEST(UdpSocket, EmptyHostBindsAndSendsToTheGivenDestination) {
    UdpReceiver receiver(listenerPort);
    osc::UdpSocket bound;
    ASSERT_TRUE(bound.connectTo("", boundPort, 1));
    EXPECT_TRUE(bound.isBound());
    EXPECT_TRUE(bound.remote_addr.empty());
    EXPECT_EQ(ntohs(reinterpret_cast<const sockaddr_in *>(bound.bound_addr.addr())->sin_port), boundPort);

    osc::SockAddr destination = loopbackAddress(listenerPort);
    EXPECT_TRUE(bound.sendPacketTo(datagram, datagramSize, destination));
    EXPECT_EQ(receiver.receive(), expectedDatagram());

    // Never connected: sendPacket hands sendto an empty address, which the platform refuses.
    EXPECT_FALSE(bound.sendPacket(datagram, datagramSize));
    EXPECT_TRUE(bound.isOk());

    // A second bind of the same port fails and says so.
    osc::UdpSocket second;
    EXPECT_FALSE(second.connectTo("", boundPort, 1));
    EXPECT_EQ(second.first_error, "bind failed");
    EXPECT_EQ(second.handle, -1);
}

TEST(UdpSocket, FailedLookupLooksHealthyUntilTheFirstSend) {
    osc::UdpSocket sock;
    EXPECT_FALSE(sock.connectTo("no-such-host.invalid", listenerPort, 1));
    EXPECT_TRUE(sock.isOk());
    EXPECT_EQ(sock.handle, -1);

    EXPECT_FALSE(sock.sendPacket(datagram, 0));
    EXPECT_EQ(sock.first_error, "not opened..");
    EXPECT_FALSE(sock.isOk());
    EXPECT_FALSE(sock.sendPacket(datagram, datagramSize));
}

TEST(UdpSocket, ConnectFailureIsRecordedAndKept) {
    osc::UdpSocket sock;
    // Connecting to the broadcast address without SO_BROADCAST is refused by the kernel.
    EXPECT_FALSE(sock.connectTo("255.255.255.255", listenerPort, 1));
    EXPECT_EQ(sock.first_error, "connect failed");
    EXPECT_EQ(sock.handle, -1);
    EXPECT_FALSE(sock.sendPacket(datagram, datagramSize));
    EXPECT_EQ(sock.first_error, "connect failed");

    // Reopening clears the error.
    EXPECT_TRUE(sock.connectTo("127.0.0.1", listenerPort, 1));
    EXPECT_TRUE(sock.isOk());
}

TEST(UdpSocket, EmptySendOnAnOpenSocketRecordsNothing) {
    osc::UdpSocket sock;
    ASSERT_TRUE(sock.connectTo("localhost", listenerPort, 1));
    EXPECT_FALSE(sock.sendPacket(datagram, 0));
    EXPECT_FALSE(sock.sendPacket(nullptr, datagramSize));
    EXPECT_TRUE(sock.isOk());

    sock.close();
    EXPECT_EQ(sock.handle, -1);
    sock.close();
    EXPECT_EQ(sock.handle, -1);
    EXPECT_FALSE(sock.sendPacket(datagram, datagramSize));
    EXPECT_EQ(sock.first_error, "not opened..");
}

TEST(UdpSocket, FirstDatagramAfterAReceiverAppearsIsNotLost) {
    osc::UdpSocket sock;
    ASSERT_TRUE(sock.connectTo("localhost", listenerPort, 1));
    // With nobody listening, each datagram earns an ICMP port-unreachable that the kernel reports
    // on the following send.
    for (int i = 0; i < 5; ++i) {
        sock.sendPacket(datagram, datagramSize);
    }
    UdpReceiver receiver(listenerPort);
    ASSERT_TRUE(receiver.isOpen());
    EXPECT_TRUE(sock.sendPacket(datagram, datagramSize));
    EXPECT_EQ(receiver.receive(), expectedDatagram());
    EXPECT_TRUE(sock.isOk());
}

} // namespace

#include "quill/internet/address/ip4.h"

#include <gtest/gtest.h>

#include <cstring>

#include "quill/internet/environment/guard.h"

namespace {

using namespace quill::internet;

class Ip4Test : public ::testing::Test {
  protected:
    environment::guard sockets_;
};

std::string raw_bytes(const address::base& address) {
    return std::string(static_cast<const char*>(address.data()),
                       static_cast<size_t>(address.size()));
}

TEST_F(Ip4Test, DottedAddressKeepsFamilyAddressAndPortInNetworkOrder) {
    const address::ip4 address("127.0.0.1", 25);
    EXPECT_EQ(16, address.size());
    EXPECT_EQ(25, address.port());
    const std::string expected("\x02\x00\x00\x19\x7f\x00\x00\x01\0\0\0\0\0\0\0\0", 16);
    EXPECT_EQ(expected, raw_bytes(address));
}

TEST_F(Ip4Test, HostNameResolvesToItsIpv4Address) {
    const address::ip4 address("localhost", 587);
    EXPECT_EQ(587, address.port());
    EXPECT_EQ("127.0.0.1", address.host_text(NI_NUMERICHOST));
}

TEST_F(Ip4Test, UnresolvableNameThrowsHostNotFound) {
    try {
        address::ip4 address("no..such..host.invalid", 25);
        FAIL() << "resolved to " << address.host_text(NI_NUMERICHOST);
    } catch (const address::generic& error) {
        EXPECT_STREQ("internet.address.host_not_found[GetAddrInfoA() failed]", error.what());
        EXPECT_EQ(WSAHOST_NOT_FOUND, ::WSAGetLastError());
    }
}

TEST_F(Ip4Test, HostWithOnlyIpv6AddressesFailsTheWalk) {
    try {
        address::ip4 address("::1", 25);
        FAIL() << "took an IPv4 address for ::1";
    } catch (const address::generic& error) {
        EXPECT_STREQ("internet.address[GetAddrInfoA() walk failed]", error.what());
    }
}

TEST_F(Ip4Test, AssignTakesOnlySixteenBytes) {
    address::ip4 address("127.0.0.1", 25);
    const address::ip4 other("10.1.2.3", 110);
    try {
        address.assign(other.data(), 8);
        FAIL() << "assigned 8 bytes";
    } catch (const address::invalid_address_format& error) {
        EXPECT_STREQ("internet.address.invalid_address_format[Size mismatch]", error.what());
    }
    EXPECT_EQ(25, address.port()) << "a refused assignment must leave the address unchanged";
    address.assign(other.data(), 16);
    EXPECT_TRUE(address.equals(other));
    EXPECT_EQ("10.1.2.3", address.host_text(NI_NUMERICHOST));
}

TEST_F(Ip4Test, ComparisonFollowsTheRawBytes) {
    const address::ip4 low_port("127.0.0.2", 1);
    const address::ip4 high_port("127.0.0.1", 2);  // the port bytes come before the address
    const address::ip4 same("127.0.0.2", 1);
    EXPECT_TRUE(low_port.equals(same));
    EXPECT_FALSE(low_port.differs(same));
    EXPECT_TRUE(low_port.differs(high_port));
    EXPECT_TRUE(low_port.less(high_port));
    EXPECT_FALSE(high_port.less(low_port));
    EXPECT_FALSE(low_port.less(same));
}

}  // namespace

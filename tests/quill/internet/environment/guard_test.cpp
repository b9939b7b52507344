#include "quill/internet/environment/guard.h"

#include <gtest/gtest.h>

#include "quill/internet/address/ip4.h"
#include "quill/internet/transport/tcp/raw.h"

namespace {

using namespace quill::internet;

TEST(GuardTest, StartsWindowsSocketsOneOne) {
    environment::guard sockets;
    EXPECT_EQ(0x0101, sockets.data().wVersion);
}

TEST(GuardTest, SocketsWorkOnlyWhileAGuardLives) {
    address::ip4 loopback;
    {
        environment::guard sockets;
        loopback = address::ip4("127.0.0.1", 25);
        transport::tcp::raw transport;
        EXPECT_NO_THROW(transport.open_socket(loopback));
    }
    transport::tcp::raw transport;
    try {
        transport.open_socket(loopback);
        FAIL() << "a socket was created without Windows Sockets started";
    } catch (const environment::generic& error) {
        EXPECT_STREQ("internet.environment.subsystem_failed[socket() failed]", error.what());
    }
}

TEST(GuardTest, NestedGuardsKeepSocketsUntilTheOuterEnds) {
    environment::guard outer;
    { environment::guard inner; }
    transport::tcp::raw transport;
    EXPECT_NO_THROW(transport.open_socket(address::ip4("127.0.0.1", 25)));
}

TEST(GuardTest, CleanupWithoutStartupIsSilent) {
    EXPECT_NO_THROW(environment::cleanup());
    EXPECT_EQ(WSANOTINITIALISED, ::WSAGetLastError());
}

}  // namespace

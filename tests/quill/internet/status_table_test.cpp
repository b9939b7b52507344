// The error code tables of every Windows Sockets call: each listed code gives its class
// with "<call>() failed", any other code the module's generic class with the status.
#include <gtest/gtest.h>

#include <string>

#include "quill/internet/address/status.h"
#include "quill/internet/environment/status.h"
#include "quill/internet/transport/status.h"
#include "quill/internet/transport/tcp/base.h"

namespace {

using namespace quill::internet;

struct mapping_case {
    void (*raise)(int code);
    int code;
    const char* name;  // nullptr: the code is ignored
    const char* message;
};

const char* const kEnv = "internet.environment";
const char* const kTransport = "internet.transport";

const mapping_case kCases[] = {
    {environment::raise_startup_status, 10091, "internet.environment.subsystem_not_ready",
     "WSAStartup() failed"},
    {environment::raise_startup_status, 10092, "internet.environment.version_not_supported",
     "WSAStartup() failed"},
    {environment::raise_startup_status, 10067, kEnv, "WSAStartup() returned status 0x00002753"},
    {environment::raise_cleanup_status, 10050, "internet.environment.subsystem_failed",
     "WSACleanup() failed"},
    {environment::raise_cleanup_status, 10093, nullptr, nullptr},
    {environment::raise_cleanup_status, 10036, kEnv, "WSACleanup() returned status 0x00002734"},
    {address::raise_lookup_status, 10093, "internet.environment.subsystem_not_ready",
     "GetAddrInfoA() failed"},
    {address::raise_lookup_status, 10109, "internet.address.service_not_found",
     "GetAddrInfoA() failed"},
    {address::raise_lookup_status, 11001, "internet.address.host_not_found",
     "GetAddrInfoA() failed"},
    {address::raise_lookup_status, 11004, "internet.address.host_not_found",
     "GetAddrInfoA() failed"},
    {address::raise_lookup_status, 11002, "internet.address",
     "GetAddrInfoA() returned status 0x00002afa"},
    {transport::raise_socket_status, 10050, "internet.environment.subsystem_not_ready",
     "socket() failed"},
    {transport::raise_socket_status, 10093, "internet.environment.subsystem_failed",
     "socket() failed"},
    {transport::raise_socket_status, 10047, kTransport, "socket() returned status 0x0000273f"},
    {transport::raise_connect_status, 10004, "internet.transport.operation_interrupted",
     "connect() failed"},
    {transport::raise_connect_status, 10038, "internet.transport.not_a_socket", "connect() failed"},
    {transport::raise_connect_status, 10048, "internet.transport.address_in_use",
     "connect() failed"},
    {transport::raise_connect_status, 10049, "internet.transport.address_not_valid",
     "connect() failed"},
    {transport::raise_connect_status, 10050, "internet.environment.subsystem_not_ready",
     "connect() failed"},
    {transport::raise_connect_status, 10051,
     "internet.transport.connection_failed.network_unreachable", "connect() failed"},
    {transport::raise_connect_status, 10060,
     "internet.transport.connection_failed.host_unreachable", "connect() failed"},
    {transport::raise_connect_status, 10061,
     "internet.transport.connection_failed.connection_refused", "connect() failed"},
    {transport::raise_connect_status, 10065,
     "internet.transport.connection_failed.host_unreachable", "connect() failed"},
    {transport::raise_connect_status, 10093, "internet.environment.subsystem_failed",
     "connect() failed"},
    {transport::raise_connect_status, 10056, kTransport, "connect() returned status 0x00002748"},
    {transport::raise_setsockopt_status, 10038, "internet.transport.not_a_socket",
     "setsockopt() failed"},
    {transport::raise_setsockopt_status, 10050, "internet.environment.subsystem_not_ready",
     "setsockopt() failed"},
    {transport::raise_setsockopt_status, 10093, "internet.environment.subsystem_failed",
     "setsockopt() failed"},
    {transport::raise_setsockopt_status, 10042, kTransport,
     "setsockopt() returned status 0x0000273a"},
    {transport::raise_recv_status, 10004, "internet.transport.operation_interrupted",
     "recv() failed"},
    {transport::raise_recv_status, 10038, "internet.transport.not_a_socket", "recv() failed"},
    {transport::raise_recv_status, 10050, "internet.environment.subsystem_not_ready",
     "recv() failed"},
    {transport::raise_recv_status, 10052, "internet.transport.connection_failed.connection_reset",
     "recv() failed"},
    {transport::raise_recv_status, 10053, "internet.transport.connection_failed.connection_aborted",
     "recv() failed"},
    {transport::raise_recv_status, 10054, "internet.transport.connection_failed.connection_reset",
     "recv() failed"},
    {transport::raise_recv_status, 10057, "internet.transport.connection_failed", "recv() failed"},
    {transport::raise_recv_status, 10058, "internet.transport.connection_failed.connection_closed",
     "recv() failed"},
    {transport::raise_recv_status, 10060,
     "internet.transport.connection_failed.connection_timed_out", "recv() failed"},
    {transport::raise_recv_status, 10093, "internet.environment.subsystem_failed", "recv() failed"},
    {transport::raise_recv_status, 10035, kTransport, "recv() returned status 0x00002733"},
    {transport::raise_send_status, 10053, "internet.transport.connection_failed.connection_aborted",
     "send() failed"},
    {transport::raise_send_status, 10054, "internet.transport.connection_failed.connection_reset",
     "send() failed"},
    {transport::raise_send_status, 10060,
     "internet.transport.connection_failed.connection_timed_out", "send() failed"},
    {transport::raise_send_status, 10035, kTransport, "send() returned status 0x00002733"},
    {transport::raise_closesocket_status, 10038, nullptr, nullptr},
    {transport::raise_closesocket_status, 10050, "internet.environment.subsystem_not_ready",
     "closesocket() failed"},
    {transport::raise_closesocket_status, 10093, "internet.environment.subsystem_failed",
     "closesocket() failed"},
    {transport::raise_closesocket_status, 10035, kTransport,
     "closesocket() returned status 0x00002733"},
};

TEST(StatusTableTest, EveryCallMapsItsCodesToTheirClassesAndMessages) {
    for (const mapping_case& row : kCases) {
        const std::string context = "code " + std::to_string(row.code) + " expecting " +
                                    (row.name != nullptr ? row.name : "nothing");
        try {
            row.raise(row.code);
            EXPECT_EQ(nullptr, row.name) << context << ": nothing was thrown";
        } catch (const quill::exception& error) {
            ASSERT_NE(nullptr, row.name) << context << ": threw " << error.what();
            EXPECT_STREQ(row.name, error.name()) << context;
            EXPECT_STREQ(row.message, error.message()) << context;
        }
    }
}

TEST(StatusTableTest, ConnectionErrorsAreCaughtAsTransportErrors) {
    // The SMTP client relies on this to turn them into its own classes.
    EXPECT_THROW(transport::raise_recv_status(10060), transport::generic);
    EXPECT_THROW(transport::raise_send_status(10054), transport::generic);
    EXPECT_THROW(transport::raise_connect_status(10061), transport::tcp::base::connection_failed);
}

}  // namespace

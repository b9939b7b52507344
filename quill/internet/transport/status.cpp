#include "quill/internet/transport/status.h"

#include <winsock2.h>

#include "quill/internet/environment/errors.h"
#include "quill/internet/status_table.h"
#include "quill/internet/transport/errors.h"
#include "quill/internet/transport/tcp/base.h"

namespace quill::internet::transport {

namespace {

using tcp_base = tcp::base;

// recv and send share their codes.
const status_row stream_rows[] = {
    {WSAEINTR, raise<operation_interrupted>},
    {WSAENOTSOCK, raise<not_a_socket>},
    {WSAENETDOWN, raise<environment::subsystem_not_ready>},
    {WSAENETRESET, raise<tcp_base::connection_reset>},
    {WSAECONNABORTED, raise<tcp_base::connection_aborted>},
    {WSAECONNRESET, raise<tcp_base::connection_reset>},
    {WSAENOTCONN, raise<tcp_base::connection_failed>},
    {WSAESHUTDOWN, raise<tcp_base::connection_closed>},
    {WSAETIMEDOUT, raise<tcp_base::connection_timed_out>},
    {WSANOTINITIALISED, raise<environment::subsystem_failed>},
};

}  // namespace

void raise_socket_status(int code) {
    static const status_row rows[] = {
        {WSAENETDOWN, raise<environment::subsystem_not_ready>},
        {WSANOTINITIALISED, raise<environment::subsystem_failed>},
    };
    raise_failure("socket", code, rows, raise<generic>);
}

void raise_connect_status(int code) {
    // A connect that times out (WSAETIMEDOUT) is reported as an unreachable host.
    static const status_row rows[] = {
        {WSAEINTR, raise<operation_interrupted>},
        {WSAENOTSOCK, raise<not_a_socket>},
        {WSAEADDRINUSE, raise<address_in_use>},
        {WSAEADDRNOTAVAIL, raise<address_not_valid>},
        {WSAENETDOWN, raise<environment::subsystem_not_ready>},
        {WSAENETUNREACH, raise<tcp_base::network_unreachable>},
        {WSAETIMEDOUT, raise<tcp_base::host_unreachable>},
        {WSAECONNREFUSED, raise<tcp_base::connection_refused>},
        {WSAEHOSTUNREACH, raise<tcp_base::host_unreachable>},
        {WSANOTINITIALISED, raise<environment::subsystem_failed>},
    };
    raise_failure("connect", code, rows, raise<generic>);
}

void raise_setsockopt_status(int code) {
    static const status_row rows[] = {
        {WSAENOTSOCK, raise<not_a_socket>},
        {WSAENETDOWN, raise<environment::subsystem_not_ready>},
        {WSANOTINITIALISED, raise<environment::subsystem_failed>},
    };
    raise_failure("setsockopt", code, rows, raise<generic>);
}

void raise_recv_status(int code) {
    raise_failure("recv", code, stream_rows, raise<generic>);
}

void raise_send_status(int code) {
    raise_failure("send", code, stream_rows, raise<generic>);
}

void raise_closesocket_status(int code) {
    static const status_row rows[] = {
        {WSAENOTSOCK, nullptr},
        {WSAENETDOWN, raise<environment::subsystem_not_ready>},
        {WSANOTINITIALISED, raise<environment::subsystem_failed>},
    };
    raise_status("closesocket", code, rows, raise<generic>);
}

}  // namespace quill::internet::transport

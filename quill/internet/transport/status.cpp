#include "quill/internet/transport/status.h"

#include "quill/internet/environment/errors.h"
#include "quill/internet/status_table.h"
#include "quill/internet/transport/errors.h"
#include "quill/internet/transport/tcp/base.h"

namespace quill::internet::transport {

namespace {

using tcp_base = tcp::base;

// recv and send share their codes.
const status_row stream_rows[] = {
    {10004, raise<operation_interrupted>},
    {10038, raise<not_a_socket>},
    {10050, raise<environment::subsystem_not_ready>},
    {10052, raise<tcp_base::connection_reset>},
    {10053, raise<tcp_base::connection_aborted>},
    {10054, raise<tcp_base::connection_reset>},
    {10057, raise<tcp_base::connection_failed>},
    {10058, raise<tcp_base::connection_closed>},
    {10060, raise<tcp_base::connection_timed_out>},
    {10093, raise<environment::subsystem_failed>},
};

}  // namespace

void raise_socket_status(int code) {
    static const status_row rows[] = {
        {10050, raise<environment::subsystem_not_ready>},
        {10093, raise<environment::subsystem_failed>},
    };
    raise_failure("socket", code, rows, raise<generic>);
}

void raise_connect_status(int code) {
    // A connect that times out (10060) is reported as an unreachable host.
    static const status_row rows[] = {
        {10004, raise<operation_interrupted>},
        {10038, raise<not_a_socket>},
        {10048, raise<address_in_use>},
        {10049, raise<address_not_valid>},
        {10050, raise<environment::subsystem_not_ready>},
        {10051, raise<tcp_base::network_unreachable>},
        {10060, raise<tcp_base::host_unreachable>},
        {10061, raise<tcp_base::connection_refused>},
        {10065, raise<tcp_base::host_unreachable>},
        {10093, raise<environment::subsystem_failed>},
    };
    raise_failure("connect", code, rows, raise<generic>);
}

void raise_setsockopt_status(int code) {
    static const status_row rows[] = {
        {10038, raise<not_a_socket>},
        {10050, raise<environment::subsystem_not_ready>},
        {10093, raise<environment::subsystem_failed>},
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
        {10038, nullptr},
        {10050, raise<environment::subsystem_not_ready>},
        {10093, raise<environment::subsystem_failed>},
    };
    raise_status("closesocket", code, rows, raise<generic>);
}

}  // namespace quill::internet::transport

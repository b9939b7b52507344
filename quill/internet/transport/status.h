#pragma once

namespace quill::internet::transport {

// Map the Windows Sockets error code of a failed call to its error class and throw it with
// "<call>() failed"; a code the call's table does not list throws transport::generic with
// "<call>() returned status 0x%.8x". Codes 10050 and 10093 give the environment's
// subsystem classes, the connection codes the classes of tcp::base.
[[noreturn]] void raise_socket_status(int code);
[[noreturn]] void raise_connect_status(int code);
[[noreturn]] void raise_setsockopt_status(int code);
[[noreturn]] void raise_recv_status(int code);
[[noreturn]] void raise_send_status(int code);
// Returns for 10038 (the socket is already gone).
void raise_closesocket_status(int code);

}  // namespace quill::internet::transport

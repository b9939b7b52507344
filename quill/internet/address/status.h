#pragma once

namespace quill::internet::address {

// Maps a non-zero getaddrinfo result to its error class and throws it: 10093
// environment::subsystem_not_ready, 10109 service_not_found, 11001 and 11004 host_not_found,
// others address::generic "GetAddrInfoA() returned status 0x%.8x".
[[noreturn]] void raise_lookup_status(int code);

}  // namespace quill::internet::address

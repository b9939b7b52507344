#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

namespace quill::internet::address {

using getaddrinfo_function = int(WSAAPI*)(const char* node, const char* service,
                                          const ADDRINFOA* hints, ADDRINFOA** result);
using getnameinfo_function = int(WSAAPI*)(const sockaddr* address, socklen_t size, char* host,
                                          DWORD host_size, char* service, DWORD service_size,
                                          int flags);
using freeaddrinfo_function = void(WSAAPI*)(ADDRINFOA* list);

// The three name resolution calls, all from one source.
struct resolver {
    getaddrinfo_function getaddrinfo = nullptr;
    getnameinfo_function getnameinfo = nullptr;
    freeaddrinfo_function freeaddrinfo = nullptr;
};

// The resolver of this process, chosen on first use and kept for the process's life:
// "ws2_32" of the system directory, else "wship6" of the system directory, else the
// IPv4-only fallback. Never fails.
const resolver& system_resolver();

// The three calls from `library_name` in the system directory. Returns false, leaving `out`
// unchanged, when the library cannot be loaded or does not export all three; on success the
// library stays loaded for the rest of the process.
bool load_resolver(const wchar_t* library_name, resolver& out);

// The IPv4 fallback over gethostbyname, gethostbyaddr, getservbyname, getservbyport,
// inet_addr and inet_ntoa. Its getaddrinfo returns the Windows Sockets error code of the
// older call (11001 unknown host, 10109 unknown service, 10047 a family other than IPv4);
// its lists must be freed by its own freeaddrinfo.
resolver fallback_resolver();

}  // namespace quill::internet::address

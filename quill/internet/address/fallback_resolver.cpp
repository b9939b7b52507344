// The fallback stands in for getaddrinfo on systems whose Windows Sockets lack it, so it
// uses the older calls on purpose.
#define _WINSOCK_DEPRECATED_NO_WARNINGS

#include "quill/internet/address/resolver.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quill::internet::address {

namespace {

// One list element with the storage it points into. `info` comes first so that the list's
// links, which point at `info`, also point at the element that freeaddrinfo gives back.
struct fallback_entry {
    ADDRINFOA info;
    sockaddr_in address;
    char canonical_name[256];
};

bool is_number(const char* text) {
    if (*text == '\0') return false;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

// Port in network byte order, or false when the service is unknown.
bool service_port(const char* service, int socket_type, u_short& port) {
    if (service == nullptr) {
        port = 0;
        return true;
    }
    if (is_number(service)) {
        const unsigned long value = std::strtoul(service, nullptr, 10);
        if (value > 0xFFFF) return false;
        port = ::htons(static_cast<u_short>(value));
        return true;
    }
    const servent* entry = ::getservbyname(service, socket_type == SOCK_DGRAM ? "udp" : "tcp");
    if (entry == nullptr) return false;
    port = static_cast<u_short>(entry->s_port);
    return true;
}

bool numeric_host(const char* node, in_addr& address) {
    const unsigned long value = ::inet_addr(node);
    // inet_addr cannot tell the broadcast address from its failure value.
    if (value == INADDR_NONE && std::strcmp(node, "255.255.255.255") != 0) return false;
    address.s_addr = value;
    return true;
}

// The host's IPv4 addresses and official name, or a Windows Sockets error code.
int host_addresses(const char* node, int flags, std::vector<in_addr>& addresses,
                   std::string& name) {
    if (node == nullptr) {
        in_addr any{};
        any.s_addr = ::htonl((flags & AI_PASSIVE) != 0 ? INADDR_ANY : INADDR_LOOPBACK);
        addresses.push_back(any);
        return 0;
    }
    in_addr numeric{};
    if (numeric_host(node, numeric)) {
        addresses.push_back(numeric);
        name = node;
        return 0;
    }
    if ((flags & AI_NUMERICHOST) != 0) return WSAHOST_NOT_FOUND;
    const hostent* host = ::gethostbyname(node);
    if (host == nullptr) {
        const int error = ::WSAGetLastError();
        return error != 0 ? error : WSAHOST_NOT_FOUND;
    }
    if (host->h_addrtype != AF_INET || host->h_length != 4) return WSANO_DATA;
    for (char** item = host->h_addr_list; *item != nullptr; ++item) {
        in_addr address{};
        std::memcpy(&address, *item, sizeof(address));
        addresses.push_back(address);
    }
    name = host->h_name != nullptr ? host->h_name : node;
    return addresses.empty() ? WSANO_DATA : 0;
}

int WSAAPI fallback_getaddrinfo(const char* node, const char* service, const ADDRINFOA* hints,
                                ADDRINFOA** result) {
    if (result == nullptr) return WSAEINVAL;
    *result = nullptr;
    if (node == nullptr && service == nullptr) return WSAHOST_NOT_FOUND;
    const int family = hints != nullptr ? hints->ai_family : AF_UNSPEC;
    const int socket_type = hints != nullptr ? hints->ai_socktype : 0;
    const int protocol = hints != nullptr ? hints->ai_protocol : 0;
    const int flags = hints != nullptr ? hints->ai_flags : 0;
    if (family != AF_UNSPEC && family != AF_INET) return WSAEAFNOSUPPORT;

    u_short port = 0;
    if (!service_port(service, socket_type, port)) return WSATYPE_NOT_FOUND;
    std::vector<in_addr> addresses;
    std::string name;
    const int status = host_addresses(node, flags, addresses, name);
    if (status != 0) return status;

    std::vector<std::unique_ptr<fallback_entry>> entries;
    for (const in_addr& address : addresses) {
        auto entry = std::make_unique<fallback_entry>();
        std::memset(entry.get(), 0, sizeof(fallback_entry));
        entry->address.sin_family = AF_INET;
        entry->address.sin_port = port;
        entry->address.sin_addr = address;
        entry->info.ai_family = AF_INET;
        entry->info.ai_socktype = socket_type;
        entry->info.ai_protocol = protocol;
        entry->info.ai_addrlen = sizeof(sockaddr_in);
        entry->info.ai_addr = reinterpret_cast<sockaddr*>(&entry->address);
        entries.push_back(std::move(entry));
    }
    if ((flags & AI_CANONNAME) != 0 && !name.empty()) {
        fallback_entry& first = *entries.front();
        name.copy(first.canonical_name, sizeof(first.canonical_name) - 1);
        first.info.ai_canonname = first.canonical_name;
    }
    // Link back to front so that every element is owned by the list once it is handed out.
    ADDRINFOA* head = nullptr;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        (*it)->info.ai_next = head;
        head = &(*it)->info;
        it->release();
    }
    *result = head;
    return 0;
}

void WSAAPI fallback_freeaddrinfo(ADDRINFOA* list) {
    while (list != nullptr) {
        std::unique_ptr<fallback_entry> entry(reinterpret_cast<fallback_entry*>(list));
        list = list->ai_next;
    }
}

// Copies `text` with its terminator, or reports that the buffer is too small.
int copy_out(const std::string& text, char* buffer, DWORD size) {
    if (text.size() >= size) return WSAEFAULT;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

int WSAAPI fallback_getnameinfo(const sockaddr* address, socklen_t size, char* host,
                                DWORD host_size, char* service, DWORD service_size, int flags) {
    if (address == nullptr || size < static_cast<socklen_t>(sizeof(sockaddr_in))) return WSAEFAULT;
    if (address->sa_family != AF_INET) return WSAEAFNOSUPPORT;
    const auto* ip = reinterpret_cast<const sockaddr_in*>(address);
    if (host != nullptr && host_size > 0) {
        std::string text;
        if ((flags & NI_NUMERICHOST) == 0) {
            const hostent* entry =
                ::gethostbyaddr(reinterpret_cast<const char*>(&ip->sin_addr), 4, AF_INET);
            if (entry != nullptr && entry->h_name != nullptr) text = entry->h_name;
            if (text.empty() && (flags & NI_NAMEREQD) != 0) return WSAHOST_NOT_FOUND;
        }
        if (text.empty()) text = ::inet_ntoa(ip->sin_addr);
        if (const int status = copy_out(text, host, host_size)) return status;
    }
    if (service != nullptr && service_size > 0) {
        std::string text;
        if ((flags & NI_NUMERICSERV) == 0) {
            const servent* entry =
                ::getservbyport(ip->sin_port, (flags & NI_DGRAM) != 0 ? "udp" : "tcp");
            if (entry != nullptr && entry->s_name != nullptr) text = entry->s_name;
        }
        if (text.empty()) text = std::to_string(::ntohs(ip->sin_port));
        if (const int status = copy_out(text, service, service_size)) return status;
    }
    return 0;
}

}  // namespace

resolver fallback_resolver() {
    resolver fallback;
    fallback.getaddrinfo = fallback_getaddrinfo;
    fallback.getnameinfo = fallback_getnameinfo;
    fallback.freeaddrinfo = fallback_freeaddrinfo;
    return fallback;
}

}  // namespace quill::internet::address

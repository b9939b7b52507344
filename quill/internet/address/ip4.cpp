#include "quill/internet/address/ip4.h"

#include <cstring>
#include <memory>

#include "quill/format.h"
#include "quill/internet/address/resolver.h"
#include "quill/internet/address/status.h"

namespace quill::internet::address {

namespace {

// Frees a result list with the freeaddrinfo of the resolver that made it.
struct list_releaser {
    freeaddrinfo_function release;
    void operator()(ADDRINFOA* list) const noexcept { release(list); }
};

using address_list = std::unique_ptr<ADDRINFOA, list_releaser>;

}  // namespace

ip4::ip4() noexcept : address_{} {
    address_.sin_family = AF_INET;
}

ip4::ip4(const std::string& host, unsigned short port) : ip4() {
    const resolver& calls = system_resolver();
    ADDRINFOA* first = nullptr;
    const int status = calls.getaddrinfo(host.c_str(), nullptr, nullptr, &first);
    ::WSASetLastError(status);
    const address_list list(first, list_releaser{calls.freeaddrinfo});
    if (status != 0) raise_lookup_status(status);

    for (const ADDRINFOA* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen != sizeof(sockaddr_in)) continue;
        std::memcpy(&address_, entry->ai_addr, sizeof(address_));
        address_.sin_port = ::htons(port);
        return;
    }
    throw generic("GetAddrInfoA() walk failed");
}

void ip4::assign(const void* data, int size) {
    if (size != static_cast<int>(sizeof(address_))) throw invalid_address_format("Size mismatch");
    std::memcpy(&address_, data, sizeof(address_));
}

std::string ip4::host_text(int flags) const {
    const resolver& calls = system_resolver();
    char host[1025] = {};
    const auto* raw = reinterpret_cast<const sockaddr*>(&address_);
    int status = calls.getnameinfo(raw, sizeof(address_), host, sizeof(host), nullptr, 0, flags);
    if (status != 0) {
        status = calls.getnameinfo(raw, sizeof(address_), host, sizeof(host), nullptr, 0,
                                   NI_NUMERICHOST);
    }
    if (status != 0) {
        throw generic(
            quill::format("GetNameInfoA() returned status 0x%.8x", static_cast<unsigned>(status)));
    }
    return host;
}

unsigned short ip4::port() const noexcept {
    return ::ntohs(address_.sin_port);
}

}  // namespace quill::internet::address

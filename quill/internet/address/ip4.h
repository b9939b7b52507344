#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>  // NI_ flags of host_text

#include <string>

#include "quill/internet/address/base.h"
#include "quill/internet/address/errors.h"

namespace quill::internet::address {

// One IPv4 socket address (sockaddr_in, 16 bytes).
class ip4 : public base {
  public:
    // 0.0.0.0, port 0.
    ip4() noexcept;

    // Resolves `host` (a name or a dotted address) and keeps its first IPv4 address with
    // `port`. Throws host_not_found, service_not_found, environment::subsystem_not_ready or
    // address::generic "GetAddrInfoA() ..." when resolution fails, and address::generic
    // "GetAddrInfoA() walk failed" when the host has no IPv4 address. Leaves the thread's
    // Windows Sockets error set to the resolver's result.
    ip4(const std::string& host, unsigned short port);

    void assign(const void* data, int size) override;
    void* data() noexcept override { return &address_; }
    const void* data() const noexcept override { return &address_; }
    int size() const noexcept override { return static_cast<int>(sizeof(address_)); }
    std::string host_text(int flags) const override;
    unsigned short port() const noexcept override;

  private:
    sockaddr_in address_;
};

}  // namespace quill::internet::address

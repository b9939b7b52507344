#pragma once

#include <winsock2.h>

#include <cstdint>

#include "quill/internet/address/base.h"
#include "quill/internet/socket_handle.h"
#include "quill/internet/transport/errors.h"

namespace quill::internet::transport {

// One socket and the counts of bytes that went through it.
class base {
  public:
    // Closes the socket; a failure to close is swallowed.
    virtual ~base();

    base(const base&) = delete;
    base& operator=(const base&) = delete;

    // Creates this transport's kind of socket for the address's family (closing any socket
    // held before). Throws the socket() classes.
    virtual void open_socket(const address::base& address) = 0;

    // Closes the socket if one is open; afterwards none is, also when this throws
    // environment::subsystem_not_ready, environment::subsystem_failed or transport::generic
    // "closesocket() ...". A socket that is already gone (10038) is no error.
    void close();

    // INVALID_SOCKET until opened and after closing. The transport keeps ownership.
    SOCKET handle() const noexcept { return socket_.get(); }
    std::uint32_t bytes_received() const noexcept { return bytes_received_; }
    std::uint32_t bytes_sent() const noexcept { return bytes_sent_; }

  protected:
    base() = default;

    unique_socket socket_;
    std::uint32_t bytes_received_ = 0;
    std::uint32_t bytes_sent_ = 0;
};

}  // namespace quill::internet::transport

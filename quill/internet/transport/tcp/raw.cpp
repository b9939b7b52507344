#include "quill/internet/transport/tcp/raw.h"

#include <algorithm>
#include <climits>

#include "quill/internet/transport/status.h"

namespace quill::internet::transport::tcp {

void raw::flush() {
    if (send_queue_.empty()) return;
    std::string block;
    block.swap(send_queue_);
    std::string::size_type offset = 0;
    while (offset < block.size()) {
        const int chunk =
            static_cast<int>(std::min<std::string::size_type>(block.size() - offset, INT_MAX));
        before_wait(wait_kind::send);
        const int sent = ::send(handle(), block.data() + offset, chunk, 0);
        if (sent == SOCKET_ERROR) raise_send_status(::WSAGetLastError());
        if (sent == 0) throw connection_closed("send() failed");
        offset += static_cast<std::string::size_type>(sent);
        bytes_sent_ += static_cast<std::uint32_t>(sent);
    }
}

void raw::fill() {
    before_wait(wait_kind::receive);
    char block[8192];
    const int received = ::recv(handle(), block, static_cast<int>(sizeof(block)), 0);
    if (received == SOCKET_ERROR) raise_recv_status(::WSAGetLastError());
    if (received == 0) throw connection_closed("recv() failed");
    receive_queue_.append(block, static_cast<std::string::size_type>(received));
    bytes_received_ += static_cast<std::uint32_t>(received);
}

}  // namespace quill::internet::transport::tcp

#include "quill/internet/transport/tcp/base.h"

#include "quill/format.h"
#include "quill/internet/transport/status.h"

namespace quill::internet::transport::tcp {

void base::open_socket(const address::base& address) {
    const int family = static_cast<const sockaddr*>(address.data())->sa_family;
    const SOCKET handle = ::socket(family, SOCK_STREAM, 0);
    if (handle == INVALID_SOCKET) raise_socket_status(::WSAGetLastError());
    socket_.reset(handle);
}

void base::connect(const address::base& address) {
    const auto* raw = static_cast<const sockaddr*>(address.data());
    if (::connect(handle(), raw, address.size()) == SOCKET_ERROR) {
        raise_connect_status(::WSAGetLastError());
    }
}

void base::write_line(const std::string& bytes) {
    send_queue_ += bytes;
    send_queue_ += "\r\n";
    flush();
}

void base::write_raw(const std::string& bytes) {
    send_queue_ += bytes;
    flush();
}

void base::refuse_long_line() {
    // The rest of the stream cannot be trusted either; what was received is let go.
    std::string().swap(receive_queue_);
    throw line_too_long(quill::format("read_line() failed: line longer than %u bytes",
                                      static_cast<unsigned>(max_line_length)));
}

void base::read_line(std::string& line) {
    std::string::size_type scanned = 0;
    std::string::size_type end = std::string::npos;
    while ((end = receive_queue_.find_first_of("\r\n", scanned)) == std::string::npos) {
        scanned = receive_queue_.size();
        if (scanned > max_line_length) refuse_long_line();
        fill();
    }
    if (end > max_line_length) refuse_long_line();
    const char terminator = receive_queue_[end];
    std::string found = receive_queue_.substr(0, end);
    receive_queue_.erase(0, end + 1);
    // The partner of the terminator may still be on its way; without looking at it the next
    // read would take it for an empty line.
    if (receive_queue_.empty()) fill();
    const char partner = terminator == '\r' ? '\n' : '\r';
    if (!receive_queue_.empty() && receive_queue_[0] == partner) receive_queue_.erase(0, 1);
    line.swap(found);
}

}  // namespace quill::internet::transport::tcp

#include "quill/internet/transport/tcp/base.h"

#include "quill/format.h"
#include "quill/internet/transport/status.h"

namespace quill::internet::transport::tcp {

void base::open_socket(const address::base& address) {
    const int family = static_cast<const sockaddr*>(address.data())->sa_family;
    const SOCKET handle = ::socket(family, SOCK_STREAM, 0);
    if (handle == INVALID_SOCKET) raise_socket_status(::WSAGetLastError());
    socket_.reset(handle);
    wait_set_ms_[0] = wait_set_ms_[1] = 0;
}

namespace {

bool set_blocking(SOCKET socket, bool blocking) {
    u_long non_blocking = blocking ? 0 : 1;
    return ::ioctlsocket(socket, FIONBIO, &non_blocking) != SOCKET_ERROR;
}

}  // namespace

void base::connect(const address::base& address) {
    start_turn();
    const auto* raw = static_cast<const sockaddr*>(address.data());
    if (!deadline_.limited()) {
        if (::connect(handle(), raw, address.size()) == SOCKET_ERROR) {
            raise_connect_status(::WSAGetLastError());
        }
        return;
    }
    // A blocking connect would wait for the system's own retries (about 21 s on Windows,
    // two minutes under Wine) when the server's address drops the attempt.
    if (!set_blocking(handle(), false)) raise_connect_status(::WSAGetLastError());
    int code = ::connect(handle(), raw, address.size()) == SOCKET_ERROR ? ::WSAGetLastError() : 0;
    if (code == WSAEWOULDBLOCK) code = wait_for_connection();
    if (!set_blocking(handle(), true) && code == 0) code = ::WSAGetLastError();
    if (code != 0) raise_connect_status(code);
}

int base::wait_for_connection() {
    const auto left = deadline_.left().count();
    timeval limit{static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
    fd_set connected;
    fd_set failed;
    FD_ZERO(&connected);
    FD_ZERO(&failed);
    FD_SET(handle(), &connected);
    FD_SET(handle(), &failed);
    const int ready = ::select(0, nullptr, &connected, &failed, &limit);
    if (ready == SOCKET_ERROR) return ::WSAGetLastError();
    // As the system reports its own connect time-out.
    if (ready == 0) return WSAETIMEDOUT;
    int error = 0;
    int size = static_cast<int>(sizeof(error));
    if (::getsockopt(handle(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) ==
        SOCKET_ERROR) {
        return ::WSAGetLastError();
    }
    return error;
}

void base::before_wait(wait_kind kind) {
    if (!deadline_.limited()) return;
    const bool receiving = kind == wait_kind::receive;
    const auto left = static_cast<unsigned long>(deadline_.left().count());
    if (left == 0) {
        if (receiving) raise_recv_status(WSAETIMEDOUT);
        raise_send_status(WSAETIMEDOUT);
    }
    // The option counts from each call's start. Left as it is while that still ends the wait
    // no earlier than the turn and at most the slack after it, most receives and sends of a
    // dialogue need no call of their own.
    unsigned long& set_ms = wait_set_ms_[receiving ? 0 : 1];
    if (set_ms >= left && set_ms - left <= deadline_slack_ms) return;
    const DWORD milliseconds = left;
    if (::setsockopt(handle(), SOL_SOCKET, receiving ? SO_RCVTIMEO : SO_SNDTIMEO,
                     reinterpret_cast<const char*>(&milliseconds),
                     static_cast<int>(sizeof(milliseconds))) == SOCKET_ERROR) {
        raise_setsockopt_status(::WSAGetLastError());
    }
    set_ms = left;
}

void base::write_line(const std::string& bytes) {
    send_queue_ += bytes;
    send_queue_ += "\r\n";
    start_turn();
    flush();
}

void base::write_raw(const std::string& bytes) {
    send_queue_ += bytes;
    start_turn();
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

#include "quill/internet/transport/tcp/base.h"

#include <chrono>

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

namespace {

// The socket's receive time-out in milliseconds; 0 for none (also when it cannot be read:
// each fill then still waits as the socket says).
DWORD receive_timeout_ms(SOCKET socket) {
    DWORD milliseconds = 0;
    int size = static_cast<int>(sizeof(milliseconds));
    if (::getsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&milliseconds),
                     &size) == SOCKET_ERROR) {
        return 0;
    }
    return milliseconds;
}

bool set_receive_timeout_ms(SOCKET socket, DWORD milliseconds) {
    return ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO,
                        reinterpret_cast<const char*>(&milliseconds),
                        static_cast<int>(sizeof(milliseconds))) != SOCKET_ERROR;
}

// One line's share of the receive time-out. The clock starts at the line's first wait (a
// line already received costs no time); each further wait is narrowed to what is left by
// setting the socket's own time-out, so every fill keeps recv's own errors, and the option
// is put back when the line is done.
class line_time {
  public:
    explicit line_time(SOCKET socket) : socket_(socket) {}
    ~line_time() {
        if (narrowed_) set_receive_timeout_ms(socket_, timeout_ms_);
    }
    line_time(const line_time&) = delete;
    line_time& operator=(const line_time&) = delete;

    void before_fill() {
        using std::chrono::steady_clock;
        // The first wait runs under the option as it is, without a call before it: a reply
        // in one segment costs nothing more, and a reset that follows at once still reaches
        // recv as before.
        if (!started_) {
            started_ = true;
            started_at_ = steady_clock::now();
            return;
        }
        if (!timeout_known_) {
            timeout_known_ = true;
            timeout_ms_ = receive_timeout_ms(socket_);
        }
        if (timeout_ms_ == 0) return;
        const auto deadline = started_at_ + std::chrono::milliseconds(timeout_ms_);
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) raise_recv_status(WSAETIMEDOUT);
        if (!set_receive_timeout_ms(socket_, static_cast<DWORD>(left))) {
            raise_setsockopt_status(::WSAGetLastError());
        }
        narrowed_ = true;
    }

  private:
    SOCKET socket_;
    bool started_ = false;
    bool timeout_known_ = false;
    bool narrowed_ = false;
    DWORD timeout_ms_ = 0;
    std::chrono::steady_clock::time_point started_at_{};
};

}  // namespace

void base::read_line(std::string& line) {
    line_time time(handle());
    std::string::size_type scanned = 0;
    std::string::size_type end = std::string::npos;
    while ((end = receive_queue_.find_first_of("\r\n", scanned)) == std::string::npos) {
        scanned = receive_queue_.size();
        if (scanned > max_line_length) refuse_long_line();
        time.before_fill();
        fill();
    }
    if (end > max_line_length) refuse_long_line();
    const char terminator = receive_queue_[end];
    std::string found = receive_queue_.substr(0, end);
    receive_queue_.erase(0, end + 1);
    // The partner of the terminator may still be on its way; without looking at it the next
    // read would take it for an empty line.
    if (receive_queue_.empty()) {
        time.before_fill();
        fill();
    }
    const char partner = terminator == '\r' ? '\n' : '\r';
    if (!receive_queue_.empty() && receive_queue_[0] == partner) receive_queue_.erase(0, 1);
    line.swap(found);
}

}  // namespace quill::internet::transport::tcp

#include "tests/support/scripted_server.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>

namespace korve::test {

namespace {

const DWORD kWaitLimitMs = 5000;

sockaddr_in loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    return address;
}

// At `port`, or at an ephemeral port for 0; `port` then tells which.
quill::unique_socket bound_socket(unsigned short& port) {
    quill::unique_socket s(::socket(AF_INET, SOCK_STREAM, 0));
    if (!s) return s;
    if (port != 0) {
        // A fixed port may still hold the previous test's closed connections.
        const BOOL reuse = TRUE;
        ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
                     sizeof(reuse));
    }
    sockaddr_in address = loopback(port);
    if (::bind(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        return quill::unique_socket();
    }
    int size = sizeof(address);
    ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&address), &size);
    port = ::ntohs(address.sin_port);
    return s;
}

bool readable_within(SOCKET s, DWORD milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit{static_cast<long>(milliseconds / 1000),
                  static_cast<long>((milliseconds % 1000) * 1000)};
    return ::select(0, &set, nullptr, nullptr, &limit) == 1;
}

// In pieces: a client that stops reading and closes (as it must with an endless line) then
// ends the sending at the next piece. Under Wine a single blocking send of megabytes is not
// always woken by the peer's close.
bool send_all(const quill::unique_socket& peer, const std::string& bytes) {
    const std::size_t piece = 65536;
    for (std::size_t offset = 0; offset < bytes.size(); offset += piece) {
        const int size = static_cast<int>(std::min(piece, bytes.size() - offset));
        if (::send(peer.get(), bytes.data() + offset, size, 0) != size) return false;
    }
    return true;
}

}  // namespace

script_step say(std::string bytes) {
    return {script_step::action::say, std::move(bytes), 0};
}
script_step hear() {
    return {script_step::action::hear_line, std::string(), 0};
}
script_step hear_data() {
    return {script_step::action::hear_data, std::string(), 0};
}
script_step pause(unsigned long milliseconds) {
    return {script_step::action::pause, std::string(), milliseconds};
}
script_step hang_up() {
    return {script_step::action::hang_up, std::string(), 0};
}
script_step reset() {
    return {script_step::action::reset, std::string(), 0};
}

std::vector<script_step> dripped(const std::string& bytes, unsigned long milliseconds) {
    std::vector<script_step> steps;
    for (const char c : bytes) {
        steps.push_back(say(std::string(1, c)));
        steps.push_back(pause(milliseconds));
    }
    return steps;
}

unsigned short unused_port() {
    quill::internet::environment::guard sockets;
    unsigned short port = 0;
    bound_socket(port);  // released again at once
    return port;
}

scripted_server::scripted_server(std::vector<script_step> script)
    : scripted_server(std::move(script), 0, kWaitLimitMs) {}

scripted_server::scripted_server(std::vector<script_step> script, unsigned short port,
                                 unsigned long accept_wait_ms)
    : port_(port), accept_wait_ms_(accept_wait_ms) {
    listener_ = bound_socket(port_);
    if (listener_) ::listen(listener_.get(), 1);
    thread_ = std::thread([this, steps = std::move(script)]() mutable { run(std::move(steps)); });
}

scripted_server::~scripted_server() {
    if (thread_.joinable()) thread_.join();
}

quill::internet::address::ip4 scripted_server::address() const {
    return quill::internet::address::ip4("127.0.0.1", port_);
}

std::string scripted_server::transcript() {
    if (thread_.joinable()) thread_.join();
    return transcript_;
}

bool scripted_server::receive_until(quill::unique_socket& peer, const std::string& terminator,
                                    std::string& pending) {
    for (;;) {
        const auto end = pending.find(terminator);
        if (end != std::string::npos) {
            pending.erase(0, end + terminator.size());
            return true;
        }
        char block[65536];
        const int received = ::recv(peer.get(), block, sizeof(block), 0);
        if (received <= 0) return false;
        transcript_.append(block, static_cast<size_t>(received));
        pending.append(block, static_cast<size_t>(received));
    }
}

void scripted_server::run(std::vector<script_step> script) {
    if (!listener_ || !readable_within(listener_.get(), accept_wait_ms_)) return;
    quill::unique_socket peer(::accept(listener_.get(), nullptr, nullptr));
    listener_.reset();
    if (!peer) return;
    connected_at_ = std::chrono::steady_clock::now();
    const DWORD limit = kWaitLimitMs;
    ::setsockopt(peer.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
                 sizeof(limit));
    ::setsockopt(peer.get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit),
                 sizeof(limit));

    std::string pending;
    for (const script_step& step : script) {
        bool going_on = true;
        switch (step.what) {
            case script_step::action::say:
                going_on = send_all(peer, step.bytes);
                break;
            case script_step::action::hear_line:
                going_on = receive_until(peer, "\r\n", pending);
                break;
            case script_step::action::hear_data:
                // The data begins right after the DATA reply, so its end may be the first line.
                pending.insert(0, "\r\n");
                going_on = receive_until(peer, "\r\n.\r\n", pending);
                break;
            case script_step::action::pause:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.milliseconds));
                break;
            case script_step::action::hang_up:
                return;  // `peer` closes here
            case script_step::action::reset: {
                // Lingering for no time makes the close send a reset.
                const linger abort_on_close{1, 0};
                ::setsockopt(peer.get(), SOL_SOCKET, SO_LINGER,
                             reinterpret_cast<const char*>(&abort_on_close),
                             sizeof(abort_on_close));
                return;
            }
        }
        if (!going_on) return;
    }
    // Whatever else the client sends, until it closes or the wait limit passes.
    char block[4096];
    int received = 0;
    while ((received = ::recv(peer.get(), block, sizeof(block), 0)) > 0) {
        transcript_.append(block, static_cast<size_t>(received));
    }
}

}  // namespace korve::test

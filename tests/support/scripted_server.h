#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "quill/internet/address/ip4.h"
#include "quill/internet/environment/guard.h"
#include "quill/internet/socket_handle.h"

namespace korve::test {

// One step of a scripted peer.
struct script_step {
    enum class action { say, hear_line, hear_data, pause, hang_up, reset };
    action what;
    std::string bytes;               // say: sent as they are, in pieces of 64 KiB
    unsigned long milliseconds = 0;  // pause
};

script_step say(std::string bytes);
script_step hear();       // waits for one line, up to and including CR LF
script_step hear_data();  // waits for message data, up to and including CR LF "." CR LF
script_step pause(unsigned long milliseconds);
script_step hang_up();  // closes the connection
script_step reset();    // aborts the connection: the client sees a reset, not an orderly close

// `bytes` one at a time, each followed by a pause of `milliseconds`.
std::vector<script_step> dripped(const std::string& bytes, unsigned long milliseconds);

// A peer on 127.0.0.1 at an ephemeral port, on a thread of its own: it accepts one
// connection (waiting up to 5 s for it) and plays its script. After the script (unless it hung up)
// it keeps reading until the client closes, so the transcript also shows what the client sent
// unasked. Every wait is bounded (5 s), so a client that misbehaves cannot hang a test.
class scripted_server {
  public:
    explicit scripted_server(std::vector<script_step> script);
    // At a fixed loopback port (a program built for it), waiting up to `accept_wait_ms` for
    // the connection: a whole program run may come before it.
    scripted_server(std::vector<script_step> script, unsigned short port,
                    unsigned long accept_wait_ms);
    ~scripted_server();
    scripted_server(const scripted_server&) = delete;
    scripted_server& operator=(const scripted_server&) = delete;

    unsigned short port() const noexcept { return port_; }
    quill::internet::address::ip4 address() const;

    // Waits for the script's end and returns every byte the server received.
    std::string transcript();

    // When the connection was accepted; valid after transcript(), when one was.
    std::chrono::steady_clock::time_point connected_at() const noexcept { return connected_at_; }

  private:
    void run(std::vector<script_step> script);
    bool receive_until(quill::unique_socket& peer, const std::string& terminator,
                       std::string& pending);

    quill::internet::environment::guard sockets_;
    quill::unique_socket listener_;
    unsigned short port_ = 0;
    unsigned long accept_wait_ms_;
    std::string transcript_;
    std::chrono::steady_clock::time_point connected_at_{};
    std::thread thread_;
};

// A loopback port that nothing listens on (bound once, then released).
unsigned short unused_port();

}  // namespace korve::test

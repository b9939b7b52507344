#pragma once

#include <string>

#include "quill/internet/transport/base.h"

namespace quill::internet::transport::tcp {

// A stream socket with a send queue and a receive queue. Writes queue bytes and flush them
// at once; reads take lines from the receive queue and fill it as needed. How the queues
// meet the socket is left to the derived class (flush, fill).
class base : public transport::base {
  public:
    QUILL_DECLARE_ERROR(connection_failed, quill::internet::transport::generic,
                        "connection_failed");
    QUILL_DECLARE_ERROR(connection_aborted, connection_failed, "connection_aborted");
    QUILL_DECLARE_ERROR(connection_closed, connection_failed, "connection_closed");
    QUILL_DECLARE_ERROR(connection_refused, connection_failed, "connection_refused");
    QUILL_DECLARE_ERROR(connection_reset, connection_failed, "connection_reset");
    QUILL_DECLARE_ERROR(connection_timed_out, connection_failed, "connection_timed_out");
    QUILL_DECLARE_ERROR(network_unreachable, connection_failed, "network_unreachable");
    QUILL_DECLARE_ERROR(host_unreachable, connection_failed, "host_unreachable");

    // A stream socket (type 1, protocol 0) for the family in the address's raw data.
    // Throws environment::subsystem_not_ready, environment::subsystem_failed or
    // transport::generic "socket() ...".
    void open_socket(const address::base& address) override;

    // Connects the open socket to the address, under the system's own time-out. Throws the
    // connect() classes: connection_refused, host_unreachable (also for a time-out),
    // network_unreachable, address_in_use, address_not_valid, not_a_socket, ...
    void connect(const address::base& address);

    // Queue the bytes (with CR LF after them for write_line), then flush. Throws what flush
    // throws.
    void write_line(const std::string& bytes);
    void write_raw(const std::string& bytes);

    // Longest line read_line accepts, in bytes without the terminator: far above the 512
    // octets an SMTP reply line may have, yet small enough to hold.
    static constexpr std::string::size_type max_line_length = 65536;

    // The next line, without its terminator. CR and LF each end a line; a CR LF or LF CR
    // pair is one terminator. When the terminator was the last byte received, one more fill
    // runs before returning, to see whether its partner follows. Throws what fill throws,
    // leaving `line` unchanged; the line being read is then lost. A line longer than
    // max_line_length throws transport::line_too_long as soon as that is known, without
    // waiting for its end, and drops the received bytes: the receive queue never holds more
    // than the limit and one fill.
    // The socket's receive time-out (SO_RCVTIMEO, none when 0) bounds the whole line, from
    // its first wait to its terminator and the look at the partner, not each fill: each
    // further fill waits only for what is left of it, and when nothing is left this throws
    // connection_timed_out "recv() failed", as for a silent peer. The option holds its own
    // value again when this returns or throws.
    void read_line(std::string& line);

    // Sends the whole send queue, emptying it.
    virtual void flush() = 0;
    // Waits for more bytes (at most the socket's receive time-out) and appends them to the
    // receive queue.
    virtual void fill() = 0;

  protected:
    base() = default;

    std::string send_queue_;
    std::string receive_queue_;

  private:
    [[noreturn]] void refuse_long_line();
};

}  // namespace quill::internet::transport::tcp

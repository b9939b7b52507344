#pragma once

#include <string>

#include "quill/internet/transport/base.h"
#include "quill/internet/transport/deadline.h"

namespace quill::internet::transport::tcp {

// A stream socket with a send queue and a receive queue. Writes queue bytes and flush them
// at once; reads take lines from the receive queue and fill it as needed. How the queues
// meet the socket is left to the derived class (flush, fill); every wait on the socket ends
// with the turn of the transport's deadline (set_deadline).
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

    // Connects the open socket to the address in a turn of its own: with a limited deadline
    // the attempt waits at most for that turn (the socket is blocking again afterwards),
    // otherwise under the system's own time-out. Throws the connect() classes:
    // connection_refused, host_unreachable (also for a time-out), network_unreachable,
    // address_in_use, address_not_valid, not_a_socket, ...
    void connect(const address::base& address);

    // Bounds every wait from now on. Each connect and each write is a turn of its own; a
    // reader starts one (start_turn) for whatever must arrive whole within one turn. When the
    // turn is over, the waiting call throws its own time-out error: host_unreachable
    // "connect() failed", connection_timed_out "recv() failed" or "send() failed". Without
    // a limited deadline (the default) waits run under the socket's own time-outs. A wait may
    // end up to deadline_slack_ms after its turn, never before.
    void set_deadline(const deadline& limit) { deadline_ = limit; }
    void start_turn() { deadline_.start_turn(); }

    // Queue the bytes (with CR LF after them for write_line), then flush in a turn of their
    // own. Throws what flush throws.
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
    // Its fills wait within the deadline's current turn: a line starts no turn of its own.
    void read_line(std::string& line);

    // Sends the whole send queue, emptying it.
    virtual void flush() = 0;
    // Waits for more bytes (at most the socket's receive time-out and what is left of the
    // deadline's turn) and appends them to the receive queue.
    virtual void fill() = 0;

    // How far a wait may run past its turn: the socket's time-out is set again only when it
    // would end the wait before the turn or later than this after it.
    static constexpr unsigned long deadline_slack_ms = 200;

  protected:
    base() = default;

    enum class wait_kind { receive, send };
    // Before each recv or send on the socket: its time-out of that kind narrowed to what is
    // left of the deadline's turn. Throws the call's time-out error (connection_timed_out
    // "recv() failed" or "send() failed") when nothing is left, the setsockopt() classes
    // when the option cannot be set.
    void before_wait(wait_kind kind);

    std::string send_queue_;
    std::string receive_queue_;

  private:
    [[noreturn]] void refuse_long_line();
    // The outcome of a non-blocking connect's wait: 0, or the error code of the attempt.
    int wait_for_connection();

    deadline deadline_;
    // The socket's SO_RCVTIMEO and SO_SNDTIMEO as before_wait last set them; 0 until it has.
    unsigned long wait_set_ms_[2] = {0, 0};
};

}  // namespace quill::internet::transport::tcp

#pragma once

#include "quill/internet/transport/tcp/base.h"

namespace quill::internet::transport::tcp {

// The queues directly on the socket: each flush hands the whole pending block to send, each
// fill is one recv of at most 8192 bytes.
class raw : public base {
  public:
    raw() = default;

    // Loops on partial sends until the block is out. Throws the send() classes
    // (connection_timed_out after the socket's send time-out or the deadline's turn, when the
    // peer stops reading), or connection_closed "send() failed" when send accepts nothing.
    // The queue is empty afterwards, also when this throws.
    void flush() override;

    // Blocks until bytes arrive or the socket's receive time-out or the deadline's turn
    // expires. Throws the recv() classes (connection_timed_out after the time-out), or
    // connection_closed "recv() failed" when the peer has closed the connection.
    void fill() override;
};

}  // namespace quill::internet::transport::tcp

#pragma once

#include <string>
#include <vector>

#include "quill/internet/address/ip4.h"
#include "quill/internet/smtp/errors.h"
#include "quill/internet/transport/tcp/base.h"

namespace quill::internet::smtp {

// The texts of one reply's lines, each from its fifth character on.
using reply_lines = std::vector<std::string>;

// One complete reply as the client judges it: its code (0 when the first three characters
// are not a number) and its last line whole, which a failure carries as its message.
struct reply {
    int code = 0;
    std::string last_line;
};

// A message as the MIME writer produces it: one entry per line, without terminators.
using message_lines = std::vector<std::string>;

// Delivers one message to one recipient: connects to `address`, greets with `helo_name`
// (EHLO, or HELO after a 5xx to EHLO), runs one transaction and quits. The connection
// attempt, each whole reply and each write must be done within `reply_timeout_seconds`,
// and all of it, from connecting to closing, within `submission_seconds`. `recipient` and
// `sender` are bare mailboxes; an empty sender is the null reverse path. Returns on
// success; otherwise throws:
// - the address and transport classes for a failing socket, connect or setsockopt
//   (host_unreachable "connect() failed" when the attempt runs out of time), and for
//   transport failures while greeting (connection_timed_out "recv() failed" when the server
//   is silent or too slow, line_too_long when it sends a line beyond the transport's limit);
// - smtp::generic for a malformed reply, permanent_failure for a 5xx reply and
//   temporary_failure for any other reply that does not accept its command (its last line
//   is the message);
// - temporary_failure with the transport error's message for a transport failure inside
//   the transaction (RSET up to the final "."), unreliable_delivery for one during QUIT.
// The socket is closed before the call returns or throws.
void send_mail(const std::string& helo_name, const address::ip4& address,
               const std::string& recipient, const std::string& sender, const message_lines& lines,
               int reply_timeout_seconds, int submission_seconds);

// Reads one complete reply, its lines' texts into `lines` (emptied first), in one turn of the
// transport's deadline, and returns its code and last line. Throws smtp::generic
// "Bad response: <line>" for a line shorter than three characters, "Invalid character:
// <line>" when the fourth character is neither a space nor "-", "Excess response: <line>"
// for more than 128 continuation lines; temporary_failure or permanent_failure with the
// last line for a 4xx or 5xx reply; and what the transport's read_line throws.
reply read_reply(transport::tcp::base& transport, reply_lines& lines);

// Sends `text` as one line and reads its reply (read_reply).
reply command(transport::tcp::base& transport, const std::string& text, reply_lines& lines);

// Reads the greeting and introduces the client with EHLO, or with HELO when EHLO gets a
// 5xx reply. Throws what read_reply and the transport throw, and temporary_failure with
// the last line when EHLO or HELO gets a reply other than 2xx, 4xx or 5xx.
void greet(const std::string& helo_name, transport::tcp::base& transport, reply_lines& lines);

// RSET, MAIL FROM, RCPT TO, DATA, the dot-stuffed lines and the final ".". Each command is
// accepted only by a 2xx reply, DATA only by 354: up to 10 other 2xx or 3xx replies to DATA
// are read past. Any other reply that is not 4xx or 5xx throws temporary_failure with its
// last line. Transport errors become temporary_failure with their message; SMTP errors pass
// unchanged.
void transaction(transport::tcp::base& transport, const std::string& recipient,
                 const std::string& sender, const message_lines& message);

// QUIT. Transport errors become unreliable_delivery with their message: the message was
// accepted, but the connection did not end cleanly. SMTP errors pass unchanged.
void quit(transport::tcp::base& transport);

}  // namespace quill::internet::smtp

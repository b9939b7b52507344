#include "quill/internet/smtp/client.h"

#include <chrono>

#include "quill/internet/transport/deadline.h"
#include "quill/internet/transport/tcp/raw.h"

namespace quill::internet::smtp {

namespace {

// More continuation lines than this make a reply suspect (a runaway or hostile server).
const reply_lines::size_type kMaxContinuationLines = 128;

// Replies read past before the transaction gives up: a server answering DATA without end
// must not hold the client.
const int kMaxRepliesReadPast = 10;

struct code_range {
    int low;
    int high;
    bool holds(int code) const noexcept { return code >= low && code <= high; }
};

const code_range kNoCode = {1, 0};

// What the replies to one command mean: the codes that accept it, and the codes read past
// while a reply that accepts it is awaited. Any other reply that is not 4xx or 5xx (those
// throw as they are read) fails the command with temporary_failure and its last line.
struct accepted_replies {
    code_range accepts;
    code_range read_past;
};

// Most commands: a 2xx reply alone (not a 1xx, a 3xx, or text that is no reply code).
const accepted_replies kSuccess = {{200, 299}, kNoCode};
// DATA: 354 alone; a few other 2xx and 3xx replies are read past.
const accepted_replies kStartMailInput = {{354, 354}, {200, 399}};
// QUIT: the message is already accepted, so any reply that is not 4xx or 5xx ends the session.
const accepted_replies kAnyReply = {{0, 999}, kNoCode};

// A line of at least three characters, or smtp::generic.
void read_reply_line(transport::tcp::base& transport, std::string& line) {
    transport.read_line(line);
    if (line.size() < 3) throw generic("Bad response: " + line);
}

// End-of-reply detection: true for a reply's last line (a bare code, or a code and a space),
// false for a continuation line ("-"); smtp::generic for anything else.
bool is_last_line(const std::string& line) {
    if (line.size() == 3 || line[3] == ' ') return true;
    if (line[3] != '-') throw generic("Invalid character: " + line);
    return false;
}

// The reply that a last line ends: 4xx and 5xx throw with the line, anything else is its code
// (0 when the first three characters are not a number).
reply judged(const std::string& last_line) {
    if (last_line[0] == '4') throw temporary_failure(last_line);
    if (last_line[0] == '5') throw permanent_failure(last_line);
    reply answer{0, last_line};
    for (int i = 0; i < 3; ++i) {
        const char digit = last_line[i];
        if (digit < '0' || digit > '9') {
            answer.code = 0;
            break;
        }
        answer.code = answer.code * 10 + (digit - '0');
    }
    return answer;
}

// Sends `text` and reads replies until one that `accepted` names accepts it.
reply send_command(transport::tcp::base& transport, const std::string& text,
                   const accepted_replies& accepted, reply_lines& lines) {
    transport.write_line(text);
    for (int read_past = 0;; ++read_past) {
        const reply answer = read_reply(transport, lines);
        if (accepted.accepts.holds(answer.code)) return answer;
        if (!accepted.read_past.holds(answer.code) || read_past == kMaxRepliesReadPast) {
            throw temporary_failure(answer.last_line);
        }
    }
}

void write_message(transport::tcp::base& transport, const message_lines& lines) {
    for (const std::string& line : lines) {
        // A leading dot is doubled so that no line can be taken for the end of the data.
        if (!line.empty() && line[0] == '.') transport.write_raw(".");
        transport.write_line(line);
    }
}

}  // namespace

reply read_reply(transport::tcp::base& transport, reply_lines& lines) {
    // One turn of the deadline for the whole reply, however many lines it has.
    transport.start_turn();
    lines.clear();
    std::string line;
    read_reply_line(transport, line);
    while (!is_last_line(line)) {
        lines.push_back(line.substr(4));
        if (lines.size() > kMaxContinuationLines) throw generic("Excess response: " + line);
        read_reply_line(transport, line);
    }
    if (line.size() > 3) lines.push_back(line.substr(4));
    return judged(line);
}

reply command(transport::tcp::base& transport, const std::string& text, reply_lines& lines) {
    transport.write_line(text);
    return read_reply(transport, lines);
}

void greet(const std::string& helo_name, transport::tcp::base& transport, reply_lines& lines) {
    read_reply(transport, lines);
    try {
        send_command(transport, "EHLO " + helo_name, kSuccess, lines);
    } catch (const permanent_failure&) {
        // A server without the extensions answers EHLO with 5xx but still knows HELO.
        send_command(transport, "HELO " + helo_name, kSuccess, lines);
    }
}

void transaction(transport::tcp::base& transport, const std::string& recipient,
                 const std::string& sender, const message_lines& message) {
    try {
        reply_lines lines;
        send_command(transport, "RSET", kSuccess, lines);
        send_command(transport, "MAIL FROM: <" + sender + ">", kSuccess, lines);
        send_command(transport, "RCPT TO: <" + recipient + ">", kSuccess, lines);
        send_command(transport, "DATA", kStartMailInput, lines);
        write_message(transport, message);
        send_command(transport, ".", kSuccess, lines);
    } catch (const transport::generic& error) {
        throw temporary_failure(error.message());
    }
}

void quit(transport::tcp::base& transport) {
    try {
        reply_lines lines;
        send_command(transport, "QUIT", kAnyReply, lines);
    } catch (const transport::generic& error) {
        throw unreliable_delivery(error.message());
    }
}

void send_mail(const std::string& helo_name, const address::ip4& address,
               const std::string& recipient, const std::string& sender, const message_lines& lines,
               int reply_timeout_seconds, int submission_seconds) {
    transport::tcp::raw connection;
    connection.open_socket(address);
    // However the server paces its lines, each reply, each write and the connection attempt
    // has the reply time-out, and the whole delivery has the submission's.
    connection.set_deadline(transport::deadline(std::chrono::seconds(reply_timeout_seconds),
                                                std::chrono::seconds(submission_seconds)));
    connection.connect(address);
    reply_lines replies;
    greet(helo_name, connection, replies);
    transaction(connection, recipient, sender, lines);
    quit(connection);
}

}  // namespace quill::internet::smtp

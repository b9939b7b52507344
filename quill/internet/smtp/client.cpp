#include "quill/internet/smtp/client.h"

#include <chrono>

#include "quill/internet/transport/deadline.h"
#include "quill/internet/transport/tcp/raw.h"

namespace quill::internet::smtp {

namespace {

// More continuation lines than this make a reply suspect (a runaway or hostile server).
const reply_lines::size_type kMaxContinuationLines = 128;

// A line of at least three characters, or smtp::generic.
void read_reply_line(transport::tcp::base& transport, std::string& line) {
    transport.read_line(line);
    if (line.size() < 3) throw generic("Bad response: " + line);
}

// Replies to DATA other than 354 that are read past before the transaction gives up: a
// server answering without end must not hold the client.
const int kMaxRepliesReadPast = 10;

int reply_code(const std::string& last_line) {
    if (last_line[0] == '4') throw temporary_failure(last_line);
    if (last_line[0] == '5') throw permanent_failure(last_line);
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        const char digit = last_line[i];
        if (digit < '0' || digit > '9') return 0;
        code = code * 10 + (digit - '0');
    }
    return code;
}

// The reply's last line whole, its code as the result; read_reply's checks and errors.
int read_reply_keeping_last_line(transport::tcp::base& transport, reply_lines& reply,
                                 std::string& line) {
    // One turn of the deadline for the whole reply, however many lines it has.
    transport.start_turn();
    reply.clear();
    read_reply_line(transport, line);
    while (line.size() > 3) {
        reply.push_back(line.substr(4));
        if (line[3] == ' ') break;
        if (line[3] != '-') throw generic("Invalid character: " + line);
        if (reply.size() > kMaxContinuationLines) throw generic("Excess response: " + line);
        read_reply_line(transport, line);
    }
    return reply_code(line);
}

bool is_success(int code) {
    return code >= 200 && code <= 299;
}

// A command that only a 2xx reply accepts; any other reply that is not 4xx or 5xx (a 1xx,
// a 3xx, text that is no reply code) is a temporary failure with its last line.
void accepted_command(transport::tcp::base& transport, const std::string& text,
                      reply_lines& reply) {
    transport.write_line(text);
    std::string last_line;
    if (!is_success(read_reply_keeping_last_line(transport, reply, last_line))) {
        throw temporary_failure(last_line);
    }
}

// DATA, accepted by 354 alone. Other 2xx and 3xx replies are read past, a few of them.
void start_data(transport::tcp::base& transport, reply_lines& reply) {
    transport.write_line("DATA");
    for (int read_past = 0;; ++read_past) {
        std::string last_line;
        const int code = read_reply_keeping_last_line(transport, reply, last_line);
        if (code == 354) return;
        if (code < 200 || code > 399 || read_past == kMaxRepliesReadPast) {
            throw temporary_failure(last_line);
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

int read_reply(transport::tcp::base& transport, reply_lines& reply) {
    std::string last_line;
    return read_reply_keeping_last_line(transport, reply, last_line);
}

int command(transport::tcp::base& transport, const std::string& text, reply_lines& reply) {
    transport.write_line(text);
    return read_reply(transport, reply);
}

void greet(const std::string& helo_name, transport::tcp::base& transport, reply_lines& reply) {
    read_reply(transport, reply);
    try {
        accepted_command(transport, "EHLO " + helo_name, reply);
    } catch (const permanent_failure&) {
        // A server without the extensions answers EHLO with 5xx but still knows HELO.
        accepted_command(transport, "HELO " + helo_name, reply);
    }
}

void transaction(transport::tcp::base& transport, const std::string& recipient,
                 const std::string& sender, const message_lines& lines) {
    try {
        reply_lines reply;
        accepted_command(transport, "RSET", reply);
        accepted_command(transport, "MAIL FROM: <" + sender + ">", reply);
        accepted_command(transport, "RCPT TO: <" + recipient + ">", reply);
        start_data(transport, reply);
        write_message(transport, lines);
        accepted_command(transport, ".", reply);
    } catch (const transport::generic& error) {
        throw temporary_failure(error.message());
    }
}

void quit(transport::tcp::base& transport) {
    try {
        reply_lines reply;
        command(transport, "QUIT", reply);
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
    reply_lines reply;
    greet(helo_name, connection, reply);
    transaction(connection, recipient, sender, lines);
    quit(connection);
}

}  // namespace quill::internet::smtp

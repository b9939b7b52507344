#include "quill/internet/smtp/client.h"

#include <winsock2.h>

#include "quill/format.h"
#include "quill/internet/transport/status.h"
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

void set_receive_timeout(const transport::base& transport, int timeout_seconds) {
    // SO_RCVTIMEO takes milliseconds as a 4-byte value.
    const DWORD milliseconds = static_cast<DWORD>(timeout_seconds) * 1000;
    if (::setsockopt(transport.handle(), SOL_SOCKET, SO_RCVTIMEO,
                     reinterpret_cast<const char*>(&milliseconds),
                     static_cast<int>(sizeof(milliseconds))) == SOCKET_ERROR) {
        transport::raise_setsockopt_status(::WSAGetLastError());
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
    reply.clear();
    std::string line;
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

int command(transport::tcp::base& transport, const std::string& text, reply_lines& reply) {
    transport.write_line(text);
    return read_reply(transport, reply);
}

void greet(const std::string& helo_name, transport::tcp::base& transport, reply_lines& reply) {
    read_reply(transport, reply);
    try {
        command(transport, "EHLO " + helo_name, reply);
    } catch (const permanent_failure&) {
        // A server without the extensions answers EHLO with 5xx but still knows HELO.
        command(transport, "HELO " + helo_name, reply);
    }
}

void transaction(transport::tcp::base& transport, const std::string& recipient,
                 const std::string& sender, const message_lines& lines) {
    try {
        reply_lines reply;
        command(transport, "RSET", reply);
        command(transport, "MAIL FROM: <" + sender + ">", reply);
        command(transport, "RCPT TO: <" + recipient + ">", reply);
        transport.write_line("DATA");
        while (read_reply(transport, reply) != 354) {
        }
        write_message(transport, lines);
        command(transport, ".", reply);
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
               int timeout_seconds) {
    transport::tcp::raw connection;
    connection.open_socket(address);
    connection.connect(address);
    set_receive_timeout(connection, timeout_seconds);
    reply_lines reply;
    greet(helo_name, connection, reply);
    transaction(connection, recipient, sender, lines);
    quit(connection);
}

}  // namespace quill::internet::smtp

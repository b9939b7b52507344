// The SMTP dialogue against scripted servers: each row is one server and the exact bytes
// that server must have received, with the outcome of send_mail.
#include "quill/internet/smtp/client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quill/internet/environment/guard.h"
#include "quill/internet/transport/tcp/raw.h"
#include "tests/support/scripted_server.h"
#include "tests/support/smtp_dialogue.h"

namespace {

using namespace quill::internet;
using korve::test::hang_up;
using korve::test::hear;
using korve::test::pause;
using korve::test::reset;
using korve::test::say;
using korve::test::script_step;
using korve::test::scripted_server;
using korve::test::smtp_dialogue;
using script = std::vector<script_step>;
using turn = korve::test::smtp_turn;

const char* const kRecipient = "support@example.com";

// Everything a server hears from a successful delivery of kMessage.
const std::string kEhlo = "EHLO installer\r\n";
const std::string kEnvelope = "RSET\r\nMAIL FROM: <>\r\nRCPT TO: <support@example.com>\r\nDATA\r\n";
const std::string kData = "Subject: test\r\n\r\nbody\r\n.\r\n";
const std::string kQuit = "QUIT\r\n";
const smtp::message_lines kMessage = {"Subject: test", "", "body"};
const std::size_t kLongestLine = transport::tcp::base::max_line_length;

std::string numbered_lines(const char* prefix, int count) {
    std::string lines;
    for (int i = 1; i <= count; ++i) lines += prefix + std::to_string(i) + "\r\n";
    return lines;
}

struct dialogue_case {
    const char* name;
    script server;
    smtp::message_lines lines;
    std::string transcript;  // what the server received
    std::string outcome;     // what() of the error, empty for a delivery
};

std::vector<dialogue_case> dialogue_cases() {
    const std::string delivered = kEhlo + kEnvelope + kData + kQuit;
    return {
        {"whole delivery", smtp_dialogue(), kMessage, delivered, ""},
        {"three-character greeting", smtp_dialogue({{turn::greeting, {say("220\r\n")}}}), kMessage,
         delivered, ""},
        {"128 continuation lines",
         smtp_dialogue({{turn::ehlo, {say(numbered_lines("250-line", 128) + "250 last\r\n")}}}),
         kMessage, delivered, ""},
        {"129 continuation lines",
         smtp_dialogue({{turn::ehlo, {say(numbered_lines("250-line", 129) + "250 last\r\n")}}},
                       turn::ehlo),
         kMessage, kEhlo, "smtp[Excess response: 250-line129]"},
        {"underscore as fourth character",
         {say("220_ready\r\n")},
         kMessage,
         "",
         "smtp[Invalid character: 220_ready]"},
        {"reply line shorter than three characters",
         {say("22\r\n")},
         kMessage,
         "",
         "smtp[Bad response: 22]"},
        {"short line inside a multi-line reply",
         smtp_dialogue({{turn::ehlo, {say("250-sink\r\n25\r\n")}}}, turn::ehlo), kMessage, kEhlo,
         "smtp[Bad response: 25]"},
        {"EHLO rejected with 502, HELO accepted",
         smtp_dialogue({{turn::ehlo, {say("502 unknown\r\n"), hear(), say("250 hello\r\n")}}}),
         kMessage, kEhlo + "HELO installer\r\n" + kEnvelope + kData + kQuit, ""},
        {"EHLO and HELO rejected",
         smtp_dialogue({{turn::ehlo, {say("502 unknown\r\n"), hear(), say("550 go away\r\n")}}},
                       turn::ehlo),
         kMessage, kEhlo + "HELO installer\r\n", "smtp.permanent_failure[550 go away]"},
        {"EHLO answered 421 is not retried with HELO",
         smtp_dialogue({{turn::ehlo, {say("421 closing\r\n")}}}, turn::ehlo), kMessage, kEhlo,
         "smtp.temporary_failure[421 closing]"},
        {"greeting 421",
         {say("421 too busy\r\n")},
         kMessage,
         "",
         "smtp.temporary_failure[421 too busy]"},
        {"greeting 554",
         {say("554 no service\r\n")},
         kMessage,
         "",
         "smtp.permanent_failure[554 no service]"},
        {"MAIL FROM answered 451",
         smtp_dialogue({{turn::mail_from, {say("451 try later\r\n")}}}, turn::mail_from), kMessage,
         kEhlo + "RSET\r\nMAIL FROM: <>\r\n", "smtp.temporary_failure[451 try later]"},
        {"RCPT TO rejected with a multi-line reply: the last line is the message",
         smtp_dialogue({{turn::rcpt_to, {say("550-no such user\r\n550 mailbox unavailable\r\n")}}},
                       turn::rcpt_to),
         kMessage, kEhlo + "RSET\r\nMAIL FROM: <>\r\nRCPT TO: <support@example.com>\r\n",
         "smtp.permanent_failure[550 mailbox unavailable]"},
        {"DATA answered first with 2xx, then 354",
         smtp_dialogue({{turn::data, {say("250 hmm\r\n"), say("354 go\r\n")}}}), kMessage,
         delivered, ""},
        {"DATA answered 554", smtp_dialogue({{turn::data, {say("554 no\r\n")}}}, turn::data),
         kMessage, kEhlo + kEnvelope, "smtp.permanent_failure[554 no]"},
        {"final dot answered 552",
         smtp_dialogue({{turn::message, {say("552 too big\r\n")}}}, turn::message), kMessage,
         kEhlo + kEnvelope + kData, "smtp.permanent_failure[552 too big]"},
        {"dot-stuffed lines and a line of a single dot",
         smtp_dialogue(),
         {".hidden", ".", "..", "a.b", "", "end"},
         kEhlo + kEnvelope + "..hidden\r\n..\r\n...\r\na.b\r\n\r\nend\r\n.\r\n" + kQuit,
         ""},
        {"empty message", smtp_dialogue(), {}, kEhlo + kEnvelope + ".\r\n" + kQuit, ""},
        {"connection dropped after the final reply, before the QUIT reply",
         smtp_dialogue({{turn::quit, {hang_up()}}}), kMessage, delivered,
         "smtp.unreliable_delivery[recv() failed]"},
        {"QUIT answered 421 passes as an SMTP error",
         smtp_dialogue({{turn::quit, {say("421 bye anyway\r\n")}}}), kMessage, delivered,
         "smtp.temporary_failure[421 bye anyway]"},
        {"connection dropped inside the transaction",
         smtp_dialogue({{turn::mail_from, {hang_up()}}}, turn::mail_from), kMessage,
         kEhlo + "RSET\r\nMAIL FROM: <>\r\n", "smtp.temporary_failure[recv() failed]"},
        {"connection reset inside the transaction",
         smtp_dialogue({{turn::mail_from, {reset()}}}, turn::mail_from), kMessage,
         kEhlo + "RSET\r\nMAIL FROM: <>\r\n", "smtp.temporary_failure[recv() failed]"},
        // The pause lets the client wait in recv first: a reset that reaches Wine before the
        // client asks is sometimes reported as an orderly close.
        {"connection reset after EHLO",
         smtp_dialogue({{turn::ehlo, {pause(300), reset()}}}, turn::ehlo), kMessage, kEhlo,
         "internet.transport.connection_failed.connection_reset[recv() failed]"},
        {"connection dropped after EHLO", smtp_dialogue({{turn::ehlo, {hang_up()}}}, turn::ehlo),
         kMessage, kEhlo, "internet.transport.connection_failed.connection_closed[recv() failed]"},
        {"server ending its lines with a bare LF",
         {say("220 ready\n")},
         kMessage,
         "",
         "internet.transport.connection_failed.connection_timed_out[recv() failed]"},
        {"silence before the greeting",
         {},
         kMessage,
         "",
         "internet.transport.connection_failed.connection_timed_out[recv() failed]"},
        // Each byte well within a 1-second time-out.
        {"greeting dripping a byte every 300 ms", korve::test::dripped("220 slow\r\n", 300),
         kMessage, "", "internet.transport.connection_failed.connection_timed_out[recv() failed]"},
        // Each line well within the time-out, the whole reply not.
        {"EHLO reply a line every 400 ms",
         smtp_dialogue(
             {{turn::ehlo,
               {say("250-a\r\n"), pause(400), say("250-b\r\n"), pause(400), say("250-c\r\n"),
                pause(400), say("250-d\r\n"), pause(400), say("250 last\r\n")}}},
             turn::ehlo),
         kMessage, kEhlo,
         "internet.transport.connection_failed.connection_timed_out[recv() failed]"},
        {"silence inside the transaction", smtp_dialogue({{turn::rset, {}}}, turn::rset), kMessage,
         kEhlo + "RSET\r\n", "smtp.temporary_failure[recv() failed]"},
        // Only a success reply accepts a command: 2xx, for DATA 354.
        {"RSET answered 354", smtp_dialogue({{turn::rset, {say("354 go on\r\n")}}}, turn::rset),
         kMessage, kEhlo + "RSET\r\n", "smtp.temporary_failure[354 go on]"},
        {"MAIL FROM answered with text that is no reply code",
         smtp_dialogue({{turn::mail_from, {say("xyz\r\n")}}}, turn::mail_from), kMessage,
         kEhlo + "RSET\r\nMAIL FROM: <>\r\n", "smtp.temporary_failure[xyz]"},
        {"RCPT TO answered 199",
         smtp_dialogue({{turn::rcpt_to, {say("199 maybe\r\n")}}}, turn::rcpt_to), kMessage,
         kEhlo + "RSET\r\nMAIL FROM: <>\r\nRCPT TO: <support@example.com>\r\n",
         "smtp.temporary_failure[199 maybe]"},
        {"final dot answered 354",
         smtp_dialogue({{turn::message, {say("354 more\r\n")}}}, turn::message), kMessage,
         kEhlo + kEnvelope + kData, "smtp.temporary_failure[354 more]"},
        {"final dot answered with a two-digit code",
         smtp_dialogue({{turn::message, {say("2x0 odd\r\n")}}}, turn::message), kMessage,
         kEhlo + kEnvelope + kData, "smtp.temporary_failure[2x0 odd]"},
        {"EHLO answered 354 is not retried with HELO",
         smtp_dialogue({{turn::ehlo, {say("354 what\r\n")}}}, turn::ehlo), kMessage, kEhlo,
         "smtp.temporary_failure[354 what]"},
        {"HELO answered 1xx after EHLO was rejected",
         smtp_dialogue({{turn::ehlo, {say("502 unknown\r\n"), hear(), say("100 hm\r\n")}}},
                       turn::ehlo),
         kMessage, kEhlo + "HELO installer\r\n", "smtp.temporary_failure[100 hm]"},
        {"DATA answered 199", smtp_dialogue({{turn::data, {say("199 wait\r\n")}}}, turn::data),
         kMessage, kEhlo + kEnvelope, "smtp.temporary_failure[199 wait]"},
        {"DATA answered with text that is no reply code",
         smtp_dialogue({{turn::data, {say("abc\r\n")}}}, turn::data), kMessage, kEhlo + kEnvelope,
         "smtp.temporary_failure[abc]"},
        {"DATA answered ten times with 2xx and 3xx, then 354",
         smtp_dialogue({{turn::data,
                         {say(numbered_lines("250 wait ", 5) + numbered_lines("399 wait ", 5) +
                              "354 go\r\n")}}}),
         kMessage, delivered, ""},
        {"DATA answered with 2xx without end",
         smtp_dialogue({{turn::data, {say(numbered_lines("250 wait ", 200))}}}, turn::data),
         kMessage, kEhlo + kEnvelope, "smtp.temporary_failure[250 wait 11]"},
        // Hostile servers: a line beyond the transport's limit ends the dialogue at once.
        {"greeting of 6 MiB without a line end",
         {say("220 " + std::string(6 * 1024 * 1024, 'x'))},
         kMessage,
         "",
         "internet.transport.line_too_long[read_line() failed: line longer than 65536 bytes]"},
        {"reply line just under the limit inside the transaction",
         smtp_dialogue({{turn::rset, {say("250 " + std::string(kLongestLine - 4, 'r') + "\r\n")}}}),
         kMessage, delivered, ""},
        {"reply line just over the limit inside the transaction",
         smtp_dialogue({{turn::rset, {say("250 " + std::string(kLongestLine - 3, 'r') + "\r\n")}}},
                       turn::rset),
         kMessage, kEhlo + "RSET\r\n",
         "smtp.temporary_failure[read_line() failed: line longer than 65536 bytes]"},
    };
}

class SmtpClientTest : public ::testing::Test {
  protected:
    environment::guard sockets_;
};

std::string deliver(const address::ip4& address, const smtp::message_lines& lines,
                    const std::string& sender = "") {
    try {
        smtp::send_mail("installer", address, kRecipient, sender, lines, 1, 30);
        return "";
    } catch (const quill::exception& error) {
        return error.what();
    }
}

TEST_F(SmtpClientTest, DialogueWithScriptedServers) {
    for (const dialogue_case& row : dialogue_cases()) {
        scripted_server server(row.server);
        EXPECT_EQ(row.outcome, deliver(server.address(), row.lines)) << row.name;
        EXPECT_EQ(row.transcript, server.transcript()) << row.name;
    }
}

TEST_F(SmtpClientTest, SenderGoesIntoMailFromInAngleBrackets) {
    scripted_server server(smtp_dialogue());
    EXPECT_EQ("", deliver(server.address(), kMessage, "user@example.org"));
    EXPECT_EQ(kEhlo +
                  "RSET\r\nMAIL FROM: <user@example.org>\r\n"
                  "RCPT TO: <support@example.com>\r\nDATA\r\n" +
                  kData + kQuit,
              server.transcript());
}

// A real socket transport that notes what each flush hands to send.
class recording_transport : public transport::tcp::raw {
  public:
    void flush() override {
        if (!send_queue_.empty()) sends.push_back(send_queue_);
        raw::flush();
    }
    std::vector<std::string> sends;
};

TEST_F(SmtpClientTest, EveryCommandAndMessageLineLeavesInItsOwnSend) {
    scripted_server server(smtp_dialogue());
    recording_transport transport;
    transport.open_socket(server.address());
    transport.connect(server.address());
    smtp::reply_lines reply;
    smtp::greet("installer", transport, reply);
    smtp::transaction(transport, kRecipient, "", {"first", ".dotted", "."});
    smtp::quit(transport);
    transport.close();
    const std::vector<std::string> expected = {"EHLO installer\r\n",
                                               "RSET\r\n",
                                               "MAIL FROM: <>\r\n",
                                               "RCPT TO: <support@example.com>\r\n",
                                               "DATA\r\n",
                                               "first\r\n",
                                               ".",
                                               ".dotted\r\n",
                                               ".",
                                               ".\r\n",
                                               ".\r\n",
                                               "QUIT\r\n"};
    EXPECT_EQ(expected, transport.sends);
    EXPECT_EQ(kEhlo + kEnvelope + "first\r\n..dotted\r\n..\r\n.\r\n" + kQuit, server.transcript());
}

TEST_F(SmtpClientTest, RefusedConnectionThrowsConnectionRefused) {
    const address::ip4 nobody("127.0.0.1", korve::test::unused_port());
    EXPECT_EQ("internet.transport.connection_failed.connection_refused[connect() failed]",
              deliver(nobody, kMessage));
}

TEST_F(SmtpClientTest, UnresolvableServerNameThrowsHostNotFound) {
    try {
        smtp::send_mail("installer", address::ip4("no..such..host.invalid", 25), kRecipient, "",
                        kMessage, 1, 30);
        FAIL() << "delivered to an unknown host";
    } catch (const address::host_not_found& error) {
        EXPECT_STREQ("internet.address.host_not_found[GetAddrInfoA() failed]", error.what());
    }
}

TEST_F(SmtpClientTest, ReadReplyCollectsTheLineTextsAndReturnsTheCodeAndLastLine) {
    struct reply_case {
        const char* sent;
        int code;
        const char* last_line;
        smtp::reply_lines lines;
    };
    const reply_case cases[] = {
        {"250-first\r\n250-second\r\n250 last\r\n", 250, "250 last", {"first", "second", "last"}},
        {"220\r\n", 220, "220", {}},
        {"354 \r\n", 354, "354 ", {""}},
        {"2x0 odd code\r\n", 0, "2x0 odd code", {"odd code"}},
    };
    for (const reply_case& row : cases) {
        scripted_server server({say(row.sent)});
        transport::tcp::raw transport;
        transport.open_socket(server.address());
        transport.connect(server.address());
        smtp::reply_lines lines = {"left over"};
        const smtp::reply answer = smtp::read_reply(transport, lines);
        EXPECT_EQ(row.code, answer.code) << row.sent;
        EXPECT_EQ(row.last_line, answer.last_line) << row.sent;
        EXPECT_EQ(row.lines, lines) << row.sent;
        transport.close();
        server.transcript();
    }
}

}  // namespace

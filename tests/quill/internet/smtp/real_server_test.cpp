// Delivery to a real SMTP server: Debian's aiosmtpd stores exactly the lines sent.
#include <gtest/gtest.h>

#include <string>

#include "mail/log_mail.h"
#include "quill/internet/environment/guard.h"
#include "quill/internet/smtp/client.h"
#include "tests/support/smtp_sink.h"
#include "tests/support/text_file.h"

namespace {

using namespace quill::internet;

TEST(SmtpRealServerTest, AiosmtpdStoresExactlyTheLinesSent) {
    environment::guard sockets;
    korve::test::smtp_sink sink(KORVE_SMTP_SINK_SCRIPT, KORVE_SMTP_SINK_FOLDER, 2, 60);
    ASSERT_TRUE(sink.started()) << "aiosmtpd did not start";
    const address::ip4 server("127.0.0.1", sink.port());

    // The log mail's headers, then lines a server might mangle.
    auto mail =
        korve::mail::NewLogMail("support@example.com", korve::mail::LogMailSubject(L"", 6, 1));
    mail.add_header("From", "<user@example.org>");
    smtp::message_lines first;
    mail.write_lines(first);
    first.insert(first.end(), {
                                  "TG9nIGxpbmUgb25lDQpMb2cgbGluZSB0d28NCg==",
                                  ".leading dot",
                                  ".",
                                  "..",
                                  "",
                                  "Latin-1 byte \xe9 and UTF-8 \xc3\xa9",
                                  std::string(998, 'x'),
                                  "last line",
                              });
    ASSERT_NO_THROW(smtp::send_mail("installer", server, "support@example.com", "", first, 2, 30));
    std::string stored;
    ASSERT_TRUE(sink.message(1, stored, 10000));
    EXPECT_EQ(korve::test::joined_crlf_lines(first), stored);
    EXPECT_EQ("<>\nsupport@example.com\n", sink.envelope(1)) << "null reverse path expected";

    const smtp::message_lines second = {"Subject: second", "", "body"};
    ASSERT_NO_THROW(smtp::send_mail("installer", server, "support@example.com", "me@example.org",
                                    second, 2, 30));
    ASSERT_TRUE(sink.message(2, stored, 10000));
    EXPECT_EQ(korve::test::joined_crlf_lines(second), stored);
    EXPECT_EQ("me@example.org\nsupport@example.com\n", sink.envelope(2));
}

TEST(SmtpRealServerTest, MalformedRecipientIsAPermanentFailure) {
    environment::guard sockets;
    korve::test::smtp_sink sink(KORVE_SMTP_SINK_SCRIPT, KORVE_SMTP_SINK_FOLDER "_rejecting", 1, 30);
    ASSERT_TRUE(sink.started());
    const address::ip4 server("127.0.0.1", sink.port());
    try {
        smtp::send_mail("installer", server, "bad address>", "", {"x"}, 2, 30);
        FAIL() << "aiosmtpd accepted a malformed recipient";
    } catch (const smtp::permanent_failure& error) {
        EXPECT_EQ('5', error.message()[0]) << error.what();
    }
    // The server is still fine for a proper delivery (which also lets it end at once).
    EXPECT_NO_THROW(smtp::send_mail("installer", server, "support@example.com", "", {"x"}, 2, 30));
}

}  // namespace

#include "mail/log_mail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using korve::mail::LogMailSubject;
using korve::mail::NewLogMail;
using korve::mail::SetLogText;

TEST(LogMailTest, SubjectNamesTheProductVersionOrNulAndTheSystemVersion) {
    struct row {
        std::wstring version;
        unsigned long major, minor;
        std::string expected;
    };
    const row rows[] = {
        {L"", 6, 1, "KORVERemover.exe log product_ver:NUL  OS:6.1"},
        {L"5.2.0.14", 10, 0, "KORVERemover.exe log product_ver:5.2.0.14  OS:10.0"},
        {L"5.2\r\nBcc: x@example.org", 6, 2,
         "KORVERemover.exe log product_ver:5.2  Bcc: x@example.org  OS:6.2"},
        {L"5.2 \u0416\u00E9\t", 6, 2, "KORVERemover.exe log product_ver:5.2 ??   OS:6.2"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.expected, LogMailSubject(r.version, r.major, r.minor));
    }
}

TEST(LogMailTest, MailIsWrittenWithItsHeadersInOrderAndABase64Body) {
    auto mail = NewLogMail("support@example.com", "the subject");
    SetLogText(mail, "abc");
    mail.add_header("From", "<me@example.org>");
    quill::internet::message2::line_list lines;
    mail.write_lines(lines);
    const quill::internet::message2::line_list expected = {
        "From: <me@example.org>",
        "Subject: the subject",
        "Content-Type: text/plain; charset=\"utf-8\"",
        "Content-Transfer-Encoding: base64",
        "To: \"Remove-support mails\" <support@example.com>",
        "",
        "YWJj",
    };
    EXPECT_EQ(expected, lines);
}

struct text_case {
    const char* name;
    std::string file;
    std::wstring text;
    std::string body;
};

TEST(LogMailTest, LogTextIsTakenFromUtf16Utf8WithMarkOrAnsiFiles) {
    const text_case cases[] = {
        {"UTF-16 with its mark kept",
         std::string("\xFF\xFE"
                     "a\0\x41\x01",
                     6),
         L"\xFEFF"
         L"a\x0141",
         "\xEF\xBB\xBF"
         "a\xC5\x81"},
        {"UTF-16 without mark", std::string("h\0i\0", 4), L"hi", "hi"},
        {"UTF-16 odd last byte dropped", std::string("h\0i\0!", 5), L"hi", "hi"},
        {"UTF-8 with mark, taken as it is",
         "\xEF\xBB\xBF"
         "\xC5\x81\xC3\xA9 ok\r\n",
         L"\xFEFF\x0141\x00E9 ok\r\n",
         "\xEF\xBB\xBF"
         "\xC5\x81\xC3\xA9 ok\r\n"},
        {"ANSI", "caf\xE9\r\n", L"caf\x00E9\r\n", "caf\xC3\xA9\r\n"},
    };
    for (const text_case& c : cases) {
        auto mail = NewLogMail("support@example.com", "s");
        SetLogText(mail, c.file);
        EXPECT_EQ(c.text, mail.text()) << c.name;
        EXPECT_EQ(c.body, mail.body()) << c.name;
    }
}

TEST(LogMailTest, Utf8FileWithMarkKeepsEvenInvalidBytesInTheBody) {
    const std::string file =
        "\xEF\xBB\xBF"
        "ok \xFF\xC3 end";
    auto mail = NewLogMail("support@example.com", "s");
    SetLogText(mail, file);
    EXPECT_EQ(file, mail.body());
}

}  // namespace

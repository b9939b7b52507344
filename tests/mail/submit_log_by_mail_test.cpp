// The log mail with answered boxes and prompts, delivered to scripted servers and to a real
// SMTP server (aiosmtpd) on 127.0.0.1.
#include "mail/submit_log_by_mail.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "quill/coding/translate.h"
#include "quill/handle.h"
#include "quill/internet/smtp/errors.h"
#include "quill/internet/transport/tcp/base.h"
#include "quill/log/errors.h"
#include "quill/log/file.h"
#include "tests/support/full_file.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_server.h"
#include "tests/support/smtp_dialogue.h"
#include "tests/support/smtp_sink.h"
#include "tests/support/text_file.h"
#include "tests/support/unix_link.h"

namespace {

using korve::mail::SubmissionDialogs;
using korve::mail::SubmitLogByMail;
using korve::mail::SupportMailServer;
using korve::test::say;
using korve::test::smtp_dialogue;
using turn = korve::test::smtp_turn;

const char* const kMailbox = "support@example.com";
const char* const kQuestion = "Would you like to send a log file to Velocore support?";
const char* const kNoSender = "Log file can't be sent without a sender";
const char* const kNotSubmitted = "Log file not submitted";

struct shown_box {
    std::string text;
    std::string caption;
    unsigned int type;
};

// A person who answers the question with `answer` and each prompt with the next entry of
// `prompts` (its result and, for 1, the text typed); prompts beyond the list are cancelled.
class answered_dialogs : public SubmissionDialogs {
  public:
    answered_dialogs(int answer, std::vector<std::pair<int, std::string>> prompts)
        : answer_(answer), prompts_(std::move(prompts)) {}

    int ShowMessage(const char* text, const char* caption, unsigned int type) override {
        boxes.push_back({text, caption, type});
        return type == MB_YESNO ? answer_ : IDOK;
    }

    int AskForAddress(char* buffer) override {
        if (prompts_shown >= prompts_.size()) return 0;
        const auto& [result, text] = prompts_[prompts_shown++];
        if (result == 1) std::strcpy(buffer, text.c_str());
        return result;
    }

    std::vector<shown_box> boxes;
    std::size_t prompts_shown = 0;

  private:
    int answer_;
    std::vector<std::pair<int, std::string>> prompts_;
};

// Each test runs in a folder of its own holding (or lacking) the log file.
class SubmitLogByMailTest : public ::testing::Test {
  protected:
    SubmitLogByMailTest()
        : folder_(std::string("mail-") +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                  korve::test::folder_use::current_directory) {}

    void write_log(const std::string& bytes) {
        korve::test::write_file(folder_ / "KORVERemover.log.txt", bytes);
    }

    static SupportMailServer server_at(unsigned short port) {
        return {"127.0.0.1", port, kMailbox};
    }

    korve::test::scratch_folder folder_;
};

TEST_F(SubmitLogByMailTest, MissingLogFileGivesZeroAndShowsNothing) {
    answered_dialogs person(IDYES, {{1, "me@example.org"}});
    EXPECT_EQ(0, SubmitLogByMail(person, server_at(korve::test::unused_port()), L""));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(SubmitLogByMailTest, LogFileStillOpenForWritingGivesZero) {
    write_log(
        "\xEF\xBB\xBF"
        "line\r\n");
    quill::unique_file writer(::CreateFileA("KORVERemover.log.txt", GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.valid());
    answered_dialogs person(IDYES, {});
    EXPECT_EQ(0, SubmitLogByMail(person, server_at(korve::test::unused_port()), L""));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(SubmitLogByMailTest, LogOfFewerThanThreeBytesGivesOneWithoutAsking) {
    for (const std::string& content : {std::string(), std::string("ab")}) {
        write_log(content);
        answered_dialogs person(IDYES, {});
        EXPECT_EQ(1, SubmitLogByMail(person, server_at(korve::test::unused_port()), L""))
            << content.size() << " bytes";
        EXPECT_TRUE(person.boxes.empty()) << content.size() << " bytes";
    }
}

// The listeners wrote one file; another one that has taken its name since is never read back.
TEST_F(SubmitLogByMailTest, OnlyTheFileTheListenersWroteIsReadBack) {
    write_log("abc");
    quill::fs::file_identity written;
    {
        const quill::unique_file log(::CreateFileA("KORVERemover.log.txt", GENERIC_READ,
                                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(quill::fs::identity_of(log.get(), written));
    }
    answered_dialogs same(IDNO, {});
    EXPECT_EQ(1, SubmitLogByMail(same, server_at(korve::test::unused_port()), L"", written));
    ASSERT_EQ(1u, same.boxes.size());
    EXPECT_EQ(kQuestion, same.boxes[0].text);

    ASSERT_TRUE(::MoveFileA("KORVERemover.log.txt", "written.log.txt"));
    write_log("abc");
    answered_dialogs other(IDNO, {});
    EXPECT_EQ(0, SubmitLogByMail(other, server_at(korve::test::unused_port()), L"", written));
    EXPECT_TRUE(other.boxes.empty());
}

// Followed, a link to a network path would make the elevated process authenticate there.
TEST_F(SubmitLogByMailTest, LogNameThatIsALinkIsNotFollowed) {
    if (!korve::test::running_under_wine()) GTEST_SKIP() << "links are made with ln -s";
    korve::test::write_file(folder_ / "elsewhere.txt",
                            "\xEF\xBB\xBF"
                            "line\r\n");
    const korve::test::scoped_unix_link link(folder_ / "elsewhere.txt",
                                             folder_ / "KORVERemover.log.txt");
    ASSERT_TRUE(link.made());
    answered_dialogs person(IDYES, {{1, "me@example.org"}});
    EXPECT_EQ(0, SubmitLogByMail(person, server_at(korve::test::unused_port()), L""));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(SubmitLogByMailTest, LogThatMissesLinesIsNotSent) {
    quill::fs::file_identity written;
    {
        quill::log::file sink("KORVERemover", 0xFFFFFFFFu, 0);
        sink.write(1, "", "whole");
        if (!korve::test::fill_to_the_limit(folder_ / "KORVERemover.log.txt", 1)) {
            GTEST_SKIP() << "no file size limit";
        }
        EXPECT_THROW(sink.write(1, "", "cut"), quill::log::generic);
        written = sink.identity();
    }
    answered_dialogs person(IDYES, {{1, "me@example.org"}});
    EXPECT_EQ(0, SubmitLogByMail(person, server_at(korve::test::unused_port()), L"", written));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(SubmitLogByMailTest, DeclinedOfferAsksNothingMoreAndSendsNothing) {
    write_log("abc");
    answered_dialogs person(IDNO, {{1, "me@example.org"}});
    EXPECT_EQ(1, SubmitLogByMail(person, server_at(korve::test::unused_port()), L""));
    ASSERT_EQ(1u, person.boxes.size());
    EXPECT_EQ(kQuestion, person.boxes[0].text);
    EXPECT_EQ("Velocore support", person.boxes[0].caption);
    EXPECT_EQ(static_cast<unsigned int>(MB_YESNO), person.boxes[0].type);
    EXPECT_EQ(0u, person.prompts_shown);
}

TEST_F(SubmitLogByMailTest, CancelledPromptEndsWithTheNoSenderBox) {
    write_log("abc");
    answered_dialogs person(IDYES, {{0, ""}});
    EXPECT_EQ(1, SubmitLogByMail(person, server_at(korve::test::unused_port()), L""));
    ASSERT_EQ(2u, person.boxes.size()) << "nothing may be sent";
    EXPECT_EQ(kNoSender, person.boxes[1].text);
    EXPECT_EQ(kNotSubmitted, person.boxes[1].caption);
    EXPECT_EQ(static_cast<unsigned int>(MB_OK), person.boxes[1].type);
}

TEST_F(SubmitLogByMailTest, RejectedRecipientShowsTheErrorAndStillGivesOne) {
    write_log("abc");
    const std::string rejection = "550 5.1.1 <support@example.com>: no such mailbox";
    korve::test::scripted_server server(
        smtp_dialogue({{turn::rcpt_to, {say(rejection + "\r\n")}}}, turn::rcpt_to));
    answered_dialogs person(IDYES, {{1, "me@example.org"}});
    EXPECT_EQ(1, SubmitLogByMail(person, server_at(server.port()), L""));
    EXPECT_EQ("EHLO installer\r\nRSET\r\nMAIL FROM: <>\r\nRCPT TO: <support@example.com>\r\n",
              server.transcript());
    ASSERT_EQ(2u, person.boxes.size());
    EXPECT_EQ(quill::internet::smtp::permanent_failure(rejection).what(), person.boxes[1].text);
    EXPECT_EQ(kNotSubmitted, person.boxes[1].caption);
}

// The server chooses the reply's length, so the box shows only the start of its text.
TEST_F(SubmitLogByMailTest, LongServerReplyIsCutInTheBox) {
    write_log("abc");
    const std::string rejection = "554 " + std::string(5000, 'n');
    korve::test::scripted_server server({say(rejection + "\r\n")});
    answered_dialogs person(IDYES, {{1, "me@example.org"}});
    EXPECT_EQ(1, SubmitLogByMail(person, server_at(server.port()), L""));
    server.transcript();
    ASSERT_EQ(2u, person.boxes.size());
    const std::string what = quill::internet::smtp::permanent_failure(rejection).what();
    EXPECT_EQ(what.substr(0, 300) + "...", person.boxes[1].text);
    EXPECT_EQ(kNotSubmitted, person.boxes[1].caption);
}

TEST_F(SubmitLogByMailTest, UnreachableServerShowsTheConnectError) {
    write_log("abc");
    answered_dialogs person(IDYES, {{1, "me@example.org"}});
    EXPECT_EQ(1, SubmitLogByMail(person, server_at(korve::test::unused_port()), L""));
    ASSERT_EQ(2u, person.boxes.size());
    EXPECT_NE(std::string::npos, person.boxes[1].text.find("connection_refused[connect() failed]"))
        << person.boxes[1].text;
    EXPECT_EQ(kNotSubmitted, person.boxes[1].caption);
}

// A broken or hostile server cannot make the program hold what it sends: the line limit ends
// the dialogue, and the person sees why in the usual box.
TEST_F(SubmitLogByMailTest, EndlessServerLinesEndInTheNotSubmittedBox) {
    const std::size_t longest = quill::internet::transport::tcp::base::max_line_length;
    const std::string too_long = "read_line() failed: line longer than 65536 bytes";
    struct hostile_case {
        const char* name;
        std::vector<korve::test::script_step> script;
        std::string box;
        std::string caption;
    };
    const std::vector<hostile_case> cases = {
        {"greeting of 6 MiB without a line end",
         {say("220 " + std::string(6 * 1024 * 1024, 'x'))},
         "internet.transport.line_too_long[" + too_long + "]",
         kNotSubmitted},
        {"RSET answered with a line just over the limit",
         smtp_dialogue({{turn::rset, {say("250 " + std::string(longest - 3, 'r') + "\r\n")}}},
                       turn::rset),
         "smtp.temporary_failure[" + too_long + "]", kNotSubmitted},
        {"RSET answered with a line just under the limit",
         smtp_dialogue({{turn::rset, {say("250 " + std::string(longest - 4, 'r') + "\r\n")}}}),
         "Thank you. The log file has been submitted.", "Log file submitted"},
    };
    write_log("abc");
    for (const hostile_case& c : cases) {
        korve::test::scripted_server server(c.script);
        answered_dialogs person(IDYES, {{1, "me@example.org"}});
        EXPECT_EQ(1, SubmitLogByMail(person, server_at(server.port()), L"")) << c.name;
        ASSERT_EQ(2u, person.boxes.size()) << c.name;
        EXPECT_EQ(c.box, person.boxes[1].text) << c.name;
        EXPECT_EQ(c.caption, person.boxes[1].caption) << c.name;
        server.transcript();
    }
}

std::vector<std::string> header_lines(const std::string& message) {
    std::vector<std::string> lines = korve::test::split_crlf_lines(message);
    std::vector<std::string> headers;
    for (const std::string& line : lines) {
        if (line.empty()) break;
        headers.push_back(line);
    }
    return headers;
}

std::string decoded_body(const std::string& message) {
    const std::size_t start = message.find("\r\n\r\n");
    if (start == std::string::npos) return "no body";
    return quill::coding::translate::decode_base64(message.substr(start + 4));
}

// "major.minor", both decimal.
bool is_version_number(const std::string& text) {
    const std::size_t dot = text.find('.');
    if (dot == 0 || dot == std::string::npos || dot + 1 == text.size()) return false;
    return text.find_first_not_of("0123456789.") == std::string::npos &&
           text.find('.', dot + 1) == std::string::npos;
}

struct delivery_case {
    const char* name;
    std::string log;
    std::wstring product_version;
    std::vector<std::pair<int, std::string>> prompts;
    std::string body;  // as the server must decode it
    std::string sender;
    std::string subject_version;
    int boxes_before_thanks;
};

TEST_F(SubmitLogByMailTest, LogsArriveIntactAtARealServer) {
    const std::string utf8_log =
        "\xEF\xBB\xBF"
        "2026/12/08 10:00:00 1  \xC5\x81\xC3\xB3"
        "d\xC5\xBA"
        " caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\r\n"
        "2026/12/08 10:00:01 1  .dot line\r\n";
    const std::string utf16_log(
        "\xFF\xFE"
        "A\0\x41\x01\xE9\0\r\0\n\0",
        12);
    const std::vector<delivery_case> cases = {
        {"UTF-8 log asked again for an empty address and one without @",
         utf8_log,
         L"",
         {{1, ""}, {1, "user.example.org"}, {1, "@"}},
         utf8_log,
         "<@>",
         "NUL",
         3},
        {"UTF-16 log",
         utf16_log,
         L"5.2.0.14",
         {{1, "me@example.org"}},
         "\xEF\xBB\xBF"
         "A\xC5\x81\xC3\xA9\r\n",
         "<me@example.org>",
         "5.2.0.14",
         1},
        {"ANSI log",
         "caf\xE9 log\r\n",
         L"",
         {{1, "me@example.org"}},
         "caf\xC3\xA9 log\r\n",
         "<me@example.org>",
         "NUL",
         1},
    };
    korve::test::smtp_sink sink(KORVE_SMTP_SINK_SCRIPT, KORVE_SMTP_SINK_FOLDER,
                                static_cast<int>(cases.size()), 90);
    ASSERT_TRUE(sink.started()) << "aiosmtpd did not start";

    int n = 0;
    for (const delivery_case& c : cases) {
        ++n;
        write_log(c.log);
        answered_dialogs person(IDYES, c.prompts);
        EXPECT_EQ(1, SubmitLogByMail(person, server_at(sink.port()), c.product_version)) << c.name;
        ASSERT_EQ(static_cast<std::size_t>(c.boxes_before_thanks + 1), person.boxes.size())
            << c.name << ": " << person.boxes.back().text;
        for (int i = 1; i < c.boxes_before_thanks; ++i) {
            EXPECT_EQ(kNoSender, person.boxes[i].text) << c.name;
        }
        EXPECT_EQ("Thank you. The log file has been submitted.", person.boxes.back().text);
        EXPECT_EQ("Log file submitted", person.boxes.back().caption);

        std::string received;
        ASSERT_TRUE(sink.message(n, received, 15000)) << c.name;
        const auto headers = header_lines(received);
        ASSERT_EQ(5u, headers.size()) << c.name;
        EXPECT_EQ("From: " + c.sender, headers[0]) << c.name;
        const std::string subject =
            "Subject: KORVERemover.exe log product_ver:" + c.subject_version + "  OS:";
        EXPECT_EQ(subject, headers[1].substr(0, subject.size())) << c.name;
        EXPECT_TRUE(is_version_number(headers[1].substr(subject.size()))) << headers[1];
        EXPECT_EQ("Content-Type: text/plain; charset=\"utf-8\"", headers[2]) << c.name;
        EXPECT_EQ("Content-Transfer-Encoding: base64", headers[3]) << c.name;
        EXPECT_EQ("To: \"Remove-support mails\" <support@example.com>", headers[4]) << c.name;
        EXPECT_EQ(c.body, decoded_body(received)) << c.name;
        EXPECT_EQ("<>\nsupport@example.com\n", sink.envelope(n)) << c.name;
    }
}

}  // namespace

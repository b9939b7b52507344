#include "quill/internet/message2/entity.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "quill/internet/message2/parametized_value_type.h"
#include "quill/internet/message2/unstructured_value_type.h"
#include "quill/unicode/errors.h"

using quill::internet::message2::entity;
using quill::internet::message2::line_list;
namespace header_type = quill::internet::message2::header_type;

namespace {

line_list lines_of(const entity& message) {
    line_list lines;
    message.write_lines(lines);
    return lines;
}

// A text/plain entity in utf-8 whose body goes out as base64, as the log mail builds it.
entity base64_entity() {
    entity message;
    message.remove_header("content-transfer-encoding");
    message.headers().emplace_back("Content-Transfer-Encoding", "base64");
    message.set_charset("utf-8");
    return message;
}

entity entity_with_text(const std::wstring& text, const std::string& encoding) {
    entity message;
    message.remove_header("Content-Transfer-Encoding");
    if (!encoding.empty()) message.add_header("Content-Transfer-Encoding", encoding);
    message.set_text(text);
    return message;
}

line_list body_lines(const line_list& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty())
            return line_list(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, lines.end());
    }
    return line_list();
}

}  // namespace

TEST(EntityTest, NewEntityIsQuotedPrintableTextInIso88591) {
    entity message;
    message.set_text(std::wstring(L"hi"));
    const line_list expected = {"Content-Transfer-Encoding: quoted-printable",
                                "Content-Type: text/plain; charset=\"iso-8859-1\"", "", "hi"};
    EXPECT_EQ(expected, lines_of(message));
    EXPECT_EQ("quoted-printable", message.transfer_encoding());
    EXPECT_EQ("text/plain", message.media_type());
    EXPECT_EQ("iso-8859-1", message.charset());
}

TEST(EntityTest, EmptyBodyWritesHeadersAndTheEmptyLineOnly) {
    const line_list expected = {"Content-Transfer-Encoding: quoted-printable",
                                "Content-Type: text/plain; charset=\"iso-8859-1\"", ""};
    EXPECT_EQ(expected, lines_of(entity()));
}

TEST(EntityTest, LogMailFormWritesUtf8ContentTypeAndBase64Lines) {
    entity message = base64_entity();
    message.headers().emplace_back("To", "\"Remove-support mails\" <support@example.com>");
    message.add_header("Subject", "KORVERemover.exe log product_ver:NUL  OS:6.1");
    message.set_text(std::wstring(200, L'\x00E9'));  // 400 utf-8 bytes

    const line_list lines = lines_of(message);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ("Subject: KORVERemover.exe log product_ver:NUL  OS:6.1", lines[0]);
    EXPECT_EQ("Content-Type: text/plain; charset=\"utf-8\"", lines[1]);
    EXPECT_EQ("Content-Transfer-Encoding: base64", lines[2]);
    EXPECT_EQ("To: \"Remove-support mails\" <support@example.com>", lines[3]);
    EXPECT_EQ("", lines[4]);
    const line_list body = body_lines(lines);
    ASSERT_EQ(8u, body.size());  // 400 bytes: seven full lines of 57 and one of 1
    for (std::size_t i = 0; i + 1 < body.size(); ++i) EXPECT_EQ(76u, body[i].size()) << i;
    EXPECT_EQ("qQ==", body.back());
    EXPECT_EQ("w6nDqcOp", body[0].substr(0, 8));
}

TEST(EntityTest, Base64BodyLineCountFollowsFiftySevenBytePieces) {
    const struct {
        std::size_t bytes;
        std::size_t lines;
        std::size_t last_length;
    } rows[] = {{1, 1, 4}, {56, 1, 76}, {57, 1, 76}, {58, 2, 4}, {114, 2, 76}, {115, 3, 4}};
    for (const auto& row : rows) {
        entity message = base64_entity();
        message.set_text(std::wstring(row.bytes, L'x'));
        const line_list body = body_lines(lines_of(message));
        ASSERT_EQ(row.lines, body.size()) << row.bytes << " bytes";
        EXPECT_EQ(row.last_length, body.back().size()) << row.bytes << " bytes";
    }
}

TEST(EntityTest, QuotedPrintableCutsLongLinesWithSoftBreaks) {
    const std::wstring line(200, L'a');
    const line_list body = body_lines(lines_of(entity_with_text(line, "quoted-printable")));
    ASSERT_EQ(3u, body.size());
    EXPECT_EQ(std::string(75, 'a') + "=", body[0]);
    EXPECT_EQ(std::string(75, 'a') + "=", body[1]);
    EXPECT_EQ(std::string(50, 'a'), body[2]);
}

TEST(EntityTest, QuotedPrintableEscapesEachPieceAndKeepsLineStructure) {
    std::wstring text = std::wstring(74, L'a') + L"\x00E9=b\r\n\r\nx\ty";
    const line_list body = body_lines(lines_of(entity_with_text(text, "Quoted-Printable")));
    const line_list expected = {std::string(74, 'a') + "=E9=", "=3Db", "", "x=09y"};
    EXPECT_EQ(expected, body);
}

TEST(EntityTest, OtherEncodingsWriteTheBodyLinesAsTheyAre) {
    const line_list expected = {"caf\xE9 ok=", "", "b", ""};
    for (const char* encoding : {"8bit", "7bit", ""}) {
        EXPECT_EQ(expected,
                  body_lines(lines_of(entity_with_text(L"caf\x00E9 ok=\r\rb\r\n", encoding))))
            << "encoding \"" << encoding << "\"";
    }
}

TEST(EntityTest, ContentTypeIsRegeneratedFromTheFields) {
    entity message;
    message.set_media_type("image/png");
    EXPECT_EQ("Content-Type: image/png", lines_of(message)[1]);

    message.set_media_type("text/html");
    message.set_charset("windows-1252");
    EXPECT_EQ("Content-Type: text/html; charset=\"windows-1252\"", lines_of(message)[1]);

    message.set_charset("");
    EXPECT_EQ("Content-Type: text/html", lines_of(message)[1]);

    message.set_media_type("Text/plain");  // only an exact "text/" prefix carries a charset
    message.set_charset("utf-8");
    EXPECT_EQ("Content-Type: Text/plain", lines_of(message)[1]);
}

TEST(EntityTest, ContentTypeRegenerationKeepsOtherParametersAndTheStoredValue) {
    entity message;
    message.remove_header("CONTENT-TYPE");
    message.headers().emplace_back("content-type", "text/plain; format=flowed; CHARSET=us-ascii");
    message.set_charset("utf-8");
    EXPECT_EQ("content-type: text/plain; format=\"flowed\"; CHARSET=\"utf-8\"",
              lines_of(message)[1]);
    EXPECT_EQ("text/plain; format=flowed; CHARSET=us-ascii", message.headers().back().second);
}

TEST(EntityTest, WithoutContentTypeHeaderNoneIsWritten) {
    entity message;
    message.remove_header("Content-Type");
    const line_list expected = {"Content-Transfer-Encoding: quoted-printable", ""};
    EXPECT_EQ(expected, lines_of(message));
}

TEST(EntityTest, HeaderOperationsIgnoreCaseAndAddAtTheFront) {
    entity message;
    message.add_header("X-First", "1");
    message.add_header("X-Second", header_type::unstructured_value_type(L"caf\x00E9"));
    message.headers().emplace_back("x-first", "2");
    const line_list lines = lines_of(message);
    EXPECT_EQ("X-Second: =?iso-8859-1?Q?caf=E9?=", lines[0]);
    EXPECT_EQ("X-First: 1", lines[1]);
    EXPECT_EQ("x-first: 2", lines[4]);

    header_type::unstructured_value_type value;
    ASSERT_TRUE(message.find_header("x-SECOND", value));
    EXPECT_EQ(L"caf\x00E9", value.value());
    ASSERT_TRUE(message.find_header("X-FIRST", value));
    EXPECT_EQ(L"1", value.value());

    message.remove_header("X-first");
    EXPECT_FALSE(message.find_header("x-first", value));
    EXPECT_EQ(L"1", value.value());  // untouched when nothing is found
    EXPECT_EQ(3u, message.headers().size());
}

TEST(EntityTest, TransferEncodingIsLowerCasedAndEmptyWithoutHeader) {
    entity message;
    message.remove_header("Content-Transfer-Encoding");
    EXPECT_EQ("", message.transfer_encoding());
    message.add_header("CONTENT-TRANSFER-ENCODING", " BASE64 ");
    EXPECT_EQ("base64", message.transfer_encoding());
}

TEST(EntityTest, SetTextConvertsIntoTheCharset) {
    const struct {
        std::string charset;
        std::wstring text;
        std::string body;
    } rows[] = {
        {"iso-8859-1", L"caf\x00E9", "caf\xE9"},
        {"utf-8", L"caf\x00E9 \x20AC", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"windows-1252", L"\x20AC 5", "\x80 5"},
        {"x-unknown", L"caf\x00E9", "caf\xE9"},  // one byte per unit
        {"koi8-r", L"\x0434\x0430", "\xC4\xC1"},
    };
    for (const auto& row : rows) {
        entity message;
        message.set_charset(row.charset);
        message.set_text(row.text);
        EXPECT_EQ(row.body, message.body()) << row.charset;
        EXPECT_EQ(row.text, message.text()) << row.charset;
    }
}

TEST(EntityTest, SetTextWithUnmappableCharacterThrowsAndKeepsTheEntity) {
    entity message;
    message.set_text(std::wstring(L"old"));
    EXPECT_THROW(message.set_text(std::wstring(L"\x0434")), quill::unicode::unmappable_character);
    message.set_charset("x-unknown");
    EXPECT_THROW(message.set_text(std::wstring(L"\x20AC")), quill::unicode::unmappable_character);
    EXPECT_EQ(L"old", message.text());
    EXPECT_EQ("old", message.body());
}

TEST(EntityTest, NarrowSetTextReadsTheAnsiCodePage) {
    entity message;
    message.set_charset("utf-8");
    message.set_text(std::string("caf\xE9 \x80"));  // code page 1252 under Wine's default locale
    EXPECT_EQ(L"caf\x00E9 \x20AC", message.text());
    EXPECT_EQ("caf\xC3\xA9 \xE2\x82\xAC", message.body());
}

TEST(EntityTest, MultipartWritesDelimitedChildren) {
    entity message;
    message.remove_header("Content-Transfer-Encoding");
    message.set_media_type("multipart/mixed");
    message.set_boundary("XYZ");
    message.add_child().set_text(std::wstring(L"one"));
    entity& second = message.add_child();
    second.set_media_type("image/png");
    second.set_body("\x89PNG");
    second.remove_header("Content-Transfer-Encoding");
    second.add_header("Content-Transfer-Encoding", "base64");

    const line_list expected = {
        "Content-Type: multipart/mixed; boundary=\"XYZ\"",
        "",
        "--XYZ",
        "Content-Transfer-Encoding: quoted-printable",
        "Content-Type: text/plain; charset=\"iso-8859-1\"",
        "",
        "one",
        "--XYZ",
        "Content-Transfer-Encoding: base64",
        "Content-Type: image/png",
        "",
        "iVBORw==",
        "--XYZ--",
    };
    EXPECT_EQ(expected, lines_of(message));
}

TEST(EntityTest, NestedMultipartNestsItsDelimiters) {
    entity message;
    message.set_media_type("multipart/mixed");
    message.set_boundary("outer");
    entity& inner = message.add_child();
    inner.set_media_type("multipart/alternative");
    inner.set_boundary("inner");
    inner.add_child().set_text(std::wstring(L"plain"));
    const line_list lines = lines_of(message);
    const line_list tail(lines.end() - 8, lines.end());
    const line_list expected = {"--inner",
                                "Content-Transfer-Encoding: quoted-printable",
                                "Content-Type: text/plain; charset=\"iso-8859-1\"",
                                "",
                                "plain",
                                "--inner--",
                                "--outer--"};
    EXPECT_EQ(expected, line_list(tail.begin() + 1, tail.end()));
}

TEST(EntityTest, OtherwiseOnlyTheFirstChildFollowsTheBody) {
    entity message;
    message.set_media_type("message/rfc822");
    message.set_text(std::wstring(L"outer"));
    message.add_child().set_text(std::wstring(L"first"));
    message.add_child().set_text(std::wstring(L"second"));
    const line_list expected = {"Content-Transfer-Encoding: quoted-printable",
                                "Content-Type: message/rfc822",
                                "",
                                "outer",
                                "Content-Transfer-Encoding: quoted-printable",
                                "Content-Type: text/plain; charset=\"iso-8859-1\"",
                                "",
                                "first"};
    EXPECT_EQ(expected, lines_of(message));
}

TEST(EntityTest, WritingReplacesTheListAndChangesNothing) {
    entity message = base64_entity();
    message.set_text(std::wstring(L"text"));
    const entity::header_list headers_before = message.headers();
    line_list lines = {"left over"};
    message.write_lines(lines);
    line_list again;
    message.write_lines(again);
    EXPECT_EQ(again, lines);
    EXPECT_EQ("Content-Type: text/plain; charset=\"utf-8\"", lines.front());
    EXPECT_EQ(headers_before, message.headers());
    EXPECT_EQ("text", message.body());
}

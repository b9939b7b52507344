#include <gtest/gtest.h>

#include <string>

#include "quill/internet/message2/parametized_value_type.h"
#include "quill/internet/message2/unstructured_value_type.h"
#include "quill/unicode/errors.h"

namespace header_type = quill::internet::message2::header_type;
using header_type::parametized_value_type;
using header_type::unstructured_value_type;

namespace {

std::string encoded(const std::wstring& value, const std::string& charset = "iso-8859-1") {
    unstructured_value_type object(value);
    object.set_charset(charset);
    return object.encode();
}

std::wstring decoded(const std::string& text, const std::string& charset = "iso-8859-1") {
    unstructured_value_type object;
    object.set_charset(charset);
    object.decode(text);
    return object.value();
}

}  // namespace

TEST(UnstructuredValueTest, AsciiIsWrittenUnchanged) {
    EXPECT_EQ("", encoded(L""));
    EXPECT_EQ("KORVERemover.exe log product_ver:NUL  OS:6.1",
              encoded(L"KORVERemover.exe log product_ver:NUL  OS:6.1"));
    EXPECT_EQ("=?not?an?encoded?word?= _\x7F", encoded(L"=?not?an?encoded?word?= _\x7F"));
}

TEST(UnstructuredValueTest, NonAsciiBecomesTheShorterEncodedWordQOnATie) {
    const struct {
        std::wstring value;
        std::string charset;
        std::string text;
    } rows[] = {
        // Q 23 characters against B 25.
        {L"Caf\x00E9", "iso-8859-1", "=?iso-8859-1?Q?Caf=E9?="},
        // Q "a=E9" and B "YOk=" are equally long: Q wins.
        {L"a\x00E9", "iso-8859-1", "=?iso-8859-1?Q?a=E9?="},
        // Six escapes (18) against 8 base64 characters.
        {L"\x00C4\x00D6\x00DC\x00E4\x00F6\x00FC", "iso-8859-1", "=?iso-8859-1?B?xNbc5Pb8?="},
        // Spaces become "_", a real "_" and "?" are escaped.
        {L"caf\x00E9 a_b? long plain text", "iso-8859-1",
         "=?iso-8859-1?Q?caf=E9_a=5Fb=3F_long_plain_text?="},
        {L"\x20AC 50 only", "windows-1252", "=?windows-1252?Q?=80_50_only?="},
        // Q would need 15 characters for these 9 bytes, B needs 12.
        {L"caf\x00E9 a_b?", "iso-8859-1", "=?iso-8859-1?B?Y2Fm6SBhX2I/?="},
        {L"\x00E9t\x00E9", "UTF-8", "=?UTF-8?B?w6l0w6k=?="},
        {L"\x041F\x0440\x0438\x0432\x0435\x0442", "utf-8", "=?utf-8?B?0J/RgNC40LLQtdGC?="},
    };
    for (const auto& row : rows) EXPECT_EQ(row.text, encoded(row.value, row.charset)) << row.text;
}

TEST(UnstructuredValueTest, LongValueStaysOneEncodedWord) {
    const std::string text = encoded(std::wstring(100, L'\x00E9'), "utf-8");
    EXPECT_EQ(0u, text.find("=?utf-8?B?"));
    EXPECT_EQ(std::string::npos, text.find(' '));
    EXPECT_EQ(10u + 268u + 2u, text.size());
}

TEST(UnstructuredValueTest, CharacterOutsideTheCharsetThrows) {
    EXPECT_THROW(encoded(L"\x0434", "iso-8859-1"), quill::unicode::unmappable_character);
    EXPECT_THROW(encoded(L"\x20AC", "x-unknown"), quill::unicode::unmappable_character);
    unstructured_value_type object(L"\x0434");
    EXPECT_THROW(object.value_as(1252), quill::unicode::unmappable_character);
}

TEST(UnstructuredValueTest, DecodingGivesBackWhatEncodingWrote) {
    const struct {
        std::wstring value;
        std::string charset;
    } rows[] = {
        {L"plain ascii  two spaces", "iso-8859-1"},
        {L"Caf\x00E9", "iso-8859-1"},
        {L"\x00C4\x00D6\x00DC \x00E4\x00F6\x00FC", "iso-8859-1"},
        {L"caf\x00E9 a_b? =?x?=", "iso-8859-1"},
        {L"\x20AC 5", "windows-1252"},
        {L"\x041F\x0440\x0438\x0432\x0435\x0442 \x043C\x0438\x0440", "utf-8"},
        {L"\x5E7D\x970A", "utf-8"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.value, decoded(encoded(row.value, row.charset), row.charset)) << row.charset;
}

TEST(UnstructuredValueTest, DecodingJoinsAdjacentEncodedWordsAndKeepsOtherSpaces) {
    const struct {
        std::string text;
        std::wstring value;
    } rows[] = {
        {"=?utf-8?Q?caf=C3=A9?=   =?utf-8?B?IGV0?=", L"caf\x00E9 et"},
        {"a =?iso-8859-1?q?caf=e9?= b", L"a caf\x00E9 b"},
        {"  lead and trail  ", L"  lead and trail  "},
        {"=?ISO-8859-1?b?6Q==?=", L"\x00E9"},
        {"=?iso-8859-1?Q?a_b?=", L"a b"},
        {"=?utf-8*en?Q?caf=C3=A9?=", L"caf\x00E9"},
        {"=?x-unknown?Q?=E9?=", L"\x00E9"},
        {"=?utf-8?X?abc?= =?utf-8?"
         "?=",
         L"=?utf-8?X?abc?= =?utf-8?"
         L"?="},
        {"caf\xE9", L"caf\x00E9"},                          // a plain word in the value's charset
        {"=?iso-8859-1?Q?100=ZZ_=E9?=", L"100=ZZ \x00E9"},  // a malformed escape is kept
    };
    for (const auto& row : rows) EXPECT_EQ(row.value, decoded(row.text)) << row.text;
}

TEST(UnstructuredValueTest, ValueInACodePage) {
    unstructured_value_type object;
    object.set_value_as("caf\xC3\xA9", 65001);
    EXPECT_EQ(L"caf\x00E9", object.value());
    EXPECT_EQ("caf\xE9", object.value_as(1252));
    EXPECT_EQ("caf\xC3\xA9", object.value_as(65001));
}

TEST(ParametizedValueTest, EncodesEveryParameterQuoted) {
    parametized_value_type object(L"text/plain");
    object.set_parameter("charset", L"utf-8");
    object.set_parameter("format", L"flowed");
    EXPECT_EQ("text/plain; charset=\"utf-8\"; format=\"flowed\"", object.encode());

    object.set_parameter("name", L"r\x00E9sum\x00E9.txt");
    EXPECT_EQ(
        "text/plain; charset=\"utf-8\"; format=\"flowed\"; "
        "name=\"=?iso-8859-1?Q?r=E9sum=E9.txt?=\"",
        object.encode());
}

TEST(ParametizedValueTest, SetAndRemoveActOnTheFirstNameIgnoringCase) {
    parametized_value_type object(L"multipart/mixed");
    object.set_parameter("Boundary", L"a");
    object.set_parameter("BOUNDARY", L"b");
    object.set_parameter_as("charset", "x", 65001);
    EXPECT_EQ("multipart/mixed; Boundary=\"b\"; charset=\"x\"", object.encode());
    ASSERT_NE(nullptr, object.find_parameter("boundary"));
    EXPECT_EQ(L"b", *object.find_parameter("boundary"));
    object.remove_parameter("boundARY");
    object.remove_parameter("missing");
    EXPECT_EQ("multipart/mixed; charset=\"x\"", object.encode());
    EXPECT_EQ(nullptr, object.find_parameter("boundary"));
}

TEST(ParametizedValueTest, DecodesMainValueAndParameters) {
    const struct {
        std::string text;
        std::wstring value;
        parametized_value_type::parameter_list parameters;
    } rows[] = {
        {"text/plain; charset=\"iso-8859-1\"", L"text/plain", {{"charset", L"iso-8859-1"}}},
        {"text/plain;charset=utf-8", L"text/plain", {{"charset", L"utf-8"}}},
        {" text/plain ; format = flowed , delsp=yes;",
         L"text/plain",
         {{"format", L"flowed"}, {"delsp", L"yes"}}},
        {"multipart/mixed; boundary=\"a;b,c\"", L"multipart/mixed", {{"boundary", L"a;b,c"}}},
        {"text/plain; junk; charset=utf-8", L"text/plain", {{"charset", L"utf-8"}}},
        {"application/x; name=\"=?iso-8859-1?Q?r=E9sum=E9?=\"",
         L"application/x",
         {{"name", L"r\x00E9sum\x00E9"}}},
        {"text/plain", L"text/plain", {}},
        {"", L"", {}},
    };
    for (const auto& row : rows) {
        parametized_value_type object;
        object.set_parameter("stale", L"gone");
        object.decode(row.text);
        EXPECT_EQ(row.value, object.value()) << row.text;
        EXPECT_EQ(row.parameters, object.parameters()) << row.text;
    }
}

TEST(ParametizedValueTest, DecodingGivesBackWhatEncodingWrote) {
    parametized_value_type original(L"multipart/related");
    original.set_parameter("boundary", L"=_part;1,2");
    original.set_parameter("title",
                           L"\x00C4rger \x00FC"
                           L"ber \x00DF");
    parametized_value_type copy;
    copy.decode(original.encode());
    EXPECT_EQ(original.value(), copy.value());
    EXPECT_EQ(original.parameters(), copy.parameters());
}

#include "quill/unicode/charset.h"

#include <gtest/gtest.h>

#include <string>

using quill::unicode::charset_table;
using quill::unicode::codepage;
using quill::unicode::codepage_from_charset;

namespace {

struct charset_case {
    const char* name;
    codepage page;
};

void expect_code_pages(const charset_case* first, const charset_case* last) {
    for (; first != last; ++first)
        EXPECT_EQ(first->page, codepage_from_charset(first->name)) << "charset " << first->name;
}

template <std::size_t N>
void expect_code_pages(const charset_case (&cases)[N]) {
    expect_code_pages(cases, cases + N);
}

}  // namespace

TEST(CharsetTest, NormalisesCaseDashesAndUnderscores) {
    const charset_case cases[] = {
        {"UTF-8", 65001},   {"utf_8", 65001},     {"Utf8", 65001},          {"u-t_f-8", 65001},
        {"US-ASCII", -1},   {"iso-ir-100", 1252}, {"ISO_646.irv:1991", -1}, {"KOI8-R", 20866},
        {"Shift_JIS", 932}, {"EUC-KR", 51949},    {"ISO-2022-JP", 50221},   {"x-mac-ce", 10029},
    };
    expect_code_pages(cases);
}

TEST(CharsetTest, KeepsSpacesAndDots) {
    const charset_case cases[] = {{" utf-8", -1}, {"utf-8 ", -1}, {"utf.8", -1}};
    expect_code_pages(cases);
}

TEST(CharsetTest, MapsTheIso8859FamilyByItsNumber) {
    const charset_case cases[] = {
        {"ISO-8859-1", 28591},      {"iso-8859-15", 28605}, {"iso8859_2", 28592},
        {"latin2", 28592},          {"Latin-1", 28591},     {"csISOLatin1", 28591},
        {"latin", 28590},           {"iso8859", 28590},     {"latin1x", 28591},
        {"iso-8859-8-i", 38598},  // in the table, ahead of the prefix
        {"csisolatingreek", 28597},
    };
    expect_code_pages(cases);
}

TEST(CharsetTest, MapsWindowsDosIbmAndCpNamesToTheirNumber) {
    const charset_case cases[] = {
        {"windows-1250", 1250}, {"Windows-1252", 1252},
        {"cp866", 866},         {"CP-1251", 1251},
        {"ibm437", 437},        {"IBM850", 850},
        {"dos-862", 862},       {"cp", 0},
        {"windows", 0},         {"cpx", 0},
        {"cp 437", 437},        {"cp+437", 437},
    };
    expect_code_pages(cases);
}

TEST(CharsetTest, GivesMinusOneForUncoveredNames) {
    const charset_case cases[] = {{"x-foo", -1},  {"", -1},       {"-", -1},
                                  {"8859-1", -1}, {"utf-16", -1}, {"mac", -1}};
    expect_code_pages(cases);
}

TEST(CharsetTest, SaturatesHugeNumbersInsteadOfOverflowing) {
    EXPECT_EQ(2147483647, codepage_from_charset("iso-8859-99999999999"));
    EXPECT_EQ(2147483647, codepage_from_charset("cp99999999999999"));
}

TEST(CharsetTest, TableHoldsOneHundredAndFourNames) {
    EXPECT_EQ(104u, charset_table().size());
}

TEST(CharsetTest, TableKeepsItsOwnValuesWhereOtherListsDiffer) {
    const charset_case cases[] = {
        {"isoir100", 1252},  {"asmo780", 780},    {"iso2022jp", 50221},       {"ascii", -1},
        {"usascii", -1},     {"isoir148", 1254},  {"xmacchinesesimp", 52936}, {"xisciias", 10079},
        {"xisciibe", 57006}, {"xisciide", 57003},
    };
    expect_code_pages(cases);
}

TEST(CharsetTest, TableSample) {
    const charset_case cases[] = {
        {"iso646us", 1252},
        {"unicode-2-0-utf-8", 65001},
        {"utf-7", 65000},
        {"ecma-114", 28596},
        {"iso-ir-110", 28594},
        {"gb18030", 54936},
        {"GBK", 936},
        {"hz-gb-2312", 52936},
        {"x-x-big5", 950},
        {"x-chinese-cns", 20000},
        {"euc-cn", 51936},
        {"cyrillic", 28595},
        {"koi8-u", 21866},
        {"x-europa", 29001},
        {"x-ia5-norwegian", 20108},
        {"greek8", 28597},
        {"visual", 28598},
        {"logical", 38598},
        {"x-mac-icelandic", 10079},
        {"x-iscii-te", 57005},
        {"ms_kanji", 932},
        {"EUC-JP", 51932},
        {"ks_c_5601-1987", 949},
        {"johab", 1361},
        {"x-cseuckr", 51949},
        {"TIS-620", 874},
        {"macintosh", 10000},
        {"x-mac-korean", 10003},
    };
    expect_code_pages(cases);
}

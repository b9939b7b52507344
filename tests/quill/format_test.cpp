#include "quill/format.h"

#include <gtest/gtest.h>

#include <string>

#include "quill/exception.h"

namespace {

TEST(FormatTest, FormatsNarrowAndWideArguments) {
    EXPECT_EQ("key \"Run\" (5)", quill::format("key \"%s\" (%i)", "Run", 5));
    EXPECT_EQ("wide Z", quill::format("wide %ls", L"Z"));
    EXPECT_EQ(L"a-b 7", quill::format_w(L"%ls-%ls %d", L"a", L"b", 7));
}

TEST(FormatTest, GrowsPastTheFirstBufferWithoutLosingCharacters) {
    for (const std::size_t length : {1023u, 1024u, 1025u, 5000u, 100000u}) {
        const std::string text(length, 'x');
        EXPECT_EQ(text, quill::format("%s", text.c_str())) << "length " << length;
        const std::wstring wide(length, L'y');
        EXPECT_EQ(wide, quill::format_w(L"%ls", wide.c_str())) << "length " << length;
    }
}

TEST(FormatTest, EmptyFormatGivesEmptyText) {
    EXPECT_EQ("", quill::format("%s", ""));
    EXPECT_EQ(L"", quill::format_w(L"%ls", L""));
}

// The test prefix's ANSI code page is 1252: its letters stay exact, the rest becomes "?".
TEST(FormatTest, WideArgumentsOfANarrowFormatAreRenderedInAnsiWithoutFailing) {
    const wchar_t lone_surrogate[] = {0xD800, 0};
    const wchar_t* const nothing = nullptr;
    struct row {
        std::string formatted;
        std::string expected;
    };
    const row rows[] = {
        {quill::format("%ls", L"Velocore \u041A\u0438\u0440\u0438\u043B\u043B"), "Velocore ??????"},
        {quill::format("%ls", L"caf\u00E9 \u00C5ngstr\u00F6m"), "caf\xE9 \xC5ngstr\xF6m"},
        {quill::format("%ls + %ls", L"\u0416", L"\u00E9"), "? + \xE9"},
        {quill::format("[%-8ls] [%5.2ls]", L"\u0416\u0443\u043A", L"\u0416\u0443\u043A"),
         "[???     ] [   ??]"},
        {quill::format("[%*ls|%-*.*ls]", 4, L"\u0416", 3, 1, L"ab"), "[   ?|a  ]"},
        {quill::format("%lc%C%S", L'\u0416', L'\u00E9', L"\u0416x"), "?\xE9?x"},
        {quill::format("%ls", lone_surrogate), "?"},
        {quill::format("%ls", nothing), "(null)"},
        {quill::format("%%%s %d %ls %5.1f %zu %lld %x %c %s%%", "a", -3, L"\u042B", 2.5,
                       static_cast<std::size_t>(7), -9000000000LL, 255u, 'z', ""),
         "%a -3 ?   2.5 7 -9000000000 ff z %"},
    };
    for (const row& r : rows) EXPECT_EQ(r.expected, r.formatted);
    // A conversion of unknown argument type beside a wide one is refused, never guessed.
    EXPECT_THROW(quill::format("%ls %n", L"x", nullptr), quill::exception);
    EXPECT_THROW(quill::format("%ls %Ld", L"x", 1), quill::exception);
    EXPECT_THROW(quill::format("%ls %", L"x"), quill::exception);
}

TEST(FormatTest, GrowthEndsWithAnErrorAtItsLimitInBothForms) {
    // 32 Mi characters: past the formatter's limit, so the doubling must stop and report.
    const int width = 1 << 25;
    EXPECT_THROW(quill::format("%*s", width, "x"), quill::exception);
    EXPECT_THROW(quill::format_w(L"%*ls", width, L"x"), quill::exception);
    EXPECT_THROW(quill::format("%*ls", width, L"x"), quill::exception);
    // Just below a doubling step it still succeeds.
    EXPECT_EQ(4095u, quill::format("%*s", 4095, "x").size());
    EXPECT_EQ(4095u, quill::format_w(L"%*ls", 4095, L"x").size());
}

}  // namespace

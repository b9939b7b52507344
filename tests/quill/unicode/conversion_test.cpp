#include "quill/unicode/conversion.h"

#include <gtest/gtest.h>

#include <string>

#include "quill/unicode/errors.h"

namespace {

using quill::unicode::to_narrow;
using quill::unicode::to_wide;

struct narrow_case {
    const wchar_t* text;
    int codepage;
    bool strict;
    const char* expected;
};

// A new Wine prefix has ANSI 1252 and OEM 437.
TEST(ConversionTest, NarrowsInEveryCodePageKind) {
    const narrow_case cases[] = {
        {L"A\u00C4", -1, true, "A\xC4"},
        {L"\u00FF", -1, false, "\xFF"},
        {L"\u00C4\u20AC", 1252, true, "\xC4\x80"},
        {L"\u00C4\u20AC", 0, true, "\xC4\x80"},
        {L"\u00C4", 1, true, "\x8E"},
        {L"\u0416", 1252, false, "?"},
        {L"\u00C4\u20AC", 65001, true, "\xC3\x84\xE2\x82\xAC"},
        {L"\U0001F600", 65001, true, "\xF0\x9F\x98\x80"},
        {L"\u00E9", 28591, true, "\xE9"},
    };
    for (const narrow_case& c : cases) {
        EXPECT_EQ(std::string(c.expected), to_narrow(c.text, c.codepage, c.strict))
            << "code page " << c.codepage;
    }
}

TEST(ConversionTest, WidensInEveryCodePageKind) {
    EXPECT_EQ(L"A\u00C4", to_wide("A\xC4", -1));
    EXPECT_EQ(L"\u00C4\u20AC", to_wide("\xC4\x80", 1252));
    EXPECT_EQ(L"\u00C4\u20AC", to_wide("\xC4\x80", 0));
    EXPECT_EQ(L"\u00C4", to_wide("\x8E", 1));
    EXPECT_EQ(L"\u00C4\u20AC", to_wide("\xC3\x84\xE2\x82\xAC", 65001));
    EXPECT_EQ(L"\U0001F600", to_wide("\xF0\x9F\x98\x80", 65001));
}

TEST(ConversionTest, EmptyTextConvertsInAnyCodePageEvenAnUnknownOne) {
    EXPECT_EQ("", to_narrow(L"", 12345, true));
    EXPECT_EQ(L"", to_wide("", 12345));
}

TEST(ConversionTest, StrictNarrowingRejectsCharactersTheCodePageLacks) {
    EXPECT_THROW(to_narrow(L"\u0416", 1252, true), quill::unicode::unmappable_character);
    EXPECT_THROW(to_narrow(L"\u2603", 1, true), quill::unicode::unmappable_character);
    // Above 255 there is no byte, strict or not.
    EXPECT_THROW(to_narrow(L"\u00C4\u20AC", -1, true), quill::unicode::unmappable_character);
    EXPECT_THROW(to_narrow(L"\u20AC", -1, false), quill::unicode::unmappable_character);
}

TEST(ConversionTest, Utf8IsANoFlagsCodePageSoStrictnessAndInvalidInputAreNotReported) {
    EXPECT_TRUE(quill::unicode::is_no_flags_codepage(65001));
    EXPECT_TRUE(quill::unicode::is_no_flags_codepage(57002));
    EXPECT_TRUE(quill::unicode::is_no_flags_codepage(57011));
    EXPECT_FALSE(quill::unicode::is_no_flags_codepage(57012));
    EXPECT_FALSE(quill::unicode::is_no_flags_codepage(1252));
    // Invalid UTF-8 is replaced by the system, not reported.
    const std::wstring replaced = to_wide(
        "a\xFF"
        "b",
        65001);
    EXPECT_EQ(L'a', replaced.front());
    EXPECT_EQ(L'b', replaced.back());
}

TEST(ConversionTest, InvalidMultiByteSequenceIsUnmappable) {
    // A lone Shift-JIS lead byte; MB_ERR_INVALID_CHARS reports it.
    EXPECT_THROW(to_wide("\x81", 932), quill::unicode::unmappable_character);
    EXPECT_EQ(L"\u3000", to_wide("\x81\x40", 932));
}

TEST(ConversionTest, UnknownCodePageIsInvalidBothWays) {
    EXPECT_THROW(to_narrow(L"x", 12345, true), quill::unicode::invalid_codepage);
    EXPECT_THROW(to_wide("x", 12345), quill::unicode::invalid_codepage);
}

TEST(ConversionTest, ErrorsCarryAnEmptyMessage) {
    try {
        to_narrow(L"\u20AC", -1, true);
        FAIL() << "no error";
    } catch (const quill::unicode::generic& error) {
        EXPECT_STREQ("unicode.unmappable_character[]", error.what());
    }
}

}  // namespace

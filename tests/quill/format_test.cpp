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

TEST(FormatTest, AnUnproducibleTextEndsWithAnErrorInsteadOfGrowingForever) {
    // A lone surrogate cannot be encoded by the narrow formatter's %ls in any buffer size.
    const wchar_t lone_surrogate[] = {0xD800, 0};
    bool ended = false;
    try {
        const std::string text = quill::format("%ls", lone_surrogate);
        ended = true;  // a runtime that substitutes is fine too, as long as it ends
    } catch (const quill::exception&) {
        ended = true;
    }
    EXPECT_TRUE(ended);
}

TEST(FormatTest, GrowthEndsWithAnErrorAtItsLimitInBothForms) {
    // 32 Mi characters: past the formatter's limit, so the doubling must stop and report.
    const int width = 1 << 25;
    EXPECT_THROW(quill::format("%*s", width, "x"), quill::exception);
    EXPECT_THROW(quill::format_w(L"%*ls", width, L"x"), quill::exception);
    // Just below a doubling step it still succeeds.
    EXPECT_EQ(4095u, quill::format("%*s", 4095, "x").size());
    EXPECT_EQ(4095u, quill::format_w(L"%*ls", 4095, L"x").size());
}

}  // namespace

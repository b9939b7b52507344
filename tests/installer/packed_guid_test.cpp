#include "installer/packed_guid.h"

#include <gtest/gtest.h>

#include <string>

namespace korve::installer {
namespace {

struct packing {
    const wchar_t* guid;
    const wchar_t* packed;
};

// Vectors: the documented example and codes as Wine's Windows Installer registers them.
const packing kPackings[] = {
    {L"{12345678-9abc-def0-1234-56789abcdef0}", L"87654321CBA90FED21436587A9CBED0F"},
    {L"{5B2E9C41-7A3D-4F60-9C1E-2D84A7F3B6C5}", L"14C9E2B5D3A706F4C9E1D2487A3F6B5C"},
    {L"{0C6A7E52-3F1B-4D8A-9E27-6B1D4C8F0A31}", L"25E7A6C0B1F3A8D4E972B6D1C4F8A013"},
    {L"{A1F3C2D4-3333-4A5B-8C6D-7E8F9A0B1C2D}", L"4D2C3F1A3333B5A4C8D6E7F8A9B0C1D2"},
};

TEST(PackGuidTest, PacksKnownCodes) {
    for (const packing& p : kPackings) EXPECT_EQ(p.packed, PackGuid(p.guid)) << p.guid;
}

TEST(PackGuidTest, IgnoresCaseBracesDashesAndDigitsAfterTheThirtySecond) {
    const std::wstring expected = L"87654321CBA90FED21436587A9CBED0F";
    for (const wchar_t* spelling : {
             L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}",
             L"12345678-9abc-def0-1234-56789abcdef0",
             L"123456789abcdef0123456789abcdef0",
             L"{12345678-9abc-def0-1234-56789abcdef0}FFFF",
         }) {
        EXPECT_EQ(expected, PackGuid(spelling)) << spelling;
    }
}

TEST(UnpackGuidTest, UndoesPackGuidInUpperCaseWithBracesAndDashes) {
    for (const packing& p : kPackings) {
        std::wstring upper = p.guid;
        for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
        EXPECT_EQ(upper, UnpackGuid(p.packed)) << p.packed;
        EXPECT_EQ(upper, UnpackGuid(PackGuid(p.guid))) << p.guid;
    }
    EXPECT_EQ(L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}",
              UnpackGuid(L"87654321cba90fed21436587a9cbed0f"));
}

TEST(PackGuidTest, TextsWithFewerThan32DigitsComeBackUnchanged) {
    for (const wchar_t* text : {
             L"",
             L"Zeta",
             L"S-1-5-18",
             L"87654321CBA90FED21436587A9CBED0",  // 31 digits
             L"{12345678-9abc-def0}",
             L"InstallProperties ghijklmnopqrstuvwxyz",
         }) {
        EXPECT_EQ(text, PackGuid(text)) << text;
        EXPECT_EQ(text, UnpackGuid(text)) << text;
    }
}

TEST(IsPackedGuidTest, AcceptsExactly32HexadecimalDigits) {
    EXPECT_TRUE(IsPackedGuid(L"87654321CBA90FED21436587A9CBED0F"));
    EXPECT_TRUE(IsPackedGuid(L"87654321cba90fed21436587a9cbed0f"));
    for (const wchar_t* name : {
             L"",
             L"87654321CBA90FED21436587A9CBED0",
             L"87654321CBA90FED21436587A9CBED0F0",
             L"{7654321CBA90FED21436587A9CBED0F}",
             L"87654321CBA90FED21436587A9CBED0G",
             L"87654321CBA90FED\\1436587A9CBED0F",
         }) {
        EXPECT_FALSE(IsPackedGuid(name)) << name;
    }
}

}  // namespace
}  // namespace korve::installer

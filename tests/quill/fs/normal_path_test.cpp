#include "quill/fs/normal_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"

namespace quill::fs {
namespace {

using korve::test::printable;
using korve::test::wide_path;

TEST(NormalPathTest, EverySpellingOfAPlaceHasOneForm) {
    struct row {
        std::wstring path;
        std::wstring normal;  // empty: no normal form
    };
    const row rows[] = {
        {L"C:\\a\\b", L"C:\\a\\b"},
        {L"c:/a//b/", L"c:\\a\\b"},
        {L"C:\\a\\.\\b\\..\\c\\", L"C:\\a\\c"},
        {L"C:\\a. . \\b ", L"C:\\a\\b"},
        {L"C:\\", L"C:\\"},
        {L"C:\\..\\.", L"C:\\"},
        {L"\\\\?\\C:\\a\\b", L"C:\\a\\b"},
        {L"\\\\server\\share\\a\\", L"\\\\server\\share\\a"},
        {L"//server/share", L"\\\\server\\share"},
        {L"\\\\?\\UNC\\server\\share\\a", L"\\\\server\\share\\a"},
        // Devices, volumes, streams, wildcards and what is not a place at all.
        {L"", L""},
        {L"\\\\.\\C:\\a", L""},
        {L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\a", L""},
        {L"\\??\\C:\\a", L""},
        {L"\\\\server", L""},
        {L"C:\\a\\NUL", L""},
        {L"C:\\a\\com1.txt\\b", L""},
        {L"C:\\a:stream", L""},
        {L"C:\\a*", L""},
        {L"C:\\a\\\x0001", L""},
        {L"C:\\" + std::wstring(32767, L'a'), L""},
    };
    for (const row& r : rows) {
        EXPECT_EQ(printable(r.normal), printable(normal_path(r.path))) << printable(r.path);
    }
}

// Short names are made long as far as the path exists, however deep it goes beyond that.
TEST(NormalPathTest, ShortNamesBecomeLongAsFarAsThePathExists) {
    const korve::test::scratch_folder scratch("normal-path");
    const std::wstring long_folder = wide_path(scratch / "A folder with a long name");
    korve::test::make_folder(long_folder);
    wchar_t short_form[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameW(long_folder.c_str(), short_form, MAX_PATH), 0u);
    ASSERT_NE(std::wstring::npos, std::wstring(short_form).find(L'~'));
    for (const std::wstring& rest : {std::wstring(), std::wstring(L"\\missing\\NEW~1\\x")}) {
        EXPECT_TRUE(same_path(long_folder + rest, normal_path(short_form + rest)))
            << printable(normal_path(short_form + rest));
    }
}

TEST(NormalPathTest, PlacesCompareWithoutCaseAlongWholeComponents) {
    struct row {
        const wchar_t* outer;
        const wchar_t* inner;
        bool holds;
    };
    const row rows[] = {
        {L"C:\\Windows", L"c:\\WINDOWS", true},
        {L"C:\\Windows", L"C:\\Windows\\System32", true},
        {L"C:\\", L"C:\\Windows", true},
        {L"\\\\server\\share", L"\\\\SERVER\\share\\a", true},
        {L"C:\\Win", L"C:\\Windows", false},
        {L"C:\\Windows\\System32", L"C:\\Windows", false},
        {L"C:\\\x00C9t\x00E9", L"c:\\\x00E9T\x00C9\\x", true},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.holds, is_or_holds(r.outer, r.inner))
            << printable(r.outer) << " / " << printable(r.inner);
    }
    EXPECT_TRUE(is_root(L"C:\\"));
    EXPECT_TRUE(is_root(L"\\\\server\\share"));
    EXPECT_FALSE(is_root(L"\\\\server\\share\\a"));
    EXPECT_FALSE(is_root(L"C:\\a"));
}

}  // namespace
}  // namespace quill::fs

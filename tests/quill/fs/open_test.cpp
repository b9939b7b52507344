#include "quill/fs/open.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include "quill/fs/normal_path.h"
#include "quill/fs/trusted_root.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/unix_link.h"

namespace quill::fs {
namespace {

using korve::test::wide_path;

// Wine cannot make the other kinds: their tags as Windows reports them.
TEST(LinkTagTest, OnlyNameSurrogatesAreLinks) {
    struct row {
        DWORD tag;
        bool link;
        const char* kind;
    };
    const row rows[] = {
        {0xA0000003, true, "mount point or junction"},
        {0xA000000C, true, "symbolic link"},
        {0x80000017, false, "WOF compression"},
        {0x80000013, false, "deduplication"},
        {0x9000001A, false, "cloud placeholder"},
        {0xC0000004, false, "HSM"},
        {0, true, "unknown tag"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.link, is_link(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY, r.tag))
            << r.kind;
        EXPECT_FALSE(is_link(FILE_ATTRIBUTE_DIRECTORY, r.tag))
            << r.kind << " without the attribute";
    }
}

TEST(OpenBelowTest, MissingNamesAreResultsLinksAreRefused) {
    const korve::test::scratch_folder scratch("open-below");
    korve::test::make_folder(scratch / "here");
    const std::wstring root = wide_path(scratch.path());
    std::optional<item> found;
    EXPECT_TRUE(open_below(root, root + L"\\here\\absent.txt", item_kind::file, 0, found));
    EXPECT_FALSE(found.has_value());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
    EXPECT_TRUE(open_below(root, root + L"\\absent\\x.txt", item_kind::file, 0, found));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), ::GetLastError());
    EXPECT_TRUE(open_below(root, root + L"\\here", item_kind::folder, 0, found) && found);

    if (!korve::test::running_under_wine()) return;
    const korve::test::scoped_unix_link link(scratch / "here", scratch / "there");
    ASSERT_TRUE(link.made());
    EXPECT_FALSE(open_below(root, root + L"\\there", item_kind::folder, 0, found));
    EXPECT_EQ(kLinkInPath, ::GetLastError());
}

TEST(TrustedRootTest, DeepestSystemFolderOrTheDriveRoot) {
    wchar_t program_files[MAX_PATH] = {};
    ASSERT_EQ(S_OK, ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, program_files));
    const std::wstring folder = normal_path(program_files);
    EXPECT_EQ(folder, trusted_root_of(folder + L"\\kestrana\\Velocore"));
    EXPECT_EQ(folder.substr(0, 3), trusted_root_of(folder)) << "never its own root";
    EXPECT_EQ(L"C:\\", trusted_root_of(L"C:\\Tools\\Velocore"));
    EXPECT_EQ(L"", trusted_root_of(L"\\\\server\\share\\Velocore"));
}

}  // namespace
}  // namespace quill::fs

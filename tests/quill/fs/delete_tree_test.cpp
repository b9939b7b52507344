#include "quill/fs/delete_tree.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "quill/fs/open.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_file.h"
#include "tests/support/unix_link.h"

namespace quill::fs {
namespace {

using korve::test::fill_product_folder;
using korve::test::make_folder;
using korve::test::path_exists;
using korve::test::read_file;
using korve::test::scratch_folder;
using korve::test::wide_path;
using korve::test::write_file;

constexpr attribute_policy clear = attribute_policy::clear;
constexpr attribute_policy keep = attribute_policy::keep;

void make_read_only(const std::string& path) {
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << path;
}

class DeleteTreeTest : public ::testing::Test {
  protected:
    // The tree below `trusted_root` (the scratch folder unless named).
    bool delete_tree(const std::string& folder, attribute_policy policy,
                     const std::string& trusted_root = std::string()) {
        return fs::delete_tree(wide_path(trusted_root.empty() ? scratch_.path() : trusted_root),
                               wide_path(folder), policy);
    }

    scratch_folder scratch_{"delete-tree"};
    const std::string product_ = scratch_ / "Velocore";
};

TEST_F(DeleteTreeTest, ClearingAttributesRemovesReadOnlyFilesAndNestedFolders) {
    fill_product_folder(product_);
    for (const std::string& spelling : {product_, product_ + "\\", product_ + "/"}) {
        fill_product_folder(product_);
        EXPECT_TRUE(delete_tree(spelling, clear)) << spelling << " error " << ::GetLastError();
        EXPECT_FALSE(path_exists(product_)) << spelling;
    }
}

TEST_F(DeleteTreeTest, WithoutClearingReadOnlyFilesAndTheirFoldersStay) {
    fill_product_folder(product_);
    EXPECT_FALSE(delete_tree(product_, keep));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), ::GetLastError());
    EXPECT_TRUE(path_exists(product_ + "\\Help\\Manual.lnk"));
    EXPECT_FALSE(path_exists(product_ + "\\Velocore.exe"));
    EXPECT_FALSE(path_exists(product_ + "\\bin\\core.dll"));
}

TEST_F(DeleteTreeTest, ReadOnlyFolderItselfGoesWhenClearing) {
    make_folder(product_);
    make_read_only(product_);
    EXPECT_TRUE(delete_tree(product_, clear));
    EXPECT_FALSE(path_exists(product_));
}

TEST_F(DeleteTreeTest, DotNamedFoldersAreDeletedLikeAnyOther) {
    for (const std::string name : {".cache", ".git", "..hidden"}) {
        make_folder(product_ + "\\" + name + "\\objects");
        write_file(product_ + "\\" + name + "\\objects\\pack", "data");
    }
    write_file(product_ + "\\.profile", "x");
    EXPECT_TRUE(delete_tree(product_, keep)) << ::GetLastError();
    EXPECT_FALSE(path_exists(product_));
}

// Names in Cyrillic have no form in the ANSI code page (1252 here); the 1252 letters do.
TEST_F(DeleteTreeTest, NamesTheAnsiCodePageCannotSpellGoLikeAnyOther) {
    const std::wstring product = korve::test::wide_path(product_);
    const std::wstring read_only = product + L"\\\u0417\u0430\u043C\u043E\u043A.dat";
    auto fill = [&] {
        make_folder(product + L"\\\u0414\u0430\u043D\u043D\u044B\u0435\\\u03A9mega");
        write_file(product + L"\\\u041E\u0442\u0447\u0451\u0442.txt", "report");
        write_file(product + L"\\\u0414\u0430\u043D\u043D\u044B\u0435\\\u0436.log", "log");
        write_file(product + L"\\\u0414\u0430\u043D\u043D\u044B\u0435\\\u03A9mega\\x.dat", "x");
        write_file(product + L"\\\u0412\u0435\u043B\u043E\u043A\u043E\u0440.lnk", "L");
        write_file(product + L"\\caf\u00E9 \u2013 \u00DCn\u00EFc\u00F6d\u00E9.ini", "[x]");
        write_file(read_only, "locked");
        ASSERT_TRUE(::SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
    };

    fill();
    EXPECT_FALSE(delete_tree(product_, keep)) << "the read-only file stays without clearing";
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), ::GetLastError());
    EXPECT_TRUE(path_exists(read_only));
    EXPECT_FALSE(path_exists(product + L"\\\u041E\u0442\u0447\u0451\u0442.txt"));
    EXPECT_FALSE(path_exists(product + L"\\\u0414\u0430\u043D\u043D\u044B\u0435"));

    fill();
    EXPECT_TRUE(delete_tree(product_, clear)) << ::GetLastError();
    EXPECT_FALSE(path_exists(product));
}

TEST_F(DeleteTreeTest, MissingFolderIsNotRemoved) {
    EXPECT_FALSE(delete_tree(scratch_ / "absent", clear));
    const DWORD error = ::GetLastError();
    EXPECT_TRUE(error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) << error;
}

// A directory link inside the product folder (or the product folder itself being one) is
// removed as a link; what it points to keeps its content. Under Wine the link itself cannot be
// removed through Win32 and stays.
class LinkedFolderTest : public DeleteTreeTest {
  protected:
    void SetUp() override {
        if (!korve::test::running_under_wine()) GTEST_SKIP() << "links are made with ln -s";
        make_folder(target_ + "\\inner");
        write_file(target_ + "\\precious.txt", "keep me");
        write_file(target_ + "\\inner\\deep.txt", "keep me too");
        make_read_only(target_ + "\\precious.txt");
    }
    void TearDown() override {
        korve::test::remove_unix_link(product_ + "\\data");
        korve::test::remove_unix_link(link_);
        ::SetFileAttributesA((target_ + "\\precious.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    void expect_target_untouched() {
        EXPECT_EQ("keep me", read_file(target_ + "\\precious.txt"));
        EXPECT_EQ("keep me too", read_file(target_ + "\\inner\\deep.txt"));
        EXPECT_EQ(
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
            ::GetFileAttributesA((target_ + "\\precious.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    }

    const std::string target_ = scratch_ / "elsewhere";
    const std::string link_ = scratch_ / "linked-product";
};

TEST_F(LinkedFolderTest, LinkInsideTheFolderIsNeverFollowed) {
    fill_product_folder(product_);
    ASSERT_TRUE(korve::test::make_unix_symlink(target_, product_ + "\\data"));
    ASSERT_NE(0u,
              ::GetFileAttributesA((product_ + "\\data").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);

    for (const attribute_policy policy : {clear, keep}) {
        EXPECT_FALSE(delete_tree(product_, policy));
        expect_target_untouched();
        EXPECT_TRUE(path_exists(product_ + "\\data"));
    }
    EXPECT_FALSE(path_exists(product_ + "\\Velocore.exe"));
    EXPECT_FALSE(path_exists(product_ + "\\bin"));
}

// A file link too: under Wine deleting it by name deletes its target, and clearing its
// attributes clears the target's.
TEST_F(LinkedFolderTest, FileLinkInsideTheFolderLeavesItsTargetAsItWas) {
    fill_product_folder(product_);
    const korve::test::scoped_unix_link link(target_ + "\\precious.txt",
                                             product_ + "\\settings.ini");
    ASSERT_TRUE(link.made());
    EXPECT_FALSE(delete_tree(product_, clear));
    expect_target_untouched();
    EXPECT_FALSE(path_exists(product_ + "\\bin"));
}

// Links at or above the folder a deletion starts from are trusted; one below it stops the
// deletion before anything goes.
TEST_F(LinkedFolderTest, LinkBelowTheKnownFolderStopsTheDeletionOneAtItIsTrusted) {
    make_folder(target_ + "\\Velocore");
    write_file(target_ + "\\Velocore\\Velocore.exe", "MZ");
    const korve::test::scoped_unix_link link(target_, link_);
    ASSERT_TRUE(link.made());
    const std::string through_link = link_ + "\\Velocore";

    EXPECT_FALSE(delete_tree(through_link, clear, scratch_.path()));
    EXPECT_EQ(kLinkInPath, ::GetLastError());
    EXPECT_EQ("MZ", read_file(target_ + "\\Velocore\\Velocore.exe"));

    EXPECT_TRUE(delete_tree(through_link, clear, link_)) << ::GetLastError();
    EXPECT_FALSE(path_exists(target_ + "\\Velocore"));
    expect_target_untouched();
}

// The folder is checked and opened, then swapped for a link before its content is deleted:
// the deletion never reaches the link's target.
TEST_F(LinkedFolderTest, FolderSwappedForALinkAfterItsCheckLeadsNowhere) {
    fill_product_folder(product_);
    std::optional<item> opened;
    ASSERT_TRUE(open_below(wide_path(scratch_.path()), wide_path(product_), item_kind::folder,
                           kTreeAccess, opened) &&
                opened)
        << ::GetLastError();
    ASSERT_TRUE(::MoveFileA(product_.c_str(), (scratch_ / "moved").c_str())) << ::GetLastError();
    const korve::test::scoped_unix_link swapped(target_, product_);
    ASSERT_TRUE(swapped.made());
    delete_opened_tree(std::move(*opened), clear);
    expect_target_untouched();
}

TEST_F(LinkedFolderTest, FolderThatIsItselfALinkIsNeverFollowed) {
    ASSERT_TRUE(korve::test::make_unix_symlink(target_, link_));
    for (const std::string& spelling : {link_, link_ + "\\"}) {
        EXPECT_FALSE(delete_tree(spelling, clear));
        expect_target_untouched();
    }
}

// Its attributes are those of its other name outside the folder too.
TEST_F(DeleteTreeTest, HardLinkedFileKeepsItsAttributes) {
    fill_product_folder(product_);
    const std::string outside = scratch_ / "outside.dat";
    write_file(outside, "shared");
    ASSERT_TRUE(::CreateHardLinkA((product_ + "\\shared.dat").c_str(), outside.c_str(), nullptr))
        << ::GetLastError();
    make_read_only(outside);

    EXPECT_FALSE(delete_tree(product_, clear));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
              ::GetFileAttributesA(outside.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("shared", read_file(outside));
    EXPECT_FALSE(path_exists(product_ + "\\bin"));
}

// A scanner holding a file with delete sharing: the file's name stays until it lets go, and
// the folder goes if that happens within the retry window.
TEST_F(DeleteTreeTest, FolderWaitsBrieflyForChildrenOthersStillHold) {
    struct row {
        DWORD held_for_ms;
        bool removed;
    };
    for (const row r : {row{150, true}, row{INFINITE, false}}) {
        make_folder(product_ + "\\bin");
        write_file(product_ + "\\bin\\core.dll", "MZ");
        unique_file holder(::CreateFileA((product_ + "\\bin\\core.dll").c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        std::thread scanner([&] {
            if (r.held_for_ms != INFINITE) {
                ::Sleep(r.held_for_ms);
                holder.reset();
            }
        });
        EXPECT_EQ(r.removed, delete_tree(product_, clear)) << r.held_for_ms;
        if (!r.removed) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), ::GetLastError());
        }
        scanner.join();
        holder.reset();
        EXPECT_EQ(r.removed, !path_exists(product_)) << r.held_for_ms;
        korve::test::remove_recursively(product_);
    }
}

// Held open without delete sharing, the folder itself cannot go, but what it holds does.
TEST_F(DeleteTreeTest, FolderThatRefusesDeletionStillLosesItsContents) {
    for (const std::string& held : {product_, product_ + "\\bin"}) {
        fill_product_folder(product_);
        const unique_file holder(::CreateFileA(held.c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(holder.valid()) << held;
        EXPECT_FALSE(delete_tree(product_, clear)) << held;
        EXPECT_TRUE(path_exists(held));
        EXPECT_FALSE(path_exists(product_ + "\\Velocore.exe")) << held;
        EXPECT_FALSE(path_exists(product_ + "\\bin\\core.dll")) << held;
        EXPECT_FALSE(path_exists(product_ + "\\bin\\plugins")) << held;
    }
}

}  // namespace
}  // namespace quill::fs

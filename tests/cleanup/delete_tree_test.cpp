#include "quill/fs/ansi_paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include "cleanup/remove_folder.h"
#include "quill/exception.h"
#include "quill/fs/known_folder.h"
#include "quill/fs/protected_folders.h"
#include "quill/handle.h"
#include "tests/support/captured_lines.h"
#include "tests/support/scratch_folder.h"

namespace korve::cleanup {
namespace {

using korve::test::make_folder;
using korve::test::path_exists;
using korve::test::scratch_folder;
using korve::test::write_file;
using quill::fs::known_folder;
using quill::fs::try_known_folder;
using quill::fs::ansi::delete_tree;

class DeleteTreeTest : public ::testing::Test {
  protected:
    scratch_folder scratch_{"delete-tree"};
    const std::string product_ = scratch_ / "Velocore";
};

TEST_F(DeleteTreeTest, RootsAndEmptyPathsAreRefused) {
    struct row {
        const char* path;
        bool refused;
    };
    const row rows[] = {
        {"", true},
        {"\\", true},
        {"C:", true},
        {"C:\\", true},
        {"C:/", true},
        {"\\\\server\\share", true},
        {"\\\\server\\share\\", true},
        {"\\\\server\\share\\kestrana", false},
        {"C:\\kestrana", false},
        {"kestrana", false},
        {"C:\\a\\", false},
    };
    for (const row& r : rows) EXPECT_EQ(r.refused, quill::fs::is_protected(r.path)) << r.path;
    EXPECT_FALSE(delete_tree("Q:\\", quill::fs::attribute_policy::clear, "C:\\"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), ::GetLastError());
}

TEST_F(DeleteTreeTest, SystemFoldersAreRefusedWhateverTheirSpelling) {
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROFILE}) {
        std::string folder;
        ASSERT_TRUE(try_known_folder(csidl, folder)) << csidl;
        std::string shouting = folder + "\\";
        for (char& c : shouting) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
        // Asserted first: a wrong answer here must never reach the deletion below.
        ASSERT_TRUE(quill::fs::is_protected(folder)) << folder;
        ASSERT_TRUE(quill::fs::is_protected(shouting)) << shouting;
        EXPECT_FALSE(delete_tree(shouting, quill::fs::attribute_policy::clear, "C:\\")) << shouting;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), ::GetLastError());
        EXPECT_TRUE(path_exists(folder)) << folder;
        // Nothing inside the Windows folder is ever the product's.
        EXPECT_EQ(csidl == CSIDL_WINDOWS || csidl == CSIDL_SYSTEM,
                  quill::fs::is_protected(folder + "\\kestrana\\Velocore"));
    }
    std::string profile;
    ASSERT_TRUE(try_known_folder(CSIDL_PROFILE, profile));
    EXPECT_TRUE(quill::fs::is_protected(profile.substr(0, profile.rfind('\\'))))
        << "the folder of all profiles";
}

TEST_F(DeleteTreeTest, SharedDataFoldersAndOtherSpellingsAreRefused) {
    for (const char* name : {"ProgramData", "APPDATA", "LOCALAPPDATA", "PUBLIC"}) {
        char folder[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableA(name, folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) continue;  // not every prefix names them all
        EXPECT_TRUE(quill::fs::is_protected(folder)) << name << " = " << folder;
        EXPECT_FALSE(quill::fs::is_protected(std::string(folder) + "\\kestrana\\Velocore")) << name;
    }

    std::string program_files;
    ASSERT_TRUE(try_known_folder(CSIDL_PROGRAM_FILES, program_files));
    EXPECT_TRUE(quill::fs::is_protected(program_files + "\\kestrana\\..\\.")) << program_files;
    char short_form[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(program_files.c_str(), short_form, MAX_PATH);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    EXPECT_TRUE(quill::fs::is_protected(short_form)) << short_form;
    EXPECT_FALSE(delete_tree(short_form, quill::fs::attribute_policy::clear, "C:\\")) << short_form;
    EXPECT_TRUE(path_exists(program_files));
}

TEST_F(DeleteTreeTest, RemoveFolderLogsEachOutcome) {
    quill::log::channel channel;
    const korve::test::captured_lines log(channel);

    EXPECT_FALSE(remove_folder(channel, product_, scratch_.path()));
    make_folder(product_ + "\\bin");
    write_file(product_ + "\\bin\\core.dll", "MZ");
    EXPECT_TRUE(remove_folder(channel, product_, scratch_.path()));
    EXPECT_FALSE(path_exists(product_));

    make_folder(product_);
    write_file(product_ + "\\in-use.dat", "x");
    {
        // Open without delete sharing: the file and so the folder cannot go.
        quill::unique_file in_use(::CreateFileA((product_ + "\\in-use.dat").c_str(), GENERIC_READ,
                                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                                nullptr));
        ASSERT_TRUE(in_use.valid());
        EXPECT_FALSE(remove_folder(channel, product_, scratch_.path()));
    }

    const std::vector<std::string> expected = {
        "Folder to remove '" + product_ + "' does NOT EXIST !",
        ". Folder '" + product_ + "' was removed",
        "! Failed to remove folder '" + product_ + "' !",
    };
    EXPECT_EQ(expected, log.lines());
}

TEST(KnownFolderTest, GivesTheSystemFolderWithOneFinalBackslash) {
    char expected[MAX_PATH] = {};
    ASSERT_EQ(S_OK, ::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, expected));
    EXPECT_EQ(std::string(expected) + "\\", known_folder(CSIDL_COMMON_APPDATA));

    std::string without;
    EXPECT_TRUE(try_known_folder(CSIDL_COMMON_APPDATA, without));
    EXPECT_EQ(expected, without);
}

TEST(KnownFolderTest, UnknownFolderThrowsWithItsNumber) {
    try {
        known_folder(0x7E);
        ADD_FAILURE() << "no error for an unknown folder";
    } catch (const quill::exception& error) {
        EXPECT_STREQ("Error in ::SHGetFolderPath( 0, CSIDL=126 ....", error.message());
    }
    std::string folder = "stale";
    EXPECT_FALSE(try_known_folder(0x7E, folder));
    EXPECT_EQ("", folder);
}

}  // namespace
}  // namespace korve::cleanup

#include "cleanup/folder_steps.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include <memory>
#include <vector>

#include "channels/program_channels.h"
#include "tests/support/captured_lines.h"
#include "tests/support/saved_folder.h"
#include "tests/support/saved_key.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/system_folders.h"
#include "tests/support/text_file.h"
#include "tests/support/unix_link.h"

namespace {

using korve::cleanup::CleanApplicationDataFolder;
using korve::cleanup::RemoveProgramFilesFolder;
using korve::cleanup::RemoveShortcuts;
using korve::test::captured_lines;
using korve::test::contains;
using korve::test::fill_product_folder;
using korve::test::make_folder;
using korve::test::path_exists;
using korve::test::registry_folder;
using korve::test::saved_folder;
using korve::test::saved_key;
using korve::test::scratch_folder;
using korve::test::system_folder;
using korve::test::write_file;

const wchar_t* const kShellFolders =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string shell_folder(HKEY root, const char* value) {
    return registry_folder(
        root, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", value);
}

void set_shell_folder(HKEY root, const std::wstring& value, const std::string& folder) {
    korve::test::set_string_value(root, kShellFolders, value,
                                  std::wstring(folder.begin(), folder.end()));
}

// Shortcuts, files and a sub-folder named in Cyrillic, which the ANSI code page (1252 here)
// cannot spell, and in 1252 letters.
void fill_with_foreign_names(const std::string& product) {
    const std::wstring folder = korve::test::wide_path(product);
    const std::wstring cyrillic_folder = folder + L"\\\u0421\u043F\u0440\u0430\u0432\u043A\u0430";
    make_folder(cyrillic_folder + L"\\\u0414\u0430\u043D\u043D\u044B\u0435");
    write_file(folder + L"\\\u0412\u0435\u043B\u043E\u043A\u043E\u0440.lnk", "L");
    write_file(cyrillic_folder +
                   L"\\\u0420\u0443\u043A\u043E\u0432\u043E\u0434\u0441\u0442\u0432\u043E.lnk",
               "L");
    write_file(cyrillic_folder + L"\\\u0414\u0430\u043D\u043D\u044B\u0435\\\u0436.dat", "d");
    write_file(folder + L"\\D\u00E9sinstaller \u00C9l\u00E8ve.lnk", "L");
}

std::vector<std::string> framed(const char* banner, std::vector<std::string> lines) {
    lines.insert(lines.begin(), {"", banner, ""});
    lines.insert(lines.end(), {kSeparatorLine, ""});
    return lines;
}

// The product's folders below the prefix's real shell folders; whatever was there before is
// moved aside and comes back at the end.
class FolderStepsTest : public ::testing::Test {
  protected:
    FolderStepsTest() {
        for (const std::string& brand :
             {common_programs_ + "\\kestrana", user_programs_ + "\\kestrana",
              program_files_ + "\\kestrana", common_data_ + "\\kestrana",
              common_desktop_ + "\\Velocore.lnk", user_desktop_ + "\\Velocore.lnk"}) {
            saved_.push_back(std::make_unique<saved_folder>(brand));
        }
    }

    template <typename Step>
    std::vector<std::string> run(Step step) {
        const captured_lines log(MainChannel());
        step();
        return log.lines();
    }

    // The Program Files step with the installed path the registry cleaning would have read.
    std::vector<std::string> remove_program_files() {
        return run([this] { RemoveProgramFilesFolder(installed_); });
    }

    const std::string common_programs_ = shell_folder(HKEY_LOCAL_MACHINE, "Common Programs");
    const std::string user_programs_ = shell_folder(HKEY_CURRENT_USER, "Programs");
    const std::string common_data_ = shell_folder(HKEY_LOCAL_MACHINE, "Common AppData");
    const std::string program_files_ = registry_folder(
        HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    const std::string common_desktop_ = system_folder(CSIDL_COMMON_DESKTOPDIRECTORY);
    const std::string user_desktop_ = system_folder(CSIDL_DESKTOPDIRECTORY);
    scratch_folder scratch_{"folder-steps"};
    std::wstring installed_;

  private:
    std::vector<std::unique_ptr<saved_folder>> saved_;
};

TEST_F(FolderStepsTest, ShortcutsGoAndTheBrandFolderOnlyWhenEmpty) {
    const std::string common = common_programs_ + "\\kestrana\\Velocore\\";
    const std::string user = user_programs_ + "\\kestrana\\Velocore\\";
    fill_product_folder(common);
    fill_product_folder(user);
    make_folder(common_programs_ + "\\kestrana\\Lumen");
    write_file(common_desktop_ + "\\Velocore.lnk", "L");
    write_file(user_desktop_ + "\\Velocore.lnk", "L");
    ::SetFileAttributesA((user_desktop_ + "\\Velocore.lnk").c_str(), FILE_ATTRIBUTE_ARCHIVE);

    std::vector<std::string> expected =
        framed("**** Removing Start Menu shortcuts ****", {common + " removed", user + " removed"});
    const std::vector<std::string> desktop = framed(
        "**** Removing Desktop shortcuts ****",
        {common_desktop_ + "\\Velocore.lnk removed", user_desktop_ + "\\Velocore.lnk removed"});
    expected.insert(expected.end(), desktop.begin() + 1, desktop.end());
    EXPECT_EQ(expected, run(RemoveShortcuts));

    EXPECT_FALSE(path_exists(common));
    EXPECT_TRUE(path_exists(common_programs_ + "\\kestrana\\Lumen"));
    EXPECT_FALSE(path_exists(user_programs_ + "\\kestrana"));
    EXPECT_FALSE(path_exists(common_desktop_ + "\\Velocore.lnk"));
    EXPECT_FALSE(path_exists(user_desktop_ + "\\Velocore.lnk"));
}

TEST_F(FolderStepsTest, MissingShortcutsAreReportedPerPlace) {
    const std::vector<std::string> lines = run(RemoveShortcuts);
    ASSERT_EQ(13u, lines.size());
    EXPECT_EQ("Start Menu shortcut (" + common_programs_ +
                  "\\kestrana\\Velocore\\) not removed (Error:3)",
              lines[3]);
    EXPECT_EQ(
        "Start Menu shortcut (" + user_programs_ + "\\kestrana\\Velocore\\) not removed (Error:3)",
        lines[4]);
    EXPECT_EQ("FAILED TO remove '" + common_desktop_ + "\\Velocore.lnk' !", lines[9]);
    EXPECT_EQ("FAILED TO remove '" + user_desktop_ + "\\Velocore.lnk' !", lines[10]);
}

TEST_F(FolderStepsTest, StartMenuPathsBeyondTheLimitAreNotRemoved) {
    const saved_key common_values(HKEY_LOCAL_MACHINE, kShellFolders, saved_key::keep);
    const saved_key user_values(HKEY_CURRENT_USER, kShellFolders, saved_key::keep);
    // "\kestrana\Velocore\" adds 19 characters: 179 fit the 198 of a product folder, 180 do not.
    const std::string fits =
        scratch_.path() + "\\" + std::string(179 - scratch_.path().size() - 1, 'f');
    const std::string too_long =
        scratch_.path() + "\\" + std::string(180 - scratch_.path().size() - 1, 'g');
    ASSERT_EQ(179u, fits.size());
    fill_product_folder(fits + "\\kestrana\\Velocore");
    fill_product_folder(too_long + "\\kestrana\\Velocore");

    const std::string refused =
        "Start Menu shortcut (" + too_long + "\\kestrana\\Velocore\\) not removed (Error:206)";

    set_shell_folder(HKEY_LOCAL_MACHINE, L"Common Programs", too_long);
    set_shell_folder(HKEY_CURRENT_USER, L"Programs", fits);
    std::vector<std::string> lines = run(RemoveShortcuts);
    lines.resize(7);
    EXPECT_EQ(framed("**** Removing Start Menu shortcuts ****",
                     {refused, fits + "\\kestrana\\Velocore\\ removed"}),
              lines);
    EXPECT_TRUE(path_exists(too_long + "\\kestrana\\Velocore\\Velocore.lnk"));

    set_shell_folder(HKEY_CURRENT_USER, L"Programs", too_long);
    lines = run(RemoveShortcuts);
    lines.resize(7);
    EXPECT_EQ(framed("**** Removing Start Menu shortcuts ****", {refused, refused}), lines);
    EXPECT_TRUE(path_exists(too_long + "\\kestrana\\Velocore\\Velocore.lnk"));
}

TEST_F(FolderStepsTest, MissingUserStartMenuValueIsReported) {
    const saved_key user_values(HKEY_CURRENT_USER, kShellFolders, saved_key::keep);
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Programs"));
    std::vector<std::string> lines = run(RemoveShortcuts);
    ASSERT_LE(5u, lines.size());
    EXPECT_EQ("Start Menu shortcut not removed", lines[4]);
}

TEST_F(FolderStepsTest, InstalledApplicationPathIsRemovedWhole) {
    const std::string installed = scratch_ / "Installed Velocore";
    fill_product_folder(installed);
    ::SetFileAttributesA(installed.c_str(), FILE_ATTRIBUTE_READONLY);
    installed_ = std::wstring(installed.begin(), installed.end());
    const std::vector<std::string> expected = {"**** Removing Program Files folder ****", "",
                                               installed + " removed", kSeparatorLine};
    EXPECT_EQ(expected, remove_program_files());
    EXPECT_FALSE(path_exists(installed));
}

TEST_F(FolderStepsTest, InstalledApplicationPathProblemsAreNotRemovedOutcomes) {
    const std::string missing = scratch_ / "absent";
    installed_ = std::wstring(missing.begin(), missing.end());
    std::vector<std::string> lines = remove_program_files();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Program Files folder " + missing + " not removed (Error:3)", lines[2]);

    // Beyond 198 characters: refused before any deletion, reported as too long (206).
    const std::string too_long = scratch_.path() + "\\" + std::string(190, 'x');
    make_folder(too_long);
    installed_ = std::wstring(too_long.begin(), too_long.end());
    lines = remove_program_files();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Program Files folder  not removed (Error:206)", lines[2]);
    EXPECT_TRUE(path_exists(too_long));

    // A character the ANSI code page lacks: no path can be built.
    installed_ = L"C:\\korve-tests\\\x4E2D\x6587";
    lines = remove_program_files();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0u, lines[2].find("Program Files folder  not removed (Error:"));

    installed_ = L"C:\\";
    lines = remove_program_files();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Program Files folder C:\\ not removed (Error:123)", lines[2]);

    // An installed path naming Program Files itself is a broken value, not the product.
    installed_ = std::wstring(program_files_.begin(), program_files_.end());
    lines = remove_program_files();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Program Files folder " + program_files_ + " not removed (Error:123)", lines[2]);
    EXPECT_TRUE(path_exists(program_files_));
}

// An installed path that names the brand folder in another spelling is refused, and the
// default location is not removed in its place; the product's own folder there still goes.
TEST_F(FolderStepsTest, RefusedInstalledPathRemovesNothingInItsPlace) {
    const std::string brand = program_files_ + "\\kestrana";
    fill_product_folder(brand + "\\Velocore");
    make_folder(brand + "\\Lumen");
    for (const std::string& refused : {brand + "\\Velocore\\..", brand + "\\"}) {
        installed_ = std::wstring(refused.begin(), refused.end());
        const std::vector<std::string> expected = {
            "**** Removing Program Files folder ****", "",
            "Program Files folder " + refused + " not removed (Error:123)", kSeparatorLine};
        EXPECT_EQ(expected, remove_program_files());
        EXPECT_TRUE(path_exists(brand + "\\Velocore\\Help\\Manual.lnk")) << refused;
        EXPECT_TRUE(path_exists(brand + "\\Lumen")) << refused;
    }
    const std::string product = brand + "\\Velocore";
    installed_ = std::wstring(product.begin(), product.end());
    const std::vector<std::string> expected = {"**** Removing Program Files folder ****", "",
                                               product + " removed", kSeparatorLine};
    EXPECT_EQ(expected, remove_program_files());
    EXPECT_TRUE(path_exists(brand + "\\Lumen"));
}

TEST_F(FolderStepsTest, WithoutInstalledPathTheProductFolderInProgramFilesGoes) {
    const std::string brand = program_files_ + "\\kestrana";
    fill_product_folder(brand + "\\Velocore");
    make_folder(brand + "\\Lumen");
    std::vector<std::string> expected = {"**** Removing Program Files folder ****", "",
                                         brand + "\\Velocore\\ removed", kSeparatorLine};
    EXPECT_EQ(expected, remove_program_files());
    EXPECT_TRUE(path_exists(brand + "\\Lumen"));

    ::RemoveDirectoryA((brand + "\\Lumen").c_str());
    fill_product_folder(brand + "\\Velocore");
    EXPECT_EQ(expected, remove_program_files());
    EXPECT_FALSE(path_exists(brand));
}

TEST_F(FolderStepsTest, ApplicationDataKeepsReadOnlyFilesAndTriesBothFolders) {
    const std::string brand = common_data_ + "\\kestrana";
    const std::string product = brand + "\\Velocore";
    fill_product_folder(product);
    make_folder(product + "64\\.state");
    write_file(product + "64\\.state\\settings.xml", "<x/>");
    const std::vector<std::string> expected = {
        "",
        "**** Cleaning Application Data folder ****",
        "AppData folder (" + product + ") not removed (Error:145)",
        "   " + product + "64 removed",
        kSeparatorLine,
        ""};
    EXPECT_EQ(expected, run(CleanApplicationDataFolder));
    EXPECT_TRUE(path_exists(product + "\\Help\\Manual.lnk"));
    EXPECT_FALSE(path_exists(product + "\\Velocore.lnk"));
    EXPECT_FALSE(path_exists(product + "64"));

    ::SetFileAttributesA((product + "\\Help\\Manual.lnk").c_str(), FILE_ATTRIBUTE_NORMAL);
    make_folder(product + "\\Logs");
    const std::vector<std::string> second = {
        "",
        "**** Cleaning Application Data folder ****",
        "   " + product + " removed",
        "AppData folder (" + product + "64) not removed (Error:3)",
        kSeparatorLine,
        ""};
    EXPECT_EQ(second, run(CleanApplicationDataFolder));
    EXPECT_FALSE(path_exists(brand));
}

TEST_F(FolderStepsTest, ApplicationDataFoldersBeyondTheLimitAreNotRemoved) {
    const saved_key common_values(HKEY_LOCAL_MACHINE, kShellFolders, saved_key::keep);
    // "\kestrana\Velocore" adds 18 characters: with a 179-character value the product folder
    // (197) fits the 198 of the limit and its "64" twin (199) does not.
    const std::string base =
        scratch_.path() + "\\" + std::string(179 - scratch_.path().size() - 1, 'd');
    const std::string product = base + "\\kestrana\\Velocore";
    make_folder(product);
    make_folder(product + "64\\Cache");
    set_shell_folder(HKEY_LOCAL_MACHINE, L"Common AppData", base);
    const std::vector<std::string> expected = {
        "",
        "**** Cleaning Application Data folder ****",
        "   " + product + " removed",
        "AppData folder (" + product + "64) not removed (Error:206)",
        kSeparatorLine,
        ""};
    EXPECT_EQ(expected, run(CleanApplicationDataFolder));
    EXPECT_TRUE(path_exists(product + "64\\Cache"));
}

// Every folder step removes what lies inside the product's folders whatever its name.
TEST_F(FolderStepsTest, NamesBeyondTheAnsiCodePageInsideProductFoldersGo) {
    const std::string common = common_programs_ + "\\kestrana\\Velocore\\";
    const std::string user = user_programs_ + "\\kestrana\\Velocore\\";
    const std::string program = program_files_ + "\\kestrana\\Velocore\\";
    const std::string data = common_data_ + "\\kestrana\\Velocore";
    for (const std::string& folder : {common, user, program, data, data + "64"}) {
        fill_with_foreign_names(folder);
    }

    const std::vector<std::string> shortcuts = run(RemoveShortcuts);
    EXPECT_TRUE(contains(shortcuts, common + " removed"));
    EXPECT_TRUE(contains(shortcuts, user + " removed"));
    EXPECT_TRUE(contains(remove_program_files(), program + " removed"));
    const std::vector<std::string> app_data = run(CleanApplicationDataFolder);
    EXPECT_TRUE(contains(app_data, "   " + data + " removed"));
    EXPECT_TRUE(contains(app_data, "   " + data + "64 removed"));

    for (const std::string& brand :
         {common_programs_, user_programs_, program_files_, common_data_}) {
        EXPECT_FALSE(path_exists(brand + "\\kestrana")) << brand;
    }
}

// An ordinary user may make the brand folder below the common application data folder, or a
// desktop shortcut, a link to anything.
TEST_F(FolderStepsTest, LinksInTheProductsPlacesAreNeverDeletedThrough) {
    if (!korve::test::running_under_wine()) GTEST_SKIP() << "links are made with ln -s";
    const std::string elsewhere = scratch_ / "elsewhere";
    make_folder(elsewhere + "\\Velocore");  // empty: removing it by its path would succeed
    make_folder(elsewhere + "\\Velocore64");
    write_file(elsewhere + "\\Velocore64\\data.txt", "keep");
    const korve::test::scoped_unix_link brand(elsewhere, common_data_ + "\\kestrana");
    const korve::test::scoped_unix_link shortcut(elsewhere + "\\Velocore64\\data.txt",
                                                 common_desktop_ + "\\Velocore.lnk");
    ASSERT_TRUE(brand.made());
    ASSERT_TRUE(shortcut.made());

    const std::string product = common_data_ + "\\kestrana\\Velocore";
    const std::vector<std::string> expected = {
        "",
        "**** Cleaning Application Data folder ****",
        "AppData folder (" + product + ") not removed (Error:4395)",
        "AppData folder (" + product + "64) not removed (Error:4395)",
        kSeparatorLine,
        ""};
    EXPECT_EQ(expected, run(CleanApplicationDataFolder));
    EXPECT_TRUE(contains(run(RemoveShortcuts),
                         "FAILED TO remove '" + common_desktop_ + "\\Velocore.lnk' !"));
    EXPECT_TRUE(path_exists(elsewhere + "\\Velocore"));
    EXPECT_EQ("keep", korve::test::read_file(elsewhere + "\\Velocore64\\data.txt"));
}

// A folder an ordinary user made at a drive root, renamed away and replaced by a link of the same
// name: the installed path leads into someone else's folder of the product's name.
TEST_F(FolderStepsTest, InstalledPathThroughALinkBelowItsDriveRootRemovesNothing) {
    if (!korve::test::running_under_wine()) GTEST_SKIP() << "links are made with ln -s";
    const std::string someone = scratch_ / "someone";
    make_folder(someone + "\\Velocore");
    write_file(someone + "\\Velocore\\keep.txt", "keep");
    const korve::test::scoped_unix_link apps(someone, "C:\\korve-linked-apps");
    ASSERT_TRUE(apps.made());
    installed_ = L"C:\\korve-linked-apps\\Velocore";

    const std::vector<std::string> lines = run([this] {
        RemoveProgramFilesFolder(installed_);
        CleanApplicationDataFolder();
    });
    ASSERT_LE(6u, lines.size());
    EXPECT_EQ("Program Files folder C:\\korve-linked-apps\\Velocore not removed (Error:4395)",
              lines[2]);
    EXPECT_EQ("**** Cleaning Application Data folder ****", lines[5]);
    EXPECT_EQ("keep", korve::test::read_file(someone + "\\Velocore\\keep.txt"));
}

}  // namespace

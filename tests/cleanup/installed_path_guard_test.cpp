#include "cleanup/installed_path_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include "quill/fs/protected_folders.h"
#include "tests/support/saved_key.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/system_folders.h"
#include "tests/support/unix_link.h"

namespace korve::cleanup {
namespace {

using korve::test::make_folder;
using korve::test::scratch_folder;
using korve::test::system_folder;
using quill::fs::protected_folders;

std::string variable(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    EXPECT_TRUE(length > 0 && length < MAX_PATH) << name;
    return value;
}

std::string parent_of(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

std::string shouting(std::string path) {
    for (char& c : path) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return path;
}

std::string short_form(const std::string& path) {
    char folder[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), folder, MAX_PATH);
    EXPECT_TRUE(length > 0 && length < MAX_PATH) << path;
    return folder;
}

char unused_drive_letter() {
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0) return letter;
    }
    return '\0';
}

const char* const kShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t* const kProfileList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Every spelling of a folder that must never be taken for the product's.
void add_spellings(std::vector<std::string>& refused, const std::string& folder) {
    refused.insert(refused.end(),
                   {folder, folder + "\\", shouting(folder) + "\\.", folder + "\\Velocore\\..",
                    folder + ".", folder + " . \\", folder + "/sub/../"});
}

TEST(InstalledPathGuardTest, OnlyAPlainFolderBelowEverySystemAndBrandFolderIsAccepted) {
    const scratch_folder scratch("path-guard");
    const std::string program_files = system_folder(CSIDL_PROGRAM_FILES);
    const std::string program_files_x86 = system_folder(CSIDL_PROGRAM_FILESX86);
    const std::string common_files = system_folder(CSIDL_PROGRAM_FILES_COMMON);
    const std::string common_files_x86 = system_folder(CSIDL_PROGRAM_FILES_COMMONX86);
    const std::string program_data = variable("ProgramData");
    const std::string profile = system_folder(CSIDL_PROFILE);
    const std::string common_programs =
        korve::test::registry_folder(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs");
    const std::string user_desktop =
        korve::test::registry_folder(HKEY_CURRENT_USER, kShellFolders, "Desktop");

    // Profiles and shell folders come from the registry, whatever the environment says.
    const std::wstring someone = kProfileList + std::wstring(L"\\S-1-5-21-4242-4242-4242-4242");
    const korve::test::saved_key profile_entry(HKEY_LOCAL_MACHINE, someone);
    korve::test::set_string_value(HKEY_LOCAL_MACHINE, someone, L"ProfileImagePath",
                                  korve::test::wide_path(scratch / "Profiles\\Someone"));
    const korve::test::saved_key shell_values(
        HKEY_CURRENT_USER, korve::test::wide_path(kShellFolders), korve::test::saved_key::keep);
    korve::test::set_string_value(HKEY_CURRENT_USER, korve::test::wide_path(kShellFolders),
                                  L"KORVE guard test",
                                  korve::test::wide_path(scratch / "Shell\\Music"));

    const char missing_drive = unused_drive_letter();
    ASSERT_NE('\0', missing_drive);
    std::vector<std::string> refused = {
        // Relative, device, UNC and long forms, streams and wildcards, other drives.
        "", ".", "..", " ", "Velocore", "kestrana\\Velocore", "C:Velocore",
        "\\korve-tests\\path-guard", "\\\\?\\" + scratch.path(), "\\\\.\\" + scratch.path(),
        "\\??\\" + scratch.path(), "\\\\localhost\\C$\\korve-tests\\path-guard",
        "//localhost/C$/korve-tests/path-guard", "\\\\?\\UNC\\localhost\\C$\\korve-tests", "CON",
        scratch / "NUL", scratch / "com1.txt", scratch / "Velocore:stream", scratch / "Velocore*",
        std::string(1, missing_drive) + ":\\Velocore",
        // Drive roots.
        "C:", "C:\\", "C:/", "c:\\\\", "C:\\.", "C:\\..", "C:\\. .", scratch.path() + "\\..\\..",
        system_folder(CSIDL_WINDOWS) + "\\..",
        // Ancestors of a system folder.
        "C:\\korve-tests", parent_of(profile), parent_of(common_programs),
        parent_of(parent_of(common_programs)), parent_of(user_desktop), scratch / "Profiles",
        scratch.path(), scratch / "Shell", short_form(program_files),
        // Anything inside the Windows folder.
        system_folder(CSIDL_WINDOWS) + "\\Installer",
        system_folder(CSIDL_SYSTEM) + "\\drivers\\etc",
        short_form(system_folder(CSIDL_WINDOWS)) + "\\Kestrana\\Velocore"};
    // The standard folders of a listed profile, whether or not its hive is loaded.
    for (const char* standard :
         {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "AppData",
          "AppData\\Local", "AppData\\LocalLow", "AppData\\Roaming"}) {
        add_spellings(refused, scratch / "Profiles\\Someone\\" + standard);
    }
    for (const std::string& folder :
         {system_folder(CSIDL_WINDOWS), system_folder(CSIDL_SYSTEM), program_files,
          program_files_x86, common_files, common_files_x86, program_data, profile, common_programs,
          user_desktop, scratch / "Profiles\\Someone", scratch / "Shell\\Music"}) {
        add_spellings(refused, folder);
    }
    for (const std::string& parent :
         {program_files, program_files_x86, common_files, common_files_x86, program_data}) {
        add_spellings(refused, parent + "\\Kestrana");
        add_spellings(refused, parent + "\\kestrana");
    }
    // A folder that leads to a system folder through a link.
    if (korve::test::make_unix_symlink(program_files, scratch / "Link")) {
        refused.push_back(scratch / "Link");
        refused.push_back(scratch / "Link\\");
    }
    const installed_path_guard guard(protected_folders::of_the_system());
    for (const std::string& folder : refused) {
        EXPECT_FALSE(guard.accepts(folder)) << "accepted: " << folder;
    }

    make_folder(scratch / "Installed Velocore");
    for (const std::string& folder :
         {scratch / "Installed Velocore", scratch / "Installed Velocore\\.", scratch / "Absent",
          scratch / "Profiles\\Someone\\Velocore",
          scratch / "Profiles\\Someone\\AppData\\Roaming\\Kestrana\\Velocore",
          program_files + "\\Kestrana\\Velocore", program_files + "\\kestrana\\Velocore\\",
          program_files_x86 + "\\Kestrana\\Velocore", profile + "\\Velocore"}) {
        EXPECT_TRUE(guard.accepts(folder)) << "refused: " << folder;
    }
}

// A user may write anything into the shell folders of their own hive: hundreds of values of the
// longest length cost the guard's set-up a moment, and the folder values among them still count.
TEST(InstalledPathGuardTest, ShellFoldersOfAnyLengthAreReadAtABoundedCost) {
    const scratch_folder scratch("path-guard-hive");
    const std::wstring hive = L"KORVE-guard-test";
    const korve::test::saved_key planted(HKEY_USERS, hive);
    const std::wstring key = hive + L"\\" + korve::test::wide_path(kShellFolders);
    const std::string moved = scratch / "Moved Documents";
    korve::test::set_string_value(HKEY_USERS, key, L"Personal", korve::test::wide_path(moved));
    std::wstring endless = L"C:";
    while (endless.size() + 6 <= 32767) endless += L"\\ab~1";
    for (int i = 0; i < 300; ++i) {
        korve::test::set_string_value(HKEY_USERS, key, L"Planted " + std::to_wstring(i), endless);
    }

    const auto start = std::chrono::steady_clock::now();
    const installed_path_guard guard(protected_folders::of_the_system());
    const std::chrono::duration<double> set_up = std::chrono::steady_clock::now() - start;
    EXPECT_LT(set_up.count(), 1.0);
    EXPECT_FALSE(guard.accepts(moved));
    EXPECT_TRUE(guard.accepts(moved + "\\Velocore"));
}

}  // namespace
}  // namespace korve::cleanup

#include "cleanup/folder_steps.h"

#include <windows.h>

#include <shlobj.h>

#include "cleanup/errors.h"
#include "cleanup/folder_path.h"
#include "cleanup/installed_path_guard.h"
#include "channels/program_channels.h"
#include "quill/fs/ansi_paths.h"
#include "quill/fs/known_folder.h"
#include "quill/fs/normal_path.h"
#include "quill/fs/open.h"
#include "quill/fs/trusted_root.h"
#include "quill/registry2/key.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

using quill::fs::attribute_policy;
using quill::fs::ansi::delete_file;
using quill::fs::ansi::delete_tree;
using quill::fs::ansi::remove_empty_folder;

const wchar_t* const kShellFolders =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kBrandSuffix = "\\kestrana\\";
const char* const kProductSuffix = "\\kestrana\\Velocore\\";
const char* const kProductDataSuffix = "\\kestrana\\Velocore";
const char* const kDesktopShortcut = "Velocore.lnk";

void Note(const char* format) {
    MainChannel().write(quill::log::level_note, format);
}

void EndOfStep() {
    Note(kSeparatorLine);
    Note("");
}

// A folder value from the registry, in ANSI.
std::string ReadFolder(HKEY root, const wchar_t* path, const wchar_t* value) {
    const auto hive = quill::registry2::key::open_handle(root);
    return ansi_folder_value(quill::registry2::key::open(hive, path).get_string(value));
}

struct ProductFolders {
    std::string brand;
    std::string product;
};

ProductFolders BuildFolders(const std::string& base, const char* product_suffix) {
    return {join_folder(base, kBrandSuffix, kMaxBrandFolderPath),
            join_folder(base, product_suffix, kMaxProductFolderPath)};
}

// A folder path the steps refuse to handle is reported like a folder that could not be removed.
const int kPathTooLong = ERROR_FILENAME_EXCED_RANGE;

void RemoveStartMenuFolder(HKEY root, const wchar_t* value) {
    quill::log::channel& log = MainChannel();
    std::string base;  // empty when the value itself was refused
    try {
        base = ReadFolder(root, kShellFolders, value);
        const ProductFolders folders = BuildFolders(base, kProductSuffix);
        if (delete_tree(folders.product, attribute_policy::clear, base)) {
            log.write(quill::log::level_note, "%s removed", folders.product.c_str());
        } else {
            const int error = static_cast<int>(::GetLastError());
            log.write(quill::log::level_note, "Start Menu shortcut (%s) not removed (Error:%i)",
                      folders.product.c_str(), error);
        }
        remove_empty_folder(base, folders.brand);
    } catch (const path_too_long&) {
        const std::string product = base.empty() ? base : base + kProductSuffix;
        log.write(quill::log::level_note, "Start Menu shortcut (%s) not removed (Error:%i)",
                  product.c_str(), kPathTooLong);
    }
}

void RemoveDesktopShortcut(int csidl) {
    quill::log::channel& log = MainChannel();
    std::string desktop;
    if (!quill::fs::try_known_folder(csidl, desktop)) {
        // Without its folder the shortcut path would name the root of the current drive.
        log.write(quill::log::level_note, "FAILED TO remove '%s' !", kDesktopShortcut);
        return;
    }
    const std::string shortcut = desktop + "\\" + kDesktopShortcut;
    if (delete_file(desktop, shortcut)) {
        log.write(quill::log::level_note, "%s removed", shortcut.c_str());
    } else {
        log.write(quill::log::level_note, "FAILED TO remove '%s' !", shortcut.c_str());
    }
}

struct Outcome {
    std::string folder;  // as far as it was built
    bool removed = false;
    DWORD error = 0;
};

// The last error of a failed attempt, or the reason a path was refused.
DWORD FailureCode(const std::exception* error) {
    if (dynamic_cast<const path_too_long*>(error) != nullptr) {
        return kPathTooLong;
    }
    return ::GetLastError();
}

// The folder above the installed path may be anyone's (C:\Tools, a brand folder an ordinary
// user made first): only the deepest system folder that holds it, or else its drive root, is
// opened as the system resolves it; every component below is checked.
bool DeleteInstalledFolder(const std::string& folder) {
    using quill::unicode::ansi_codepage;
    // Normal first: a short name would not match the final path of what it names.
    const std::wstring wide =
        quill::fs::normal_path(quill::unicode::to_wide(folder, ansi_codepage));
    return delete_tree(
        quill::unicode::to_narrow(wide, ansi_codepage, true), attribute_policy::clear,
        quill::unicode::to_narrow(quill::fs::trusted_root_of(wide), ansi_codepage, true));
}

void RemoveInstalledFolder(const std::wstring& installed_application_path, Outcome& outcome) {
    outcome.folder =
        join_folder(ansi_folder_value(installed_application_path), "", kMaxProductFolderPath);
    // A registry value can name any folder; one that is not plainly the product's is refused,
    // and nothing is deleted in its place.
    if (!installed_path_guard().accepts(outcome.folder)) {
        outcome.error = ERROR_INVALID_NAME;
        return;
    }
    outcome.removed = DeleteInstalledFolder(outcome.folder);
    outcome.error = ::GetLastError();
}

void RemoveProductFolderInProgramFiles(Outcome& outcome) {
    const std::string base = ReadFolder(
        HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
    const ProductFolders folders = BuildFolders(base, kProductSuffix);
    outcome.folder = folders.product;
    outcome.removed = delete_tree(outcome.folder, attribute_policy::clear, base);
    outcome.error = ::GetLastError();
    ::Sleep(200);
    remove_empty_folder(base, folders.brand);
}

void RemoveDataFolder(const std::string& base, const std::string& folder) {
    quill::log::channel& log = MainChannel();
    if (!fits_folder_limit(folder, kMaxProductFolderPath)) {
        log.write(quill::log::level_note, "AppData folder (%s) not removed (Error:%i)",
                  folder.c_str(), kPathTooLong);
    } else if (delete_tree(folder, attribute_policy::keep, base)) {
        log.write(quill::log::level_note, "   %s removed", folder.c_str());
    } else {
        const int error = static_cast<int>(::GetLastError());
        log.write(quill::log::level_note, "AppData folder (%s) not removed (Error:%i)",
                  folder.c_str(), error);
    }
}

void RemoveDataFolders() {
    std::string base;
    try {
        base = ReadFolder(HKEY_LOCAL_MACHINE, kShellFolders, L"Common AppData");
    } catch (const path_too_long&) {
        MainChannel().write(quill::log::level_note, "AppData folder (%s) not removed (Error:%i)",
                            "", kPathTooLong);
        return;
    }
    // Each folder is tried on its own: the "64" one may be beyond the limit while the first fits.
    const std::string product = base + kProductDataSuffix;
    RemoveDataFolder(base, product);
    RemoveDataFolder(base, product + "64");
    ::Sleep(200);
    const std::string brand = base + kBrandSuffix;
    if (fits_folder_limit(brand, kMaxBrandFolderPath)) remove_empty_folder(base, brand);
}

}  // namespace

void RemoveShortcuts() {
    Note("");
    Note("**** Removing Start Menu shortcuts ****");
    Note("");
    try {
        RemoveStartMenuFolder(HKEY_LOCAL_MACHINE, L"Common Programs");
    } catch (...) {
        // Without the all-users Start Menu there is nothing of the product there.
    }
    try {
        RemoveStartMenuFolder(HKEY_CURRENT_USER, L"Programs");
    } catch (...) {
        Note("Start Menu shortcut not removed");
    }
    EndOfStep();

    Note("**** Removing Desktop shortcuts ****");
    Note("");
    RemoveDesktopShortcut(CSIDL_COMMON_DESKTOPDIRECTORY);
    RemoveDesktopShortcut(CSIDL_DESKTOPDIRECTORY);
    EndOfStep();
}

void RemoveProgramFilesFolder(const std::wstring& installed_application_path) {
    Note("**** Removing Program Files folder ****");
    Note("");
    Outcome outcome;
    try {
        if (!installed_application_path.empty()) {
            RemoveInstalledFolder(installed_application_path, outcome);
        } else {
            RemoveProductFolderInProgramFiles(outcome);
        }
    } catch (const std::exception& error) {
        outcome.error = FailureCode(&error);
    } catch (...) {
        outcome.error = ::GetLastError();
    }
    quill::log::channel& log = MainChannel();
    if (outcome.removed) {
        log.write(quill::log::level_note, "%s removed", outcome.folder.c_str());
    } else {
        log.write(quill::log::level_note, "Program Files folder %s not removed (Error:%i)",
                  outcome.folder.c_str(), static_cast<int>(outcome.error));
    }
    Note(kSeparatorLine);
}

void CleanApplicationDataFolder() {
    Note("");
    Note("**** Cleaning Application Data folder ****");
    try {
        RemoveDataFolders();
    } catch (...) {
        // No application data folder known: nothing of the product can be found there.
    }
    EndOfStep();
}

}  // namespace korve::cleanup

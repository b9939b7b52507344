#include "suite/shared_tray_remover.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <utility>

#include "cleanup/close_by_name.h"
#include "cleanup/delete_entry.h"
#include "cleanup/known_folder.h"
#include "cleanup/process.h"
#include "cleanup/remove_folder.h"
#include "quill/format.h"
#include "quill/fs/errors.h"
#include "quill/fs/open.h"
#include "quill/log/console.h"
#include "quill/log/file.h"
#include "quill/registry2/key.h"
#include "suite/tray_products.h"

namespace korve::suite {
namespace {

constexpr int kCommonAppData = 0x23;
constexpr int kProgramFilesX86 = 0x2A;
constexpr int kAppData = 0x1A;
constexpr int kTrayChecks = 15;
constexpr DWORD kCheckPause = 1000;

const char* const kLogBaseName = "KORVERemover";
const char* const kNoLogFile =
    "Unable to create log file. If you need log file make sure that you have permission to "
    "write to directory where remove.exe is located";
const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kRunValue = L"PellamTray";

std::wstring known_folder(int csidl) {
    return widen_path(cleanup::known_folder(csidl));
}

// The tray's instances by their exact file name: the wait must not match on a name that
// Windows 2000's shortening would cut.
class exact_process : public cleanup::process {
  public:
    explicit exact_process(std::string name) : process(std::move(name), name_as_given{}) {}
};

// A running tray ends itself when started again with "/quit"; the outcome shows in the wait
// that follows, not in the shell's result. The run is unattended, so a tray program that cannot
// be started must not raise the shell's error box. It starts elevated in its own folder: the
// program's current folder may be an ordinary user's, and a DLL the tray loads by name would
// be looked for there.
void ask_tray_to_quit(const std::wstring& program_path, const std::wstring& program_folder) {
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof(start);
    start.fMask = SEE_MASK_FLAG_NO_UI;
    start.lpVerb = L"open";
    start.lpFile = program_path.c_str();
    start.lpParameters = L"/quit";
    start.lpDirectory = program_folder.c_str();
    start.nShow = SW_SHOW;
    ::ShellExecuteExW(&start);
}

}  // namespace

SharedTrayRemover::SharedTrayRemover(std::wstring brand, std::wstring tray,
                                     std::wstring product_code, std::wstring program)
    : names_{std::move(brand), std::move(tray), std::move(product_code), std::move(program)} {
    log_.attach(0, std::make_unique<quill::log::console>());
    try {
        log_.attach(0, std::make_unique<quill::log::file>(kLogBaseName, 0xFFFFFFFFu, 0));
    } catch (...) {
        ::MessageBoxA(nullptr, kNoLogFile, "Remove.exe", MB_OK);
    }
}

void SharedTrayRemover::RemoveSharedTray() {
    const std::wstring common_data = known_folder(kCommonAppData);
    const std::wstring configurations = configuration_folder(common_data, names_);
    remove_file(common_data, own_configuration_file(configurations, names_));

    const std::wstring program_files = known_folder(kProgramFilesX86);
    const std::wstring program_folder = tray_program_folder(program_files, names_);
    remove_file(program_files, update_icon(program_folder, names_));

    // Counted after this product's own file is gone, so only the other products count.
    const tray_products products = CountTrayProducts(configurations);
    if (products.listing_error != 0) {
        // A file the listing did not reach may be another product's: the tray and its counters
        // stay as they are.
        log_.write(quill::log::level_note, "FAILED TO count products in '%s' (%lu) !",
                   narrow_path(configurations).c_str(), products.listing_error);
        return;
    }
    const int count = products.count;
    log_.write(quill::log::level_note, "Number of prosucts = %d", count);

    if (count == 0) {
        stop_tray(program_folder);
        remove_tray_folders(program_folder);
        try {
            remove_tray_registry();
        } catch (const quill::registry2::generic&) {
            // The first registry error ends that part; the counters are repaired regardless.
        }
    }
    FixSharedDllCounters(count);
}

void SharedTrayRemover::remove_file(const std::wstring& known_folder, const std::wstring& path) {
    const std::string narrow = narrow_path(path);
    if (cleanup::delete_file(known_folder, path)) {
        log_.write(quill::log::level_note, "   %s removed", narrow.c_str());
    } else {
        log_.write(quill::log::level_note, "FAILED TO remove '%s' !", narrow.c_str());
    }
}

void SharedTrayRemover::stop_tray(const std::wstring& program_folder) {
    const std::wstring program_path = tray_program(program_folder, names_);
    if (html_library_exists(program_folder)) {
        log_.write(quill::log::level_note, L"Quiting Tray: %ls", program_path.c_str());
        ask_tray_to_quit(program_path, program_folder);
    } else {
        log_.write(quill::log::level_note, L"Terminate running process: %ls", program_path.c_str());
        cleanup::close_by_name(log_, narrow_path(names_.program));
    }
    log_.write(quill::log::level_note, L"Closing running process: %ls", program_path.c_str());
    wait_for_tray_to_end();
    log_.write(quill::log::level_note, L"Process: %ls closed successfully", program_path.c_str());
}

// An error other than "not found" is not taken for an absent library: it ends the step.
bool SharedTrayRemover::html_library_exists(const std::wstring& program_folder) const {
    const std::string program_files = cleanup::known_folder(kProgramFilesX86);
    bool present = false;
    if (!quill::fs::exists_below(widen_path(program_files), html_library(program_folder),
                                 quill::fs::item_kind::file, present)) {
        const int error = static_cast<int>(::GetLastError());
        throw quill::fs::generic(quill::format("exists() failed: \"%s\" (%i)",
                                               narrow_path(html_library(program_folder)).c_str(),
                                               error));
    }
    return present;
}

void SharedTrayRemover::wait_for_tray_to_end() {
    const exact_process tray(narrow_path(names_.program));
    for (int check = 0; check < kTrayChecks; ++check) {
        if (!tray.is_running()) return;
        ::Sleep(kCheckPause);
    }
}

// Each folder is removed below the system folder it was built from, so no link in between
// can lead the removal elsewhere.
void SharedTrayRemover::remove_tray_folders(const std::wstring& program_folder) {
    cleanup::remove_folder(log_, narrow_path(program_folder),
                           cleanup::known_folder(kProgramFilesX86));
    const std::string common_data = cleanup::known_folder(kCommonAppData);
    cleanup::remove_folder(log_, narrow_path(tray_data_folder(widen_path(common_data), names_)),
                           common_data);
    const std::string user_data = cleanup::known_folder(kAppData);
    cleanup::remove_folder(log_, narrow_path(tray_data_folder(widen_path(user_data), names_)),
                           user_data);
}

void SharedTrayRemover::remove_tray_registry() {
    using quill::registry2::key;
    // The suite's 32-bit programs keep their keys in the 32-bit view.
    const key machine = key::open_handle(HKEY_LOCAL_MACHINE, quill::registry2::view::bit32);
    key brand = key::open(machine, L"Software\\" + names_.brand);
    brand.delete_key(names_.tray, true);
    log_.write(quill::log::level_note, L"Cleaning registry: HKLM\\Software\\%ls",
               tray_marker(names_).c_str());

    key run = key::open(machine, kRunKey);
    run.delete_value(kRunValue);
    log_.write(
        quill::log::level_note,
        "Cleaning registry: HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\PellamTray");
    run.close();
    brand.close();
}

}  // namespace korve::suite

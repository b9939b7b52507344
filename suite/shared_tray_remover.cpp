#include "suite/shared_tray_remover.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <utility>

#include "channels/program_log.h"
#include "cleanup/close_by_name.h"
#include "cleanup/process.h"
#include "cleanup/remove_folder.h"
#include "quill/format.h"
#include "quill/fs/delete.h"
#include "quill/fs/errors.h"
#include "quill/fs/known_folder.h"
#include "quill/fs/open.h"
#include "quill/log/console.h"
#include "quill/registry2/errors.h"
#include "quill/registry2/key.h"
#include "suite/tray_products.h"

namespace korve::suite {
namespace {

constexpr int kCommonAppData = CSIDL_COMMON_APPDATA;
constexpr int kProgramFilesX86 = CSIDL_PROGRAM_FILESX86;
constexpr int kAppData = CSIDL_APPDATA;
constexpr int kTrayChecks = 15;
constexpr DWORD kCheckPause = 1000;

const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kRunValue = L"PellamTray";

std::wstring KnownFolder(int csidl) {
    return WidenPath(quill::fs::known_folder(csidl));
}

// The tray's instances by their exact file name: the wait must not match on a name that
// Windows 2000's shortening would cut.
class ExactProcess : public cleanup::process {
  public:
    explicit ExactProcess(std::string name) : process(std::move(name), name_as_given{}) {}
};

// A running tray ends itself when started again with "/quit"; the outcome shows in the wait
// that follows, not in the shell's result. The run is unattended, so a tray program that cannot
// be started must not raise the shell's error box. It starts elevated in its own folder: the
// program's current folder may be an ordinary user's, and a DLL the tray loads by name would
// be looked for there.
void AskTrayToQuit(const std::wstring& program_path, const std::wstring& program_folder) {
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
        log_.attach(0, NewLogFileListener());
    } catch (...) {
        ::MessageBoxA(nullptr, kNoLogFileText, "Remove.exe", MB_OK);
    }
}

void SharedTrayRemover::RemoveSharedTray() {
    const std::wstring common_data = KnownFolder(kCommonAppData);
    const std::wstring configurations = ConfigurationFolder(common_data, names_);
    RemoveFile(common_data, OwnConfigurationFile(configurations, names_));

    const std::wstring program_files = KnownFolder(kProgramFilesX86);
    const std::wstring program_folder = TrayProgramFolder(program_files, names_);
    RemoveFile(program_files, UpdateIcon(program_folder, names_));

    // Counted after this product's own file is gone, so only the other products count.
    const TrayProducts products = CountTrayProducts(configurations);
    if (products.listing_error != 0) {
        // A file the listing did not reach may be another product's: the tray and its counters
        // stay as they are.
        log_.write(quill::log::level_note, "FAILED TO count products in '%s' (%lu) !",
                   NarrowPath(configurations).c_str(), products.listing_error);
        return;
    }
    const int count = products.count;
    log_.write(quill::log::level_note, "Number of prosucts = %d", count);

    if (count == 0) {
        StopTray(program_folder);
        RemoveTrayFolders(program_folder);
        try {
            RemoveTrayRegistry();
        } catch (const quill::registry2::generic&) {
            // The first registry error ends that part; the counters are repaired regardless.
        }
    }
    FixSharedDllCounters(count);
}

void SharedTrayRemover::RemoveFile(const std::wstring& known_folder, const std::wstring& path) {
    const std::string narrow = NarrowPath(path);
    if (quill::fs::delete_below(known_folder, path, quill::fs::item_kind::file,
                                quill::fs::attribute_policy::keep)) {
        log_.write(quill::log::level_note, "   %s removed", narrow.c_str());
    } else {
        log_.write(quill::log::level_note, "FAILED TO remove '%s' !", narrow.c_str());
    }
}

void SharedTrayRemover::StopTray(const std::wstring& program_folder) {
    const std::wstring program_path = TrayProgram(program_folder, names_);
    if (HtmlLibraryExists(program_folder)) {
        log_.write(quill::log::level_note, L"Quiting Tray: %ls", program_path.c_str());
        AskTrayToQuit(program_path, program_folder);
    } else {
        log_.write(quill::log::level_note, L"Terminate running process: %ls", program_path.c_str());
        cleanup::close_by_name(log_, NarrowPath(names_.program));
    }
    log_.write(quill::log::level_note, L"Closing running process: %ls", program_path.c_str());
    WaitForTrayToEnd();
    log_.write(quill::log::level_note, L"Process: %ls closed successfully", program_path.c_str());
}

// An error other than "not found" is not taken for an absent library: it ends the step.
bool SharedTrayRemover::HtmlLibraryExists(const std::wstring& program_folder) const {
    const std::string program_files = quill::fs::known_folder(kProgramFilesX86);
    bool present = false;
    if (!quill::fs::exists_below(WidenPath(program_files), HtmlLibrary(program_folder),
                                 quill::fs::item_kind::file, present)) {
        const int error = static_cast<int>(::GetLastError());
        throw quill::fs::generic(quill::format("exists() failed: \"%s\" (%i)",
                                               NarrowPath(HtmlLibrary(program_folder)).c_str(),
                                               error));
    }
    return present;
}

void SharedTrayRemover::WaitForTrayToEnd() {
    const ExactProcess tray(NarrowPath(names_.program));
    for (int check = 0; check < kTrayChecks; ++check) {
        if (!tray.is_running()) return;
        ::Sleep(kCheckPause);
    }
}

// Each folder is removed below the system folder it was built from, so no link in between
// can lead the removal elsewhere.
void SharedTrayRemover::RemoveTrayFolders(const std::wstring& program_folder) {
    cleanup::remove_folder(log_, NarrowPath(program_folder),
                           quill::fs::known_folder(kProgramFilesX86));
    const std::string common_data = quill::fs::known_folder(kCommonAppData);
    cleanup::remove_folder(log_, NarrowPath(TrayDataFolder(WidenPath(common_data), names_)),
                           common_data);
    const std::string user_data = quill::fs::known_folder(kAppData);
    cleanup::remove_folder(log_, NarrowPath(TrayDataFolder(WidenPath(user_data), names_)),
                           user_data);
}

void SharedTrayRemover::RemoveTrayRegistry() {
    using quill::registry2::key;
    // The suite's 32-bit programs keep their keys in the 32-bit view.
    const key machine = key::open_handle(HKEY_LOCAL_MACHINE, quill::registry2::view::bit32);
    key brand = key::open(machine, L"Software\\" + names_.brand);
    brand.delete_key(names_.tray, true);
    log_.write(quill::log::level_note, L"Cleaning registry: HKLM\\Software\\%ls",
               TrayMarker(names_).c_str());

    key run = key::open(machine, kRunKey);
    run.delete_value(kRunValue);
    log_.write(
        quill::log::level_note,
        "Cleaning registry: HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\PellamTray");
    run.close();
    brand.close();
}

}  // namespace korve::suite

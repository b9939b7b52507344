#include <set>
#include <string>

#include "quill/registry2/key.h"
#include "suite/shared_tray_remover.h"

namespace korve::suite {
namespace {

const wchar_t* const kSharedDlls = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Value names of the tray's files: those holding the marker exactly (case matters) as whole
// path components, so that other programs' "...\Kestrana\TrayTools\x.dll" or
// "...\Kestrana\Tray2\y.dll" are not taken for the tray's.
std::set<std::wstring> tray_values(const quill::registry2::key& shared_dlls,
                                   const std::wstring& marker) {
    const std::wstring folder = L"\\" + marker + L"\\";
    std::set<std::wstring> names;
    for (const std::wstring& name : shared_dlls.value_names()) {
        if (name.find(folder) != std::wstring::npos) names.insert(name);
    }
    return names;
}

}  // namespace

void SharedTrayRemover::FixSharedDllCounters(int count) noexcept {
    try {
        log_.write(quill::log::level_note, "Fixing Pellam Tray counters in SharedDLLs");
        log_.write(quill::log::level_note,
                   "Number of products with Pellam Tray according to configurations files: %d",
                   count);
        using quill::registry2::key;
        // The counters of the tray, a 32-bit program, are kept in the 32-bit view.
        const key machine = key::open_handle(HKEY_LOCAL_MACHINE, quill::registry2::view::bit32);
        key shared_dlls = key::open(machine, kSharedDlls);
        const std::set<std::wstring> names = tray_values(shared_dlls, tray_marker(names_));

        log_.write(quill::log::level_note, "Conters of Pellam Tray fils in SharedDLLs key:");
        // Every counter is shown as found before any is changed.
        for (const std::wstring& name : names) {
            log_.write(quill::log::level_note, L"   %ls - %d", name.c_str(),
                       static_cast<int>(shared_dlls.get_dword(name)));
        }
        for (const std::wstring& name : names) {
            const DWORD counter = shared_dlls.get_dword(name);
            if (count == 0) {
                shared_dlls.delete_value(name);
                log_.write(quill::log::level_note, L"Removed registry value %ls", name.c_str());
            } else if (counter != static_cast<DWORD>(count)) {
                shared_dlls.set_dword(name, static_cast<DWORD>(count));
                log_.write(quill::log::level_note, L"%ls is set to %d", name.c_str(), count);
            }
        }
        shared_dlls.close();
    } catch (...) {
        // The repair stops at its first error; what it changed stays changed.
    }
}

}  // namespace korve::suite

#include "installer/store_lines.h"

namespace {

void WriteCutLineOnce(quill::log::channel& log, bool& written, const char* format,
                      std::size_t bound) {
    if (written) return;
    written = true;
    log.write(quill::log::level_note, format, static_cast<int>(bound));
}

}  // namespace

void RecordRoot(quill::log::channel& log, InstallerStores& stores, const std::wstring& path) {
    const std::optional<std::uint32_t> number = stores.AddRoot(path, StoreOwner(path));
    if (!number) {
        WriteCutLineOnce(log, stores.roots_cut, "More than %i root stores: the rest not kept",
                         kMaxRootStores);
        return;
    }
    log.write(quill::log::level_note, L"Root: %i  %ls", static_cast<int>(*number), path.c_str());
}

void RecordLocation(quill::log::channel& log, InstallerStores& stores, const InstallerStore& root,
                    const std::wstring& user_data_name) {
    const std::optional<std::uint32_t> number = stores.AddLocation(root, user_data_name);
    if (!number) {
        WriteCutLineOnce(log, stores.locations_cut, "More than %i locations: the rest not kept",
                         kMaxLocations);
    } else if (user_data_name.empty()) {
        log.write(quill::log::level_note, "UserData: %i  %i  Installer",
                  static_cast<int>(root.number), static_cast<int>(*number));
    } else {
        log.write(quill::log::level_note, L"UserData: %i  %i  Installer\\UserData\\%ls",
                  static_cast<int>(root.number), static_cast<int>(*number), user_data_name.c_str());
    }
}

bool SearchablePath(quill::log::channel& log, InstallerStores& stores, const std::wstring& path) {
    if (path.size() <= kMaxStorePathChars) return true;
    WriteCutLineOnce(log, stores.paths_cut,
                     "Keys with paths longer than %i characters not searched", kMaxStorePathChars);
    return false;
}

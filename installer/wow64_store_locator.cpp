#include "installer/wow64_store_locator.h"

#include "channels/program_channels.h"
#include "installer/cleaning_log.h"
#include "installer/name_case.h"
#include "installer/store_lines.h"
#include "installer/wow64_key.h"

namespace wow64 {
namespace {

// The registry allows 512 levels; links are not followed, so only a corrupt hive goes deeper.
constexpr int kMaxDepth = 512;

bool HoldsUpgradeCodes(const Wow64RegistryFunctions& api, HKEY parent,
                       const std::wstring& installer_name) {
    return Wow64Key::Open(api, parent, installer_name + L"\\UpgradeCodes", kWow64ReadAccess)
        .valid();
}

void AddLocationsOf(const Wow64RegistryFunctions& api, InstallerStores& stores,
                    const InstallerStore& root) {
    quill::log::channel& log = Wow64InstallerChannel();
    RecordLocation(log, stores, root);
    const StorePathParts parts = SplitStorePath(root.path);
    const Wow64Key user_data =
        Wow64Key::Open(api, HiveFromName(parts.short_name),
                       parts.sub_path + L"\\Installer\\UserData", kWow64ReadAccess);
    if (!user_data.valid()) return;
    // No more names than locations can be kept.
    for (const std::wstring& user : Wow64SubKeyNames(api, user_data.get(), kMaxLocations)) {
        RecordLocation(log, stores, root, user);
    }
}

// Children are opened as they are: a link opened as itself is a leaf, so its target is never
// searched through it and a link to an ancestor cannot make the search endless (no value
// enumeration per key is needed for that). Installer\UpgradeCodes is opened with the full
// check of Wow64Key::Open.
void Search(const Wow64RegistryFunctions& api, InstallerStores& stores, const std::wstring& path,
            HKEY key, int depth) {
    std::wstring name;
    for (DWORD index = 0; Wow64SubKeyName(api, key, index, name) == ERROR_SUCCESS; ++index) {
        if (EqualsLowerCase(name, L"installer")) {
            if (HoldsUpgradeCodes(api, key, name))
                RecordRoot(Wow64InstallerChannel(), stores, path);
            continue;
        }
        if (depth + 1 >= kMaxDepth) continue;
        const std::wstring child_path = path + L"\\" + name;
        if (!SearchablePath(Wow64InstallerChannel(), stores, child_path)) continue;
        const Wow64Key child = Wow64Key::OpenAsIs(api, key, name, kWow64ReadAccess);
        if (child.valid()) Search(api, stores, child_path, child.get(), depth + 1);
    }
}

}  // namespace

void FindInstallerRoots(const Wow64RegistryFunctions& api, InstallerStores& stores,
                        const std::wstring& path, HKEY key) {
    Search(api, stores, path, key, 0);
}

void AddInstallerLocations(const Wow64RegistryFunctions& api, InstallerStores& stores) {
    for (const InstallerStore& root : stores.roots) AddLocationsOf(api, stores, root);
}

void LocateInstallerStores(const Wow64RegistryFunctions& api, InstallerStores& stores) {
    quill::log::channel& log = Wow64InstallerChannel();
    WriteSectionHeading(log, "Locating Windows Installer Root Stores", kSeparatorLine);
    for (const wchar_t* short_name : kHiveShortNames) {
        const Wow64Key hive = Wow64Key::OpenRoot(api, HiveFromName(short_name), kWow64ReadAccess);
        if (!hive.valid()) {
            const std::wstring name = short_name;
            if (name == L"HKCR")
                log.write(quill::log::level_note, "RegOpenKeyEx HKEY_CLASSES_ROOT failed");
            if (name == L"HKLM")
                log.write(quill::log::level_note, "RegOpenKeyEx HKEY_LOCAL_MACHINE failed");
            continue;
        }
        FindInstallerRoots(api, stores, short_name, hive.get());
    }
    AddInstallerLocations(api, stores);
}

}  // namespace wow64

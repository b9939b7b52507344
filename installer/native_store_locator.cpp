#include "installer/native_store_locator.h"

#include "channels/program_channels.h"
#include "installer/cleaning_log.h"
#include "installer/name_case.h"

namespace native {
namespace {

using quill::registry2::key;

// Only the exact spelling counts below an Installer key in this variant.
bool HoldsUpgradeCodes(const key& parent, const std::wstring& installer_name) {
    const key installer = key::open(parent, installer_name);
    return installer.sub_keys().count(L"UpgradeCodes") != 0;
}

void AddLocationsOf(InstallerStores& stores, const InstallerStore& root) {
    const std::uint32_t root_number = root.number;
    const std::wstring& root_path = root.path;
    const std::uint32_t number = stores.AddLocation(root_path + L"\\Installer");
    InstallerChannel().write(quill::log::level_note, "UserData: %i  %i  Installer",
                             static_cast<int>(root_number), static_cast<int>(number));
    try {
        const StorePathParts parts = SplitStorePath(root_path);
        key installer = [&parts] {
            const key hive = key::open_handle(HiveFromName(parts.short_name));
            return key::open(hive, parts.sub_path + L"\\Installer");
        }();
        const key user_data = key::open(installer, L"UserData");
        installer.close();
        for (const std::wstring& user : user_data.sub_keys()) {
            const std::uint32_t user_number =
                stores.AddLocation(root_path + L"\\Installer\\UserData\\" + user);
            InstallerChannel().write(
                quill::log::level_note, L"UserData: %i  %i  Installer\\UserData\\%ls",
                static_cast<int>(root_number), static_cast<int>(user_number), user.c_str());
        }
    } catch (const quill::registry2::generic&) {
        // This root store contributes its Installer location only.
    }
}

}  // namespace

void FindInstallerRoots(InstallerStores& stores, const std::wstring& path, key parent) {
    for (const std::wstring& name : parent.sub_keys()) {
        try {
            if (EqualsLowerCase(name, L"installer")) {
                if (HoldsUpgradeCodes(parent, name)) {
                    const std::uint32_t number = stores.AddRoot(path);
                    InstallerChannel().write(quill::log::level_note, L"Root: %i  %ls",
                                             static_cast<int>(number), path.c_str());
                }
                continue;
            }
            FindInstallerRoots(stores, path + L"\\" + name, key::open(parent, name));
        } catch (const quill::registry2::generic&) {
            // A sub-tree that cannot be read holds no store we could clean.
        }
    }
}

void AddInstallerLocations(InstallerStores& stores) {
    for (const InstallerStore& root : stores.roots) AddLocationsOf(stores, root);
}

void LocateInstallerStores(InstallerStores& stores) {
    WriteSectionHeading(InstallerChannel(), "Locating Windows Installer Root Stores",
                        kSeparatorLine);
    for (const wchar_t* short_name : kHiveShortNames) {
        FindInstallerRoots(stores, short_name, key::open_handle(HiveFromName(short_name)));
    }
    AddInstallerLocations(stores);
}

}  // namespace native

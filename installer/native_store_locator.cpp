#include "installer/native_store_locator.h"

#include "channels/program_channels.h"
#include "installer/bounded_names.h"
#include "installer/cleaning_log.h"
#include "installer/name_case.h"
#include "installer/store_lines.h"

namespace native {
namespace {

using quill::registry2::key;

// The registry allows 512 levels; links are not followed, so only a corrupt hive goes deeper.
constexpr int kMaxDepth = 512;

// Only the exact spelling counts below an Installer key in this variant. An Installer key
// that is a registry link, opened as itself, has no UpgradeCodes child: no store.
bool HoldsUpgradeCodes(const key& parent, const std::wstring& installer_name) {
    const key installer = key::open_as_is(parent, installer_name);
    return installer.sub_keys().count(L"UpgradeCodes") != 0;
}

// Children are opened as they are: a link opened as itself is a leaf, so its target is never
// searched through it (only by its own path) and a link to an ancestor cannot make the
// search endless. No is_link query is needed for that, which keeps the walk as fast.
void Search(InstallerStores& stores, const std::wstring& path, key parent, int depth) {
    for (const std::wstring& name : parent.sub_keys()) {
        try {
            if (EqualsLowerCase(name, L"installer")) {
                if (HoldsUpgradeCodes(parent, name)) RecordRoot(InstallerChannel(), stores, path);
                continue;
            }
            if (depth + 1 >= kMaxDepth) continue;
            const std::wstring child_path = path + L"\\" + name;
            if (!SearchablePath(InstallerChannel(), stores, child_path)) continue;
            Search(stores, child_path, key::open_as_is(parent, name), depth + 1);
        } catch (const quill::registry2::generic&) {
            // A sub-tree that cannot be read holds no store we could clean.
        }
    }
}

void AddLocationsOf(InstallerStores& stores, const InstallerStore& root) {
    RecordLocation(InstallerChannel(), stores, root);
    try {
        const StorePathParts parts = SplitStorePath(root.path);
        const key user_data = [&parts] {
            const key hive = key::open_handle(HiveFromName(parts.short_name));
            return key::open_path_as_is(hive, parts.sub_path + L"\\Installer\\UserData");
        }();
        // No more names than locations can be kept.
        for (const std::wstring& user : SubKeyNames(user_data, kMaxLocations).names) {
            RecordLocation(InstallerChannel(), stores, root, user);
        }
    } catch (const quill::registry2::generic&) {
        // This root store contributes its Installer location only.
    }
}

}  // namespace

void FindInstallerRoots(InstallerStores& stores, const std::wstring& path, key parent) {
    Search(stores, path, std::move(parent), 0);
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

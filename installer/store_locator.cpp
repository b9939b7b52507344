#include "installer/store_locator.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <optional>
#include <vector>

#include "channels/program_channels.h"
#include "installer/cleaning_log.h"
#include "installer/store_keys.h"
#include "quill/format.h"

namespace korve::installer {
namespace {

using quill::registry2::key;

// True when `name` with its ASCII letters lowered equals `lower` (which is lower case).
bool EqualsLowerCase(const std::wstring& name, const wchar_t* lower) {
    if (name.size() != std::wcslen(lower)) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        wchar_t c = name[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != lower[i]) return false;
    }
    return true;
}

void WriteCutLineOnce(quill::log::channel& log, bool& written, const char* format,
                      std::size_t bound) {
    if (written) return;
    written = true;
    log.write(quill::log::level_note, format, static_cast<int>(bound));
}

// Appends the root store at `path` (owned as StoreOwner says) with its line; past
// kMaxRootStores one line says so, the first time.
void RecordRoot(quill::log::channel& log, InstallerStores& stores, const std::wstring& path) {
    const std::optional<std::uint32_t> number = stores.AddRoot(path, StoreOwner(path));
    if (!number) {
        WriteCutLineOnce(log, stores.roots_cut, "More than %i root stores: the rest not kept",
                         kMaxRootStores);
        return;
    }
    log.write(quill::log::level_note, L"Root: %i  %ls", static_cast<int>(*number), path.c_str());
}

// Appends root\Installer, or with `user_data_name` root\Installer\UserData\<name>, with its
// line; past kMaxLocations one line says so, the first time.
void RecordLocation(quill::log::channel& log, InstallerStores& stores, const InstallerStore& root,
                    const std::wstring& user_data_name = {}) {
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

// True when a key at `path` may be searched: past kMaxStorePathChars one line says so, the
// first time.
bool SearchablePath(quill::log::channel& log, InstallerStores& stores, const std::wstring& path) {
    if (path.size() <= kMaxStorePathChars) return true;
    WriteCutLineOnce(log, stores.paths_cut,
                     "Keys with paths longer than %i characters not searched", kMaxStorePathChars);
    return false;
}

// An Installer key that is a registry link, opened as itself, holds no store.
bool HoldsUpgradeCodes(const key& parent, const std::wstring& installer_name,
                       const VariantPolicy& policy) {
    key installer;
    if (OpenChild(parent, installer_name, policy.locating_access, installer) != ERROR_SUCCESS)
        return false;
    if (policy.upgrade_codes_spelling == UpgradeCodesSpelling::any_case) {
        key upgrade_codes;
        return OpenChild(installer, L"UpgradeCodes", policy.locating_access, upgrade_codes) ==
               ERROR_SUCCESS;
    }
    const std::vector<std::wstring> names = ListNames(policy, installer, NameKind::sub_keys).names;
    return std::find(names.begin(), names.end(), L"UpgradeCodes") != names.end();
}

// A link opened as itself is a leaf, so its target is never searched through it (only by its
// own path) and a link to an ancestor cannot make the search endless; no is_link query per key
// is needed for that, which keeps the walk as fast.
LONG Search(InstallerStores& stores, const std::wstring& path, const key& parent, int depth,
            const VariantPolicy& policy) {
    quill::log::channel& log = *policy.channel;
    const quill::registry2::name_list children = ListNames(policy, parent, NameKind::sub_keys);
    for (const std::wstring& name : children.names) {
        if (EqualsLowerCase(name, L"installer")) {
            if (HoldsUpgradeCodes(parent, name, policy)) RecordRoot(log, stores, path);
            continue;
        }
        if (depth + 1 >= quill::registry2::max_depth) continue;
        const std::wstring child_path = path + L"\\" + name;
        if (!SearchablePath(log, stores, child_path)) continue;
        key child;
        if (key::try_open(parent, name, child, policy.locating_access,
                          quill::registry2::links::open_as_is) == ERROR_SUCCESS) {
            Search(stores, child_path, child, depth + 1, policy);
        }
    }
    return children.code;
}

void AddLocationsOf(InstallerStores& stores, const InstallerStore& root,
                    const VariantPolicy& policy) {
    RecordLocation(*policy.channel, stores, root);
    key user_data;
    if (OpenStoreKey(policy, root.path, L"\\Installer\\UserData", policy.locating_access,
                     policy.view, user_data) != ERROR_SUCCESS) {
        return;
    }
    // No more names than locations can be kept.
    for (const std::wstring& user :
         ListNames(policy, user_data, NameKind::sub_keys, kMaxLocations).names) {
        RecordLocation(*policy.channel, stores, root, user);
    }
}

void HiveNotOpened(const std::wstring& short_name, LONG code, const VariantPolicy& policy) {
    if (policy.hive_failures == HiveFailures::propagate) {
        throw quill::registry2::key_error(quill::format("RegOpenKeyEx() failed: hive %ls (%i)",
                                                        short_name.c_str(), static_cast<int>(code)),
                                          code);
    }
    quill::log::channel& log = *policy.channel;
    if (short_name == L"HKCR")
        log.write(quill::log::level_note, "RegOpenKeyEx HKEY_CLASSES_ROOT failed");
    if (short_name == L"HKLM")
        log.write(quill::log::level_note, "RegOpenKeyEx HKEY_LOCAL_MACHINE failed");
}

}  // namespace

LONG FindInstallerRoots(InstallerStores& stores, const std::wstring& path, const key& parent,
                        const VariantPolicy& policy) {
    return Search(stores, path, parent, 0, policy);
}

void AddInstallerLocations(InstallerStores& stores, const VariantPolicy& policy) {
    for (const InstallerStore& root : stores.roots) AddLocationsOf(stores, root, policy);
}

void LocateInstallerStores(InstallerStores& stores, const VariantPolicy& policy) {
    WriteSectionHeading(*policy.channel, "Locating Windows Installer Root Stores", kSeparatorLine);
    for (const wchar_t* short_name : kHiveShortNames) {
        key hive;
        const LONG opened =
            key::try_open_handle(HiveFromName(short_name), hive, policy.locating_access,
                                 policy.view, policy.functions());
        if (opened != ERROR_SUCCESS) {
            HiveNotOpened(short_name, opened, policy);
            continue;
        }
        const LONG listed = FindInstallerRoots(stores, short_name, hive, policy);
        if (policy.hive_failures == HiveFailures::propagate && ListingFailed(listed)) {
            throw quill::registry2::key_error(quill::format("RegEnumKeyEx() failed: hive %ls (%i)",
                                                            short_name, static_cast<int>(listed)),
                                              listed);
        }
    }
    AddInstallerLocations(stores, policy);
}

}  // namespace korve::installer

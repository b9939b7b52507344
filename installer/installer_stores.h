#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "installer/hive_owner.h"

namespace korve::installer {

// One place in the registry where Windows Installer tables live.
struct InstallerStore {
    // Unique within one run of the cleaning; root stores and locations share the numbering.
    std::uint32_t number = 0;
    // Hive short name, then a backslash and the sub-key path (HKLM\SOFTWARE\Classes); a store
    // directly below a hive has the short name alone.
    std::wstring path;
    // Whose data the store holds.
    HiveOwner owner;
    // Whose hive the store lies in: the owner's, except for the machine's
    // Installer\UserData\<SID>, which holds <SID>'s data in the machine's hive.
    HiveOwner hive;
};

// How much of what the registry holds the locating phase keeps. Any user fills their own hive
// as they like, so every list it feeds has a bound, far above what a real machine holds.
constexpr std::size_t kMaxRootStores = 1024;
constexpr std::size_t kMaxLocations = 8192;
// Keys whose store path would be longer are not searched.
constexpr std::size_t kMaxStorePathChars = 1024;

// The stores found by the locating phase.
struct InstallerStores {
    // Incremented before every new root store or location, which then takes its value.
    std::uint32_t counter = 0;
    // Keys with an Installer child that has an UpgradeCodes child, in the order found.
    std::vector<InstallerStore> roots;
    // For each root store P: P\Installer, then P\Installer\UserData\S for each user S.
    std::vector<InstallerStore> locations;
    // Set once the line that says a bound left root stores, locations or keys out is written.
    bool roots_cut = false;
    bool locations_cut = false;
    bool paths_cut = false;

    // Increments the counter and appends (counter, path, owner, the owner's hive); returns
    // the new number, or nothing when kMaxRootStores are already kept.
    std::optional<std::uint32_t> AddRoot(const std::wstring& path, const HiveOwner& owner = {});
    // The same for the location root\Installer, or with `user_data_name` for
    // root\Installer\UserData\<name>: the root's owner's data when the root is a user's, else
    // the data of the SID it names; the hive is the root's. Nothing once kMaxLocations are
    // kept.
    std::optional<std::uint32_t> AddLocation(const InstallerStore& root,
                                             const std::wstring& user_data_name = {});
};

// The hive short names in the order in which the hives are searched.
extern const wchar_t* const kHiveShortNames[4];

// "HKCR", "HKLM", "HKCU" give their predefined keys (exact comparison); any other text gives
// HKEY_USERS.
HKEY HiveFromName(const std::wstring& short_name);

// A store path split at its first backslash into hive short name and sub-path; a path without
// a backslash gives the whole path as both.
struct StorePathParts {
    std::wstring short_name;
    std::wstring sub_path;
};
StorePathParts SplitStorePath(const std::wstring& path);

}  // namespace korve::installer

#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// One place in the registry where Windows Installer tables live.
struct InstallerStore {
    // Unique within one run of the cleaning; root stores and locations share the numbering.
    std::uint32_t number = 0;
    // Hive short name, then a backslash and the sub-key path (HKLM\SOFTWARE\Classes); a store
    // directly below a hive has the short name alone.
    std::wstring path;
    // The user whose hive holds the store's data, as a SID text; empty for the machine's.
    std::wstring owner;
};

// The stores found by the locating phase.
struct InstallerStores {
    // Incremented before every new root store or location, which then takes its value.
    std::uint32_t counter = 0;
    // Keys with an Installer child that has an UpgradeCodes child, in the order found.
    std::vector<InstallerStore> roots;
    // For each root store P: P\Installer, then P\Installer\UserData\S for each user S.
    std::vector<InstallerStore> locations;

    // Increments the counter and appends (counter, path, owner); returns the new number.
    std::uint32_t AddRoot(const std::wstring& path, const std::wstring& owner = {});
    std::uint32_t AddLocation(const std::wstring& path, const std::wstring& owner = {});
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

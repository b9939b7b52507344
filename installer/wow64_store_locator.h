#pragma once

#include <windows.h>

#include <string>

#include "installer/installer_stores.h"
#include "installer/wow64_registry_functions.h"

// The locating phase of the WOW64 cleaning variant: the looked-up registry functions, the
// 64-bit view named in every call, registry enumeration order. Lines go to the WOW64
// installer channel. Nothing here throws registry errors: what cannot be opened or listed
// contributes nothing.
namespace wow64 {

// Searches the tree below `key` (named `path`) for root stores and appends them to
// stores.roots with a "Root: %i  %ls" line each. A child named Installer (any letter case)
// makes `path` a root store when Installer\UpgradeCodes opens (any letter case); its contents
// are not searched. The caller keeps and closes `key`.
void FindInstallerRoots(const Wow64RegistryFunctions& api, InstallerStores& stores,
                        const std::wstring& path, HKEY key);

// Appends the Installer location and one location per UserData sub-key of each root store.
void AddInstallerLocations(const Wow64RegistryFunctions& api, InstallerStores& stores);

// The whole phase: heading, the four hives (a failed open of HKCR or HKLM is logged), then
// the locations.
void LocateInstallerStores(const Wow64RegistryFunctions& api, InstallerStores& stores);

}  // namespace wow64

#pragma once

#include <string>

#include "installer/installer_stores.h"
#include "quill/registry2/key.h"

// The locating phase of the native cleaning variant, through quill::registry2. Lines go to
// the installer channel.
namespace native {

// Searches the tree below `key` (named `path`, which starts with a hive short name) for root
// stores, depth first in sorted name order, and appends them to stores.roots with a
// "Root: %i  %ls" line each. The contents of keys named Installer (any letter case) are not
// searched; such a key makes its parent a root store when it has a child named exactly
// UpgradeCodes. The key is owned by the call and closed at its end.
// Throws the registry2 error of listing `key` itself; errors below it skip the affected name.
void FindInstallerRoots(InstallerStores& stores, const std::wstring& path,
                        quill::registry2::key key);

// Appends the Installer location and one location per UserData sub-key of each root store,
// with a "UserData: ..." line each. A root store whose keys cannot be read keeps only its
// Installer location. Throws only errors other than registry2 ones (a message's conversion).
void AddInstallerLocations(InstallerStores& stores);

// The whole phase: heading, the search of the four hives in the order HKCR, HKLM, HKCU, HKU,
// then the locations. Throws the registry2 error of opening or listing a hive.
void LocateInstallerStores(InstallerStores& stores);

}  // namespace native

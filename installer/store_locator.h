#pragma once

#include <windows.h>

#include <string>

#include "installer/installer_stores.h"
#include "installer/variant_policy.h"
#include "quill/registry2/key.h"

// The locating phase of the cleaning: where installer tables live. Lines go to the policy's
// channel.
namespace korve::installer {

// Searches the tree below `parent` (named `path`, which starts with a hive short name) for
// root stores, depth first in the policy's name order, and appends them to stores.roots with a
// "Root: %i  %ls" line each. The contents of keys named Installer (any letter case) are not
// searched; such a key makes its parent a root store when it has a child UpgradeCodes, spelled
// as the policy says. Children are opened as they are: a registry link is never searched.
// Returns the code that ended the listing of `parent` itself (ListingFailed); below it, a key
// that cannot be opened or listed contributes what it could.
LONG FindInstallerRoots(InstallerStores& stores, const std::wstring& path,
                        const quill::registry2::key& parent, const VariantPolicy& policy);

// Appends the Installer location and one location per UserData sub-key of each root store,
// with a "UserData: ..." line each. A root store whose UserData cannot be read keeps only its
// Installer location.
void AddInstallerLocations(InstallerStores& stores, const VariantPolicy& policy);

// The whole phase: heading, the search of the four hives in the order HKCR, HKLM, HKCU, HKU,
// then the locations. A hive that cannot be opened or listed throws its registry2 error, or
// with HiveFailures::logged contributes nothing (a line for HKCR and HKLM that do not open).
void LocateInstallerStores(InstallerStores& stores, const VariantPolicy& policy);

}  // namespace korve::installer

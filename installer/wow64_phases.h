#pragma once

#include <windows.h>

#include <string>

#include "installer/installer_cleanup.h"
#include "installer/wow64_registry_functions.h"

// The cleaning phases of the WOW64 variant: the looked-up registry functions, the 64-bit view
// named in every call, names read by index in registry order, no key opened through a
// registry link, codes and key files acting only where they apply (ProductCodeApplies,
// KeyFileApplies). Each runs once per store;
// lines ("%i  %ls") go to the WOW64 installer channel. Deletions happen only while the WOW64
// switch is set. Nothing here throws registry errors: a failure skips one item.
namespace wow64 {

// Root store P: deletes P\Installer\UpgradeCodes\U for every U in record.upgrade_codes and
// collects its value names (at most kMaxNamesPerUpgradeCode, with a line when more are left)
// into record.product_codes. A failed deletion logs "Error %i";
// the code's line follows whether or not it was deleted.
void RemoveUpgradeCodes(const Wow64RegistryFunctions& api, const InstallerStore& root,
                        InstallerCleanup& record);

// Location L: deletes the tree L\Products\C of every C in record.product_codes that opens.
void RemoveProducts(const Wow64RegistryFunctions& api, const InstallerStore& location,
                    InstallerCleanup& record);

// Location L: examines every L\Components\K once and deletes those whose only clients were
// the product.
void RemoveComponents(const Wow64RegistryFunctions& api, const InstallerStore& location,
                      InstallerCleanup& record);

// Deletes the product's client values of an open component key (the caller closes it); true
// when they were all of its values, and then their key paths join record.key_files. Key path
// data is taken as text up to its first zero; "C?\..." becomes "C:\...". A value whose name
// or data does not fit its 300-character buffer, or whose data fills the data buffer without
// a terminating zero, counts as a value of the component but is left alone.
// Only codes that apply to `location` count as the product's; the key paths are recorded
// with AddKeyFiles.
bool CheckComponent(const Wow64RegistryFunctions& api, InstallerCleanup& record, HKEY component,
                    const InstallerStore& location);

// `shared_dlls` is a root store with its path extended by "\SharedDLLs": deletes the value of
// every key file there, in the 64-bit view and in the 32-bit view (where a 32-bit install
// counts its key files); one line per key file whatever happened.
void RemoveKeyFiles(const Wow64RegistryFunctions& api, const InstallerStore& shared_dlls,
                    InstallerCleanup& record);

// Deletes the key `name` below `parent` with its whole tree. A child that cannot be removed
// stops the deletion; what was deleted stays deleted. A registry link (`name` itself or in
// the tree) is left in place and its target untouched, so the key holding it stays; a tree
// deeper than the registry's 512 levels (`depth` counts from the first call) is left too.
void DeleteTreeWow64(const Wow64RegistryFunctions& api, HKEY parent, const std::wstring& name);
void DeleteTreeWow64(const Wow64RegistryFunctions& api, HKEY parent, const std::wstring& name,
                     int depth);

// The four phases over the stores already in record.stores, each under its heading.
void RemoveFromStores(const Wow64RegistryFunctions& api, InstallerCleanup& record);

// The whole WOW64 variant on a given table (CleanInstallerDatabaseWow64 passes the
// program-wide one), which it releases at its end.
void CleanInstallerDatabase(Wow64RegistryFunctions& api, InstallerCleanup& record);

}  // namespace wow64

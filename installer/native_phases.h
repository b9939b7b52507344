#pragma once

#include "installer/installer_cleanup.h"
#include "quill/registry2/key.h"

// The cleaning phases of the native variant, through quill::registry2. Each runs once per
// store with that store's number and path; lines ("%i  %ls") go to the installer channel.
// Deletions happen only while the native switch is set. Codes and key files act only on the
// stores they apply to (ProductCodeApplies, KeyFileApplies), and no key is opened through a
// registry link. Registry errors are caught at the scopes named below and write no line;
// other errors leave the phase.
namespace native {

// Root store P: deletes P\Installer\UpgradeCodes\U for every U in record.upgrade_codes and
// collects its value names (packed product codes, at most kMaxNamesPerUpgradeCode of them,
// with a line when more are left) into record.product_codes. An error skips one upgrade code.
void RemoveUpgradeCodes(const InstallerStore& root, InstallerCleanup& record);

// Location L: deletes the tree L\Products\C for every C in record.product_codes. An error
// skips one product code.
void RemoveProducts(const InstallerStore& location, InstallerCleanup& record);

// Location L: runs CheckComponent on every L\Components\K and deletes the components whose
// only clients were the product. An error abandons the rest of the location.
void RemoveComponents(const InstallerStore& location, InstallerCleanup& record);

// Deletes the product's client values of one component key (owned, closed at the end) of
// `location` (codes that do not apply there are left alone); true when they were all of its
// values, and then the key paths join record.key_files (AddKeyFiles). A key path stored as
// "C?\..." is collected as "C:\...". Throws registry2 errors.
bool CheckComponent(InstallerCleanup& record, quill::registry2::key component,
                    const InstallerStore& location);

// `shared_dlls` is a root store with its path extended by "\SharedDLLs": deletes the value of
// every key file in record.key_files there. An error skips one key file.
void RemoveKeyFiles(const InstallerStore& shared_dlls, InstallerCleanup& record);

// The four phases over the stores already in record.stores, each under its heading.
void RemoveFromStores(InstallerCleanup& record);

}  // namespace native

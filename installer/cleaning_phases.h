#pragma once

#include <string>

#include "installer/installer_cleanup.h"
#include "installer/variant_policy.h"
#include "quill/registry2/key.h"

// The four cleaning phases, one walk for both variants. Each runs once per store with that
// store's number and path; lines ("%i  %ls") go to the policy's channel, and deletions happen
// only with Deletions::enabled. Codes and key files act only on the stores they apply to
// (ProductCodeApplies, KeyFileApplies), and no key is opened through a registry link. Nothing
// here throws registry errors: a failure skips the item it concerns, or as the policy says.
namespace korve::installer {

// Root store P: deletes P\Installer\UpgradeCodes\U for every U in record.upgrade_codes and
// collects its value names (packed product codes, at most kMaxNamesPerUpgradeCode of them,
// with a line when more are left) into record.product_codes.
void RemoveUpgradeCodes(const InstallerStore& root, InstallerCleanup& record,
                        const VariantPolicy& policy);

// Location L: deletes the tree L\Products\C of every C in record.product_codes held there.
void RemoveProducts(const InstallerStore& location, InstallerCleanup& record,
                    const VariantPolicy& policy);

// Location L: examines every L\Components\K once and deletes those whose only clients were
// the product.
void RemoveComponents(const InstallerStore& location, InstallerCleanup& record,
                      const VariantPolicy& policy);

// `shared_dlls` is a root store with its path extended by "\SharedDLLs": deletes the value of
// every key file of record.key_files there, in each of the policy's SharedDLLs views.
void RemoveKeyFiles(const InstallerStore& shared_dlls, InstallerCleanup& record,
                    const VariantPolicy& policy);

// Deletes the key `name` below `parent` with its whole tree, links as the policy says; a child
// that cannot be removed stops the deletion (what was deleted stays deleted), and so does a
// tree deeper than the registry's 512 levels. Returns the system's code.
LONG DeleteTree(quill::registry2::key& parent, const std::wstring& name,
                const VariantPolicy& policy);

// The four phases over the stores already in record.stores, each under its heading.
void RemoveFromStores(InstallerCleanup& record, const VariantPolicy& policy);

}  // namespace korve::installer

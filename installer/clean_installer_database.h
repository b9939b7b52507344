#pragma once

#include "installer/installer_cleanup.h"
#include "installer/variant_policy.h"

namespace korve::installer {

// Removes the product from the Windows Installer database in the registry: its upgrade code,
// the products registered under it, the components only they used and the SharedDLLs values
// of those components' key files, as the variant's policy says. `record` must be empty; it is
// filled on the way and stays the caller's. With a looked-up function table, an incomplete
// one ends the cleaning after its error lines, and the table is released at the end (so such
// a cleaning runs once per table). Throws what the policy lets leave (a hive that cannot be
// read, with HiveFailures::propagate) and any error other than a registry one (for instance
// a text that cannot be formatted).
void CleanInstallerDatabase(InstallerCleanup& record, const VariantPolicy& policy);

}  // namespace korve::installer
